#include "ZTMainViewController.h"

#include "ZTCountDownView.h"
#include "ZTGraphHostingView.h"
#include "ZTMusicalTest.h"
#include "ZTNoteView.h"
#include "ZTPopupButton.h"
#include "ZTSplitView.h"
#include "ZTTableViewBackView.h"
#include <QMenu>
#include "AudioInput.h"
#include "AudioOutput.h"
#include "ImageButton.h"
#include "Localization.h"
#include "Log.h"
#include "Reachability.h"
#include "ZTAbstractTestController.h"
#include "ZTAppDelegate.h"
#include "ZTClassRegistry.h"
#include "ZTDataProvider.h"
#include "ZTMIDIController.h"
#include "ZTPreferences.h"
#include "ZTToolbar.h"
#include "ZTToolbarInfoView.h"
#include "ZTTuner.h"

#include <QAction>
#include <QLayout>
#include <QScrollArea>
#include <QScrollBar>

#include <algorithm>

namespace {

ZTPreferences* prefs()
{
    return ZTPreferences::sharedPreferences();
}

ZTDataProvider* catalogue()
{
    return ZTDataProvider::sharedDataProvider();
}

const QString kChordProgressions = QStringLiteral("Chord progressions");

void setChecked(QAction* action, bool checked)
{
    if (action)
        action->setChecked(checked);
}

} // namespace

// ---- Construction ----

ZTMainViewController::ZTMainViewController(ZTAppDelegate* appDelegate, QWidget* parent)
    : QWidget(parent), appDelegate_(appDelegate)
{
    buildViews();
    viewDidLoad();
}

ZTMainViewController::~ZTMainViewController()
{
    observers_.clear();
    controllerObservers_.clear();
    if (internetReach_)
        internetReach_->stopNotifier();
    // The controller may still reach the window while it goes.
    currentLessonController_.reset();
    if (ZTMainWindowServices::shared() == this)
        ZTMainWindowServices::setShared(nullptr);
    ZTMusicInstumentProtocol::setStepViewProvider({});
    if (graphHostingView_)
        graphHostingView_->setHostedGraph(nullptr);
}

void ZTMainViewController::viewDidLoad()
{
    tuner_ = std::make_unique<ZTTuner>(prefs()->micThreshold(), kTunerSmoothing);
    tuner_->setDelegate(this);
    ZTMainWindowServices::setShared(this);
    QPointer<ZTChordProgressionStepView> stepView(chordProgressionStepView_);
    ZTMusicInstumentProtocol::setStepViewProvider([stepView]() -> ZTChordProgressionStepView* { return stepView; });
    chordProgressionStepView_->setDelegate(this);
    countDownView_->hide();
    toolbarInfoView()->setTitle(QString());
    _registerNotifications();
    buildWikiPane();
    // The divider's up button shows over the bottom of the staff's pane: the staff's drawing
    // stays above it.
    const int staffPaneMargin = noteView_->parentWidget()->layout()->contentsMargins().bottom();
    noteView_->setBottomClearance(splitView_->buttonClearance() - staffPaneMargin);
    graph_ = std::make_unique<ZTBarGraph>();
    // The divider's down button shows over the top of the graph's pane; bars and counts stay
    // under it.
    ZTBarGraph::Padding padding = graph_->plotAreaPadding();
    padding.top = std::max(padding.top, splitView_->buttonClearance());
    graph_->setPlotAreaPadding(padding);
    graphHostingView_->setHostedGraph(graph_.get());
    if (appDelegate_)
        exercisePopupButton_->setMenu(appDelegate_->exerciseMenu());
}

void ZTMainViewController::observe(const QString& name, std::function<void(const Notification&)> handler,
                                   NotificationCenter::Delivery delivery)
{
    observers_.push_back(NotificationCenter::defaultCenter().addObserver(name, std::move(handler), delivery));
}

void ZTMainViewController::_registerNotifications()
{
    using Delivery = NotificationCenter::Delivery;
    observe(QStringLiteral("ZTStatsChangedNotification"), [this](const Notification&) { statsChangedNotification(); });
    // MIDI input arrives on the MIDI thread.
    observe(QStringLiteral("ZTMIDINoteOnNotification"), [this](const Notification& n) { MIDINoteOnNotification(n); },
            Delivery::MainQueue);
    observe(QStringLiteral("ZTMIDIRemoteRepeatNotification"), [this](const Notification&) { playAction(); },
            Delivery::MainQueue);
    observe(QStringLiteral("MIDIOutEndpointChangedNotification"), [this](const Notification&) { _setupInstrumentsMenu(); });
    // The remote key does what the next button would: nothing while the button is off
    // (Learning mode, playback), so it never scores a question there.
    observe(QStringLiteral("ZTMIDIRemoteNextNotification"), [this](const Notification&) { nextActionIfEnabled(); },
            Delivery::MainQueue);
    observe(QStringLiteral("ZTTestItemAnsweredRightNotification"),
            [this](const Notification& n) { testItemAnsweredRightNotification(n); });
    observe(QStringLiteral("ZTTestItemAnsweredWrongNotification"),
            [this](const Notification& n) { testItemAnsweredWrongNotification(n); });
    observe(QStringLiteral("ZTTestItemPlayButtonEnabledChangedNotification"),
            [this](const Notification& n) { testItemPlayButtonEnabledChangedNotification(n); });
    observe(QStringLiteral("ZTTestItemTriggerNextTestNotification"),
            [this](const Notification&) { nextAction(Sender::Notification); });
    observe(QStringLiteral("currentExerciseChangedNotification"), [this](const Notification&) { currentExerciseChangedNotification(); });
    observe(QStringLiteral("customLevelsChangedNotification"), [this](const Notification&) { customLevelsChangedNotification(); });
    observe(QStringLiteral("customExercisesChangedNotification"), [this](const Notification&) { customLevelsChangedNotification(); });
    observe(QStringLiteral("noteNamesTypeChangedNotification"),
            [this](const Notification&) { spellingTypeOrNoteNamesChangedNotification(); });
    observe(QStringLiteral("spellingTypeChangedNotification"),
            [this](const Notification&) { spellingTypeOrNoteNamesChangedNotification(); });
    observe(QStringLiteral("ZTDisplayInfoNotification"), [this](const Notification& n) { displayInfoNotification(n); });
    observe(QStringLiteral("ZTSamplePlayerDidStartNotification"), [this](const Notification&) { _updateViews(); });
    observe(QStringLiteral("ZTSamplePlayerDidStopNotification"), [this](const Notification&) { _updateViews(); });
    observe(QStringLiteral("ZTSpacePressedNotification"), [this](const Notification&) { nextActionIfEnabled(); });
    observe(QStringLiteral("ZTPreferencesResetNotification"), [this](const Notification&) { preferencesResetNotification(); });
    observe(QStringLiteral("instrumentTypeChangedNotification"),
            [this](const Notification&) { instrumentTypeChangedNotification(); });
    observe(QStringLiteral("melvoraSoftSynthInstrumentNrChangedNotification"), [this](const Notification&) { instrumentChanged(); });
    observe(QStringLiteral("GMMIDIInstrumentNrChangedNotification"), [this](const Notification&) { instrumentChanged(); });
    observe(QStringLiteral("ZTStatDBChangedNotification"), [this](const Notification&) { statDBChangedNotification(); });
    observe(QStringLiteral("useMicrophoneChangedNotification"),
            [this](const Notification&) { useMicrophoneChangedNotification(); });
    observe(QStringLiteral("micThresholdChangedNotification"), [this](const Notification&) { micThresholdChanged(); });
    // Posted by the microphone's own thread.
    observe(AudioInput::kLostNotification, [this](const Notification&) { audioInputLostNotification(); },
            Delivery::MainQueue);
    // Posted by the output's own thread, or while the output opens during start-up.
    observe(AudioOutput::kUnavailableNotification,
            [this](const Notification& n) { audioOutputUnavailableNotification(n); }, Delivery::MainQueue);
    _registerSyncConflictNotifications();
    // The instrument's visible part moves: the scroll buttons follow.
    QScrollBar* scroller = instrumentScrollView_->horizontalScrollBar();
    connect(scroller, &QScrollBar::valueChanged, this, [this] { _updateKeyboardScrollButtons(); });
    connect(scroller, &QScrollBar::rangeChanged, this, [this] { _updateKeyboardScrollButtons(); });
}

void ZTMainViewController::setup()
{
    _setupExercise();
    _setupInstrumentView();
    _localize();
}

ZTToolbarInfoView* ZTMainViewController::toolbarInfoView() const
{
    return toolbar_->toolbarInfoView();
}

// ---- Choosing the exercise ----

QString ZTMainViewController::currentExerciseName() const
{
    QString stored = prefs()->currentExercise();
    if (catalogue()->indexForTestWithName(stored) >= 0)
        return stored;
    const QStringList names = catalogue()->testNames();
    return names.isEmpty() ? QString() : names.first();
}

QString ZTMainViewController::_getControllerClassnameForCurrentTest() const
{
    return catalogue()->controllerClassNameForTestWithName(currentExerciseName());
}

int ZTMainViewController::_levelIndexForCurrentTest() const
{
    const QString exercise = currentExerciseName();
    const QString levelId = prefs()->stringForKey(QStringLiteral("level"), exercise);
    return std::max(0, catalogue()->levelIndexForName(levelId, exercise));
}

void ZTMainViewController::_setupExercise()
{
    const QString exercise = currentExerciseName();
    const int index = catalogue()->indexForTestWithName(exercise);
    if (appDelegate_) {
        for (QAction* action : appDelegate_->exerciseMenu()->actions())
            if (!action->isSeparator())
                action->setChecked(action->data().toInt() == index);
    }
    exercisePopupButton_->selectItemAtIndex(index);

    std::unique_ptr<ZTAbstractTestController> controller;
    const QString className = _getControllerClassnameForCurrentTest();
    if (const ZTControllerClass* controllerClass = ZTClassRegistry::sharedRegistry()->controllerClass(className))
        controller = controllerClass->create(_levelIndexForCurrentTest(), nullptr);
    else if (!exercise.isEmpty())
        Log::line(QStringLiteral("No exercise controller named %1 for %2").arg(className, exercise));
    _setupCurrentController(std::move(controller));

    _setupInstrumentsMenu();
    _updateViews();
    _setupPracticeMode();
    noteView_->resetNotes();
    restoreNextButton();
    instrumentViewAdapter_.unmarkAllNotes();
    countDownView_->stop();
    tableView_->scrollRowToVisible(0);
    sizeGraphView();
}

void ZTMainViewController::_setupCurrentController(std::unique_ptr<ZTAbstractTestController> controller)
{
    controllerObservers_.clear();
    tableView_->setDataSource(this);
    currentLessonController_ = std::move(controller);
    if (ZTAbstractTestController* c = currentLessonController_.get()) {
        c->setInstrumentView(&instrumentViewAdapter_);
        c->setNoteView(staffAdapter_.get());
        c->setTableView(tableView_);
        c->setGraph(graph_.get());
        if (countdownsHeld_)
            c->holdCountdowns();
        auto& center = NotificationCenter::defaultCenter();
        controllerObservers_.push_back(center.addObserver(
            QStringLiteral("%1.levelChangedNotification").arg(c->testName()),
            [this](const Notification&) { levelChangedNotification(); }));
        controllerObservers_.push_back(center.addObserver(
            QStringLiteral("%1.descendingChangedNotification").arg(c->testName()),
            [this](const Notification&) { descendingChangedNotification(); }));
    }
    _setupStatistics(graph_.get());
    tableView_->reloadData();
}

// ---- Screen state ----

bool ZTMainViewController::isPlaying() const
{
    const auto instrument = ZTMIDIController::sharedInstance()->instrument();
    return instrument && instrument->isPlaying();
}

void ZTMainViewController::_updateViews()
{
    const bool L = prefs()->practiceMode();
    const bool P = isPlaying();
    ZTAbstractTestController* C = currentLessonController_.get();
    const std::shared_ptr<ZTTest> T = C ? C->currentTest() : nullptr;

    _setupLevelsMenu();

    // Practice mode controls.
    if (appDelegate_) {
        setChecked(appDelegate_->learnModeMenuItem(), L);
        setChecked(appDelegate_->testModeMenuItem(), !L);
    }
    learnButton_->setOn(L);
    learnButton_->setImageName(L ? QStringLiteral("segmentRightHighlighted") : QStringLiteral("segmentRight"));
    testButton_->setOn(!L);
    testButton_->setImageName(L ? QStringLiteral("segmentLeft") : QStringLiteral("segmentLeftHighlighted"));

    // The sidebar slides out of view when the level has no list.
    const bool hasList = C && C->hasList();
    tableLeftConstraint_ = hasList ? kTableLeftShown : kTableLeftHidden;
    sidebar_->setVisible(hasList);
    tableViewBack_->setVisible(hasList);

    // Play direction.
    const std::array<ImageButton*, 3> directionButtons{playDirectionUpButton_, playDirectionDownButton_,
                                                       playDirectionRandomButton_};
    if (C && C->canDescending()) {
        const int D = prefs()->integerForKey(QStringLiteral("descending"), C->testName());
        if (D >= 0 && D <= 2) {
            if (appDelegate_) {
                setChecked(appDelegate_->ascendingMenuItem(), D == 0);
                setChecked(appDelegate_->descendingMenuItem(), D == 1);
                setChecked(appDelegate_->randomMenuItem(), D == 2);
            }
            playDirectionDownButton_->setImageName(D == 1 ? QStringLiteral("pfeilRunterButtonHighlighted")
                                                          : QStringLiteral("pfeilRunterButton"));
            playDirectionUpButton_->setImageName(D == 0 ? QStringLiteral("pfeilHochButtonHighlighted")
                                                        : QStringLiteral("pfeilHochButton"));
            playDirectionRandomButton_->setImageName(D == 2 ? QStringLiteral("randomButtonSelected")
                                                            : QStringLiteral("randomButton"));
            setPlayDirectionSegment(D);
        }
        for (ImageButton* button : directionButtons)
            button->setEnabled(true);
    } else {
        for (ImageButton* button : directionButtons)
            button->setEnabled(false);
    }

    micButton_->setOn(prefs()->useMicrophone());

    if (L) {
        setMicEnabled(false);
        nextButton_->setEnabled(false);
        playButton_->setEnabled(!P && T != nullptr);
        tableView_->setTag(P ? 0 : 1);
    } else {
        if (!C || !C->hasItems() || P) {
            playButton_->setEnabled(false);
            nextButton_->setEnabled(false);
        } else {
            playButton_->setEnabled(T && T->hasAudio());
            nextButton_->setEnabled(true);
        }
        if (T && C->testInProgress()) {
            setMicEnabled(!P);
            tableView_->setTag(1);
            _displaySelectTestMessage();
        } else {
            setMicEnabled(false);
            tableView_->setTag(0);
            if (!T) {
                _displayStartTestMessage();
                instrumentViewAdapter_.unmarkAllNotes();
                noteView_->resetNotes();
            }
        }
    }

    _updateKeyboardScrollButtons();
    exercisePopupButton_->setLabelText(exercisePopupButton_->titleOfSelectedItem());

    showInstrumentType();

    const qint64 selected = tableView_->selectedRow();
    tableView_->reloadData();
    if (selected >= 0)
        tableView_->selectRow(selected);

    if (appDelegate_)
        appDelegate_->validateMenus();
}

// ---- Question flow ----

void ZTMainViewController::playAction()
{
    if (currentLessonController_)
        currentLessonController_->repeatTest();
}

void ZTMainViewController::nextAction(Sender sender)
{
    ZTAbstractTestController* C = currentLessonController_.get();
    if (!C)
        return;
    if (sender == Sender::Button && C->autoTimerIsValid()) {
        // The click only cancels the pending auto-advance.
        restoreNextButton();
        C->invalidateAutoTimer();
        countDownView_->stop();
        return;
    }
    const bool inProgress = C->testInProgress();
    C->invalidateAutoTimer();
    if (!inProgress) {
        C->nextTest();
        if (C->testName() == kChordProgressions) {
            const std::shared_ptr<ZTTest> test = C->currentTest();
            chordProgressionStepView_->show();
            chordProgressionStepView_->setNumSteps(test ? test->noteCollectionObjects().size() : 0);
            chordProgressionStepView_->setCurrentStep(0);
            chordProgressionStepView_->setEnabled(false);
        } else {
            chordProgressionStepView_->hide();
        }
        instrumentViewAdapter_.setStep(0);
        _updateViews();
        C->setWrongItem(QString());
        C->setRightItem(QString());
        return;
    }
    // Skip: scored as a final wrong answer, silently, then the next question at once.
    C->setNumTryouts(prefs()->stringForKey(QStringLiteral("numTryouts"), C->testName()).toInt());
    C->setWasAutowrong(true);
    const std::shared_ptr<ZTTest> test = C->currentTest();
    C->reportAnswerWrong(test ? test->item() : QVariantMap(), false);
    NotificationCenter::defaultCenter().post(QStringLiteral("ZTTestItemTriggerNextTestNotification"), this);
}

void ZTMainViewController::nextActionIfEnabled()
{
    if (nextButton_->isEnabled())
        nextAction(Sender::None);
}

void ZTMainViewController::restoreNextButton()
{
    // The exercise controllers turn it into a stop button while an auto-advance is pending.
    nextButton_->setToolTip(localized(QStringLiteral("Next question")));
    nextButton_->setImageName(QStringLiteral("playButton"));
    nextButton_->setAlternateImageName(QStringLiteral("playButtonHighlighted"));
}
