// The window shell (shared instance, loading, tabs, observers) and the Sync tab. The General
// and Audio / MIDI tabs are in files of their own.
#include "ZTPreferencesWindowController.h"

#include "Localization.h"
#include "PlistValues.h"
#include "ZTDataProvider.h"
#include "ZTPreferences.h"
#include "ZTPreferencesControls.h"
#include "ZTSettingsOutlineView.h"
#include "ZTWindowFitter.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QToolButton>

namespace {

ZTPreferencesWindowController* sharedController = nullptr;

ZTSyncEngine& installedSyncEngine()
{
    static ZTSyncEngine engine;
    return engine;
}

// The sync engine's calls; nothing while no engine is installed.
void startManualSync()
{
    if (installedSyncEngine().isInstalled())
        installedSyncEngine().startManualSync();
}

void stopSyncAndUnlink()
{
    const ZTSyncEngine& engine = installedSyncEngine();
    if (engine.isInstalled()) {
        engine.stopSync();
        engine.unlink();
    }
}

ZTPreferences* prefs()
{
    return ZTPreferences::sharedPreferences();
}

// The window ends a capture when it is closed.
class CloseWatcher : public QObject {
public:
    CloseWatcher(QObject* parent, std::function<void()> onClose) : QObject(parent), onClose_(std::move(onClose)) {}
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Close)
            onClose_();
        return false;
    }

private:
    std::function<void()> onClose_;
};

const QStringList& tabLabels()
{
    static const QStringList labels{QStringLiteral("Exercises"),        QStringLiteral("General"),
                                    QStringLiteral("Audio / MIDI"),     QStringLiteral("Custom Levels"),
                                    QStringLiteral("Custom Exercises"), QStringLiteral("Sync")};
    return labels;
}

} // namespace

// ---- Shared instance ----

ZTPreferencesWindowController* ZTPreferencesWindowController::preferencesWindowController()
{
    if (!sharedController) {
        sharedController = new ZTPreferencesWindowController;
        // Its window must go while the application still stands.
        static bool releasedAtQuit = false;
        QCoreApplication* app = QCoreApplication::instance();
        if (app && !releasedAtQuit) {
            QObject::connect(app, &QCoreApplication::aboutToQuit, app, [] { releaseShared(); });
            releasedAtQuit = true;
        }
    }
    return sharedController;
}

void ZTPreferencesWindowController::releaseShared()
{
    delete sharedController;
    sharedController = nullptr;
}

void ZTPreferencesWindowController::showWindowOnTab(const QString& identifier)
{
    ZTPreferencesWindowController* controller = preferencesWindowController();
    controller->showWindow();
    if (!identifier.isEmpty())
        controller->selectTabWithIdentifier(identifier);
}

void ZTPreferencesWindowController::setSyncEngine(ZTSyncEngine engine)
{
    installedSyncEngine() = std::move(engine);
    if (sharedController && sharedController->isWindowLoaded())
        sharedController->_setupSync();
}

const QStringList& ZTPreferencesWindowController::tabIdentifiers()
{
    static const QStringList identifiers{QStringLiteral("lessons"),      QStringLiteral("general"),
                                         QStringLiteral("audiomidi"),    QStringLiteral("customlevels"),
                                         QStringLiteral("customexercises"), QStringLiteral("sync")};
    return identifiers;
}

ZTPreferencesWindowController::ZTPreferencesWindowController() = default;

ZTPreferencesWindowController::~ZTPreferencesWindowController()
{
    observers_.clear();
    if (window_)
        windowWillClose();
    delete window_;
}

// ---- Loading ----

QWidget* ZTPreferencesWindowController::window()
{
    if (!window_) {
        window_ = buildPreferencesWindow(outlets_, this);
        window_->installEventFilter(new CloseWatcher(window_, [this] { windowWillClose(); }));
        awakeFromNib();
        windowDidLoad();
        (new ZTWindowFitter(window_))->placeNew(kPreferredSize);
    }
    return window_;
}

void ZTPreferencesWindowController::showWindow()
{
    QWidget* shown = window();
    shown->show();
    shown->raise();
    shown->activateWindow();
}

bool ZTPreferencesWindowController::selectTabWithIdentifier(const QString& identifier)
{
    const qsizetype index = tabIdentifiers().indexOf(identifier);
    if (index < 0 || !window())
        return false;
    outlets_.tabView->setCurrentIndex(int(index));
    return true;
}

void ZTPreferencesWindowController::awakeFromNib()
{
    window_->setWindowTitle(localized(QStringLiteral("Preferences")));
}

void ZTPreferencesWindowController::windowDidLoad()
{
    _updateLevelsTable();
    _updateCustomExercisesTable();
    _updateLevelItemsTable();
    registerObservers();

    ZTDataProvider* catalogue = ZTDataProvider::sharedDataProvider();
    outlets_.testsOutlineView->reloadData();
    outlets_.testsOutlineView->expandExerciseAtIndex(catalogue->indexForTestWithName(prefs()->currentExercise()));

    QTabWidget* tabs = outlets_.tabView;
    for (int i = 0; i < tabs->count() && i < tabLabels().size(); ++i) {
        tabs->setTabText(i, localized(tabLabels().at(i)));
        tabs->widget(i)->setObjectName(tabIdentifiers().at(i));
    }
    // The remembered tab, or the first when none is stored or none has that identifier.
    if (!selectTabWithIdentifier(prefs()->prefsTabName()))
        tabs->setCurrentIndex(0);

    outlets_.afterCorrectAnswerRadioButton->setText(localized(QStringLiteral("If correct answer")));
    outlets_.alwaysRadioButton->setText(localized(QStringLiteral("Always")));

    _setupGeneralSettings();
    _setupMIDI();
    _setupSync();
    _setupCustomTabs();
    connectActions();
    connectCustomTabActions();
}

void ZTPreferencesWindowController::registerObservers()
{
    NotificationCenter& center = NotificationCenter::defaultCenter();
    const auto observe = [&](const QString& name, std::function<void()> handler) {
        observers_.push_back(center.addObserver(
            name, [handler = std::move(handler)](const Notification&) { handler(); },
            NotificationCenter::Delivery::MainQueue));
    };
    observe(QStringLiteral("dropBoxSyncChangedNotification"), [this] { _setupSync(); });
    for (const QString& name : {QStringLiteral("ZTPreferencesResetNotification"),
                                QStringLiteral("prefsFromSyncUpdatedNotification"),
                                QStringLiteral("spellingTypeChangedNotification"),
                                QStringLiteral("noteNamesTypeChangedNotification")})
        observe(name, [this] { preferencesResetNotification(); });
    observe(QStringLiteral("MIDIOutEndpointChangedNotification"), [this] { MIDIOutEndpointChangedNotification(); });
    observe(QStringLiteral("customLevelsChangedNotification"), [this] { customLevelsChangedNotification(); });
    observe(QStringLiteral("customExercisesChangedNotification"), [this] { customExercisesChangedNotification(); });
    observe(QStringLiteral("ZTEndpointDidChangedNotification"), [this] { _endpointChangedNotification(); });
    // Every setting of every exercise, so that one changed elsewhere (a direction chosen on
    // the main window, say) shows at once.
    for (const QVariant& entry : ZTDataProvider::sharedDataProvider()->tests()) {
        const QVariantMap exercise = entry.toMap();
        const QString name = PlistValues::toStringOrNull(exercise.value(QStringLiteral("name")));
        for (const QVariant& setting : exercise.value(QStringLiteral("settings")).toList())
            observe(QStringLiteral("%1.%2ChangedNotification")
                        .arg(name, PlistValues::toStringOrNull(setting.toMap().value(QStringLiteral("name")))),
                    [this, name] { exerciseSettingChangedNotification(name); });
    }
}

void ZTPreferencesWindowController::connectActions()
{
    const ZTPreferencesOutlets& o = outlets_;
    connect(o.tabView, &QTabWidget::currentChanged, this, [this](int index) { tabViewDidSelectTabViewItem(index); });

    // General
    connect(o.ignoreOctaveCHeckbox, &QCheckBox::clicked, this, [this] { ignoreOctaveAction(); });
    connect(o.autoPlayCheckbox, &QCheckBox::clicked, this, [this] { autoPlayCheckBoxAction(); });
    connect(o.autoPlayAfterPopupButton, &QComboBox::activated, this, [this] { autoPlayPoupButtonAction(); });
    connect(o.spellingTypePopupButton, &QComboBox::activated, this, [this] { noteSpellingAction(); });
    connect(o.noteNamesPopupButton, &QComboBox::activated, this, [this] { noteNamesPopupAction(); });
    connect(o.autoPlayRadioGroup, &QButtonGroup::idClicked, this, [this](int tag) { autoplayRadioAction(tag); });
    connect(o.soundRightAnswerPopup, &QComboBox::activated, this, [this] { soundRightAnswerPopupAction(); });
    connect(o.soundWrongAnswerPopup, &QComboBox::activated, this, [this] { soundWrongAnswerPopupAction(); });

    // Audio / MIDI
    connect(o.midiInPopupButton, &QComboBox::activated, this, [this] { midiInPopupAction(); });
    connect(o.midiInChannelPopup, &QComboBox::activated, this, [this] { midiInChannelAction(); });
    connect(o.midiThroughCheckbox, &QCheckBox::clicked, this, [this] { midiThroughAction(); });
    connect(o.midiOutPopupButton, &QComboBox::activated, this, [this] { midiOutPopupAction(); });
    connect(o.midiOutChannelPopup, &QComboBox::activated, this, [this] { midiOutChannelAction(); });
    connect(o.midiOutRhythmChannelPopup, &QComboBox::activated, this, [this] { midiOutRhythmChannelAction(); });
    connect(o.midiOutRhythmNotePopup, &QComboBox::activated, this, [this] { midiOutRhythmNoteAction(); });
    connect(o.midiOutRhythmInstrumentPopupMVSoftSynth, &QComboBox::activated, this,
            [this] { midiOutRhythmInstrumentMVSoftSynthAction(); });
    for (const VelocityControl& control : velocityControls()) {
        connect(control.stepper, &ZTStepper::stepped, this, [this, control] { stepperAction(control); });
        connect(control.field, &QLineEdit::textEdited, this, [this, field = control.field] { textDidChange(field); });
    }
    connect(o.remoteNextPopup, &QComboBox::activated, this, [this] { remoteNextPopupAction(); });
    connect(o.remoteRepeatPopup, &QComboBox::activated, this, [this] { remoteRepeatPopupAction(); });
    connect(o.remoteCaptureNextButton, &QPushButton::clicked, this, [this] { remoteCaptureNextAction(); });
    connect(o.remoteCaptureRepeatButton, &QPushButton::clicked, this, [this] { remoteCaptureRepeatAction(); });
    connect(o.micThresholdSlider, &ZTFloatSlider::chosen, this, [this] { micThresholdSliderAction(); });
    connect(o.micRecognitionPopupButton, &QComboBox::activated, this, [this] { micRecognitionAction(); });
    connect(o.micHelpButton, &QToolButton::clicked, this, [this] { micHelpAction(); });

    // Sync
    connect(o.dropBoxSyncCheckbox, &QCheckBox::clicked, this, [this] { dropBoxSyncAction(); });
    connect(o.dropBoxStatsCheckbox, &QCheckBox::clicked, this, [this] { dropBoxStatAction(); });
    connect(o.dropBoxLevelsCheckbox, &QCheckBox::clicked, this, [this] { dropBoxLevelsAction(); });
    connect(o.dropBoxPrefsCheckbox, &QCheckBox::clicked, this, [this] { dropBoxPrefsAction(); });
}

void ZTPreferencesWindowController::windowWillClose()
{
    endCapture();
}

// ---- Tabs and the Exercises tab ----

void ZTPreferencesWindowController::tabViewDidSelectTabViewItem(int index)
{
    if (index >= 0 && index < tabIdentifiers().size())
        prefs()->setPrefsTabName(tabIdentifiers().at(index));
}

void ZTPreferencesWindowController::preferencesResetNotification()
{
    _setupGeneralSettings();
    _setupMIDI();
    _setupSync();
    _updateLevelsTable();
    // Note names and stored values may all have changed: every editor is made again.
    outlets_.testsOutlineView->reloadData();
}

void ZTPreferencesWindowController::exerciseSettingChangedNotification(const QString& exercise)
{
    outlets_.testsOutlineView->reloadValues(exercise);
}

void ZTPreferencesWindowController::customLevelsChangedNotification()
{
    // The catalogue has taken the new levels; the level pop-ups list them.
    outlets_.testsOutlineView->reloadValues();
    _updateLevelsTable();
    _updateLevelItemsTable();
}

void ZTPreferencesWindowController::customExercisesChangedNotification()
{
    // Custom scales are among the titles of the scale pop-ups, custom items among the items
    // a level can tick.
    outlets_.testsOutlineView->reloadValues();
    _updateCustomExercisesTable();
    _updateLevelItemsTable();
}

// ---- Sync tab ----

void ZTPreferencesWindowController::_setupSync()
{
    const ZTPreferencesOutlets& o = outlets_;
    o.dropBoxSyncCheckbox->setChecked(prefs()->dropBoxSync());
    o.dropBoxStatsCheckbox->setChecked(prefs()->syncDropBoxStatistics());
    o.dropBoxLevelsCheckbox->setChecked(prefs()->syncDropBoxCustomLevels());
    o.dropBoxPrefsCheckbox->setChecked(prefs()->syncDropBoxSettings());
    o.dropBoxSyncCheckbox->setText(localized(QStringLiteral("Dropbox Sync")));
    o.dropBoxStatsCheckbox->setText(localized(QStringLiteral("Statistics")));
    o.dropBoxLevelsCheckbox->setText(localized(QStringLiteral("Custom Levels")));
    o.dropBoxPrefsCheckbox->setText(localized(QStringLiteral("Preferences")));
    o.dropboxTextLabel->setText(localized(QStringLiteral("key_dropboxSyncDescription")));
    const bool installed = installedSyncEngine().isInstalled();
    o.syncStatusLabel->setText(installed ? QString() : localized(QStringLiteral("Sync is not set up yet. These switches are kept and take effect once it is.")));
    o.syncStatusLabel->setVisible(!installed);
}

void ZTPreferencesWindowController::dropBoxSyncAction()
{
    if (outlets_.dropBoxSyncCheckbox->isChecked()) {
        prefs()->setDropBoxSync(true);
        startManualSync();
    } else {
        prefs()->setDropBoxSync(false);
        stopSyncAndUnlink();
    }
}

void ZTPreferencesWindowController::dropBoxStatAction()
{
    syncPartAction(outlets_.dropBoxStatsCheckbox, &ZTPreferences::setSyncDropBoxStatistics);
}

void ZTPreferencesWindowController::dropBoxLevelsAction()
{
    syncPartAction(outlets_.dropBoxLevelsCheckbox, &ZTPreferences::setSyncDropBoxCustomLevels);
}

void ZTPreferencesWindowController::dropBoxPrefsAction()
{
    syncPartAction(outlets_.dropBoxPrefsCheckbox, &ZTPreferences::setSyncDropBoxSettings);
}

void ZTPreferencesWindowController::syncPartAction(QCheckBox* checkbox, void (ZTPreferences::*store)(bool))
{
    const bool on = checkbox->isChecked();
    (prefs()->*store)(on);
    // Turning a part on syncs at once, even while sync as a whole is off.
    if (on)
        startManualSync();
    else
        _checkSyncPref();
}

void ZTPreferencesWindowController::_checkSyncPref()
{
    // Custom exercises have no switch of their own and do not count.
    if (prefs()->syncDropBoxSettings() || prefs()->syncDropBoxCustomLevels() || prefs()->syncDropBoxStatistics())
        return;
    prefs()->setDropBoxSync(false);
    outlets_.dropBoxSyncCheckbox->setChecked(false);
    stopSyncAndUnlink();
}

