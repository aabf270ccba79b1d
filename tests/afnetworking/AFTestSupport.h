#pragma once

#include "AFHTTPRequestOperation.h"
#include "TestEnvironment.h"
#include "TestHttpServer.h"

#include <httplib.h>

#include <memory>

// The outcome of one operation as its blocks report it on the main queue.
struct Outcome {
    int successes = 0;
    int failures = 0;
    QVariant object;
    Error error;
    bool done() const { return successes + failures > 0; }
};

inline std::shared_ptr<Outcome> installOutcome(AFHTTPRequestOperation& operation)
{
    auto outcome = std::make_shared<Outcome>();
    operation.setCompletionBlockWithSuccess(
        [outcome](const std::shared_ptr<AFHTTPRequestOperation>&, const QVariant& object) {
            ++outcome->successes;
            outcome->object = object;
        },
        [outcome](const std::shared_ptr<AFHTTPRequestOperation>&, const Error& error) {
            ++outcome->failures;
            outcome->error = error;
        });
    return outcome;
}

// Starts an operation for the URL and waits for its outcome.
inline std::shared_ptr<Outcome> load(const std::shared_ptr<AFHTTPRequestOperation>& operation)
{
    auto outcome = installOutcome(*operation);
    operation->start();
    waitUntil([&] { return outcome->done(); });
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

// Serves the body with an ETag, answering "Range: bytes=N-" with 206 from N.
inline void serveRangedBody(httplib::Server& server, const std::string& path, const std::string& body)
{
    server.Get(path, [body](const httplib::Request& request, httplib::Response& response) {
        response.set_header("ETag", "\"v1\"");
        const std::string range = request.get_header_value("Range");
        if (range.rfind("bytes=", 0) == 0) {
            const size_t start = std::stoul(range.substr(6));
            response.status = 206;
            response.set_header("Content-Range",
                                "bytes " + std::to_string(start) + "-" + std::to_string(body.size() - 1) + "/"
                                    + std::to_string(body.size()));
            response.set_content(body.substr(start), "application/octet-stream");
            return;
        }
        response.set_content(body, "application/octet-stream");
    });
}
