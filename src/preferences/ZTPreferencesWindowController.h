#pragma once

#include "MainQueue.h"
#include "NotificationCenter.h"
#include "ZTMIDIConnector.h"
#include "ZTPreferencesOutlets.h"
#include "ZTRowTableView.h"
#include "ZTSyncEngine.h"

#include <QAbstractButton>
#include <QObject>
#include <QPointer>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QVariantList>

#include <functional>
#include <vector>

class QCheckBox;
class QComboBox;
class QLineEdit;
class ZTPreferences;
class ZTStepper;

// The one preferences window: tabs "Exercises" (every exercise's settings), "General",
// "Audio / MIDI", "Custom Levels", "Custom Exercises" and "Sync". Every control writes
// straight into the settings store, which announces the change to the rest of the
// application; the window in turn follows the store, so changes made elsewhere (a reset,
// settings from sync, a new note spelling, a direction chosen on the main window, a new
// MIDI destination) show at once.
//
// While a remote key is captured the window is the MIDI controller's connector: the next
// played note goes to it instead of the instrument. The connector is cleared when the capture
// ends and when the window closes.
//
// The window is built on first use and kept, with its observers, for the life of the
// process. Main thread only.
class ZTPreferencesWindowController : public QObject, public ZTMIDIConnector, public ZTRowTableDataSource {
    Q_OBJECT
public:
    static ZTPreferencesWindowController* preferencesWindowController();
    // Closes and drops the shared window (at quit, while the application still stands, and
    // between tests); the next request builds a new one.
    static void releaseShared();
    // What the application's Preferences commands call: shows the window, on the tab with
    // that identifier when one is given.
    static void showWindowOnTab(const QString& identifier);

    // The cloud-sync engine's calls; without them the Sync tab only stores its switches.
    static void setSyncEngine(ZTSyncEngine engine);

    // The tab identifiers, in tab order.
    static const QStringList& tabIdentifiers();
    // The window's size where the screen allows it; a smaller screen gets a smaller window.
    static constexpr QSize kPreferredSize{760, 600};

    ~ZTPreferencesWindowController() override;

    // Builds the window on first use (the load steps run once).
    QWidget* window();
    bool isWindowLoaded() const { return !window_.isNull(); }
    void showWindow();
    // Selects the tab with that identifier; false (and nothing changes) for an unknown one.
    bool selectTabWithIdentifier(const QString& identifier);
    const ZTPreferencesOutlets& outlets() const { return outlets_; }

    // ---- Exercises and Sync tabs ----
    void tabViewDidSelectTabViewItem(int index);
    void preferencesResetNotification();
    void exerciseSettingChangedNotification(const QString& exercise);
    void customLevelsChangedNotification();
    void customExercisesChangedNotification();
    void _setupSync();
    void dropBoxSyncAction();
    void dropBoxStatAction();
    void dropBoxLevelsAction();
    void dropBoxPrefsAction();
    void _checkSyncPref();

    // ---- General tab ----
    void _setupGeneralSettings();
    void ignoreOctaveAction();
    void autoPlayCheckBoxAction();
    void autoPlayPoupButtonAction();
    void noteSpellingAction();
    void noteNamesPopupAction();
    void autoplayRadioAction(int tag);
    void soundRightAnswerPopupAction();
    void soundWrongAnswerPopupAction();

    // ---- Audio / MIDI tab ----
    void _setupMIDI();
    void _setupDynMIDIOutParam();
    void midiInPopupAction();
    void midiInChannelAction();
    void midiThroughAction();
    void midiOutPopupAction();
    void midiOutChannelAction();
    void midiOutRhythmChannelAction();
    void midiOutRhythmNoteAction();
    void midiOutRhythmInstrumentMVSoftSynthAction();
    // A velocity typed into one of the four fields.
    void textDidChange(QLineEdit* field);
    void MIDIOutEndpointChangedNotification();
    void _endpointChangedNotification();

    // ---- Remote keys ----
    void remoteNextPopupAction();
    void remoteRepeatPopupAction();
    void remoteCaptureNextAction();
    void remoteCaptureRepeatAction();
    void handleCaptureTimer();
    // Ends a running capture: its button reads "Capture" again, the timer stops.
    void endCapture();
    void _resetCaptureButtons();
    // The capture button of the running capture; null when none runs.
    QAbstractButton* captureButton() const { return _captureButton; }

    // ---- ZTMIDIConnector ----
    void noteOn(std::uint8_t note, std::uint8_t velocity) override;
    void noteOff(std::uint8_t note) override;

    // ---- Microphone ----
    void micThresholdSliderAction();
    void micRecognitionAction();
    void micHelpAction();

    // ---- Custom Levels and Custom Exercises tabs ----
    // Rows of the levels list, the selected level's items list and the custom exercises list.
    const QVariantList& levelsArray() const { return levelsArray_; }
    const QVariantList& levelItemsArray() const { return levelItemsArray_; }
    const QVariantList& exercisesArray() const { return exercisesArray_; }
    void _updateLevelsTable();
    void _updateLevelItemsTable();
    void _updateCustomExercisesTable();
    // A new level of the exercise at that catalogue index, selected and opened for its name.
    void levelPlusAction(int testIndex);
    void levelMinusAction();
    void numNotesAction();
    void numOctavesAction();
    // Opens the editor for a new item of the exercise.
    void customExercisePlusAction(const QString& test);
    void customExercisesMinusAction();
    // Opens the editor for the item of that row of the custom exercises list.
    void exerciseTableDoubleAction(int row);

    // ---- ZTRowTableDataSource: the three tables of the custom tabs ----
    int numberOfRowsInTableView(const ZTRowTableView* table) const override;
    QVariant objectValue(const ZTRowTableView* table, const QString& column, int row) const override;
    void setObjectValue(ZTRowTableView* table, const QVariant& value, const QString& column, int row) override;
    bool isGroupRow(const ZTRowTableView* table, int row) const override;
    bool shouldEditTableColumn(const ZTRowTableView* table, const QString& column, int row) const override;
    void tableViewSelectionDidChange(ZTRowTableView* table) override;
    bool writeRows(const ZTRowTableView* table, const QList<int>& rows) const override;
    bool validateDrop(const ZTRowTableView* table, const QList<int>& rows, int row) const override;
    bool acceptDrop(ZTRowTableView* table, const QList<int>& rows, int row) override;

private:
    // A setting shown by a velocity field and its stepper.
    struct VelocityControl {
        QLineEdit* field;
        ZTStepper* stepper;
        int (ZTPreferences::*read)() const;
        void (ZTPreferences::*write)(int);
    };

    ZTPreferencesWindowController();
    void awakeFromNib();
    void windowDidLoad();
    void connectActions();
    void registerObservers();
    // The window is closing: a running capture ends, so notes reach the instrument again.
    void windowWillClose();

    // Stores the chosen entry's index plus the offset; nothing while no entry is chosen.
    static void storeChosenIndex(QComboBox* popup, void (ZTPreferences::*store)(int), int offset = 0);
    void syncPartAction(QCheckBox* checkbox, void (ZTPreferences::*store)(bool));
    void soundPopupAction(QComboBox* popup, void (ZTPreferences::*store)(const QString& id));
    void remotePopupAction(bool next);
    void remoteCaptureAction(QAbstractButton* button);
    std::vector<VelocityControl> velocityControls() const;
    void stepperAction(const VelocityControl& control);
    // The custom tabs' pull-down menus and texts, and their actions.
    void _setupCustomTabs();
    void connectCustomTabActions();
    const QVariantList* rowsOf(const ZTRowTableView* table) const;
    // Replaces the rows of a table when the fresh ones differ, an open editor committed first.
    static void updateRows(QVariantList& rows, const std::function<QVariantList()>& freshRows, ZTRowTableView* table);
    // The stored custom level of the selected levels row, with its exercise and position;
    // an empty level when none is selected.
    struct SelectedLevel {
        QString test;
        int index = -1;
        QVariantMap level;
    };
    SelectedLevel selectedLevel() const;
    void renameLevel(int row, const QString& name);
    void toggleLevelItem(int row);
    void storeMelodyLevelData(const QString& key, int value);
    void runEditor(const QString& test, const QVariantMap& item = {}, int index = -1);
    // A chord that custom progressions use stays: an alert names them. False when none does.
    bool refuseDeletingChordInUse(const QVariantMap& chord);

    QPointer<QWidget> window_;
    ZTPreferencesOutlets outlets_;
    std::vector<NotificationObserver> observers_;

    QStringList spellingTypes;
    QStringList noteNameTypes;
    QVariantList resultSounds_; // the sounds behind the two sound pop-ups, as last filled

    QVariantList levelsArray_;
    QVariantList levelItemsArray_;
    QVariantList exercisesArray_;

    DelayedCall captureTimer;
    QPointer<QAbstractButton> _captureButton;
    qint64 _captureCount = 0;
};
