#include "AppTestSupport.h"

#include "AudioOutput.h"
#include "FMDatabase.h"
#include "FMResultSet.h"
#include "FakeMIDIBackend.h"
#include "Image.h"
#include "MainQueue.h"
#include "SequencePlayer.h"
#include "ZTDataProvider.h"
#include "ZTMIDIController.h"
#include "ZTMainViewController.h"
#include "ZTPreferences.h"
#include "ZTUtils.h"
#include "ZTWindowPlacement.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QTest>
#include <QTimer>

void RecordingSoundPlayer::playSoundFile(const QString& path, float)
{
    played << path;
}

void AppTest::SetUp()
{
    environment_ = std::make_unique<TestEnvironment>();
    queue_ = std::make_unique<ManualMainQueue>();
    ZTPreferences::resetSharedForTesting();
    ZTUtils::resetSharedDbForTesting();
    Image::clearCache();
    static bool shared = false;
    if (!shared) {
        // Set before the MIDI hub and its instrument are made: playback follows the manual clock.
        ZTMIDIController::setSharedBackendFactory([] {
            auto backend = std::make_shared<FakeMIDIBackend>();
            backend->addDestination({kExternalSynthName, kExternalSynthID});
            return backend;
        });
        SequencePlayer::setDefaultDriver({[] { return MainQueue::now(); }, SequencePlayer::Drive::MainQueue, 0.01});
        shared = true;
    }
    // Sound renders only where a test pulls it: no test waits for a device or hears of none.
    AudioOutput::sharedOutput()->useOfflineRendering();
    sounds_ = std::make_shared<RecordingSoundPlayer>();
    ZTResultSoundPlayer::setShared(sounds_);
    answerAlertsWithRecordedAnswer();
    useScreens({kDesktopScreen});
}

void AppTest::useScreens(const QList<QRect>& areas)
{
    ZTWindowPlacement::setScreenAreas([areas] { return areas; });
}

void AppTest::answerAlertsWithRecordedAnswer()
{
    Alert::setResponder([this](const Alert::Request& request) {
        alerts_ << request;
        return alertAnswer_;
    });
}

void AppTest::pressKeyInAlertsDuring(int key, const std::function<void()>& work)
{
    Alert::setResponder({});
    QTimer presser;
    QObject::connect(&presser, &QTimer::timeout, [key] {
        if (QWidget* alert = QApplication::activeModalWidget())
            QTest::keyClick(alert, Qt::Key(key));
    });
    presser.start(20);
    work();
    answerAlertsWithRecordedAnswer();
}

void AppTest::TearDown()
{
    if (const auto instrument = ZTMIDIController::sharedInstance()->instrument())
        instrument->stopPlayerShouldNotify(false);
    delegate_.reset();
    unplugAddedMIDIDevices();
    queue_->runPending();
    Alert::setResponder({});
    ZTWindowPlacement::setScreenAreas({});
    ZTResultSoundPlayer::setShared(nullptr);
    ZTUtils::resetSharedDbForTesting();
    queue_.reset();
    environment_.reset();
}

FakeMIDIBackend* AppTest::midiSystem()
{
    return dynamic_cast<FakeMIDIBackend*>(ZTMIDIController::sharedInstance()->outputStream());
}

void AppTest::unplugAddedMIDIDevices()
{
    FakeMIDIBackend* system = midiSystem();
    if (!system)
        return;
    for (const MIDIEndpoint& source : system->sources())
        system->removeSource(source.uniqueID);
    for (const MIDIEndpoint& destination : system->destinations())
        if (destination.uniqueID != kExternalSynthID)
            system->removeDestination(destination.uniqueID);
    system->clearSent();
}

ZTAppDelegate* AppTest::launch()
{
    delegate_ = std::make_unique<ZTAppDelegate>();
    delegate_->launch();
    return delegate_.get();
}

void AppTest::quit()
{
    if (!delegate_)
        return;
    delegate_->terminate();
    delegate_.reset();
    queue_->runPending();
}

void AppTest::restart()
{
    quit();
    ZTPreferences::resetSharedForTesting();
    ZTUtils::resetSharedDbForTesting();
    launch();
}

ZTMainViewController* AppTest::screen() const
{
    return delegate_ ? delegate_->mainViewController() : nullptr;
}

void AppTest::advance(double seconds)
{
    // Small steps, so that repeating work (playback, count-down) runs as it would.
    for (double done = 0; done < seconds; done += 0.05)
        queue_->advance(std::min(0.05, seconds - done));
}

void AppTest::finishPlaying()
{
    for (int i = 0; i < 400; ++i) {
        const auto instrument = ZTMIDIController::sharedInstance()->instrument();
        // The stop is announced at the instrument's next check after the last note.
        if (!instrument || (!instrument->isPlaying() && !instrument->hasDetectPlayingTimer()))
            return;
        advance(0.1);
    }
}

QList<QStringList> AppTest::rows(const QString& sql, int columns, const QVariantList& values)
{
    QList<QStringList> result;
    FMDatabase* db = ZTUtils::sharedDb();
    if (!db)
        return result;
    std::unique_ptr<FMResultSet> set = db->executeQuery(sql, values);
    while (set && set->next()) {
        QStringList row;
        for (int column = 0; column < columns; ++column)
            row << set->stringForColumnIndex(column);
        result << row;
    }
    return result;
}

void AppTest::saveShot(const QString& name) const
{
    const QString folder = qEnvironmentVariable("MELVORA_APP_SHOTS");
    if (folder.isEmpty() || !delegate_ || !delegate_->window())
        return;
    QDir().mkpath(folder);
    QWidget* window = delegate_->window();
    QApplication::processEvents();
    window->grab().save(QDir(folder).filePath(name + QStringLiteral(".png")));
}
