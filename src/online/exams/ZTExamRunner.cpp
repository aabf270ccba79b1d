#include "ZTExamRunner.h"

#include "Log.h"
#include "PlistValues.h"
#include "RandomSource.h"
#include "ZTAPIController.h"
#include "ZTAbstractTestController.h"
#include "ZTClassRegistry.h"
#include "ZTDataController.h"
#include "ZTDataProvider.h"
#include "ZTExamCatalogueOverlay.h"
#include "ZTPreferences.h"

#include <QDateTime>

#include <algorithm>

namespace {

const QString kName = QStringLiteral("name");
const QString kSettings = QStringLiteral("settings");
const QString kQuestions = QStringLiteral("questions");
const QString kAnswerTime = QStringLiteral("anserTime");

QVariantMap exerciseOf(const QVariantMap& question)
{
    return question.value(QStringLiteral("exercise")).toMap();
}

qlonglong repeatOf(const QVariantMap& question)
{
    return std::max<qlonglong>(1, PlistValues::toWholeNumber(question.value(QStringLiteral("repeat"))).value_or(1));
}

} // namespace

ZTExamRunner::ZTExamRunner(ZTAPIController* client)
    : client_(client)
    , examResult_{{QStringLiteral("right"), 0}, {QStringLiteral("wrong"), 0},
                  {QStringLiteral("start_date"), nowDateAsString()}}
{
    answerTimes();
}

ZTExamRunner::~ZTExamRunner() = default;

QStringList ZTExamRunner::answerTimes()
{
    // The exercise controllers' table, ordered by its seconds.
    static const QStringList titles = [] {
        const QHash<QString, int>& table = ZTAbstractTestController::answerTimes();
        QStringList sorted = table.keys();
        std::sort(sorted.begin(), sorted.end(),
                  [&table](const QString& a, const QString& b) { return table.value(a) < table.value(b); });
        return sorted;
    }();
    return titles;
}

QString ZTExamRunner::currentTestName() const
{
    return currentQuestion_.value(kName).toString();
}

qlonglong ZTExamRunner::examId() const
{
    return PlistValues::toWholeNumber(examsDictionary_.value(QStringLiteral("id"))).value_or(0);
}

// ---- Starting ----

std::optional<QString> ZTExamRunner::refusalOf(const QVariantMap& exam) const
{
    if (state_ != State::Created)
        return QStringLiteral("the exam was started already");
    if (!PlistValues::toWholeNumber(exam.value(QStringLiteral("id"))))
        return QStringLiteral("it has no integer id");
    const QVariantList questions = exam.value(kQuestions).toList();
    if (questions.isEmpty())
        return QStringLiteral("it has no questions");
    ZTDataProvider* catalogue = ZTDataProvider::sharedDataProvider();
    qlonglong entries = 0;
    for (const QVariant& entry : questions) {
        const QVariantMap question = entry.toMap();
        const QString exercise = exerciseOf(question).value(kName).toString();
        if (catalogue->indexForTestWithName(exercise) < 0
            || !ZTClassRegistry::sharedRegistry()->controllerClass(
                catalogue->controllerClassNameForTestWithName(exercise)))
            return QStringLiteral("it asks for the unknown exercise \"%1\"").arg(exercise);
        const QVariant answerTime = exerciseOf(question).value(kSettings).toMap().value(kAnswerTime);
        if (answerTime.isValid()) {
            const std::optional<qlonglong> position = PlistValues::toWholeNumber(answerTime);
            if (!position || *position < 0 || *position >= answerTimes().size())
                return QStringLiteral("its answer time %1 is not one of the %2 answer times")
                    .arg(answerTime.toString())
                    .arg(answerTimes().size());
        }
        const qlonglong repeat = repeatOf(question);
        if (repeat > kMaxRepeat)
            return QStringLiteral("it repeats a question %1 times, more than %2").arg(repeat).arg(kMaxRepeat);
        entries += repeat;
    }
    if (entries > kMaxEntries)
        return QStringLiteral("it asks %1 questions, more than %2").arg(entries).arg(kMaxEntries);
    return std::nullopt;
}

bool ZTExamRunner::processExam()
{
    if (const std::optional<QString> refusal = refusalOf(examsDictionary_)) {
        Log::line(QStringLiteral("The exam \"%1\" is not started: %2.")
                      .arg(examsDictionary_.value(kName).toString(), *refusal));
        return false;
    }
    const QVariantMap examSettings = examsDictionary_.value(kSettings).toMap();
    if (const qlonglong minutes = PlistValues::toInteger(examSettings.value(QStringLiteral("timelimit"))); minutes > 0)
        timeLimitTimer_ = MainQueue::after(double(minutes) * 60.0, [this] { timeLimieExceeded(); });

    QVariantList entries = customExercisesFromQuestionsArray(examsDictionary_.value(kQuestions).toList());
    if (examSettings.value(QStringLiteral("play_mode")).toString().toLower() == QLatin1String("random"))
        entries = shuffleArray(entries);
    questions_ = entries;
    overlay_ = std::make_unique<ZTExamCatalogueOverlay>(questions_);
    ZTDataController::sharedController()->incrementRepetitionCountForExamWithID(examId());

    state_ = State::Running;
    currentTestIndex_ = 0;
    currentQuestion_ = questions_.first().toMap();
    updateForQuestionDictionary(currentQuestion_);
    return true;
}

QVariantList ZTExamRunner::customExercisesFromQuestionsArray(const QVariantList& questions)
{
    QVariantList entries;
    for (const QVariant& entry : questions) {
        const QVariantMap question = entry.toMap();
        const QVariantMap exercise = exerciseOf(question);
        QVariantMap custom;
        for (const QString& key : {QStringLiteral("id"), QStringLiteral("level"), QStringLiteral("level_name")})
            if (question.contains(key))
                custom.insert(key, question.value(key));
        custom.insert(QStringLiteral("parentExcercise"), exercise.value(kName));
        custom.insert(kName, exercise.value(kName));
        const QVariantMap settings = exercise.value(kSettings).toMap();
        for (auto it = settings.cbegin(); it != settings.cend(); ++it)
            if (it.key() != QLatin1String("answerTimes"))
                custom.insert(it.key(), it.value());
        const qlonglong repeat = repeatOf(question);
        for (qlonglong i = 0; i < repeat; ++i)
            entries.append(custom);
    }
    return entries;
}

QVariantList ZTExamRunner::shuffleArray(const QVariantList& entries)
{
    QVariantList shuffled;
    for (const QVariant& entry : entries)
        shuffled.insert(RandomSource::shared().next() % std::uint32_t(shuffled.size() + 1), entry);
    return shuffled;
}

void ZTExamRunner::updateForQuestionDictionary(const QVariantMap& entry)
{
    currentTaskResult_.clear();
    ZTDataProvider* catalogue = ZTDataProvider::sharedDataProvider();
    const QString exercise = entry.value(kName).toString();
    const QString className =
        catalogue->controllerClassNameForTestWithName(entry.value(QStringLiteral("parentExcercise")).toString());
    const int level = catalogue->levelIndexForName(
        ZTPreferences::sharedPreferences()->stringForKey(QStringLiteral("level"), exercise), exercise);

    // The controller being replaced may be the one whose answer led here: it goes away once
    // the work on the main queue now running is done.
    MainQueue::async([retired = std::move(currentController_)] {});
    if (const ZTControllerClass* controllerClass = ZTClassRegistry::sharedRegistry()->controllerClass(className))
        currentController_ = controllerClass->create(level, this);
    else
        Log::line(QStringLiteral("No exercise controller \"%1\" for the exam question.").arg(className));

    // No exercise controller announces the start of its question, so the task starts here.
    taskStart_.reset();
    testDidStart();
}

void ZTExamRunner::testDidStart()
{
    if (!taskStart_)
        taskStart_ = MainQueue::now();
}

// ---- Hooks ----

QStringList ZTExamRunner::itemsForCurrentTest() const
{
    QStringList names;
    for (const QVariant& name : currentQuestion_.value(QStringLiteral("level")).toList())
        names.append(name.toString());
    return names;
}

QVariant ZTExamRunner::settingForCurrentTest(const QString& key) const
{
    if (currentQuestion_.contains(key))
        return currentQuestion_.value(key);
    // A setting the exam leaves out is the exercise's own (its default unless the user set it):
    // without a root range, for instance, every question would sound at MIDI note 0.
    return ZTPreferences::sharedPreferences()->_objectForKey(
        QStringLiteral("%1.%2").arg(currentQuestion_.value(kName).toString(), key));
}

QString ZTExamRunner::answerTimeForCurrentTest() const
{
    if (!currentQuestion_.contains(kAnswerTime))
        return PlistValues::toStringOrNull(settingForCurrentTest(QStringLiteral("answerTime")));
    // processExam refused positions outside the table.
    return answerTimes().value(PlistValues::toInteger(currentQuestion_.value(kAnswerTime)), answerTimes().first());
}

int ZTExamRunner::numberOfTryoutsForCurrentTest() const
{
    return PlistValues::toInteger(settingForCurrentTest(QStringLiteral("numTryouts")));
}

bool ZTExamRunner::showNoteNameForCurrentTest() const
{
    return PlistValues::toBool(settingForCurrentTest(QStringLiteral("showNoteNames")));
}

bool ZTExamRunner::showfirstnoteForCurrentTest() const
{
    return PlistValues::toBool(settingForCurrentTest(QStringLiteral("showfirstnote")));
}

QString ZTExamRunner::basenoteForCurrentTest() const
{
    return PlistValues::toStringOrNull(settingForCurrentTest(QStringLiteral("basenote")));
}

int ZTExamRunner::descendingForCurrentTest() const
{
    return PlistValues::toInteger(settingForCurrentTest(QStringLiteral("descending")));
}
