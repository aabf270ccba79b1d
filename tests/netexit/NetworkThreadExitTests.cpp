// The network thread at the end of the application object. This program makes its own
// application object (every other suite shares one for the whole run), so that the test
// can see past it.
#include "AFHTTPRequestOperation.h"
#include "TestEnvironment.h"
#include "TestHttpServer.h"

#include <QCoreApplication>
#include <QThread>

#include <gtest/gtest.h>
#include <httplib.h>

#include <atomic>

TEST(NetworkThreadAtExit, EndsWithItsOpenTlsConnectionWhileTheApplicationObjectIsStillThere)
{
    TestEnvironment environment;
    const TestCertificate root = TestCertificate::rootAuthority(QStringLiteral("Melvora Test Root"));
    TestHttpServer server(root.issueServer({QStringLiteral("127.0.0.1")}).identityWith());
    server.server().Get("/hello", [](const httplib::Request&, httplib::Response& response) {
        response.set_content("hello", "text/plain");
    });
    server.start();

    std::atomic<bool> endedBeforeTheApplication = false;
    {
        int argc = 1;
        char name[] = "net_exit_tests";
        char* argv[] = {name, nullptr};
        QCoreApplication application(argc, argv);
        trustCertificateAuthority(root);

        // A load leaves a kept-alive TLS connection in the network thread's pool.
        auto operation = std::make_shared<AFHTTPRequestOperation>(URLRequest(server.url("/hello")));
        bool loaded = false;
        operation->setCompletionBlockWithSuccess([&](const auto&, const QVariant&) { loaded = true; }, nullptr);
        operation->start();
        ASSERT_TRUE(waitUntil([&] { return loaded; }));

        QThread* network = AFURLConnectionOperation::networkRequestThread().thread();
        QObject::connect(network, &QThread::finished, network,
                         [&] { endedBeforeTheApplication = QCoreApplication::instance() != nullptr; },
                         Qt::DirectConnection);
    }
    // Anything still running on it now would race the process's exit.
    EXPECT_TRUE(AFURLConnectionOperation::networkRequestThread().thread()->isFinished());
    EXPECT_TRUE(endedBeforeTheApplication);
}

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
