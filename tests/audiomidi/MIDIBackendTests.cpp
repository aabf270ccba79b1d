#include "AlsaMIDIBackend.h"
#include "FakeMIDIBackend.h"

#include "TestEnvironment.h"

#include <alsa/asoundlib.h>
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

TEST(AlsaMIDIBackend, EveryProgramIsHeardWhileEverySenderIsButNeverOurOwnPorts)
{
    constexpr int ownClient = 128;
    // A note-on as the sequencer hands it to our input port "128:0", sent directly (no
    // subscription) or to the sender's subscribers.
    auto noteFrom = [](int client, int port, bool direct) {
        snd_seq_event_t event;
        snd_seq_ev_clear(&event);
        snd_seq_ev_set_noteon(&event, 0, 60, 100);
        event.source = {static_cast<unsigned char>(client), static_cast<unsigned char>(port)};
        event.dest = {static_cast<unsigned char>(ownClient), 0};
        if (direct)
            snd_seq_ev_set_direct(&event);
        return event;
    };
    const QList<MIDIEndpoint> keyboard{{QStringLiteral("Keyboard"), QStringLiteral("20:0")}};
    const snd_seq_event_t fromKeyboard = noteFrom(20, 0, false);
    const snd_seq_event_t fromPlayer = noteFrom(129, 0, true);      // a program without a source port
    const snd_seq_event_t fromOtherPort = noteFrom(20, 1, false);   // connected to us by someone else
    const snd_seq_event_t fromOurOutput = noteFrom(ownClient, 1, false); // our output looped back

    for (const bool everySender : {true, false}) {
        SCOPED_TRACE(everySender);
        EXPECT_TRUE(AlsaMIDIBackend::takesEvent(fromKeyboard, ownClient, keyboard, everySender));
        EXPECT_EQ(AlsaMIDIBackend::takesEvent(fromPlayer, ownClient, keyboard, everySender), everySender);
        EXPECT_EQ(AlsaMIDIBackend::takesEvent(fromOtherPort, ownClient, keyboard, everySender), everySender);
        EXPECT_EQ(AlsaMIDIBackend::takesEvent(fromPlayer, ownClient, {}, everySender), everySender);
        EXPECT_FALSE(AlsaMIDIBackend::takesEvent(fromOurOutput, ownClient, keyboard, everySender));
    }
}
