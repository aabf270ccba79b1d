#pragma once

#include "AFHTTPRequestOperation.h"
#include "TestEnvironment.h"
#include "TestHttpServer.h"

#include <httplib.h>

#include <chrono>
#include <memory>
#include <thread>

// The outcome of one operation as its blocks report it on the main queue.
struct Outcome {
    int successes = 0;
    int failures = 0;
    QVariant object;
    Error error;
    bool done() const { return successes + failures > 0; }
};

// Blocks that write what they are told into the outcome.
inline AFHTTPRequestOperation::Success recordSuccess(const std::shared_ptr<Outcome>& outcome)
{
    return [outcome](const std::shared_ptr<AFHTTPRequestOperation>&, const QVariant& object) {
        ++outcome->successes;
        outcome->object = object;
    };
}

inline AFHTTPRequestOperation::Failure recordFailure(const std::shared_ptr<Outcome>& outcome)
{
    return [outcome](const std::shared_ptr<AFHTTPRequestOperation>&, const Error& error) {
        ++outcome->failures;
        outcome->error = error;
    };
}

inline std::shared_ptr<Outcome> installOutcome(AFHTTPRequestOperation& operation)
{
    auto outcome = std::make_shared<Outcome>();
    operation.setCompletionBlockWithSuccess(recordSuccess(outcome), recordFailure(outcome));
    return outcome;
}

// Starts an operation for the URL and waits for its outcome, however slow a loaded machine
// makes it: the outcome always comes, at the latest when the operation's own time-outs end it.
inline std::shared_ptr<Outcome> load(const std::shared_ptr<AFHTTPRequestOperation>& operation)
{
    auto outcome = installOutcome(*operation);
    const URLRequest& request = operation->request();
    const double latest = 2 * (request.connectTimeout + request.timeoutInterval);
    operation->start();
    waitUntil([&] { return outcome->done(); }, int(latest * 1000));
    return outcome;
}

inline std::shared_ptr<AFHTTPRequestOperation> operationFor(const QUrl& url)
{
    return std::make_shared<AFHTTPRequestOperation>(URLRequest(url));
}

// A body of the given size whose bytes tell their offset apart.
inline std::string patternBody(int size)
{
    std::string body(size_t(size), '\0');
    for (int i = 0; i < size; ++i)
        body[size_t(i)] = char('a' + (i * 7 + i / 26) % 26);
    return body;
}

// Serves the body with an ETag in slowly trickling chunks, so that a client can pause in
// the middle. "Range: bytes=N-" is answered with 206 from N, ignored (200 with the whole
// body), or answered with a 206 from the wrong place (byte 0).
enum class RangeHandling { Honour, Ignore, WrongOffset };
inline void serveRangedBody(httplib::Server& server, const std::string& path, const std::string& body,
                            RangeHandling handling = RangeHandling::Honour)
{
    server.Get(path, [body, handling](const httplib::Request& request, httplib::Response& response) {
        response.set_header("ETag", "\"v1\"");
        response.status = 200; // set, or the server turns any request with a range into a 206
        size_t start = 0;
        const std::string range = request.get_header_value("Range");
        if (handling != RangeHandling::Ignore && range.rfind("bytes=", 0) == 0) {
            start = handling == RangeHandling::Honour ? std::stoul(range.substr(6)) : 0;
            response.status = 206;
            response.set_header("Content-Range", "bytes " + std::to_string(start) + "-" + std::to_string(body.size() - 1)
                                                     + "/" + std::to_string(body.size()));
        }
        response.set_chunked_content_provider("application/octet-stream",
                                              [body, start](size_t offset, httplib::DataSink& sink) {
                                                  const size_t from = start + offset;
                                                  if (from >= body.size()) {
                                                      sink.done();
                                                      return true;
                                                  }
                                                  std::this_thread::sleep_for(std::chrono::milliseconds(2));
                                                  const size_t count = std::min<size_t>(32768, body.size() - from);
                                                  sink.write(body.data() + from, count);
                                                  return true;
                                              });
    });
}
