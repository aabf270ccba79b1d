#pragma once

#include "MainQueue.h"
#include "ZTExamsController.h"

#include <QString>
#include <QVariant>
#include <QStringList>
#include <QVariantList>
#include <QVariantMap>

#include <memory>
#include <optional>

class ZTAPIController;
class ZTExamCatalogueOverlay;
class ZTAbstractTestController;
class ZTTest;

// Runs one exam fetched from the exam server. It turns the exam's questions into exercise
// entries (repeated and shuffled as the exam asks), lays them over the exercise catalogue
// in memory, counts the start in the exam store, and for each entry in turn creates the
// exercise controller of its exercise with itself as the controller's exams controller: the
// controller takes the entry's items and settings from the hooks below and reports every
// answer here instead of to the statistics. One result per task is kept, summed per question
// and for the exam, and uploaded once when the last entry is done or the time limit ends it.
//
// The user's own custom exercises stay where they are: the entries reach the catalogue
// through its custom-list source, never through the settings store, and the catalogue is
// put back when the exam finishes or the runner goes away.
//
// Nothing in the application creates a runner. An exam screen sets the exam, calls
// processExam() once, shows currentController() (a new one for every entry) and calls
// nextExercise() after each task. Main thread only.
class ZTExamRunner final : public ZTExamsController {
public:
    // Limits on what an exam may ask, so a malformed exam cannot exhaust memory.
    static constexpr qlonglong kMaxRepeat = 100;
    static constexpr qlonglong kMaxEntries = 1000;

    // Uploads through the client given, else through the shared one.
    explicit ZTExamRunner(ZTAPIController* client = nullptr);
    ~ZTExamRunner() override;
    ZTExamRunner(const ZTExamRunner&) = delete;
    ZTExamRunner& operator=(const ZTExamRunner&) = delete;

    // The answer-time titles in table order: a question's "anserTime" is a position here.
    static QStringList answerTimes();

    const QVariantMap& examsDictionary() const { return examsDictionary_; }
    void setExamsDictionary(const QVariantMap& exam) { examsDictionary_ = exam; }
    // Kept for the exam screen.
    const QString& examName() const { return examName_; }
    void setExamName(const QString& name) { examName_ = name; }

    const QVariantList& questions() const { return questions_; }
    const QVariantMap& currentQuestion() const { return currentQuestion_; }
    qlonglong currentTestIndex() const { return currentTestIndex_; }
    QString currentTestName() const;
    ZTAbstractTestController* currentController() const { return currentController_.get(); }
    const QVariantMap& examResult() const { return examResult_; }
    const QVariantMap& currentTaskResult() const { return currentTaskResult_; }
    bool hasTimeLimitTimer() const { return timeLimitTimer_.isValid(); }
    bool isRunning() const { return state_ == State::Running; }
    bool isFinished() const { return state_ == State::Finished; }

    // Starts the exam. An exam without questions, without an integer id, with an
    // "anserTime" outside the table, a repeat beyond the limits or an exercise the
    // catalogue does not know is refused: logged, false, nothing changed.
    bool processExam();
    // Files the current task and starts the next entry, or finishes and uploads.
    void nextExercise();
    // Files the open task and finishes at once.
    void timeLimieExceeded();
    // Records when the current task started, unless that is recorded already.
    void testDidStart();

    // ---- Hooks of the exercise controller ----
    QStringList itemsForCurrentTest() const override;
    QString answerTimeForCurrentTest() const override;
    int numberOfTryoutsForCurrentTest() const override;
    bool showNoteNameForCurrentTest() const override;
    bool showfirstnoteForCurrentTest() const override;
    QString basenoteForCurrentTest() const override;
    int descendingForCurrentTest() const override;
    void processRightAnswerWithItem(const QVariantMap& item, ZTTest* currentTest) override;
    void processWrongAnswerWithItem(const QVariantMap& item, ZTTest* currentTest, bool testEnded) override;

    // An entry per question (repeated "repeat" times), with the exercise's name and settings.
    static QVariantList customExercisesFromQuestionsArray(const QVariantList& questions);
    // Each entry in turn goes to a random place among those placed before it.
    static QVariantList shuffleArray(const QVariantList& entries);
    // The note the answer names, for a question with notes: the first note of the item's
    // definition in the question's key; null for anything else.
    static QString nameForNoteInNotesArray(const QVariant& definition, const ZTTest* test);

private:
    enum class State { Created, Running, Finished };

    std::optional<QString> refusalOf(const QVariantMap& exam) const;
    // The current question's value of a setting, else the exercise's own setting.
    QVariant settingForCurrentTest(const QString& key) const;
    qlonglong examId() const;
    void updateForQuestionDictionary(const QVariantMap& entry);
    void recordAnswer(const QVariantMap& item, const ZTTest* test, bool right);
    QString taskText(const ZTTest* test, bool right) const;
    QString answerText(const QVariantMap& item, const ZTTest* test, bool right) const;
    // Whole seconds since the task started (0 when no start was recorded).
    qlonglong secondsFromTaskStart() const;
    void fileCurrentTask();
    void finish();
    static QString nowDateAsString();

    ZTAPIController* client_;
    State state_ = State::Created;
    QVariantMap examsDictionary_;
    QString examName_;
    QVariantList questions_;
    QVariantMap currentQuestion_;
    qlonglong currentTestIndex_ = -1;
    // Shared, so a controller replaced inside one of its own calls can outlive that call.
    std::shared_ptr<ZTAbstractTestController> currentController_;
    QVariantMap examResult_;
    QVariantMap currentTaskResult_;
    std::optional<double> taskStart_; // main-queue clock
    DelayedCall timeLimitTimer_;
    std::unique_ptr<ZTExamCatalogueOverlay> overlay_;
};
