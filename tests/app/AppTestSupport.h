#pragma once

#include "Alert.h"
#include "TestEnvironment.h"
#include "ZTAppDelegate.h"
#include "ZTResultSoundPlayer.h"

#include <QList>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QVariantList>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

class FakeMIDIBackend;
class ZTMainViewController;

// The screen of every app test unless it says otherwise: a desktop monitor on which the main
// window opens at its preferred size.
inline const QRect kDesktopScreen(0, 0, 1920, 1080);

// A MIDI destination that the fake MIDI system of every app test offers.
inline const QString kExternalSynthName = QStringLiteral("Practice Room Synth");
inline const QString kExternalSynthID = QStringLiteral("external-1");

// Records the answer sounds instead of playing them.
class RecordingSoundPlayer : public ZTResultSoundPlayer {
public:
    void playSoundFile(const QString& path, float volume) override;
    QStringList played;
};

// A fresh home, a manual main queue and a fake MIDI system; the application is started as the
// program starts it. Alerts are answered with `alertAnswer` and recorded.
class AppTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A new delegate on the current folders, through all start-up steps.
    ZTAppDelegate* launch();
    // The quit command (settings written), then the delegate goes as at the end of main().
    void quit();
    // Quits, forgets every shared store and starts again on the same folders.
    void restart();

    ZTAppDelegate* delegate() const { return delegate_.get(); }
    ZTMainViewController* screen() const;
    // The fake MIDI system behind the shared MIDI hub.
    static FakeMIDIBackend* midiSystem();
    void advance(double seconds);
    // The area windows may take on each screen, the primary first, for windows placed from now.
    static void useScreens(const QList<QRect>& areas);
    // Lets the instrument finish what it plays (the count-down and auto-advance wait for it).
    void finishPlaying();

    // Rows of a statistics query, each as the text of its first `columns` columns.
    static QList<QStringList> rows(const QString& sql, int columns, const QVariantList& values = {});

    // Shows the next alerts for real (no recorded answer) and answers each by pressing the key
    // once it is on screen; afterwards the alerts are answered with `alertAnswer` again.
    void pressKeyInAlertsDuring(int key, const std::function<void()>& work);

    // Saves a picture of the window to $MELVORA_APP_SHOTS/<name>.png when that variable is set.
    void saveShot(const QString& name) const;

    std::unique_ptr<TestEnvironment> environment_;
    std::unique_ptr<ManualMainQueue> queue_;
    std::shared_ptr<RecordingSoundPlayer> sounds_;
    QList<Alert::Request> alerts_;
    int alertAnswer_ = 0;

private:
    void answerAlertsWithRecordedAnswer();
    // The MIDI hub lives for the process: devices a test plugged in are unplugged again.
    static void unplugAddedMIDIDevices();

    std::unique_ptr<ZTAppDelegate> delegate_;
};
