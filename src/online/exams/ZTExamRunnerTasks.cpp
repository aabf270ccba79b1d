// The exam runner's results: one record per task, filed per question, summed for the exam
// and uploaded once at the end.
#include "ZTExamRunner.h"

#include "Log.h"
#include "ZTAPIController.h"
#include "ZTAbstractTestController.h"
#include "ZTDataController.h"
#include "ZTExamCatalogueOverlay.h"
#include "ZTMusicalTest.h"
#include "ZTNoteCollection.h"

#include <QDateTime>
#include <QJsonDocument>
#include <QUuid>

#include <cmath>

namespace {

const QString kRight = QStringLiteral("right");
const QString kWrong = QStringLiteral("wrong");
const QString kTasks = QStringLiteral("tasks");
const QString kAnswers = QStringLiteral("answers");
const QString kTimeToComplete = QStringLiteral("time_to_complete");
const QString kSeparator = QStringLiteral(" - ");

bool isRightTask(const QVariant& task)
{
    return task.toMap().value(kRight).toLongLong() == 1;
}

} // namespace

void ZTExamRunner::processRightAnswerWithItem(const QVariantMap& item, ZTTest* currentTest)
{
    recordAnswer(item, currentTest, true);
}

void ZTExamRunner::processWrongAnswerWithItem(const QVariantMap& item, ZTTest* currentTest, bool)
{
    recordAnswer(item, currentTest, false);
}

void ZTExamRunner::recordAnswer(const QVariantMap& item, const ZTTest* test, bool right)
{
    // Only the question now asked counts: not one of a controller already replaced, nor
    // anything after the exam ended.
    if (state_ != State::Running || !currentController_ || currentController_->currentTest().get() != test) {
        Log::line(QStringLiteral("An answer outside the exam's current question is not recorded."));
        return;
    }
    Log::line(QStringLiteral("spelling: %1 rightResultString: %2")
                  .arg(currentController_->spellingString(), currentController_->rightResultString()));
    if (const QString task = taskText(test, right); !task.isEmpty())
        currentTaskResult_.insert(QStringLiteral("task"), task);
    currentTaskResult_.insert(QStringLiteral("name"), currentController_->rightResultString());
    QVariantList tryouts = currentTaskResult_.value(QStringLiteral("tryouts")).toList();
    tryouts.append(answerText(item, test, right));
    currentTaskResult_.insert(QStringLiteral("tryouts"), tryouts);
    currentTaskResult_.insert(kRight, right ? 1 : 0);
    currentTaskResult_.insert(QStringLiteral("uuid"), QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper());
    currentTaskResult_.insert(kTimeToComplete, secondsFromTaskStart());
}

QString ZTExamRunner::taskText(const ZTTest* test, bool right) const
{
    // What was asked: the first note name of the spelling (for a wrong try only when the
    // spelling lists several), else the right result.
    const QString spelling = currentController_->spellingString();
    if (!spelling.isEmpty() && (right || spelling.contains(kSeparator)))
        return spelling.section(kSeparator, 0, 0);
    if (const QString result = currentController_->rightResultString(); !result.isEmpty())
        return result;
    if (const auto* musical = dynamic_cast<const ZTMusicalTest*>(test)) {
        const QList<ZTNoteCollection> collections = musical->noteCollectionObjects();
        if (!collections.isEmpty() && !collections.first().name().isEmpty())
            return collections.first().name();
        Log::line(QStringLiteral("Collection: %1").arg(collections.isEmpty() ? QStringLiteral("none")
                                                                              : collections.first().title()));
        return {};
    }
    Log::line(QStringLiteral("currentTest: %1").arg(test ? test->description() : QStringLiteral("none")));
    return {};
}

QString ZTExamRunner::answerText(const QVariantMap& item, const ZTTest* test, bool right) const
{
    const QString noteString = item.value(QStringLiteral("noteString")).toString();
    if (!right && item.contains(QStringLiteral("type")) && !noteString.isEmpty())
        return noteString;
    const QString note = nameForNoteInNotesArray(item.value(QStringLiteral("definition")), test);
    return note.isEmpty() ? item.value(QStringLiteral("name")).toString() : note;
}

QString ZTExamRunner::nameForNoteInNotesArray(const QVariant& definition, const ZTTest* test)
{
    const auto* musical = dynamic_cast<const ZTMusicalTest*>(test);
    const QVariantMap firstNote =
        definition.toList().value(0).toMap().value(QStringLiteral("notes")).toList().value(0).toMap();
    if (!musical || !firstNote.contains(QStringLiteral("pos")))
        return {};
    const QVNote note = QVNote::initWithRootNoteNr(musical->rootNoteNr(), firstNote.value(QStringLiteral("pos")).toLongLong(),
                                                   firstNote.value(QStringLiteral("off")).toLongLong(), musical->isMinor(),
                                                   musical->keySignatureType());
    const ZTNoteCollection collection = ZTNoteCollection::noteCollectionWithNote(note);
    return collection.firstNote()->nameWithSpellingType(QString::fromLatin1(kSpellingTypeMIDI),
                                                        QString::fromLatin1(kNoteNameTypeInternational));
}

qlonglong ZTExamRunner::secondsFromTaskStart() const
{
    if (!taskStart_)
        return 0;
    return qlonglong(std::floor(std::max(0.0, MainQueue::now() - *taskStart_)));
}

// ---- Filing and finishing ----

void ZTExamRunner::nextExercise()
{
    if (state_ != State::Running) {
        Log::line(state_ == State::Finished ? QStringLiteral("The exam has finished; its result was handed over once.")
                                            : QStringLiteral("The exam has not been started."));
        return;
    }
    fileCurrentTask();
    if (currentTestIndex_ + 1 >= questions_.size()) {
        finish();
        return;
    }
    ++currentTestIndex_;
    currentQuestion_ = questions_.at(currentTestIndex_).toMap();
    updateForQuestionDictionary(currentQuestion_);
}

void ZTExamRunner::timeLimieExceeded()
{
    if (state_ != State::Running)
        return;
    fileCurrentTask();
    finish();
}

void ZTExamRunner::fileCurrentTask()
{
    // Repeats of a question share its answer entry.
    QVariantList answers = examResult_.value(kAnswers).toList();
    const QVariant questionId = currentQuestion_.value(QStringLiteral("id"));
    qsizetype at = 0;
    while (at < answers.size() && answers.at(at).toMap().value(QStringLiteral("question")) != questionId)
        ++at;
    if (at == answers.size())
        answers.append(QVariantMap{{QStringLiteral("question"), questionId}});

    QVariantMap answer = answers.at(at).toMap();
    QVariantList tasks = answer.value(kTasks).toList();
    tasks.append(currentTaskResult_);
    qlonglong right = 0;
    qlonglong seconds = 0;
    for (const QVariant& task : tasks) {
        right += isRightTask(task);
        seconds += task.toMap().value(kTimeToComplete).toLongLong();
    }
    answer.insert(kTasks, tasks);
    answer.insert(kRight, right);
    answer.insert(kWrong, qlonglong(tasks.size()) - right);
    answer.insert(kTimeToComplete, seconds);
    answers[at] = answer;

    examResult_.insert(kTimeToComplete, seconds);
    examResult_.insert(kAnswers, answers);
    currentTaskResult_.clear();
    taskStart_.reset();
}

void ZTExamRunner::finish()
{
    state_ = State::Finished;
    timeLimitTimer_.cancel();
    qlonglong right = 0;
    qlonglong all = 0;
    for (const QVariant& answer : examResult_.value(kAnswers).toList()) {
        for (const QVariant& task : answer.toMap().value(kTasks).toList()) {
            right += isRightTask(task);
            ++all;
        }
    }
    examResult_.insert(kRight, right);
    examResult_.insert(kWrong, all - right);
    examResult_.insert(QStringLiteral("end_date"), nowDateAsString());
    examResult_.insert(QStringLiteral("repetitionCount"),
                       ZTDataController::sharedController()->repetitionCountForExamWithID(examId()));
    const QVariantMap body{{QStringLiteral("exam"), examResult_}};
    Log::line(QStringLiteral("\nfinish\nresultDict:\n\n\n%1")
                  .arg(QString::fromUtf8(QJsonDocument::fromVariant(body).toJson(QJsonDocument::Indented))));
    (client_ ? client_ : ZTAPIController::sharedController())->uploadResult(body, examId());
    // The user's own custom exercises are back in the catalogue.
    overlay_.reset();
}

QString ZTExamRunner::nowDateAsString()
{
    return ZTAPIController::stringFromDate(QDateTime::currentDateTime(), QStringLiteral("yyyy-MM-dd HH:mm"));
}
