#pragma once

#include "MainQueue.h"
#include "NotificationCenter.h"
#include "ZTBarGraph.h"
#include "ZTChordProgressionStepView.h"
#include "ZTMainWindowServices.h"
#include "ZTMusicInstumentProtocol.h"
#include "ZTScreenControls.h"
#include "ZTSidebarTableView.h"
#include "ZTTunerDelegate.h"
#include "ZTWikiPane.h"

#include <QFont>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

class ImageButton;
class ImageView;
class QBoxLayout;
class QAction;
class QMenu;
class QProgressBar;
class Reachability;
class QPropertyAnimation;
class QScrollArea;
class ZTAbstractTestController;
class ZTAppDelegate;
class ZTConflictResolver;
class ZTCountDownView;
class ZTDataProvider;
class ZTGraphHostingView;
class ZTInstrumentViewBase;
class ZTNoteView;
class ZTSplitView;
class ZTPopupButton;
class ZTTableViewBackView;
class ZTToolbar;
class ZTToolbarInfoView;
class ZTTuner;

// The exercise screen: it creates the controller of the current exercise and level, hands it
// the screen's views, runs the question flow (next, skip, repeat), relays answers from the
// on-screen instrument, MIDI input and the microphone, keeps the level, practice mode and play direction, tells
// the user how the exercise stands (info panel and statistics graph), and after every change
// recomputes the state of every control in _updateViews.
//
// Main thread only.
class ZTMainViewController : public QWidget,
                             public ZTMainWindowServices,
                             public ZTMusicInstumentDelegate,
                             public ZTChordProgressionStepViewDelegate,
                             public ZTSidebarDataSource,
                             public ZTBarPlotDataSource,
                             public ZTTunerDelegate,
                             public ZTWikiWebViewDelegate {
    Q_OBJECT
public:
    // Who asked for the next question: a click on the next button may only cancel a pending
    // auto-advance; menu commands, remote keys and notifications never do.
    enum class Sender { None, Button, MenuItem, Notification };

    static constexpr double kTableLeftShown = 20.0;
    static constexpr double kTableLeftHidden = -207.0;
    static constexpr double kSidebarWidth = 190.0;
    static constexpr double kMaxLabelWidth = 150.0;
    static constexpr int kScrollButtonWidth = 22;
    static constexpr int kScrollButtonGap = 4;
    // The exercise and level pop-ups take the width of their longest entry within these; a
    // narrow window shortens their labels.
    static constexpr int kPopupMinimumWidth = 140;
    static constexpr int kPopupMaximumWidth = 280;

    // Builds the screen's views and runs the loading steps (tuner, observers, graph, shared
    // exercise pop-up menu; the reachability monitor comes with the encyclopedia).
    explicit ZTMainViewController(ZTAppDelegate* appDelegate, QWidget* parent = nullptr);
    ~ZTMainViewController() override;

    // Once, at the end of start-up: the exercise, the instrument view, the localised titles.
    void setup();

    // ---- ZTMainWindowServices ----
    ZTCountDownControl* countDownView() override { return &countDownAdapter_; }
    ZTButtonControl* nextButton() override { return &nextButtonAdapter_; }
    // There is no touch bar here.
    ZTButtonControl* touchBarNextButton() override { return nullptr; }
    ZTStepViewControl* chordProgressionStepView() override { return &stepViewAdapter_; }
    ZTInstrumentViewControl* instrumentView() override { return &instrumentViewAdapter_; }
    // The encyclopedia article of the current exercise and question; a hidden pane loads nothing.
    void loadWebView() override;

    // ---- Actions ----
    void playAction();
    void nextAction(Sender sender);
    void levelAction(int tag);
    void levelPopupButtonAction(int index);
    void newLevelAction();
    // Tag 1 Training, 2 Learning.
    void practiceModeChanged(int tag);
    void setupPracticeMode(bool learning);
    // Ends the question in hand without scoring it and clears what the screen shows of it.
    void endQuestionUnscored();
    // The same, when the catalogue no longer holds the question's item as it was asked.
    void endQuestionIfItsItemChanged(const ZTDataProvider& catalogue);
    // Tag 1 up, 2 down, 3 random.
    void playDirectionAction(int tag);
    void setPlayDirectionSegment(int segment);

    // ---- Delegates ----
    void instrumentView(ZTMusicInstumentProtocol* view, const QVNote& notePressed) override;
    void chordProgressionStepViewButtonClicked(ZTChordProgressionStepView* stepView) override;

    // ---- Screen state ----
    void _updateViews();
    void _setupLevelsMenu();
    // Sizes the exercise pop-up to the exercises and the level pop-up to the levels of every
    // exercise, so that it keeps its width from one exercise to the next.
    void sizePopupButtons();
    void _setupPracticeMode();
    void _setupExercise();
    void _setupCurrentController(std::unique_ptr<ZTAbstractTestController> controller);
    int _levelIndexForCurrentTest() const;
    QString _getControllerClassnameForCurrentTest() const;
    // The stored current exercise, or the catalogue's first one when the stored name is not
    // in the catalogue (a deleted custom exercise); empty when the catalogue is empty.
    QString currentExerciseName() const;

    // ---- Feedback and statistics graph ----
    void _setupStatistics(ZTBarGraph* graph);
    static QString stringByTruncating(const QString& string, double width, const QFont& textStyle);
    static ZTAxisLabel _createAxisLabelWithText(const QString& text, const ZTXYAxis& axis, unsigned location);
    void sizeGraphView();
    // The feedback of an answer; the microphone listens on only while a try is left.
    void _finishedWasRight(bool right, const QVariantMap& item);
    void _displaySelectTestMessage();
    void _displayStartTestMessage();
    void _displayPracticeMessage();

    // ---- Instrument panel ----
    // The keyboard or the fretboard, by the setting "instrumentType".
    void _setupInstrumentView();
    // Centres the instrument between equal side margins.
    void sizeInstrumentView();
    void _updateKeyboardScrollButtons();
    // Scroll by one octave tile or one visible width, animated.
    void keyboardScrollRightAction();
    void keyboardScrollLeftAction();
    void keyboardScrollRightPageAction();
    void keyboardScrollLeftPageAction();
    // Tag 1 keyboard, 2 fretboard.
    void instrumentSegmentedAction(int tag);
    // Swaps the instrument view; the marks and the chord-progression step go across.
    void instrumentTypeChangedNotification();
    // The sound programs of the current instrument, shared by the panel's pop-up and the
    // Instrument menu.
    void _setupInstrumentsMenu();
    void instrumentPopUpButtonItemSelectedAction(QAction* item);
    // The stored program: checked in the menu and sent to the instrument.
    void instrumentChanged();
    void _uncheckAllMenuItems();
    QAction* _menuItemWithTag(int tag) const;
    double instrumentLeftConstraint() const { return instrumentLeftConstraint_; }
    double instrumentRightConstraint() const { return instrumentRightConstraint_; }

    // ---- Split view ----
    // Move the divider one stage up or down: from an end to the middle, from near the
    // middle to the other end.
    void splitViewUpAction();
    void splitViewDownAction();
    // Upper pane only, lower pane only, both halves.
    void showStuffAction();
    void showStatsAction();
    void showBothAction();

    // ---- Microphone ----
    // The smoothing factor the tuner is made with.
    static constexpr double kTunerSmoothing = 0.25;
    // Readings quieter than this are no answers and light the LED dimly.
    static constexpr double kMinAnswerAmplitude = 0.01;
    static constexpr double kLedResultSeconds = 0.5;
    // LED tags: idle or quiet, loud enough, heard but under the threshold, result shown.
    enum LedTag : qint64 { LedIdle = 0, LedLoud = 1, LedHeard = 2, LedResult = 99 };

    // The microphone button: stores the user's choice, then listens or not.
    void micAction();
    void useMicrophoneChangedNotification();
    void micThresholdChanged();
    // Listens exactly when the button is on, the screen takes microphone answers (the
    // button's tag) and the question can be answered with notes.
    void _handleTuner();
    // There is no permission step here: access counts as granted. False when there is no
    // microphone, which the user is told once after switching the microphone on.
    bool startTunerIfAuthorized();
    // Whether the screen takes microphone answers now (the button's tag); listens accordingly.
    void setMicEnabled(bool enabled);
    // The microphone's device went away while it listened: listening stops until the
    // microphone is next turned on; the user hears of it once per run.
    void audioInputLostNotification();
    // ZTTunerDelegate: a detected note is entered; the level drives the LED.
    void tunerDidUpdate(ZTTuner* tuner, const ZTTunerOutput& output) override;
    void tuner(ZTTuner* tuner, double amplitude, bool isGreaterThenThreshold) override;
    ZTTuner* tuner() const { return tuner_.get(); }

    // ---- Sound output ----
    // The output could not open a sound device, or lost it: the user hears of it once per
    // run, however often the device comes and goes.
    void audioOutputUnavailableNotification(const Notification& notification);
    // A sound server that goes away takes the output and the microphone with it, each
    // noticing on its own thread: what is lost within this while is told in one alert.
    static constexpr double kSoundTroubleGatherSeconds = 0.5;

    // ---- Window extras ----
    void _localize();

    // ---- Sync conflicts ----
    // The conflict window lives in the cloud-sync module, which installs how to make one.
    static void setConflictResolverFactory(std::function<std::unique_ptr<ZTConflictResolver>()> factory);
    void dropboxServerStatDidChanged();
    void dropboxServerLevelsOrExercisesDidChanged();
    void dropboxServerPrefsDidChanged();
    // Adds the area to the open conflict window, or opens the window modal to the application
    // and returns when it has closed. Area: 1 statistics, 2 levels and exercises, 3 preferences.
    void _createResolverIfNeededWithConflict(int area);
    // The open conflict window, null when none is open.
    ZTConflictResolver* resolver() const { return resolver_; }

    // ---- Encyclopedia pane ----
    // Makes the pane inside `parent`, which owns its widget; the pane reports to the delegate
    // and shows Ogg downloads on the indicator.
    using WikiPaneMaker =
        std::function<ZTWikiPane*(QWidget* parent, ZTWikiWebViewDelegate* delegate, QProgressBar* downloadProgressIndicator)>;
    // The program installs how to make the pane, and the host whose articles it shows, before
    // the screen is built. The host is watched from the start; the pane and its web engine,
    // which cost as much memory as a browser, are made when the pane is first needed (Learning
    // mode, printing the article). Without a maker the pane stays empty.
    static void setWikiPaneMaker(WikiPaneMaker maker, const QString& encyclopediaHost);
    // Null until the pane was first needed.
    ZTWikiPane* wikiPane() const { return wikiPane_; }
    QProgressBar* downloadProgressIndicator() const { return downloadProgressIndicator_; }
    QProgressBar* wheel() const { return wheel_; }
    void wikiWebViewDidStartLoad() override;
    void wikiWebViewDidFinishLoad() override;
    void wikiWebViewDidFailLoad(const QString& error) override;
    void _showWheel();
    void _hideWheel();
    // The encyclopedia host's reachability, as last reported.
    void reachabilityChanged();
    bool isReachable() const { return isReachable_; }
    Reachability* internetReach() const { return internetReach_.get(); }

    // ---- Printing ----
    // Asks what to print: the staff, or the statistics (Training) or the article (Learning).
    void print();
    // The staff as shown when the user asked to print.
    void _printStaff(const ZTNoteView& shown);
    void _printStat();
    void _printWikiArticle();
    // The graph of the last statistics print.
    ZTBarGraph* printGraph() const { return printGraph_.get(); }

    // ---- Notification handlers ----
    void statsChangedNotification();
    void MIDINoteOnNotification(const Notification& notification);
    void testItemAnsweredRightNotification(const Notification& notification);
    void testItemAnsweredWrongNotification(const Notification& notification);
    void testItemPlayButtonEnabledChangedNotification(const Notification& notification);
    void currentExerciseChangedNotification();
    void customLevelsChangedNotification();
    void spellingTypeOrNoteNamesChangedNotification();
    void displayInfoNotification(const Notification& notification);
    void preferencesResetNotification();
    void statDBChangedNotification();
    void levelChangedNotification();
    void descendingChangedNotification();

    // ---- Properties ----
    ZTAbstractTestController* currentLessonController() const { return currentLessonController_.get(); }
    ZTBarGraph* graph() const { return graph_.get(); }
    ZTAppDelegate* appDelegate() const { return appDelegate_; }
    double tableLeftConstraint() const { return tableLeftConstraint_; }
    double graphClipWidth() const { return graphClipWidth_; }
    double graphWidthConstraint() const { return graphWidthConstraint_; }

    // ---- The screen's views ----
    ZTToolbar* toolbar() const { return toolbar_; }
    ZTToolbarInfoView* toolbarInfoView() const;
    ZTSidebarTableView* tableView() const { return tableView_; }
    ZTTableViewBackView* tableViewBack() const { return tableViewBack_; }
    ZTPopupButton* exercisePopupButton() const { return exercisePopupButton_; }
    ZTPopupButton* levelPopupButton() const { return levelPopupButton_; }
    ImageButton* playButton() const { return playButton_; }
    ImageButton* nextButtonView() const { return nextButton_; }
    ImageButton* learnButton() const { return learnButton_; }
    ImageButton* testButton() const { return testButton_; }
    ImageButton* playDirectionUpButton() const { return playDirectionUpButton_; }
    ImageButton* playDirectionDownButton() const { return playDirectionDownButton_; }
    ImageButton* playDirectionRandomButton() const { return playDirectionRandomButton_; }
    ImageButton* keyboardSegment() const { return keyboardSegment_; }
    ImageButton* fretboardSegment() const { return fretboardSegment_; }
    ImageButton* micButton() const { return micButton_; }
    ImageView* ledImageView() const { return ledImageView_; }
    ZTNoteView* noteView() const { return noteView_; }
    ZTCountDownView* countDownViewWidget() const { return countDownView_; }
    ZTChordProgressionStepView* stepViewWidget() const { return chordProgressionStepView_; }
    ZTMusicInstumentProtocol* instrumentViewWidget() const { return instrumentViewAdapter_.view(); }
    ZTGraphHostingView* graphHostingView() const { return graphHostingView_; }
    QScrollArea* graphScrollView() const { return graphScrollView_; }
    // The encyclopedia pane's place in the lower pane; the pane itself is wikiPane().
    QWidget* webView() const { return webView_; }
    ZTSplitView* splitView() const { return splitView_; }
    QScrollArea* instrumentScrollView() const { return instrumentScrollView_; }
    ZTPopupButton* instrumentPopUpButton() const { return instrumentPopUpButton_; }
    ImageButton* keyboardScrollLeftButton() const { return keyboardScrollLeftButton_; }
    ImageButton* keyboardScrollRightButton() const { return keyboardScrollRightButton_; }
    ImageButton* keyboardScrollLeftPageButton() const { return keyboardScrollLeftPageButton_; }
    ImageButton* keyboardScrollRightPageButton() const { return keyboardScrollRightPageButton_; }

    // ---- ZTSidebarDataSource (forwarded to the exercise controller) ----
    qlonglong numberOfRowsInTableView() const override;
    ZTSidebarCell tableViewViewForRow(qlonglong row) const override;
    double tableViewHeightOfRow(qlonglong row) const override;
    QList<qlonglong> tableViewSelectionIndexesForProposedSelection(const QList<qlonglong>& proposed,
                                                                  const QList<qlonglong>& current) const override;
    void tableViewSelectionDidChange() override;
    void tableViewCellPopupClicked(qlonglong row, qlonglong selectedIndex) override;

    // ---- ZTBarPlotDataSource (forwarded to the exercise controller) ----
    qlonglong numberOfRecordsForPlot(const QString& plotIdentifier) const override;
    QVariant numberForPlot(const QString& plotIdentifier, int field, qlonglong recordIndex) const override;
    ZTGraphLabel dataLabelForPlot(const QString& plotIdentifier, qlonglong recordIndex) const override;
    std::optional<ZTColor> barFillForBarPlot(const QString& plotIdentifier, qlonglong recordIndex) const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildViews();
    QWidget* buildToolbar();
    QWidget* buildMainArea();
    QWidget* buildInstrumentPanel();
    QWidget* buildScrollButtons(ImageButton** step, ImageButton** page, bool left);
    void buildSplitButtons();
    void buildMicrophoneControls(QWidget* strip, QBoxLayout* layout);
    // Keyboard and fretboard switches and menu items follow "instrumentType".
    void showInstrumentType();
    // Scrolls, animated, to where the instrument shows well nearest `x`: at or above it when
    // `stopAbove`, else at or below it.
    void scrollInstrumentTo(double x, bool stopAbove);
    // The visible part of the instrument view and its width.
    QRectF visibleInstrumentRect() const;
    double instrumentWidth() const;
    // Where the programs of the current instrument come from.
    int storedProgram() const;
    void showChosenProgram(QAction* item);
    void viewDidLoad();
    void _registerNotifications();
    void _registerSyncConflictNotifications();
    void observe(const QString& name, std::function<void(const Notification&)> handler,
                 NotificationCenter::Delivery delivery = NotificationCenter::Delivery::PostingThread);
    void setInfo(const QString& image, const QString& title, const QString& subTitle);
    void buildWikiPane();
    // The pane, made now when it was not yet; null without a maker.
    ZTWikiPane* wikiPaneForUse();
    void watchEncyclopediaHost(const QString& host);
    // Where sheets of the screen hang: the main window.
    QWidget* sheetWindow() const;
    void restoreNextButton();
    // While the print dialogs are open the question's count-downs wait, also those of a
    // controller that arrives meanwhile (an exercise chosen just before).
    void setCountdownsHeld(bool held);
    // nextAction without a sender, only while the next button is enabled (remote key, space).
    void nextActionIfEnabled();
    bool isPlaying() const;
    void applyPendingKeyboardScroll();
    QList<QVariantMap> levelRecords() const;
    bool wantsMicrophone() const;
    void stopListening();
    // What to do when the microphone is missing or lost, under the given headline.
    void showMicrophoneAlert(const QString& message);
    // Tells the user of a lost output or microphone once the losses of the moment are in;
    // each is told once per run.
    enum class OutputTrouble { None, Missing, Lost };
    void gatherSoundTrouble(OutputTrouble output, bool microphoneLost);
    void tellSoundTrouble();

    ZTAppDelegate* appDelegate_ = nullptr;
    ZTConflictResolver* resolver_ = nullptr;
    std::unique_ptr<ZTAbstractTestController> currentLessonController_;
    std::unique_ptr<ZTBarGraph> graph_;
    std::unique_ptr<ZTBarGraph> printGraph_;
    std::unique_ptr<ZTTuner> tuner_;
    bool tellMissingMicrophone_ = false; // the user switched the microphone on
    bool toldMicrophoneLost_ = false;
    bool toldSoundUnavailable_ = false;
    // Sound trouble gathered for one alert, and whether one is on screen.
    OutputTrouble untoldOutputTrouble_ = OutputTrouble::None;
    bool untoldMicrophoneLoss_ = false;
    bool tellingSoundTrouble_ = false;
    DelayedCall soundTroubleAlert_;
    std::vector<NotificationObserver> observers_;
    std::vector<NotificationObserver> controllerObservers_;

    ZTCountDownAdapter countDownAdapter_{nullptr};
    ZTButtonAdapter nextButtonAdapter_{nullptr};
    ZTStepViewAdapter stepViewAdapter_{nullptr};
    ZTInstrumentViewAdapter instrumentViewAdapter_;
    std::unique_ptr<ZTStaffAdapter> staffAdapter_;

    double tableLeftConstraint_ = kTableLeftShown;
    double graphClipWidth_ = 0;
    double graphWidthConstraint_ = 0;

    ZTToolbar* toolbar_ = nullptr;
    ZTPopupButton* exercisePopupButton_ = nullptr;
    ZTPopupButton* levelPopupButton_ = nullptr;
    ImageButton* playButton_ = nullptr;
    ImageButton* nextButton_ = nullptr;
    ImageButton* learnButton_ = nullptr;
    ImageButton* testButton_ = nullptr;
    ImageButton* playDirectionUpButton_ = nullptr;
    ImageButton* playDirectionDownButton_ = nullptr;
    ImageButton* playDirectionRandomButton_ = nullptr;
    ZTCountDownView* countDownView_ = nullptr;
    QWidget* sidebar_ = nullptr;
    ZTTableViewBackView* tableViewBack_ = nullptr;
    ZTSidebarTableView* tableView_ = nullptr;
    ZTSplitView* splitView_ = nullptr;
    ZTNoteView* noteView_ = nullptr;
    QWidget* lowerPane_ = nullptr;
    QScrollArea* graphScrollView_ = nullptr;
    ZTGraphHostingView* graphHostingView_ = nullptr;
    QWidget* webView_ = nullptr;
    ZTWikiPane* wikiPane_ = nullptr;
    std::shared_ptr<Reachability> internetReach_;
    bool isReachable_ = false;
    QProgressBar* wheel_ = nullptr;
    QProgressBar* downloadProgressIndicator_ = nullptr;
    ZTChordProgressionStepView* chordProgressionStepView_ = nullptr;
    ImageButton* keyboardSegment_ = nullptr;
    ImageButton* fretboardSegment_ = nullptr;
    ImageButton* micButton_ = nullptr;
    ImageView* ledImageView_ = nullptr;
    QWidget* instrumentPanel_ = nullptr;
    QWidget* instrumentRow_ = nullptr;
    QScrollArea* instrumentScrollView_ = nullptr;
    ImageButton* keyboardScrollLeftButton_ = nullptr;
    ImageButton* keyboardScrollRightButton_ = nullptr;
    ImageButton* keyboardScrollLeftPageButton_ = nullptr;
    ImageButton* keyboardScrollRightPageButton_ = nullptr;
    ZTPopupButton* instrumentPopUpButton_ = nullptr;
    QPointer<QMenu> instrumentsMenu_;
    QPropertyAnimation* scrollAnimation_ = nullptr;
    QPointer<ZTInstrumentViewBase> instrumentView_;
    double instrumentLeftConstraint_ = 0;
    double instrumentRightConstraint_ = 0;
    bool scrollKeyboardToStart_ = false;
    bool countdownsHeld_ = false;
};
