#include "PreferencesTestSupport.h"

#include "NotificationCenter.h"
#include "ZTDataProvider.h"
#include "ZTMIDIController.h"
#include "ZTPreferences.h"
#include "ZTWheelGuard.h"

#include <QApplication>
#include <QDir>

void PreferencesTest::SetUp()
{
    AppTest::SetUp();
    // As the program has it: the wheel never changes a control the user did not click.
    ZTWheelGuard::install();
    // The hub outlives a test; it takes the fresh settings as it does after a reset.
    ZTMIDIController::sharedInstance();
    NotificationCenter::defaultCenter().post(QStringLiteral("ZTPreferencesResetNotification"));
    queue_->runPending();
    ZTDataProvider::sharedDataProvider()->setup();
}

void PreferencesTest::TearDown()
{
    ZTPreferencesWindowController::releaseShared();
    ZTPreferencesWindowController::setSyncEngine({});
    AppTest::TearDown();
}

ZTPreferencesWindowController* PreferencesTest::controller()
{
    ZTPreferencesWindowController* shared = ZTPreferencesWindowController::preferencesWindowController();
    shared->window();
    return shared;
}

ZTPreferences* PreferencesTest::prefs()
{
    return ZTPreferences::sharedPreferences();
}

void PreferencesTest::choose(QComboBox* popup, int index)
{
    popup->setCurrentIndex(index);
    emit popup->activated(index);
}

QStringList PreferencesTest::titles(const QComboBox* popup)
{
    QStringList result;
    for (int i = 0; i < popup->count(); ++i)
        result << popup->itemText(i);
    return result;
}

void PreferencesTest::saveWindowShot(QWidget* window, const QString& name)
{
    const QString folder = qEnvironmentVariable("MELVORA_APP_SHOTS");
    if (folder.isEmpty() || !window)
        return;
    QDir().mkpath(folder);
    QApplication::processEvents();
    window->grab().save(QDir(folder).filePath(name + QStringLiteral(".png")));
}
