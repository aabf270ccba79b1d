#include "AudioMidiTestSupport.h"
#include "MidiFiles.h"

#include "FakeMIDIBackend.h"
#include "FluidSynthEngine.h"
#include "QVDLSSynthesizer.h"
#include "QVMIDIEndpointInstrument.h"
#include "ZTMIDIController.h"

#include <QCoreApplication>
#include <QFile>
#include <QThread>

#include <atomic>
#include <thread>

namespace {

using Bytes = std::vector<std::uint8_t>;

const MIDIEndpoint kKeyboard{QStringLiteral("Keyboard"), QStringLiteral("20:0")};
const MIDIEndpoint kSynth{QStringLiteral("Synth"), QStringLiteral("30:0")};

std::atomic<int> destroyedOffMainThread{0};

class TrackedInstrument : public RecordingInstrument {
public:
    ~TrackedInstrument() override
    {
        if (QThread::currentThread() != QCoreApplication::instance()->thread())
            ++destroyedOffMainThread;
    }
};

struct Received {
    QString name;
    QVariant object;
    const void* sender;
    std::thread::id thread;
};

class Recorder {
public:
    Recorder(const QStringList& names, NotificationCenter::Delivery delivery)
    {
        for (const QString& name : names)
            observers_.push_back(NotificationCenter::defaultCenter().addObserver(
                name,
                [this](const Notification& n) {
                    std::lock_guard lock(mutex_);
                    received_.push_back({n.name, n.object, n.sender, std::this_thread::get_id()});
                },
                delivery));
    }
    std::vector<Received> received() const
    {
        std::lock_guard lock(mutex_);
        return received_;
    }
    QStringList names() const
    {
        QStringList out;
        for (const Received& r : received())
            out << (r.name == "ZTMIDINoteOnNotification" ? QString::number(r.object.toInt()) : r.name);
        return out;
    }
    void clear()
    {
        std::lock_guard lock(mutex_);
        received_.clear();
    }

private:
    mutable std::mutex mutex_;
    std::vector<Received> received_;
    std::vector<NotificationObserver> observers_;
};

class Connector : public ZTMIDIConnector {
public:
    void noteOn(std::uint8_t note, std::uint8_t velocity) override { calls << QStringLiteral("on %1 %2").arg(note).arg(velocity); }
    void noteOff(std::uint8_t note) override { calls << QStringLiteral("off %1").arg(note); }
    QStringList calls;
};

const QStringList kMIDINotifications{"ZTMIDINoteOnNotification", "ZTMIDIRemoteNextNotification",
                                     "ZTMIDIRemoteRepeatNotification"};

class MIDIControllerTest : public AudioMidiTest {
protected:
    void SetUp() override
    {
        AudioMidiTest::SetUp();
        destroyedOffMainThread = 0;
        ZTMIDIController::setSampleSynthesizerFactory([](ZTMIDIController*) {
            auto instrument = std::make_shared<TrackedInstrument>();
            instrument->init();
            return instrument;
        });
        backend = std::make_shared<FakeMIDIBackend>();
        backend->addSource(kKeyboard);
        backend->addDestination(kSynth);
        prefs = ZTPreferences::sharedPreferences();
    }
    void TearDown() override
    {
        controller.reset();
        ZTMIDIController::setSampleSynthesizerFactory({});
        AudioMidiTest::TearDown();
    }
    // Creates the controller with the output the test chose. An external name is stored
    // once the controller can vouch for it (the store checks names against its list).
    void make(const QString& outEndpoint)
    {
        const bool external = outEndpoint != ZTMIDIController::kSampleSynthesizerName &&
                              outEndpoint != ZTMIDIController::kSystemSynthesizerName;
        if (!external)
            prefs->setMIDIOutEndpoint(outEndpoint);
        controller = std::make_unique<ZTMIDIController>(backend);
        controller->init();
        if (external)
            prefs->setMIDIOutEndpoint(outEndpoint);
        settle();
    }
    // Lets stored settings announce themselves (0.5 s later) and queued work run.
    void settle() { queue.advance(0.6); }
    std::shared_ptr<RecordingInstrument> recording() const
    {
        return std::dynamic_pointer_cast<RecordingInstrument>(controller->instrument());
    }
    std::vector<Bytes> sentBytes() const
    {
        std::vector<Bytes> out;
        for (const MIDIMessage& m : backend->sentMessages())
            out.push_back(m.bytes());
        return out;
    }

    std::shared_ptr<FakeMIDIBackend> backend;
    ZTPreferences* prefs = nullptr;
    std::unique_ptr<ZTMIDIController> controller;
};

} // namespace

TEST_F(MIDIControllerTest, ChannelFilterAndThroughToAnExternalDestination)
{
    make(kSynth.name);
    ASSERT_TRUE(controller->endpoint());
    EXPECT_EQ(controller->endpoint()->name, kSynth.name);
    EXPECT_TRUE(std::dynamic_pointer_cast<QVMIDIEndpointInstrument>(controller->instrument()));
    EXPECT_EQ(backend->outputDestinations(), QList<MIDIEndpoint>{kSynth});
    EXPECT_EQ(controller->selectedInputSources(), QList<MIDIEndpoint>{kKeyboard});
    Recorder posted(kMIDINotifications, NotificationCenter::Delivery::PostingThread);

    // Every channel passes; echoes go out on "MIDIOutChannel" (1); the controller itself
    // sounds nothing on an external destination.
    backend->receive({0x90, 60, 100, 0x96, 62, 90, 0x86, 62, 0, 0xF8}, kKeyboard.uniqueID);
    EXPECT_EQ(posted.names(), (QStringList{"60", "62"}));
    EXPECT_EQ(sentBytes(), (std::vector<Bytes>{{0x90, 60, 100}, {0x90, 62, 90}, {0x80, 62, 0}, {0xF8}}));

    backend->clearSent();
    prefs->setMIDIOutChannel(0); // 1 or less: channel 1
    prefs->setMIDIInChannel(5);
    settle();
    posted.clear();
    backend->receive({0x94, 64, 80, 0x92, 65, 80, 0xB4, 7, 100, 0xF0, 0x7D, 0xF7}, kKeyboard.uniqueID);
    EXPECT_EQ(posted.names(), (QStringList{"64"}));
    EXPECT_EQ(sentBytes(), (std::vector<Bytes>{{0x90, 64, 80}, {0xB0, 7, 100}, {0xF0, 0x7D, 0xF7}}));

    backend->clearSent();
    prefs->setMIDIOutChannel(10);
    prefs->setMIDIInChannel(0);
    settle();
    backend->receive({0x93, 40, 1});
    EXPECT_EQ(sentBytes(), (std::vector<Bytes>{{0x99, 40, 1}}));

    backend->clearSent();
    prefs->setMIDIThrough(false);
    settle();
    backend->receive({0x93, 41, 1});
    EXPECT_TRUE(backend->sent().empty());
}

TEST_F(MIDIControllerTest, InternalPlayerSoundsNotesAndTakesRemoteKeys)
{
    make(ZTMIDIController::kSampleSynthesizerName);
    std::shared_ptr<RecordingInstrument> instrument = recording();
    ASSERT_TRUE(instrument);
    EXPECT_FALSE(controller->endpoint());
    Recorder posted(kMIDINotifications, NotificationCenter::Delivery::PostingThread);
    instrument->clear();

    // Velocity 0 is a note off; nothing is echoed without a selected destination.
    backend->receive({0x90, 60, 70, 0x90, 60, 0, 0x80, 61, 64});
    const auto calls = instrument->calls();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].kind, 'n');
    EXPECT_EQ(calls[0].velocity, 70u);
    EXPECT_EQ(calls[1].kind, 'f');
    EXPECT_EQ(calls[2].note, 61);
    EXPECT_EQ(posted.names(), QStringList{"60"});
    EXPECT_TRUE(backend->sent().empty());

    // Remote keys (defaults: repeat 36, next 38) are neither posted as notes nor sounded.
    instrument->clear();
    posted.clear();
    backend->receive({0x90, 38, 100, 0x90, 36, 100});
    EXPECT_EQ(posted.names(), (QStringList{"ZTMIDIRemoteNextNotification", "ZTMIDIRemoteRepeatNotification"}));
    EXPECT_EQ(posted.received()[0].sender, controller.get());
    EXPECT_TRUE(instrument->calls().empty());

    prefs->setMIDIRemotePlayKey(38); // both keys the same note: it acts as next
    settle();
    posted.clear();
    backend->receive({0x90, 38, 100});
    EXPECT_EQ(posted.names(), QStringList{"ZTMIDIRemoteNextNotification"});

    // While a sequence plays a remote key does nothing at all.
    MusicSequence held;
    held.newTrack().addNote(note(0, 50, 8));
    instrument->playSequence(held);
    instrument->clear();
    posted.clear();
    backend->receive({0x90, 38, 100});
    EXPECT_TRUE(posted.names().isEmpty());
    EXPECT_TRUE(instrument->calls().empty());
    instrument->stopPlayer();

    // In practice mode they are ordinary notes.
    prefs->setPracticeMode(true);
    settle();
    instrument->clear();
    posted.clear();
    backend->receive({0x90, 38, 100});
    EXPECT_EQ(posted.names(), QStringList{"38"});
    ASSERT_EQ(instrument->calls().size(), 1u);

    // A stray byte is logged and skipped; the note after it still counts.
    LogCapture log;
    posted.clear();
    backend->receive({0xF7, 0x90, 61, 1});
    EXPECT_TRUE(log.contains(QStringLiteral("ignored 1 malformed byte(s)")));
    EXPECT_EQ(posted.names(), QStringList{"61"});
}

TEST_F(MIDIControllerTest, NotificationsArePostedOnTheMIDIThreadAndReachTheMainQueueInOrder)
{
    make(ZTMIDIController::kSampleSynthesizerName);
    Recorder onThread(kMIDINotifications, NotificationCenter::Delivery::PostingThread);
    Recorder onMain(kMIDINotifications, NotificationCenter::Delivery::MainQueue);

    std::thread::id midiThread;
    std::thread input([&] {
        midiThread = std::this_thread::get_id();
        backend->receive({0x90, 60, 1, 0x90, 38, 1, 0x90, 61, 1, 0x90, 36, 1, 0x90, 62, 1});
    });
    input.join();

    const QStringList expected{"60", "ZTMIDIRemoteNextNotification", "61", "ZTMIDIRemoteRepeatNotification", "62"};
    EXPECT_EQ(onThread.names(), expected);
    for (const Received& r : onThread.received())
        EXPECT_EQ(r.thread, midiThread);
    EXPECT_TRUE(onMain.names().isEmpty());
    queue.runPending();
    EXPECT_EQ(onMain.names(), expected);
    for (const Received& r : onMain.received())
        EXPECT_EQ(r.thread, std::this_thread::get_id());
}

TEST_F(MIDIControllerTest, CaptureConnectorTakesNotesOnTheMainQueue)
{
    make(ZTMIDIController::kSampleSynthesizerName);
    std::shared_ptr<RecordingInstrument> instrument = recording();
    instrument->clear();
    Recorder posted(kMIDINotifications, NotificationCenter::Delivery::PostingThread);

    Connector connector;
    controller->setMidiConnector(&connector);
    backend->receive({0x90, 38, 99, 0x90, 38, 0, 0x90, 72, 5, 0x80, 72, 0});
    EXPECT_TRUE(connector.calls.isEmpty());
    queue.runPending();
    EXPECT_EQ(connector.calls, (QStringList{"on 38 99", "off 38", "on 72 5", "off 72"}));
    EXPECT_TRUE(posted.names().isEmpty()); // no remote key, no note notice, no sound
    EXPECT_TRUE(instrument->calls().empty());

    // A connector cleared before its calls arrive gets none of them.
    connector.calls.clear();
    backend->receive({0x90, 40, 1});
    controller->setMidiConnector(nullptr);
    queue.runPending();
    EXPECT_TRUE(connector.calls.isEmpty());
}

TEST_F(MIDIControllerTest, MIDIOutInstrumentKeepsNotesInRangeAndSilencesOnStop)
{
    make(kSynth.name);
    prefs->setMIDIOutChannel(3);
    settle();
    std::shared_ptr<QVMusicInstrument> out = controller->instrument();
    out->noteOn(60, 100);
    out->noteOn(130, 100);
    out->noteOff(60);
    EXPECT_EQ(sentBytes(), (std::vector<Bytes>{{0x92, 60, 100}, {0x92, 60, 0}}));

    backend->clearSent();
    MusicSequence sequence;
    MusicTrack& track = sequence.newTrack();
    track.addNote(note(0, 64, 4, 5));
    track.addNote(note(0, 129, 4, 5)); // a click of the built-in synthesizer: never sent
    out->playSequence(sequence);
    queue.advance(0.2);
    out->stopPlayer();
    EXPECT_EQ(sentBytes(), (std::vector<Bytes>{{0x95, 64, 100}, {0x95, 64, 0}}));

    // Without a destination nothing goes out.
    backend->clearSent();
    controller->setEndpoint(std::nullopt);
    out->noteOn(60, 100);
    EXPECT_TRUE(backend->sent().empty());
}

TEST_F(MIDIControllerTest, MIDIOutInstrumentPlaysTheInstrumentsOfAMidiFile)
{
    make(kSynth.name);
    backend->clearSent();
    std::shared_ptr<QVMusicInstrument> out = controller->instrument();
    out->playMidiData(midiFile(96, twoInstrumentTracks()));
    queue.advance(0.2);
    // The first track keeps its notes only; the second its program, volume and bend, sent
    // ahead of its notes.
    EXPECT_EQ(sentBytes(), (std::vector<Bytes>{{0xC1, 40}, {0xB1, 7, 90}, {0xE1, 0x00, 0x50}, {0x90, 60, 100},
                                               {0x91, 67, 100}}));
    backend->clearSent();
    out->stopPlayer();
    EXPECT_EQ(sentBytes(), (std::vector<Bytes>{{0x90, 60, 0}, {0x91, 67, 0}, {0xB1, 121, 0}}));
}

TEST_F(MIDIControllerTest, DestinationsFollowHotPlugAndPlaybackIsAnnounced)
{
    make(kSynth.name);
    Recorder changes({"ZTEndpointDidChangedNotification"}, NotificationCenter::Delivery::PostingThread);

    const MIDIEndpoint other{QStringLiteral("Other"), QStringLiteral("40:0")};
    const MIDIEndpoint pads{QStringLiteral("Pads"), QStringLiteral("41:0")};
    backend->addDestination(other);
    backend->addSource(pads);
    queue.runPending();
    queue.advance(0.11);
    EXPECT_EQ(controller->endpoints(), (QList<MIDIEndpoint>{kSynth, other}));
    ASSERT_FALSE(changes.received().empty());
    EXPECT_EQ(changes.received().back().object.toStringList(), (QStringList{"Synth", "Other"}));
    EXPECT_EQ(controller->selectedInputSources(), (QList<MIDIEndpoint>{kKeyboard, pads}));
    EXPECT_TRUE(controller->endpointWithName("Other"));
    EXPECT_FALSE(controller->endpointWithName("other"));

    // The chosen destination goes away: no endpoint any more, and the settings store no
    // longer finds its name.
    backend->removeDestination(kSynth.uniqueID);
    queue.runPending();
    queue.advance(0.11);
    EXPECT_FALSE(controller->endpoint());
    EXPECT_NE(prefs->MIDIOutEndpoint(), kSynth.name);

    Recorder playback({"ZTSamplePlayerDidStartNotification", "ZTSamplePlayerDidStopNotification"},
                      NotificationCenter::Delivery::PostingThread);
    std::shared_ptr<QVMusicInstrument> instrument = controller->instrument();
    instrument->playSequence(MusicSequence());
    queue.advance(0.6);
    EXPECT_EQ(playback.names(), (QStringList{"ZTSamplePlayerDidStartNotification", "ZTSamplePlayerDidStopNotification"}));
    for (const Received& r : playback.received()) {
        EXPECT_EQ(r.sender, instrument.get());
        EXPECT_EQ(r.object.value<QVMusicInstrument*>(), instrument.get());
    }
}

TEST_F(MIDIControllerTest, TheInputChoiceDecidesWhichSourcesAreHeardAcrossHotPlug)
{
    make(ZTMIDIController::kSampleSynthesizerName);
    std::shared_ptr<RecordingInstrument> instrument = recording();
    ASSERT_TRUE(instrument);
    const MIDIEndpoint pads{QStringLiteral("Pads"), QStringLiteral("41:0")};
    backend->addSource(pads);
    settle();
    // A program that sends straight to our input port has no source we could subscribe to.
    const MIDIEndpoint directSender{QStringLiteral("player"), QStringLiteral("129:0")};
    Recorder posted(kMIDINotifications, NotificationCenter::Delivery::PostingThread);
    // A note, then the "next" remote key (38), from each source.
    auto playFromEach = [&](const QList<MIDIEndpoint>& sources) {
        posted.clear();
        instrument = recording(); // a plugged device makes the hub build its instrument again
        instrument->clear();
        for (const MIDIEndpoint& source : sources)
            backend->receive({0x90, 60, 100, 0x80, 60, 0, 0x90, 38, 100}, source.uniqueID);
    };
    auto choose = [&](const QString& input) {
        prefs->setMIDIInSource(input);
        settle();
    };

    // "Auto select" (the default): every source, also one plugged in later, and every
    // program that sends to us.
    playFromEach({kKeyboard, pads, directSender});
    EXPECT_EQ(posted.names(), (QStringList{"60", "ZTMIDIRemoteNextNotification", "60", "ZTMIDIRemoteNextNotification",
                                           "60", "ZTMIDIRemoteNextNotification"}));

    // "No MIDI in": no source, not even one plugged in now or a stray delivery.
    choose(ZTMIDIController::kNoInputSource);
    EXPECT_TRUE(controller->selectedInputSources().isEmpty());
    const MIDIEndpoint piano{QStringLiteral("Stage Piano"), QStringLiteral("42:0")};
    backend->addSource(piano);
    settle();
    EXPECT_TRUE(controller->selectedInputSources().isEmpty());
    playFromEach({kKeyboard, pads, piano, directSender});
    backend->receive({0x90, 62, 100, 0x90, 38, 100});
    EXPECT_TRUE(posted.names().isEmpty());
    EXPECT_TRUE(instrument->calls().empty());

    // A named source: only that one answers; it is taken again when it comes back under
    // another address, and nothing is taken while it is away.
    choose(pads.name);
    EXPECT_EQ(controller->selectedInputSources(), QList<MIDIEndpoint>{pads});
    playFromEach({kKeyboard, piano, directSender, pads});
    EXPECT_EQ(posted.names(), (QStringList{"60", "ZTMIDIRemoteNextNotification"}));
    EXPECT_EQ(instrument->calls().size(), 2u);
    backend->removeSource(pads.uniqueID);
    settle();
    EXPECT_TRUE(controller->selectedInputSources().isEmpty());
    const MIDIEndpoint padsAgain{pads.name, QStringLiteral("43:0")};
    backend->addSource(padsAgain);
    settle();
    EXPECT_EQ(controller->selectedInputSources(), QList<MIDIEndpoint>{padsAgain});
    playFromEach({kKeyboard, padsAgain});
    EXPECT_EQ(posted.names(), (QStringList{"60", "ZTMIDIRemoteNextNotification"}));

    choose(ZTMIDIController::kAutoInputSource);
    EXPECT_EQ(controller->selectedInputSources(), (QList<MIDIEndpoint>{kKeyboard, piano, padsAgain}));
    playFromEach({directSender});
    EXPECT_EQ(posted.names(), (QStringList{"60", "ZTMIDIRemoteNextNotification"}));
}

TEST_F(MIDIControllerTest, InstrumentIsSwappedSafelyWhileTheMIDIThreadPlaysThroughIt)
{
    make(ZTMIDIController::kSampleSynthesizerName);
    std::atomic<bool> running{true};
    std::thread input([&] {
        while (running)
            backend->receive({0x90, 60, 100, 0x80, 60, 0});
    });
    for (int i = 0; i < 40; ++i) {
        controller->setupInstrument();
        queue.runPending();
    }
    running = false;
    input.join();
    queue.runPending();
    EXPECT_EQ(destroyedOffMainThread.load(), 0);
    EXPECT_TRUE(recording());
}

TEST_F(MIDIControllerTest, GoesOnWithoutMIDIAndFallsBackToTheSystemSynthesizer)
{
    if (FluidSynthEngine::generalMIDISoundFontPath().isEmpty())
        GTEST_SKIP() << "no General MIDI SoundFont installed";
    ZTMIDIController::setSampleSynthesizerFactory({});
    backend = std::make_shared<FakeMIDIBackend>(false);
    LogCapture log;
    make(ZTMIDIController::kSampleSynthesizerName);
    EXPECT_TRUE(log.contains("MIDI is not available"));
    EXPECT_TRUE(log.contains("The built-in sample synthesizer is not available"));
    auto synthesizer = std::dynamic_pointer_cast<QVDLSSynthesizer>(controller->instrument());
    ASSERT_TRUE(synthesizer);
    EXPECT_TRUE(synthesizer->graph());
    EXPECT_TRUE(controller->endpoints().isEmpty());
    backend->receive({0x90, 60, 100}); // no MIDI system: nothing arrives, nothing breaks

    prefs->setMIDIOutEndpoint(ZTMIDIController::kSystemSynthesizerName);
    settle();
    EXPECT_TRUE(std::dynamic_pointer_cast<QVDLSSynthesizer>(controller->instrument()));
    EXPECT_EQ(ZTMIDIController::displayNameForEndpoint(ZTMIDIController::kSystemSynthesizerName),
              QStringLiteral("General MIDI Synthesizer"));
    EXPECT_EQ(ZTMIDIController::displayNameForEndpoint(kSynth.name), kSynth.name);
}

TEST(SystemMIDIBackend, MissingSequencerLeavesAnUnavailableBackend)
{
    if (QFile::exists(QStringLiteral("/dev/snd/seq")))
        GTEST_SKIP() << "this machine has an ALSA sequencer";
    std::shared_ptr<MIDIBackend> system = MIDIBackend::createSystemBackend();
    EXPECT_FALSE(system->isAvailable());
    EXPECT_TRUE(system->unavailableReason().contains(QStringLiteral("sequencer")));
    EXPECT_TRUE(system->sources().isEmpty());
    EXPECT_TRUE(system->destinations().isEmpty());
    system->setOutputDestinations({kSynth});
    system->send({MIDIMessage::voiceMessage(0, 0x90, 60, 100)});
    EXPECT_TRUE(system->outputDestinations().isEmpty());
}
