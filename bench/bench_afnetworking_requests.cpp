// 1,000 small GET requests, one after another, to a server on 127.0.0.1: through the
// HTTP request operation (network thread, completion on the main queue) and, as the
// yardstick, through one reused libcurl easy handle. The ratio of the two is printed. Qt
// Network used directly on the main thread shows what the layer under the operations costs.
#include "AFHTTPRequestOperation.h"

#include "Log.h"
#include "TestEnvironment.h"
#include "TestHttpServer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QNetworkAccessManager>
#include <QNetworkReply>

#include <benchmark/benchmark.h>
#include <curl/curl.h>
#include <httplib.h>

#include <cstdio>

namespace {

constexpr int Requests = 1000;

TestHttpServer& server()
{
    static TestHttpServer* instance = [] {
        auto* created = new TestHttpServer();
        created->server().Get("/note", [](const httplib::Request&, httplib::Response& response) {
            response.set_content("{\"note\":60}", "application/json");
        });
        created->start();
        created->server().set_keep_alive_timeout(5);
        return created;
    }();
    return *instance;
}

double operationsLoop()
{
    const QUrl url = server().url("/note");
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < Requests; ++i) {
        auto operation = std::make_shared<AFHTTPRequestOperation>(URLRequest(url));
        bool done = false;
        operation->setCompletionBlockWithSuccess([&](const auto&, const QVariant&) { done = true; },
                                                 [&](const auto&, const Error&) { done = true; });
        operation->start();
        while (!done)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return double(timer.nsecsElapsed()) / 1e9;
}

double qtNetworkLoop()
{
    const QUrl url = server().url("/note");
    QNetworkAccessManager manager;
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < Requests; ++i) {
        QNetworkReply* reply = manager.get(QNetworkRequest(url));
        while (!reply->isFinished())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        reply->readAll();
        reply->deleteLater();
    }
    return double(timer.nsecsElapsed()) / 1e9;
}

size_t collect(char* data, size_t size, size_t count, void* body)
{
    static_cast<std::string*>(body)->append(data, size * count);
    return size * count;
}

double curlLoop()
{
    const std::string url = server().url("/note").toString().toStdString();
    CURL* curl = curl_easy_init();
    std::string body;
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, collect);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < Requests; ++i) {
        body.clear();
        curl_easy_perform(curl);
    }
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    curl_easy_cleanup(curl);
    return seconds;
}

double operationSeconds = 0;
double curlSeconds = 0;

void BM_ThousandRequestsThroughOperations(benchmark::State& state)
{
    for (auto _ : state) {
        const double seconds = operationsLoop();
        operationSeconds += seconds;
        state.SetIterationTime(seconds);
    }
    operationSeconds /= double(state.iterations());
}
BENCHMARK(BM_ThousandRequestsThroughOperations)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ThousandRequestsThroughLibcurl(benchmark::State& state)
{
    for (auto _ : state) {
        const double seconds = curlLoop();
        curlSeconds += seconds;
        state.SetIterationTime(seconds);
    }
    curlSeconds /= double(state.iterations());
}
BENCHMARK(BM_ThousandRequestsThroughLibcurl)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ThousandRequestsThroughQtNetworkAlone(benchmark::State& state)
{
    for (auto _ : state)
        state.SetIterationTime(qtNetworkLoop());
}
BENCHMARK(BM_ThousandRequestsThroughQtNetworkAlone)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Log::setSink([](const QString&) {});
    curl_global_init(CURL_GLOBAL_DEFAULT);
    TestEnvironment environment;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (operationSeconds > 0 && curlSeconds > 0)
        std::printf("Operations take %.2f times as long as libcurl for %d requests (%.1f ms against %.1f ms).\n",
                    operationSeconds / curlSeconds, Requests, operationSeconds * 1000.0, curlSeconds * 1000.0);
    curl_global_cleanup();
    return 0;
}
