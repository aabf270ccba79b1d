#pragma once

#include "AppTestSupport.h"

#include "ZTPreferencesWindowController.h"

#include <QComboBox>
#include <QStringList>

class ZTPreferences;

// A fresh home with the catalogue built and the MIDI hub on the fake MIDI system; the
// preferences window is made on request and dropped after each test.
class PreferencesTest : public AppTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // The shared window controller, its window loaded.
    ZTPreferencesWindowController* controller();
    const ZTPreferencesOutlets& outlets() { return controller()->outlets(); }
    static ZTPreferences* prefs();

    // As the user picks the entry: selects it and sends the pop-up's action.
    static void choose(QComboBox* popup, int index);
    static QStringList titles(const QComboBox* popup);
    // Runs the store's change notifications and the observers they reach.
    void settle() { advance(0.6); }
    // Saves a picture of the window to $MELVORA_APP_SHOTS/<name>.png when that variable is set.
    static void saveWindowShot(QWidget* window, const QString& name);
};
