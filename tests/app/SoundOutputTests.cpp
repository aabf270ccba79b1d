// The exercise screen when no sound output opens, or the one that played goes away.
#include "AppTestSupport.h"

#include "../audio/FakeSoundServer.h"

#include "AudioOutput.h"
#include "Localization.h"
#include "NotificationCenter.h"
#include "ZTMainViewController.h"

#include <atomic>

TEST_F(AppTest, WithoutSoundTheUserIsToldOnceHoweverOftenTheOutputComesAndGoes)
{
    launch();
    auto server = std::make_shared<FakeSoundServer>();
    AudioOutput output(server->deviceFactory(AudioDevice::Direction::Output),
                       {std::chrono::hours(1), std::chrono::hours(1), std::chrono::milliseconds(0)});
    std::atomic<int> notices{0};
    NotificationObserver counting = NotificationCenter::defaultCenter().addObserver(
        AudioOutput::kUnavailableNotification, [&](const Notification&) { ++notices; },
        NotificationCenter::Delivery::PostingThread, &output);

    output.open(); // no server: nothing opens
    server->start();
    output.wake(); // something is to sound: the server is found
    ASSERT_TRUE(eventually([&] { return output.mode() == AudioOutput::Mode::Device; }));
    server->stop(); // and goes away
    ASSERT_TRUE(eventually([&] { return notices == 2; }));
    advance(ZTMainViewController::kSoundTroubleGatherSeconds + 0.1);

    ASSERT_EQ(alerts_.size(), 1);
    EXPECT_EQ(alerts_.front().message, localized(QStringLiteral("No sound output could be opened")));
    EXPECT_TRUE(alerts_.front().informativeText.contains(localized(QStringLiteral("sound server")))) << "what to check";
    EXPECT_EQ(alerts_.front().buttons, QStringList{localized(QStringLiteral("OK"))});
}
