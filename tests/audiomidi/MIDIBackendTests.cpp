#include "FakeMIDIBackend.h"

#include "TestEnvironment.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

TEST(MIDIBackend, AHandlerMayReplaceItselfWhileItRuns)
{
    FakeMIDIBackend backend;
    backend.addSource({QStringLiteral("Keys"), QStringLiteral("20:0")});
    backend.setSelectedSources(backend.sources());

    std::vector<std::string> calls;
    auto label = std::make_shared<std::string>("first");
    backend.setMessagesHandler([&, label](const std::vector<MIDIMessage>&) {
        backend.setMessagesHandler([&](const std::vector<MIDIMessage>&) { calls.push_back("second"); });
        // The replaced handler still runs to its end with its own captures.
        calls.push_back(*label);
    });
    label.reset();

    LogCapture log;
    backend.receive({0x90, 60, 100}, QStringLiteral("20:0"));
    backend.receive({0x90, 62, 100, 0xF4}, QStringLiteral("20:0"));
    EXPECT_EQ(calls, (std::vector<std::string>{"first", "second"}));
    EXPECT_TRUE(log.contains(QStringLiteral("ignored 1 malformed byte(s) from \"20:0\"")));

    backend.setMessagesHandler({});
    backend.receive({0x90, 64, 100}, QStringLiteral("20:0"));
    EXPECT_EQ(calls.size(), 2u);
}
