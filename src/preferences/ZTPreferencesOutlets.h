#pragma once

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QToolButton;
class QWidget;
class ZTFloatSlider;
class ZTRowTableDataSource;
class ZTRowTableView;
class ZTSettingsOutlineView;
class ZTStepper;

// The controls of the preferences window, made by buildPreferencesWindow and owned by the
// window. The controller fills them and connects their actions.
struct ZTPreferencesOutlets {
    QTabWidget* tabView = nullptr;
    ZTSettingsOutlineView* testsOutlineView = nullptr;

    // General
    QCheckBox* autoPlayCheckbox = nullptr;
    QComboBox* autoPlayAfterPopupButton = nullptr;
    QButtonGroup* autoPlayRadioGroup = nullptr; // ids: 0 "If correct answer", 1 "Always"
    QRadioButton* afterCorrectAnswerRadioButton = nullptr;
    QRadioButton* alwaysRadioButton = nullptr;
    QComboBox* spellingTypePopupButton = nullptr;
    QComboBox* noteNamesPopupButton = nullptr;
    QLabel* noteSpellingLabel = nullptr;
    QLabel* noteNamesLabel = nullptr;
    QComboBox* soundRightAnswerPopup = nullptr;
    QComboBox* soundWrongAnswerPopup = nullptr;
    QLabel* soundRightAnswerLabel = nullptr;
    QLabel* soundWrongAnswerLabel = nullptr;
    QCheckBox* ignoreOctaveCHeckbox = nullptr;

    // Audio / MIDI: input
    QGroupBox* midiInBox = nullptr;
    QComboBox* midiInPopupButton = nullptr;
    QComboBox* midiInChannelPopup = nullptr;
    QLabel* midiInChannelLabel = nullptr;
    QCheckBox* midiThroughCheckbox = nullptr;

    // Audio / MIDI: output, with one parameter view per kind of output
    QGroupBox* midiOutBox = nullptr;
    QComboBox* midiOutPopupButton = nullptr;
    QWidget* GMMIDIParamView = nullptr;
    QComboBox* midiOutChannelPopup = nullptr;
    QLabel* midiOutChannelLabel = nullptr;
    QLineEdit* midiOutVelocityTextInput = nullptr;
    ZTStepper* midiOutVelocityStepper = nullptr;
    QLabel* midiOutVelocityLabel = nullptr;
    QLabel* normalExercisesLabel = nullptr;
    QComboBox* midiOutRhythmChannelPopup = nullptr;
    QLabel* midiOutRhythmCHannelLabel = nullptr;
    QLineEdit* midiOutRhythmVelocityTextInput = nullptr;
    ZTStepper* midiOutRhythmVelocityStepper = nullptr;
    QLabel* midiOutRhythmVelocityLabel = nullptr;
    QComboBox* midiOutRhythmNotePopup = nullptr;
    QLabel* midiOutRhythmNoteLabel = nullptr;
    QLabel* rhythmExerciseLabel = nullptr;
    QWidget* MVSoftSynthParamView = nullptr;
    QLabel* normalExerciseLabelMVSoftSynth = nullptr;
    QLabel* rythmExerciseLabelMVSoftSynth = nullptr;
    QLabel* midiOutVelocityLabelMVSoftSynth = nullptr;
    QLabel* midiOutRhythmVelocityLabelMVSoftSynth = nullptr;
    QLineEdit* midiOutVelocityTextInputMVSoftSynth = nullptr;
    QLineEdit* midiOutRhythmVelocityTextInputMVSoftSynth = nullptr;
    ZTStepper* midiOutVelocityStepperMVSoftSynth = nullptr;
    ZTStepper* midiOutRhythmVelocityStepperMVSoftSynth = nullptr;
    QLabel* midiOutRhythmInstrumentMVSoftSynth = nullptr;
    QComboBox* midiOutRhythmInstrumentPopupMVSoftSynth = nullptr;

    // Audio / MIDI: remote keys and microphone
    QGroupBox* midiRemoteBox = nullptr;
    QLabel* midiRemoteNextLabel = nullptr;
    QLabel* midiRemoteRepeatLabel = nullptr;
    QComboBox* remoteNextPopup = nullptr;
    QComboBox* remoteRepeatPopup = nullptr;
    QPushButton* remoteCaptureNextButton = nullptr;
    QPushButton* remoteCaptureRepeatButton = nullptr;
    QGroupBox* microphoneBox = nullptr;
    ZTFloatSlider* micThresholdSlider = nullptr;
    QLabel* micThresholdLabel = nullptr;
    QLabel* micRecognitionMethodTimeLabel = nullptr;
    QComboBox* micRecognitionPopupButton = nullptr;
    QToolButton* micHelpButton = nullptr;

    // Custom Levels
    QWidget* customLevelsTab = nullptr;
    ZTRowTableView* levelsTableView = nullptr;      // column "name"
    ZTRowTableView* levelTestsTableView = nullptr;  // columns "check" and "text"
    QPushButton* levelPlusPopupButton = nullptr;    // pull-down: one entry per exercise
    QPushButton* levelMinusButton = nullptr;
    QWidget* melodyLevelView = nullptr;             // scales label, tones and octaves: melody levels only
    QLabel* scalesLabel = nullptr;
    QLabel* numOctavesLabel = nullptr;
    QLabel* numNotesLabel = nullptr;
    QComboBox* numNotesPopupButton = nullptr;       // 3 tones and up
    QComboBox* numNotesOctacesButton = nullptr;     // 1 octave and up

    // Custom Exercises
    QWidget* customExercisesTab = nullptr;
    ZTRowTableView* customExercisesTableView = nullptr; // column "name"
    QPushButton* customExercisePlusButton = nullptr;    // pull-down: the three exercises
    QPushButton* customExerciseMinusButton = nullptr;

    // Sync
    QCheckBox* dropBoxSyncCheckbox = nullptr;
    QCheckBox* dropBoxStatsCheckbox = nullptr;
    QCheckBox* dropBoxLevelsCheckbox = nullptr;
    QCheckBox* dropBoxPrefsCheckbox = nullptr;
    QLabel* dropboxTextLabel = nullptr;
    // Says that sync is not set up while no sync engine is installed.
    QLabel* syncStatusLabel = nullptr;
};

// The window's layout: every tab with its controls. Texts that follow the settings are set by
// the controller's fills; the custom tabs' tables ask `customTables` for their rows.
QWidget* buildPreferencesWindow(ZTPreferencesOutlets& outlets, ZTRowTableDataSource* customTables);
