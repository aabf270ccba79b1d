#pragma once

#include "MainQueue.h"
#include "NotificationCenter.h"
#include "QVNote.h"
#include "ZTMainWindowServices.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class ZTExamsController;
class ZTMusicalTest;
class ZTTest;

// Runs the exercise screen for one exercise and one level: draws the next item with a weight
// taken from the statistics, builds and plays the question, takes answers from the sidebar
// and from entered notes, scores them into the statistics database and feeds the sidebar and
// the statistics graph as their data source. Kinds of exercise override the hooks below.
//
// Make controllers with create<T>() (or through the class registry): initWithLevel() is the
// second phase that calls the overridable setLevel().
//
// Main thread only. Work the controller schedules (auto-advance, the delayed wrong-note
// report) and its notification observers end with it.
class ZTAbstractTestController {
public:
    // "Unlimited" .. "1 min" -> seconds; built once for the process.
    static const QHash<QString, int>& answerTimes();
    // The catalogue items with "translatedName" (the localized "name") added, same order.
    static QVariantList classTranslateItems(const QVariantList& items);

    template <typename T>
    static std::unique_ptr<T> create(qlonglong level, ZTExamsController* examsController = nullptr)
    {
        auto controller = std::make_unique<T>();
        controller->initWithLevel(level, examsController);
        return controller;
    }

    ZTAbstractTestController();
    virtual ~ZTAbstractTestController();
    ZTAbstractTestController(const ZTAbstractTestController&) = delete;
    ZTAbstractTestController& operator=(const ZTAbstractTestController&) = delete;

    // Second phase: stores the exam runner (none in the application), registers the
    // observers and loads the level.
    virtual void initWithLevel(qlonglong level, ZTExamsController* examsController = nullptr);

    // ---- Hooks of the exercise kinds ----

    virtual QString testName() const;
    // A new question for the item; none for an item the kind cannot ask.
    virtual std::shared_ptr<ZTTest> testForItem(const QVariantMap& item);
    // The question as asked: root range, direction, play mode, inversion.
    virtual std::shared_ptr<ZTTest> createTestForItem(const QVariantMap& item, const QVariant& userInfo);
    virtual QVariant createUserInfoWithItem(const QVariantMap& item);
    // Builds and plays; returns the question (none when it could not be built).
    virtual std::shared_ptr<ZTTest> playTestWithItem(const QVariantMap& item, const QVariant& userInfo);
    virtual void playTest(const std::shared_ptr<ZTTest>& test);
    virtual bool isAnswerRightForItem(const QVariantMap& item, const QVariant& userInfo);
    virtual QVariantList translateItems(const QVariantList& items) const;
    virtual QString questionString() const;
    virtual QString questionSubString() const;
    virtual QString startTestString() const;
    virtual QString practiceMessage() const;
    virtual QString rightResultString() const;
    virtual QString spellingString() const;
    virtual bool canDescending() const;
    virtual bool hasItems() const;
    // Index into items() of the next question; -1 for none.
    virtual qlonglong createNextTestIndex();
    // One weighted draw: every item once, plus 0 to 4 copies by its share of wrong answers
    // (4 when never asked); -1 without items.
    qlonglong _newIndex();
    virtual QUrl getWikiURLForCurrentTest() const;
    virtual void setLevel(qlonglong level);
    // The sidebar rows: item records, and for sectioned kinds group names (strings).
    virtual QVariantList arrayForTableView() const;
    virtual ZTSidebarCell tableViewViewForRow(qlonglong row) const;
    virtual void noteEntered(const QVNote& note);
    virtual void resetMarks();
    virtual void nextTest();

    // ---- Operations of the main window ----

    qlonglong level() const { return level_; }
    // Cancels a running auto-advance, then plays the current question again.
    void repeatTest();
    void noteEnteredWithNr(qlonglong noteNr);
    // Ends the question without scoring.
    void reset();
    // While held (a dialog of the screen is open over it) the answer time and the
    // auto-advance stand still and show their seconds; released, they go on from there.
    // What would start meanwhile (an answer's auto-advance, the answer time at the end of
    // playback) waits for the release too.
    void holdCountdowns();
    void releaseCountdowns();
    bool countdownsHeld() const { return countdownsHeld_; }
    bool hasList() const { return !items_.isEmpty(); }
    // Direction of the next question from the settings (2: random).
    bool playDescending() const;
    QUrl getWikiURLForTestWithExerciseName(const QString& exerciseName, const QString& currentTestName) const;
    // A sidebar answer, or in practice mode the clicked item played; userInfo is the
    // chord inversion chosen in a row's pop-up.
    void tableViewClickedWithRow(qlonglong row, const QVariant& userInfo);
    void playItemAtIndex(qlonglong index);
    void resetPlayButton();

    // ---- Sidebar data source and delegate ----

    qlonglong numberOfRowsInTableView() const;
    double tableViewHeightOfRow(qlonglong row) const;
    bool tableViewIsGroupRow(qlonglong row) const;
    // Rows that may be selected of a proposal: none while the gate is closed (the current
    // selection stays), never a group row.
    QList<qlonglong> tableViewSelectionIndexesForProposedSelection(const QList<qlonglong>& proposed,
                                                                  const QList<qlonglong>& current) const;
    void tableViewSelectionDidChange();
    // A choice in a row's pop-up; the chord kinds answer with it.
    virtual void tableViewCellPopupClicked(qlonglong row, qlonglong selectedIndex);

    // ---- Scoring ----

    void reportAnswerRight(const QVariantMap& item);
    void reportAnswerWrong(const QVariantMap& item);
    void reportAnswerWrong(const QVariantMap& item, bool startAutoplay);
    void resetStats();
    // The statistics changed elsewhere: redraw the graph, mark the statistics for sync.
    void _reportStatChanged();
    // An auto-advance is pending: running, or held.
    bool autoTimerIsValid() const { return autoTimer_.isValid() || heldAutoAdvance_.has_value(); }
    void invalidateAutoTimer();
    void triggerNextTest();

    // ---- Graph data source (records: 0 "All", 1 a gap, 2 + i item i) ----

    qlonglong numberOfRecordsForPlot() const;
    // Field 0 is the bar location; otherwise the bar value ("Right" plot: right answers,
    // any other: wrong ones); invalid for the gap.
    QVariant numberForPlot(const QString& plotIdentifier, int field, qlonglong recordIndex) const;
    // The plot's own fill for every bar.
    std::optional<ZTColor> barFillForBarPlot(const QString& plotIdentifier, qlonglong recordIndex) const;
    ZTGraphLabel dataLabelForPlot(const QString& plotIdentifier, qlonglong recordIndex) const;
    double _getMaxValForPlot() const;
    void setupPlotSpace(ZTGraphControl* graph) const;

    // ---- Notifications ----

    void spellingTypeOrNoteNamesChangedNotification();
    void samplePlayerDidStopNotification();
    void countdownViewFinishedNotification();
    void currentExerciseChangedNotification();
    void statsChangedNotification();

    // ---- Properties ----

    const QVariantList& items() const { return items_; }
    std::shared_ptr<ZTTest> currentTest() const { return currentTest_; }
    void setCurrentTest(std::shared_ptr<ZTTest> test);
    qlonglong currentTestIndex() const { return currentTestIndex_; }
    qlonglong numTryouts() const { return numTryouts_; }
    void setNumTryouts(qlonglong value) { numTryouts_ = value; }
    bool testInProgress() const { return testInProgress_; }
    bool wasAutowrong() const { return wasAutowrong_; }
    void setWasAutowrong(bool value) { wasAutowrong_ = value; }
    bool lastEnteredNoteWasRight() const { return lastEnteredNoteWasRight_; }
    bool waitingForKeyboardInput() const { return waitingForKeyboardInput_; }
    void setWaitingForKeyboardInput(bool value) { waitingForKeyboardInput_ = value; }
    const QList<QVNote>& enteredNotes() const { return enteredNotes_; }
    QString currentItem() const { return currentItem_; }
    void setCurrentItem(const QString& value) { currentItem_ = value; }
    QString rightItem() const { return rightItem_; }
    void setRightItem(const QString& value) { rightItem_ = value; }
    QString wrongItem() const { return wrongItem_; }
    void setWrongItem(const QString& value) { wrongItem_ = value; }
    ZTSidebarControl* tableView() const { return tableView_; }
    void setTableView(ZTSidebarControl* view) { tableView_ = view; }
    ZTStaffControl* noteView() const { return noteView_; }
    void setNoteView(ZTStaffControl* view) { noteView_ = view; }
    ZTInstrumentViewControl* instrumentView() const { return instrumentView_; }
    void setInstrumentView(ZTInstrumentViewControl* view) { instrumentView_ = view; }
    ZTGraphControl* graph() const { return graph_; }
    void setGraph(ZTGraphControl* graph) { graph_ = graph; }
    ZTExamsController* examsController() const { return examsController_; }
    void setExamsController(ZTExamsController* controller) { examsController_ = controller; }
    const QVariantMap& lastSelectedItem() const { return lastSelectedItem_; }
    const QVariant& lastUserInfo() const { return lastUserInfo_; }
    // A wrong-note report is waiting to run.
    bool hasPendingWrongNoteReport() const { return wrongNoteReport_.isValid(); }

protected:
    // The first note of the list with the note's number (or, with "ignoreOctaves", the same
    // note in any octave); -1 when none.
    static qlonglong indexOfNote(const QVNote& note, const QList<QVNote>& notes);
    // Whether an entered note stands for a tone of the question: the same number or, with
    // `ignoreOctaves`, the same note in any octave.
    static bool isSameTone(const QVNote& entered, const QVNote& tone, bool ignoreOctaves);
    static QString instrumentName();

    // Settings of the exercise, or of the exam runner while one is set.
    int allowedTryouts() const;
    QString answerTimeTitle() const;
    bool showNoteNames() const;
    bool showFirstNote() const;
    // Low and high root note of the "basenote" range ("low,high").
    std::pair<qlonglong, qlonglong> baseNoteRange() const;
    int descendingSetting() const;
    bool isStaffQuestion() const;

    // Applies the "basenote" range, direction and play mode to a new question and draws its
    // root (the interval, scale and chord kinds).
    void setUpMusicalTest(ZTMusicalTest& test) const;
    // The item's question, set up as above when it is a musical one.
    std::shared_ptr<ZTTest> musicalTestForItem(const QVariantMap& item);
    // Gives a new question the root range of "basenote" (a high below the low leaves only
    // the low) and draws its root; cached notes follow the new root.
    void drawRootFromBaseNoteRange(ZTMusicalTest& test) const;
    // Copies the current question's root and direction into a question built to compare.
    void matchCurrentRootAndDirection(ZTTest& test) const;
    std::shared_ptr<ZTMusicalTest> currentMusicalTest() const;
    // Hands the question's sequence at the tempo to the current instrument. When nothing can
    // sound (no instrument, or a tempo the sequence refuses) the playback ends at once.
    void playMusicalTest(ZTMusicalTest& test, qlonglong beatsPerMinute);
    // Announces the end of a playback that does not happen, as the instrument would: a
    // question that does not sound is over at once, so its answer time starts and a clicked
    // item is judged.
    void announcePlaybackEnd();
    // The music-reading form of playTestWithItem: builds the question and puts its notes on
    // the staff without a sound; the playback end is announced at once.
    std::shared_ptr<ZTTest> showTestWithItemOnStaff(const QVariantMap& item, const QVariant& userInfo);
    // The main window's parts (may be null).
    static ZTCountDownControl* countDownView();
    static ZTMainWindowServices* mainWindow();
    static void stopInstrument();
    void reloadSidebar();

    // Checks enteredNotes against the question; scores a complete answer or a wrong note.
    virtual void checkEnteredNotes();
    // The wrong-note step of a check: marks entered note i wrong (red at the position) and
    // reports the answer wrong 0.5 s later, once per question.
    void enteredNoteWasWrong(qsizetype enteredIndex, qlonglong position);
    void appendEnteredNote(const QVNote& note) { enteredNotes_.append(note); }
    void setLastEnteredNoteWasRight(bool value) { lastEnteredNoteWasRight_ = value; }
    // Observes a settings change of this exercise ("<exercise>.<key>ChangedNotification").
    void observe(const QString& notificationName, std::function<void()> handler);

    void _reportAnswer();
    void _startAutoPlayTimerIfSet();
    // Ends a question that could not be built: nothing to answer, nothing to score.
    void endWithoutQuestion();

    bool keyboardPlayRightOrder_ = true;
    qulonglong lastIndex_ = 0;
    QVariantList items_;

private:
    void writeStatistics(bool right, qlonglong numTryoutsValue);
    void revealAnswer(bool greenAtViewStep);
    void cancelAutoAdvance();
    // The auto-advance count-down of so many seconds with its timer, or held for the release.
    void startAutoAdvance(qint64 seconds);
    // The answer time, once the question has played; held for the release while held.
    void startAnswerTime();
    // Stops the answer-time count-down; an auto-advance count-down goes on.
    void stopAnswerTime();
    void playResultSound(const QString& soundId) const;
    qlonglong countForItem(const QString& itemName, bool right) const;
    qlonglong totalForColumn(bool right) const;

    qlonglong level_ = 0;
    std::shared_ptr<ZTTest> currentTest_;
    qlonglong currentTestIndex_ = -1;
    qlonglong numTryouts_ = 0;
    QList<QVNote> enteredNotes_;
    bool waitingForKeyboardInput_ = false;
    QString currentItem_;
    QString rightItem_;
    QString wrongItem_;
    bool testInProgress_ = false;
    bool startCountdownWhenFinishedPlaying_ = false;
    bool wasAutowrong_ = false;
    bool isPlayingSelectedItem_ = false;
    bool lastEnteredNoteWasRight_ = false;
    QVariantMap lastSelectedItem_;
    QVariant lastUserInfo_;

    ZTExamsController* examsController_ = nullptr;
    ZTSidebarControl* tableView_ = nullptr;
    ZTStaffControl* noteView_ = nullptr;
    ZTInstrumentViewControl* instrumentView_ = nullptr;
    ZTGraphControl* graph_ = nullptr;

    bool countdownsHeld_ = false;
    // While held: the seconds left to an auto-advance, and whether the answer time was running.
    std::optional<qint64> heldAutoAdvance_;
    bool heldAnswerTime_ = false;

    DelayedCall autoTimer_;
    DelayedCall wrongNoteReport_;
    std::vector<NotificationObserver> observers_;
};
