// Answers sung into the fake microphone on the exercise screen: the microphone button, the
// level light and the notes the tuner hears, judged as keys pressed would be.
#include "AppTestSupport.h"
#include "../audio/FakeSoundServer.h"

#include "AudioOutput.h"
#include "HandFedMicrophone.h"
#include "ImageButton.h"
#include "ImageView.h"
#include "Localization.h"
#include "NotificationCenter.h"
#include "Signals.h"
#include "ZTAbstractTestController.h"
#include "ZTMainViewController.h"
#include "ZTMusicalTest.h"
#include "ZTPreferences.h"
#include "ZTToolbarInfoView.h"
#include "ZTTuner.h"

#include <QAction>
#include <QTest>

#include <atomic>

namespace {

constexpr unsigned kRate = 44100;
constexpr double kPoll = 0.03;
const QString kIntervals = QStringLiteral("Interval recognition");

class MicrophoneTest : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        HandFedMicrophone::use(kRate);
    }
    void TearDown() override
    {
        AppTest::TearDown();
        HandFedMicrophone::use(0);
    }

    ZTAbstractTestController* controller() const { return screen()->currentLessonController(); }
    QString led() const { return screen()->ledImageView()->imageName(); }
    QString subTitle() const { return screen()->toolbarInfoView()->subTitle(); }

    // Sound into the microphone, 0.03 s at a time while the main queue moves on; the level
    // light's changes are kept in `lights`.
    void hear(const std::vector<float>& samples)
    {
        const auto step = std::size_t(kRate * kPoll);
        for (std::size_t done = 0; done + step <= samples.size(); done += step) {
            HandFedMicrophone::deliver(samples.data() + done, step);
            queue_->advance(kPoll);
            if (lights.isEmpty() || lights.back() != led())
                lights << led();
        }
    }
    void sing(qlonglong noteNr, double seconds = 0.6)
    {
        const double frequency = 440.0 * std::pow(2.0, double(noteNr - 69) / 12.0);
        hear(voiceLikeTone(frequency, kRate, std::size_t(kRate * seconds), 20.0, 0.5));
    }
    void pause(double seconds = 0.2) { hear(std::vector<float>(std::size_t(kRate * seconds), 0.0f)); }

    // The notes that answer the question, in order.
    QList<qlonglong> questionNotes() const
    {
        QList<qlonglong> notes;
        const auto musical = std::dynamic_pointer_cast<ZTMusicalTest>(controller()->currentTest());
        for (const ZTNoteCollection& collection : musical ? musical->noteCollectionObjects() : QList<ZTNoteCollection>())
            if (const QVNote* first = collection.firstNote())
                notes << first->nr();
        return notes;
    }
    // The first note from `from` up that is not one of the question's notes.
    qlonglong wrongNote(qlonglong from) const
    {
        const QList<qlonglong> notes = questionNotes();
        while (notes.contains(from))
            ++from;
        return from;
    }
    // The next question from the menu, which does not wait for a pending auto-advance.
    void startQuestion()
    {
        delegate()->nextQuestionMenuItem()->trigger();
        finishPlaying();
    }
    QList<QStringList> results() const
    {
        return rows(QStringLiteral("SELECT itemName, result, numTryouts FROM results WHERE testName=? ORDER BY rowid"),
                    3, {kIntervals});
    }

    QStringList lights;
};

} // namespace

TEST_F(MicrophoneTest, AnAnswerSungIntoTheMicrophoneIsJudgedLikeKeysPressed)
{
    launch();
    ASSERT_EQ(controller()->testName(), kIntervals);
    QTest::mouseClick(screen()->micButton(), Qt::LeftButton);
    EXPECT_TRUE(screen()->micButton()->isOn());
    EXPECT_TRUE(ZTPreferences::sharedPreferences()->useMicrophone());
    EXPECT_EQ(led(), QStringLiteral("ledOff")) << "no question: nothing to listen for";
    EXPECT_FALSE(screen()->tuner()->isRunning());

    QTest::mouseClick(screen()->nextButtonView(), Qt::LeftButton);
    EXPECT_FALSE(screen()->tuner()->isRunning()) << "the question plays: the tuner must not hear it";
    finishPlaying();
    ASSERT_TRUE(screen()->tuner()->isRunning());
    EXPECT_EQ(led(), QStringLiteral("ledYellowLight"));
    EXPECT_EQ(screen()->micButton()->alternateImageName(), QStringLiteral("micButtonRed"));
    saveShot(QStringLiteral("microphone-listening"));

    const QString item = controller()->currentTest()->name();
    for (const qlonglong note : questionNotes()) {
        sing(note);
        pause();
    }
    pause(0.5);
    EXPECT_EQ(screen()->toolbarInfoView()->title(), localized(QStringLiteral("Right!")));
    const QList<QStringList> sung = results();
    ASSERT_EQ(sung.size(), 1);
    EXPECT_EQ(sung.front().mid(0, 2), (QStringList{item, QStringLiteral("1")}));
    // The light went loud, showed the right note, and then the stopped tuner, not listening.
    EXPECT_TRUE(lights.contains(QStringLiteral("ledYellow")));
    ASSERT_TRUE(lights.contains(QStringLiteral("ledGreen")));
    EXPECT_EQ(lights.mid(lights.lastIndexOf(QStringLiteral("ledGreen"))),
              (QStringList{QStringLiteral("ledGreen"), QStringLiteral("ledOff")}));
    EXPECT_FALSE(screen()->tuner()->isRunning()) << "after the answer, later sound enters nothing";
    EXPECT_EQ(screen()->micButton()->alternateImageName(), QStringLiteral("micButtonHighlighted"));

    // The same answer from the keys of a MIDI keyboard scores the same way.
    startQuestion();
    const QString keyed = controller()->currentTest()->name();
    for (const qlonglong note : questionNotes())
        NotificationCenter::defaultCenter().post(QStringLiteral("ZTMIDINoteOnNotification"), nullptr, note);
    queue_->runPending();
    EXPECT_EQ(screen()->toolbarInfoView()->title(), localized(QStringLiteral("Right!")));
    ASSERT_EQ(results().size(), 2);
    EXPECT_EQ(results().back(), (QStringList{keyed, QStringLiteral("1"), sung.front().at(2)}));
}

TEST_F(MicrophoneTest, AWrongSungNoteWithTriesLeftShowsRedAndListensAgain)
{
    launch();
    ZTPreferences::sharedPreferences()->setString(QStringLiteral("3"), QStringLiteral("numTryouts"), kIntervals);
    QTest::mouseClick(screen()->micButton(), Qt::LeftButton);
    startQuestion();
    const qlonglong wrong = wrongNote(questionNotes().front() + 1);

    sing(wrong);
    pause(0.6); // a wrong note is reported half a second after it was entered
    ASSERT_TRUE(lights.contains(QStringLiteral("ledRed")));
    EXPECT_EQ(subTitle(), localized(QStringLiteral("Try again!")));
    EXPECT_EQ(led(), QStringLiteral("ledYellowLight")) << "red for half a second, then listening again";
    EXPECT_TRUE(screen()->tuner()->isRunning());
    EXPECT_TRUE(results().isEmpty()) << "a try that is not the last is not scored";
}

TEST_F(MicrophoneTest, OneSoundingNoteIsOneTryAndTheMicrophoneStaysOpenBetweenTries)
{
    launch();
    ZTPreferences::sharedPreferences()->setString(QStringLiteral("4"), QStringLiteral("numTryouts"), kIntervals);
    QTest::mouseClick(screen()->micButton(), Qt::LeftButton);
    startQuestion();
    ASSERT_TRUE(screen()->tuner()->isRunning());
    const unsigned opens = HandFedMicrophone::opens();
    const qlonglong wrong = wrongNote(questionNotes().front() + 1);
    const qlonglong other = wrongNote(wrong + 1);

    // Held for two seconds, long after it was reported and judged, it is still one try.
    sing(wrong, 2.0);
    pause(0.6);
    EXPECT_EQ(controller()->numTryouts(), 1);
    EXPECT_EQ(subTitle(), localized(QStringLiteral("Try again!")));

    // Sung again after a silence, the same note is the next try.
    sing(wrong);
    pause(0.6);
    EXPECT_EQ(controller()->numTryouts(), 2);

    // A different note straight after a held one is a try of its own.
    sing(wrong, 1.0);
    sing(other, 1.0);
    pause(0.6);
    EXPECT_EQ(controller()->numTryouts(), 4);
    EXPECT_TRUE(subTitle().startsWith(localized(QStringLiteral("Right result is")))) << subTitle().toStdString();
    ASSERT_EQ(results().size(), 1);
    EXPECT_EQ(results().front().mid(1), (QStringList{QStringLiteral("0"), QStringLiteral("3")}));

    EXPECT_EQ(HandFedMicrophone::opens(), opens) << "the microphone stays open from try to try";
    EXPECT_FALSE(screen()->tuner()->isRunning()) << "the ended question listens no more";
}

TEST_F(MicrophoneTest, OnlyQuestionsAnsweredWithNotesAreListenedTo)
{
    launch();
    // Switched on from the menu, the button follows the setting.
    delegate()->useMicrophoneItem()->trigger();
    advance(0.6);
    EXPECT_TRUE(screen()->micButton()->isOn());
    EXPECT_EQ(led(), QStringLiteral("ledOff"));

    ZTPreferences::sharedPreferences()->setCurrentExercise(QStringLiteral("Tempo recognition"));
    advance(0.6);
    ASSERT_EQ(controller()->testName(), QStringLiteral("Tempo recognition"));
    startQuestion();
    ASSERT_TRUE(controller()->testInProgress());
    EXPECT_FALSE(screen()->tuner()->isRunning()) << "a tempo is not answered with notes";
    EXPECT_EQ(led(), QStringLiteral("ledOff"));

    // A new threshold reaches the tuner with the setting's notice.
    ZTPreferences::sharedPreferences()->setMicThreshold(0.4f);
    advance(0.6);
    EXPECT_FLOAT_EQ(float(screen()->tuner()->threshold()), 0.4f);

    // Switched off, nothing listens.
    QTest::mouseClick(screen()->micButton(), Qt::LeftButton);
    EXPECT_FALSE(ZTPreferences::sharedPreferences()->useMicrophone());
}

TEST_F(MicrophoneTest, WithoutAMicrophoneTheUserIsToldOnce)
{
    HandFedMicrophone::use(0);
    launch();
    QTest::mouseClick(screen()->micButton(), Qt::LeftButton);
    startQuestion();
    advance(0.1);
    ASSERT_EQ(alerts_.size(), 1);
    EXPECT_EQ(alerts_.front().message, localized(QStringLiteral("No microphone found")));
    EXPECT_EQ(led(), QStringLiteral("ledOff"));
    EXPECT_TRUE(screen()->micButton()->isOn()) << "the user's choice stays";
    EXPECT_EQ(screen()->micButton()->alternateImageName(), QStringLiteral("micButtonHighlighted"));

    startQuestion();
    advance(0.1);
    EXPECT_EQ(alerts_.size(), 1) << "told once, not at every question";

    // Plugged in, the next question listens.
    HandFedMicrophone::use(kRate);
    startQuestion();
    EXPECT_TRUE(screen()->tuner()->isRunning());
    EXPECT_EQ(led(), QStringLiteral("ledYellowLight"));
}

TEST_F(MicrophoneTest, AMicrophoneLostWhileListeningIsToldOnceAndListensAgainAtTheNextQuestion)
{
    launch();
    QTest::mouseClick(screen()->micButton(), Qt::LeftButton);
    startQuestion();
    ASSERT_TRUE(screen()->tuner()->isRunning());

    HandFedMicrophone::lose();
    ASSERT_TRUE(waitUntil([&] { return !screen()->tuner()->isRunning(); }, 10000, queue_.get()));
    advance(ZTMainViewController::kSoundTroubleGatherSeconds + 0.1);
    ASSERT_EQ(alerts_.size(), 1);
    EXPECT_EQ(alerts_.front().message, localized(QStringLiteral("The microphone was lost")));
    EXPECT_FALSE(screen()->tuner()->isRunning());
    EXPECT_EQ(led(), QStringLiteral("ledOff"));
    EXPECT_EQ(screen()->micButton()->alternateImageName(), QStringLiteral("micButtonHighlighted"));
    EXPECT_TRUE(screen()->micButton()->isOn()) << "the user's choice stays";

    // Still gone at the next question: the user knows already.
    HandFedMicrophone::use(0);
    startQuestion();
    advance(0.1);
    EXPECT_FALSE(screen()->tuner()->isRunning());
    EXPECT_EQ(alerts_.size(), 1);

    // Back by the question after: the microphone opens anew, and a sung answer is heard.
    HandFedMicrophone::use(kRate);
    startQuestion();
    ASSERT_TRUE(screen()->tuner()->isRunning());
    EXPECT_EQ(HandFedMicrophone::opens(), 1u);
    for (const qlonglong note : questionNotes()) {
        sing(note);
        pause();
    }
    pause(0.5);
    EXPECT_EQ(screen()->toolbarInfoView()->title(), localized(QStringLiteral("Right!")));

    // Lost again later in the run: listening stops, but the user was told already.
    startQuestion();
    ASSERT_TRUE(screen()->tuner()->isRunning());
    HandFedMicrophone::lose();
    ASSERT_TRUE(waitUntil([&] { return !screen()->tuner()->isRunning(); }, 10000, queue_.get()));
    advance(0.1);
    EXPECT_EQ(alerts_.size(), 1);
}

TEST_F(MicrophoneTest, ASoundServerThatTakesTheOutputAndTheMicrophoneWithItIsToldInOneAlert)
{
    launch();
    auto server = std::make_shared<FakeSoundServer>();
    server->start();
    AudioOutput output(server->deviceFactory(AudioDevice::Direction::Output),
                       {std::chrono::hours(1), std::chrono::hours(1), std::chrono::milliseconds(0)});
    std::atomic<int> outputNotices{0};
    NotificationObserver counting = NotificationCenter::defaultCenter().addObserver(
        AudioOutput::kUnavailableNotification, [&](const Notification&) { ++outputNotices; },
        NotificationCenter::Delivery::PostingThread, &output);
    output.open();
    ASSERT_EQ(output.mode(), AudioOutput::Mode::Device);
    QTest::mouseClick(screen()->micButton(), Qt::LeftButton);
    startQuestion();
    ASSERT_TRUE(screen()->tuner()->isRunning());

    // The server goes: the microphone notices first, the output a moment later.
    HandFedMicrophone::lose();
    ASSERT_TRUE(waitUntil([&] { return !screen()->tuner()->isRunning(); }, 10000, queue_.get()));
    server->stop();
    ASSERT_TRUE(waitUntil([&] { return outputNotices == 1; }, 10000, queue_.get()));
    queue_->runPending();
    EXPECT_TRUE(alerts_.isEmpty()) << "told once both are in";
    advance(ZTMainViewController::kSoundTroubleGatherSeconds + 0.1);
    ASSERT_EQ(alerts_.size(), 1);
    EXPECT_EQ(alerts_.front().message, localized(QStringLiteral("The sound output and the microphone were lost")));
    EXPECT_TRUE(alerts_.front().informativeText.contains(localized(QStringLiteral("sound server"))));
    EXPECT_TRUE(alerts_.front().informativeText.contains(localized(QStringLiteral("microphone"))));
    EXPECT_EQ(alerts_.front().buttons, QStringList{localized(QStringLiteral("OK"))});

    // Both were told: losing either again says nothing more.
    server->start();
    output.wake();
    ASSERT_TRUE(waitUntil([&] { return output.mode() == AudioOutput::Mode::Device; }, 10000, queue_.get()));
    server->stop();
    ASSERT_TRUE(waitUntil([&] { return outputNotices == 2; }, 10000, queue_.get()));
    startQuestion();
    ASSERT_TRUE(screen()->tuner()->isRunning());
    HandFedMicrophone::lose();
    ASSERT_TRUE(waitUntil([&] { return !screen()->tuner()->isRunning(); }, 10000, queue_.get()));
    advance(1.0);
    EXPECT_EQ(alerts_.size(), 1);
}
