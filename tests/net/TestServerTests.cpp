// The test servers themselves: what the network suites rely on them for.
#include "TestHttpServer.h"

#include <QSet>

#include <gtest/gtest.h>

namespace {

// Client connection pools are kept per host and port, with the trust store of the time they
// were made: a server that got an earlier one's port would be answered through its pool.
TEST(TestServer, ServersOfOneProcessNeverShareAPort)
{
    QSet<int> ports;
    constexpr int kServers = 600; // a repeat among random ports is all but certain by then
    for (int i = 0; i < kServers; ++i) {
        TestHttpServer server;
        server.start();
        ports.insert(server.port());
    }
    EXPECT_EQ(ports.size(), kServers);
}

} // namespace
