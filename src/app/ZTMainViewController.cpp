#include "ZTMainViewController.h"

#include "Color.h"
#include "Fonts.h"
#include "ImageButton.h"
#include "Localization.h"
#include "Log.h"
#include "ZTAbstractTestController.h"
#include "ZTAppDelegate.h"
#include "ZTClassRegistry.h"
#include "ZTCountDownView.h"
#include "ZTDataProvider.h"
#include "ZTGraphHostingView.h"
#include "ZTInstrumentToolbar.h"
#include "ZTKeyboardView.h"
#include "ZTMIDIController.h"
#include "ZTMusicalTest.h"
#include "ZTNoteView.h"
#include "ZTPopupButton.h"
#include "ZTPreferences.h"
#include "ZTStatBackView.h"
#include "ZTTableViewBackView.h"
#include "ZTToolbar.h"
#include "ZTToolbarInfoView.h"

#include <QAction>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QSplitter>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

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

constexpr int kToolbarHeight = 64;
constexpr int kInstrumentStripHeight = 34;
constexpr int kKeyboardNoteAtLeft = 36;

ImageButton* makeImageButton(QWidget* parent, const QString& image, ImageButton::Type type, const QSize& size)
{
    auto* button = new ImageButton(parent);
    button->setType(type);
    button->setImageName(image);
    button->setFixedSize(size);
    button->setCursor(Qt::PointingHandCursor);
    return button;
}

// Menu items go away only after the event in hand: a rebuild may run inside one of their actions.
void clearMenu(QMenu* menu)
{
    if (!menu)
        return;
    for (QAction* action : menu->actions()) {
        menu->removeAction(action);
        if (action->parent() == menu)
            action->deleteLater();
    }
}

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
    // The controller may still reach the window while it goes.
    currentLessonController_.reset();
    if (ZTMainWindowServices::shared() == this)
        ZTMainWindowServices::setShared(nullptr);
    ZTMusicInstumentProtocol::setStepViewProvider({});
    if (graphHostingView_)
        graphHostingView_->setHostedGraph(nullptr);
}

void ZTMainViewController::buildViews()
{
    setObjectName(QStringLiteral("mainView"));
    // The least size is what the top bar's controls need side by side.
    setMinimumHeight(600);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(buildToolbar());
    layout->addWidget(buildMainArea(), 1);
    layout->addWidget(buildInstrumentPanel());

    countDownAdapter_ = ZTCountDownAdapter(countDownView_);
    nextButtonAdapter_ = ZTButtonAdapter(nextButton_);
    stepViewAdapter_ = ZTStepViewAdapter(chordProgressionStepView_);
    staffAdapter_ = std::make_unique<ZTStaffAdapter>(noteView_);
}

QWidget* ZTMainViewController::buildToolbar()
{
    toolbar_ = new ZTToolbar(this);
    toolbar_->setFixedHeight(kToolbarHeight);
    auto* bar = new QHBoxLayout(toolbar_);
    bar->setContentsMargins(16, 10, 16, 10);
    bar->setSpacing(8);

    exercisePopupButton_ = new ZTPopupButton(toolbar_);
    exercisePopupButton_->setFixedSize(200, 28);
    levelPopupButton_ = new ZTPopupButton(toolbar_);
    levelPopupButton_->setFixedSize(200, 28);
    connect(levelPopupButton_, &ZTPopupButton::itemChosen, this, [this](int index) { levelPopupButtonAction(index); });
    bar->addWidget(exercisePopupButton_);
    bar->addWidget(levelPopupButton_);
    bar->addSpacing(10);

    playButton_ = makeImageButton(toolbar_, QStringLiteral("repeatButton"), ImageButton::Type::MomentaryChange, {36, 36});
    playButton_->setAlternateImageName(QStringLiteral("repeatButtonHighlighted"));
    connect(playButton_, &QAbstractButton::clicked, this, [this] { playAction(); });
    nextButton_ = makeImageButton(toolbar_, QStringLiteral("playButton"), ImageButton::Type::MomentaryChange, {44, 44});
    nextButton_->setAlternateImageName(QStringLiteral("playButtonHighlighted"));
    connect(nextButton_, &QAbstractButton::clicked, this, [this] { nextAction(Sender::Button); });
    bar->addWidget(playButton_);
    bar->addWidget(nextButton_);
    bar->addSpacing(6);

    auto* info = new ZTToolbarInfoView(toolbar_);
    info->setMinimumWidth(260);
    info->setFixedHeight(44);
    toolbar_->setToolbarInfoView(info);
    bar->addWidget(info, 1);

    countDownView_ = new ZTCountDownView(toolbar_);
    countDownView_->setFixedSize(48, 30);
    // The count-down comes and goes with every answer; its place stays, so the info panel
    // beside it does not jump.
    QSizePolicy countDownPolicy = countDownView_->sizePolicy();
    countDownPolicy.setRetainSizeWhenHidden(true);
    countDownView_->setSizePolicy(countDownPolicy);
    bar->addWidget(countDownView_);
    bar->addSpacing(6);

    playDirectionUpButton_ = makeImageButton(toolbar_, QStringLiteral("pfeilHochButton"), ImageButton::Type::Toggle, {30, 26});
    playDirectionDownButton_ = makeImageButton(toolbar_, QStringLiteral("pfeilRunterButton"), ImageButton::Type::Toggle, {30, 26});
    playDirectionRandomButton_ = makeImageButton(toolbar_, QStringLiteral("randomButton"), ImageButton::Type::Toggle, {30, 26});
    const std::pair<ImageButton*, int> directions[] = {
        {playDirectionUpButton_, 1}, {playDirectionDownButton_, 2}, {playDirectionRandomButton_, 3}};
    const QString selectedImages[] = {QStringLiteral("pfeilHochButtonHighlighted"),
                                      QStringLiteral("pfeilRunterButtonHighlighted"), QStringLiteral("randomButtonSelected")};
    for (const auto& [button, tag] : directions) {
        button->setTag(tag);
        button->setAlternateImageName(selectedImages[tag - 1]);
        connect(button, &QAbstractButton::clicked, this, [this, tag = tag] { playDirectionAction(tag); });
    }
    auto* directionGroup = new QHBoxLayout;
    directionGroup->setSpacing(2);
    directionGroup->addWidget(playDirectionUpButton_);
    directionGroup->addWidget(playDirectionDownButton_);
    directionGroup->addWidget(playDirectionRandomButton_);
    bar->addLayout(directionGroup);
    bar->addSpacing(10);

    testButton_ = makeImageButton(toolbar_, QStringLiteral("segmentLeftHighlighted"), ImageButton::Type::Toggle, {86, 26});
    learnButton_ = makeImageButton(toolbar_, QStringLiteral("segmentRight"), ImageButton::Type::Toggle, {86, 26});
    testButton_->setAlternateImageName(QStringLiteral("segmentLeftHighlighted"));
    learnButton_->setAlternateImageName(QStringLiteral("segmentRightHighlighted"));
    testButton_->setTag(1);
    learnButton_->setTag(2);
    for (ImageButton* button : {testButton_, learnButton_}) {
        button->setFont(Fonts::system(12, true));
        connect(button, &QAbstractButton::clicked, this, [this, button] { practiceModeChanged(int(button->tag())); });
    }
    auto* modeGroup = new QHBoxLayout;
    modeGroup->setSpacing(0);
    modeGroup->addWidget(testButton_);
    modeGroup->addWidget(learnButton_);
    bar->addLayout(modeGroup);
    return toolbar_;
}

QWidget* ZTMainViewController::buildMainArea()
{
    auto* area = new QWidget(this);
    auto* row = new QHBoxLayout(area);
    row->setContentsMargins(int(kTableLeftShown), 14, 20, 14);
    row->setSpacing(14);

    sidebar_ = new QWidget(area);
    sidebar_->setFixedWidth(int(kSidebarWidth));
    auto* sidebarLayout = new QVBoxLayout(sidebar_);
    sidebarLayout->setContentsMargins(0, 0, 0, 0);
    tableViewBack_ = new ZTTableViewBackView(sidebar_);
    sidebarLayout->addWidget(tableViewBack_);
    auto* backLayout = new QVBoxLayout(tableViewBack_);
    backLayout->setContentsMargins(0, 6, 0, 6);
    tableView_ = new ZTSidebarTableView(tableViewBack_);
    tableView_->setDataSource(this);
    backLayout->addWidget(tableView_);
    row->addWidget(sidebar_);

    splitView_ = new QSplitter(Qt::Vertical, area);
    splitView_->setChildrenCollapsible(true);
    splitView_->setHandleWidth(10);
    splitView_->setStyleSheet(QStringLiteral("QSplitter::handle { background: transparent; }"));

    auto* staffPane = new ZTNotesBackView(splitView_);
    auto* staffLayout = new QVBoxLayout(staffPane);
    staffLayout->setContentsMargins(8, 4, 8, 4);
    noteView_ = new ZTNoteView(staffPane);
    noteView_->setMinimumHeight(190);
    staffLayout->addWidget(noteView_);

    lowerPane_ = new ZTStatBackView(splitView_);
    auto* lowerLayout = new QVBoxLayout(lowerPane_);
    lowerLayout->setContentsMargins(0, 0, 0, 0);
    graphScrollView_ = new QScrollArea(lowerPane_);
    graphScrollView_->setFrameShape(QFrame::NoFrame);
    graphScrollView_->setWidgetResizable(true);
    graphScrollView_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    graphScrollView_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    graphScrollView_->setStyleSheet(QStringLiteral(
        "QScrollArea { background: transparent; }"
        "QScrollBar:horizontal { height: 8px; background: transparent; margin: 0 6px 2px 6px; }"
        "QScrollBar::handle:horizontal { background: rgba(0,0,0,70); border-radius: 3px; min-width: 30px; }"
        "QScrollBar::add-line, QScrollBar::sub-line { width: 0; }"
        "QScrollBar::add-page, QScrollBar::sub-page { background: none; }"));
    graphScrollView_->viewport()->setAutoFillBackground(false);
    graphHostingView_ = new ZTGraphHostingView;
    graphScrollView_->setWidget(graphHostingView_);
    graphHostingView_->setAutoFillBackground(false);
    lowerLayout->addWidget(graphScrollView_);
    // The encyclopedia pane takes this place in Learning mode once it exists.
    webView_ = new QWidget(lowerPane_);
    webView_->hide();
    lowerLayout->addWidget(webView_);

    splitView_->addWidget(staffPane);
    splitView_->addWidget(lowerPane_);
    splitView_->setStretchFactor(0, 0);
    splitView_->setStretchFactor(1, 1);
    splitView_->setSizes({230, 300});
    row->addWidget(splitView_, 1);
    return area;
}

QWidget* ZTMainViewController::buildInstrumentPanel()
{
    auto* panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("instrumentPanel"));
    instrumentPanel_ = panel;
    auto* column = new QVBoxLayout(panel);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    auto* strip = new ZTInstrumentToolbar(panel);
    strip->setFixedHeight(kInstrumentStripHeight);
    auto* stripLayout = new QHBoxLayout(strip);
    stripLayout->setContentsMargins(20, 4, 20, 4);
    stripLayout->setSpacing(0);
    keyboardSegment_ = makeImageButton(strip, QStringLiteral("segmentLongLeftHighlighted"), ImageButton::Type::Toggle, {96, 24});
    fretboardSegment_ = makeImageButton(strip, QStringLiteral("segmentLongRight"), ImageButton::Type::Toggle, {96, 24});
    keyboardSegment_->setAlternateImageName(QStringLiteral("segmentLongLeftHighlighted"));
    fretboardSegment_->setAlternateImageName(QStringLiteral("segmentLongRightHighlighted"));
    keyboardSegment_->setTag(1);
    fretboardSegment_->setTag(2);
    for (ImageButton* button : {keyboardSegment_, fretboardSegment_})
        button->setFont(Fonts::system(11, true));
    // Choosing the fretboard comes with the fretboard view.
    fretboardSegment_->setEnabled(false);
    connect(keyboardSegment_, &QAbstractButton::clicked, this, [this] { _updateViews(); });
    stripLayout->addWidget(keyboardSegment_);
    stripLayout->addWidget(fretboardSegment_);
    stripLayout->addStretch(1);
    chordProgressionStepView_ = new ZTChordProgressionStepView(strip);
    chordProgressionStepView_->setFixedHeight(24);
    chordProgressionStepView_->hide();
    stripLayout->addWidget(chordProgressionStepView_);
    stripLayout->addStretch(1);
    // The microphone button and its level light come with the microphone input.
    stripLayout->addSpacing(192);
    column->addWidget(strip);

    instrumentScrollView_ = new QScrollArea(panel);
    instrumentScrollView_->setFrameShape(QFrame::NoFrame);
    instrumentScrollView_->setWidgetResizable(false);
    instrumentScrollView_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    instrumentScrollView_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    instrumentScrollView_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    instrumentScrollView_->setFixedHeight(int(ZTKeyboardView::kKeyboardHeight) + 10);
    instrumentScrollView_->setStyleSheet(QStringLiteral(
        "QScrollArea { background: #0c0d0f; }"
        "QScrollBar:horizontal { height: 10px; background: #0c0d0f; margin: 1px 2px 1px 2px; }"
        "QScrollBar::handle:horizontal { background: rgba(255,255,255,60); border-radius: 4px; min-width: 40px; }"
        "QScrollBar::add-line, QScrollBar::sub-line { width: 0; }"
        "QScrollBar::add-page, QScrollBar::sub-page { background: none; }"));
    column->addWidget(instrumentScrollView_);
    return panel;
}

void ZTMainViewController::viewDidLoad()
{
    // The tuner (microphone) and the encyclopedia host's reachability monitor come with their
    // own parts of the window.
    ZTMainWindowServices::setShared(this);
    QPointer<ZTChordProgressionStepView> stepView(chordProgressionStepView_);
    ZTMusicInstumentProtocol::setStepViewProvider([stepView]() -> ZTChordProgressionStepView* { return stepView; });
    chordProgressionStepView_->setDelegate(this);
    countDownView_->hide();
    toolbarInfoView()->setTitle(QString());
    _registerNotifications();
    graph_ = std::make_unique<ZTBarGraph>();
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
    observe(QStringLiteral("ZTMIDIRemoteNextNotification"), [this](const Notification&) { nextAction(Sender::None); },
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
    observe(QStringLiteral("ZTSpacePressedNotification"), [this](const Notification&) {
        if (nextButton_->isEnabled())
            nextAction(Sender::None);
    });
    observe(QStringLiteral("ZTPreferencesResetNotification"), [this](const Notification&) { preferencesResetNotification(); });
    observe(QStringLiteral("ZTStatDBChangedNotification"), [this](const Notification&) { statDBChangedNotification(); });
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

void ZTMainViewController::loadWebView()
{
    if (webView_->isHidden())
        return;
    // The encyclopedia view fills the pane once it exists.
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

// ---- Levels ----

QList<QVariantMap> ZTMainViewController::levelRecords() const
{
    QList<QVariantMap> records;
    if (!currentLessonController_)
        return records;
    for (const QVariant& level : catalogue()->levels().value(currentLessonController_->testName()).toList())
        records << level.toMap();
    return records;
}

void ZTMainViewController::_setupLevelsMenu()
{
    const QList<QVariantMap> levels = levelRecords();
    const int current = _levelIndexForCurrentTest();
    levelPopupButton_->removeAllItems();
    QMenu* menu = appDelegate_ ? appDelegate_->levelMenu() : nullptr;
    clearMenu(menu);
    for (int i = 0; i < levels.size(); ++i) {
        const QString name = levels[i].value(QStringLiteral("name")).toString();
        levelPopupButton_->addItemWithTitle(name);
        if (menu) {
            QAction* item = menu->addAction(name);
            item->setCheckable(true);
            item->setChecked(i == current);
            item->setData(i);
            // The check mark follows the stored level, not the click.
            connect(item, &QAction::triggered, this, [this, item, i](bool checked) {
                item->setChecked(!checked);
                levelAction(i);
            });
        }
    }
    if (menu) {
        menu->addSeparator();
        QAction* edit = menu->addAction(localized(QStringLiteral("Edit Levels …")));
        edit->setObjectName(QStringLiteral("newLevelAction"));
        connect(edit, &QAction::triggered, this, [this] { newLevelAction(); });
    }
    levelPopupButton_->selectItemAtIndex(current);
    levelPopupButton_->setLabelText(levelPopupButton_->titleOfSelectedItem());
}

void ZTMainViewController::levelAction(int tag)
{
    const QList<QVariantMap> levels = levelRecords();
    if (!currentLessonController_ || tag < 0 || tag >= levels.size())
        return;
    prefs()->setString(levels[tag].value(QStringLiteral("id")).toString(), QStringLiteral("level"),
                       currentLessonController_->testName());
}

void ZTMainViewController::levelPopupButtonAction(int index)
{
    if (index < levelRecords().size())
        levelAction(index);
}

void ZTMainViewController::newLevelAction()
{
    if (appDelegate_)
        appDelegate_->showPreferencesTab(QStringLiteral("customlevels"));
}

void ZTMainViewController::levelChangedNotification()
{
    ZTAbstractTestController* c = currentLessonController_.get();
    if (!c)
        return;
    c->setLevel(_levelIndexForCurrentTest());
    _updateViews();
    _setupStatistics(graph_.get());
    graph_->reloadData();
    if (prefs()->practiceMode())
        _displayPracticeMessage();
    sizeGraphView();
}

void ZTMainViewController::descendingChangedNotification()
{
    _updateViews();
}

void ZTMainViewController::customLevelsChangedNotification()
{
    catalogue()->setup();
    ZTAbstractTestController* c = currentLessonController_.get();
    if (!c)
        return;
    const QString exercise = c->testName();
    const QString levelId = prefs()->stringForKey(QStringLiteral("level"), exercise);
    if (!catalogue()->isLevel(levelId, exercise)) {
        const QString first = catalogue()->firstLevelForTestWithName(exercise);
        if (!first.isNull())
            prefs()->setString(first, QStringLiteral("level"), exercise);
    }
    c->setLevel(_levelIndexForCurrentTest());
    _updateViews();
}

void ZTMainViewController::currentExerciseChangedNotification()
{
    _setupExercise();
}

void ZTMainViewController::preferencesResetNotification()
{
    _setupExercise();
    _setupInstrumentView();
    _setupLevelsMenu();
    _setupInstrumentsMenu();
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

    // The microphone button follows the setting once the microphone input exists.

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

    const bool keyboard = prefs()->instrumentType() == 0;
    if (appDelegate_) {
        setChecked(appDelegate_->keyboardMenuItem(), keyboard);
        setChecked(appDelegate_->fretboardMenuItem(), !keyboard);
    }
    keyboardSegment_->setOn(keyboard);
    keyboardSegment_->setImageName(keyboard ? QStringLiteral("segmentLongLeftHighlighted") : QStringLiteral("segmentLongLeft"));
    fretboardSegment_->setOn(!keyboard);
    fretboardSegment_->setImageName(keyboard ? QStringLiteral("segmentLongRight") : QStringLiteral("segmentLongRightHighlighted"));

    const qint64 selected = tableView_->selectedRow();
    tableView_->reloadData();
    if (selected >= 0)
        tableView_->selectRow(selected);

    if (appDelegate_)
        appDelegate_->validateMenus();
}

// ---- Practice mode ----

void ZTMainViewController::_setupPracticeMode()
{
    if (prefs()->practiceMode()) {
        _displayPracticeMessage();
        webView_->show();
        loadWebView();
        graphScrollView_->hide();
    } else {
        webView_->hide();
        graphScrollView_->show();
    }
}

void ZTMainViewController::setupPracticeMode(bool learning)
{
    if (learning == prefs()->practiceMode())
        return;
    prefs()->setPracticeMode(learning);
    if (currentLessonController_)
        currentLessonController_->setCurrentItem(QString());
    _setupPracticeMode();
    if (currentLessonController_)
        currentLessonController_->reset();
    _updateViews();
    instrumentViewAdapter_.unmarkAllNotes();
    noteView_->resetNotes();
    tableView_->reloadData();
    countDownView_->setValue(0);
    countDownView_->stop();
    countDownView_->hide();
}

void ZTMainViewController::practiceModeChanged(int tag)
{
    setupPracticeMode(tag == 2);
    // A click toggles the button; the mode decides which one stays on.
    const bool learning = prefs()->practiceMode();
    learnButton_->setOn(learning);
    testButton_->setOn(!learning);
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

void ZTMainViewController::restoreNextButton()
{
    // The exercise controllers turn it into a stop button while an auto-advance is pending.
    nextButton_->setToolTip(localized(QStringLiteral("Next question")));
    nextButton_->setImageName(QStringLiteral("playButton"));
    nextButton_->setAlternateImageName(QStringLiteral("playButtonHighlighted"));
}

// ---- Play direction ----

void ZTMainViewController::playDirectionAction(int tag)
{
    ZTAbstractTestController* C = currentLessonController_.get();
    if (!C || tag < 1 || tag > 3)
        return;
    const int direction = tag - 1;
    if (direction == prefs()->integerForKey(QStringLiteral("descending"), C->testName())) {
        setPlayDirectionSegment(direction);
        return;
    }
    setPlayDirectionSegment(direction);
    prefs()->setInteger(direction, QStringLiteral("descending"), C->testName());
}

void ZTMainViewController::setPlayDirectionSegment(int segment)
{
    if (segment < 0 || segment > 2)
        return;
    playDirectionUpButton_->setOn(segment == 0);
    playDirectionDownButton_->setOn(segment == 1);
    playDirectionRandomButton_->setOn(segment == 2);
}

// ---- Answers from the on-screen instrument and MIDI ----

void ZTMainViewController::instrumentView(ZTMusicInstumentProtocol*, const QVNote& notePressed)
{
    if (prefs()->practiceMode() || !currentLessonController_)
        return;
    setMicEnabled(false);
    currentLessonController_->noteEntered(notePressed);
}

void ZTMainViewController::chordProgressionStepViewButtonClicked(ZTChordProgressionStepView* stepView)
{
    if (stepView)
        instrumentViewAdapter_.setStep(stepView->currentStep());
}

void ZTMainViewController::MIDINoteOnNotification(const Notification& notification)
{
    if (prefs()->practiceMode() || !currentLessonController_)
        return;
    currentLessonController_->noteEnteredWithNr(notification.object.toLongLong());
    setMicEnabled(false);
}

void ZTMainViewController::testItemPlayButtonEnabledChangedNotification(const Notification& notification)
{
    playButton_->setEnabled(notification.object.toBool());
}

void ZTMainViewController::setMicEnabled(bool enabled)
{
    Q_UNUSED(enabled)
}

// ---- Instrument panel ----

void ZTMainViewController::_setupInstrumentView()
{
    // The keyboard for now; the panel's fretboard, scroll buttons and instruments menu come
    // with the instrument panel.
    if (!keyboardView_) {
        keyboardView_ = new ZTKeyboardView(QRect(0, 0, 2240, int(ZTKeyboardView::kKeyboardHeight)));
        keyboardView_->setFixedSize(2240, int(ZTKeyboardView::kKeyboardHeight));
        instrumentScrollView_->setWidget(keyboardView_);
    }
    keyboardView_->setDelegate(this);
    instrumentViewAdapter_.setView(keyboardView_);
    scrollKeyboardToStart_ = true;
    chordProgressionStepView_->setLastButtonHidden(false);
    if (currentLessonController_)
        currentLessonController_->setInstrumentView(&instrumentViewAdapter_);
    sizeInstrumentView();
    std::shared_ptr<ZTMusicalTest> musical;
    if (currentLessonController_)
        musical = std::dynamic_pointer_cast<ZTMusicalTest>(currentLessonController_->currentTest());
    keyboardView_->setMusicalTest(musical);
}

void ZTMainViewController::sizeInstrumentView()
{
    // The scroll area centres an instrument narrower than the window by itself.
    applyPendingKeyboardScroll();
}

void ZTMainViewController::applyPendingKeyboardScroll()
{
    if (!keyboardView_ || !scrollKeyboardToStart_)
        return;
    // Brings the key of MIDI note 36 to the left edge once the scroll area knows its size.
    QScrollBar* scroller = instrumentScrollView_->horizontalScrollBar();
    const int target = int(keyboardView_->rectForNoteNr(kKeyboardNoteAtLeft).x());
    if (scroller->maximum() < target && instrumentScrollView_->viewport()->width() < keyboardView_->width())
        return;
    scroller->setValue(target);
    scrollKeyboardToStart_ = false;
}

// ---- Forwarding to the exercise controller ----

qlonglong ZTMainViewController::numberOfRowsInTableView() const
{
    return currentLessonController_ ? currentLessonController_->numberOfRowsInTableView() : 0;
}

ZTSidebarCell ZTMainViewController::tableViewViewForRow(qlonglong row) const
{
    return currentLessonController_ ? currentLessonController_->tableViewViewForRow(row) : ZTSidebarCell{};
}

double ZTMainViewController::tableViewHeightOfRow(qlonglong row) const
{
    return currentLessonController_ ? currentLessonController_->tableViewHeightOfRow(row) : ZTSidebarCell::kHeight;
}

QList<qlonglong> ZTMainViewController::tableViewSelectionIndexesForProposedSelection(
    const QList<qlonglong>& proposed, const QList<qlonglong>& current) const
{
    return currentLessonController_
               ? currentLessonController_->tableViewSelectionIndexesForProposedSelection(proposed, current)
               : current;
}

void ZTMainViewController::tableViewSelectionDidChange()
{
    if (currentLessonController_)
        currentLessonController_->tableViewSelectionDidChange();
}

void ZTMainViewController::tableViewCellPopupClicked(qlonglong row, qlonglong selectedIndex)
{
    if (currentLessonController_)
        currentLessonController_->tableViewCellPopupClicked(row, selectedIndex);
}

qlonglong ZTMainViewController::numberOfRecordsForPlot(const QString&) const
{
    return currentLessonController_ ? currentLessonController_->numberOfRecordsForPlot() : 0;
}

QVariant ZTMainViewController::numberForPlot(const QString& plotIdentifier, int field, qlonglong recordIndex) const
{
    return currentLessonController_ ? currentLessonController_->numberForPlot(plotIdentifier, field, recordIndex)
                                    : QVariant();
}

ZTGraphLabel ZTMainViewController::dataLabelForPlot(const QString& plotIdentifier, qlonglong recordIndex) const
{
    return currentLessonController_ ? currentLessonController_->dataLabelForPlot(plotIdentifier, recordIndex)
                                    : ZTGraphLabel{};
}

std::optional<ZTColor> ZTMainViewController::barFillForBarPlot(const QString& plotIdentifier, qlonglong recordIndex) const
{
    return currentLessonController_ ? currentLessonController_->barFillForBarPlot(plotIdentifier, recordIndex)
                                    : std::nullopt;
}

// ---- Window extras ----

void ZTMainViewController::_localize()
{
    testButton_->setText(localized(QStringLiteral("Training")));
    testButton_->setToolTip(localized(QStringLiteral("Training Mode")));
    learnButton_->setText(localized(QStringLiteral("Learning")));
    learnButton_->setToolTip(localized(QStringLiteral("Learning Mode")));
    keyboardSegment_->setText(localized(QStringLiteral("Keyboard")));
    keyboardSegment_->setToolTip(localized(QStringLiteral("Show keyboard")));
    fretboardSegment_->setText(localized(QStringLiteral("Fretboard")));
    fretboardSegment_->setToolTip(localized(QStringLiteral("Show fretboard")));
    playDirectionDownButton_->setToolTip(localized(QStringLiteral("Notes will be played in descending order")));
    playDirectionUpButton_->setToolTip(localized(QStringLiteral("Notes will be played in ascending order")));
    playDirectionRandomButton_->setToolTip(localized(QStringLiteral("Notes will be played in random order")));
    nextButton_->setToolTip(localized(QStringLiteral("Next question")));
    playButton_->setToolTip(localized(QStringLiteral("Repeat question")));
    exercisePopupButton_->setToolTip(localized(QStringLiteral("Select exercise")));
    levelPopupButton_->setToolTip(localized(QStringLiteral("Select level")));
    for (ImageButton* button : {testButton_, learnButton_, keyboardSegment_, fretboardSegment_}) {
        QPalette palette = button->palette();
        palette.setColor(QPalette::ButtonText, Qt::white);
        button->setPalette(palette);
    }
}

// ---- Drawing and size ----

void ZTMainViewController::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRectF bounds(rect());
    QLinearGradient body(bounds.topLeft(), bounds.bottomLeft());
    body.setColorAt(0, QColor(30, 33, 38));
    body.setColorAt(1, QColor(20, 22, 26));
    painter.fillRect(bounds, body);

    const QRectF bar(0, 0, width(), toolbar_->height());
    QLinearGradient top(bar.topLeft(), bar.bottomLeft());
    top.setColorAt(0, QColor(68, 74, 84));
    top.setColorAt(1, QColor(42, 46, 53));
    painter.fillRect(bar, top);
    painter.fillRect(QRectF(0, bar.bottom() - 1, width(), 1), QColor(10, 11, 13));
    painter.fillRect(QRectF(0, 0, width(), 1), QColor(255, 255, 255, 30));

    if (instrumentPanel_) {
        const QRectF strip(0, instrumentPanel_->y(), width(), kInstrumentStripHeight);
        QLinearGradient stripFill(strip.topLeft(), strip.bottomLeft());
        stripFill.setColorAt(0, QColor(52, 57, 65));
        stripFill.setColorAt(1, QColor(36, 40, 46));
        painter.fillRect(strip, stripFill);
        painter.fillRect(QRectF(0, strip.top(), width(), 1), QColor(8, 9, 10));
        painter.fillRect(QRectF(0, strip.top() + 1, width(), 1), QColor(255, 255, 255, 22));
    }
}

void ZTMainViewController::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    sizeGraphView();
    applyPendingKeyboardScroll();
}
