// A user who chose the built-in synthesizer hears every exercise through it.
#include "AppTestSupport.h"

#include "OfflineAudio.h"
#include "ZTMIDIController.h"
#include "ZTMainViewController.h"
#include "ZTPreferences.h"
#include "ZTSamplePlayer.h"

#include "ImageButton.h"

#include <QAction>
#include <QMenu>
#include <QTest>

#include <cmath>
#include <optional>

namespace {

class SoftSynthTest : public AppTest {
protected:
    // The loudest value of the output while the question plays, pulled block by block in
    // step with the clock, as a device would; none when the question plays nothing.
    std::optional<float> playQuestion()
    {
        float peak = 0;
        QTest::mouseClick(screen()->nextButtonView(), Qt::LeftButton);
        if (!ZTMIDIController::sharedInstance()->instrument()->isPlaying())
            return std::nullopt;
        renderInBlocks(*queue_, 12.0, 256, [&](const std::vector<float>& block) {
            for (float value : block)
                peak = std::max(peak, std::abs(value));
            const auto instrument = ZTMIDIController::sharedInstance()->instrument();
            return instrument->isPlaying() || instrument->hasDetectPlayingTimer();
        });
        return peak;
    }
};

} // namespace

TEST_F(SoftSynthTest, EveryExercisePlaysThroughTheBuiltInSynthesizer)
{
    AudioOutput::sharedOutput()->useOfflineRendering();
    ZTPreferences::sharedPreferences()->setMIDIOutEndpoint(ZTMIDIController::kSampleSynthesizerName);
    launch();
    advance(0.6); // the stored choice is announced, and the hub builds its instrument again
    auto synthesizer = std::dynamic_pointer_cast<ZTSamplePlayer>(ZTMIDIController::sharedInstance()->instrument());
    ASSERT_TRUE(synthesizer);
    EXPECT_TRUE(synthesizer->instrumentData()->isValid());

    int played = 0;
    for (QAction* exercise : delegate()->exerciseMenu()->actions()) {
        if (exercise->isSeparator() || exercise->menu())
            continue;
        exercise->trigger();
        advance(0.6);
        ASSERT_TRUE(screen()->currentLessonController());
        const std::optional<float> peak = playQuestion();
        if (!peak)
            continue; // the music-reading kinds show their question instead
        EXPECT_GT(*peak, 0.02f) << exercise->text().toStdString();
        ++played;
    }
    EXPECT_GE(played, 7); // intervals, chords, scales, progressions, pitches, melodies, tempo
    EXPECT_EQ(ZTMIDIController::sharedInstance()->instrument(), synthesizer);
}
