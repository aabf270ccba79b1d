#include "ExamTestSupport.h"

#include "Paths.h"
#include "PlistValues.h"

#include <QFileInfo>
#include <QRegularExpression>

namespace {

const QStringList kIntervals{"Minor second", "Major third", "Perfect fifth"};

QStringList names(const QVariantList& records, const QString& key = "name")
{
    QStringList list;
    for (const QVariant& record : records)
        list << record.toMap().value(key).toString();
    return list;
}

QVariantMap onlyAnswer(const QVariantMap& result)
{
    return result.value("answers").toList().value(0).toMap();
}

} // namespace

TEST_F(ExamRunnerTest, QuestionsBecomeEntriesRepeatedAndShuffledAsTheExamSays)
{
    const QVariantList entries = ZTExamRunner::customExercisesFromQuestionsArray(
        {question(1, "Interval recognition", kIntervals,
                  {{"numTryouts", 2}, {"answerTimes", QVariantList{"x"}}, {"level_name", "From settings"}}, 3),
         question(2, "Chord recognition", {"Major"}, {}, 0)});
    EXPECT_EQ(names(entries, "id"), QStringList({"1", "1", "1", "2"}));
    const QVariantMap first = entries.first().toMap();
    EXPECT_EQ(first.value("parentExcercise").toString(), "Interval recognition");
    EXPECT_EQ(first.value("name").toString(), "Interval recognition");
    EXPECT_EQ(first.value("level").toStringList(), kIntervals);
    EXPECT_EQ(first.value("level_name").toString(), "From settings"); // a setting replaces the field
    EXPECT_EQ(first.value("numTryouts").toInt(), 2);
    EXPECT_FALSE(first.contains("answerTimes"));

    QVariantList ordered;
    for (int i = 0; i < 8; ++i)
        ordered << i;
    const QVariantList shuffled = ZTExamRunner::shuffleArray(ordered);
    EXPECT_NE(shuffled, ordered);
    QVariantList sorted = shuffled;
    std::sort(sorted.begin(), sorted.end(), [](const QVariant& a, const QVariant& b) { return a.toInt() < b.toInt(); });
    EXPECT_EQ(sorted, ordered);

    // "Random" in any letter case shuffles the asked order.
    ASSERT_TRUE(start(examRecord(5, "Mixed",
                                 {question(1, "Interval recognition", kIntervals), question(2, "Interval recognition", kIntervals),
                                  question(3, "Interval recognition", kIntervals), question(4, "Interval recognition", kIntervals),
                                  question(5, "Interval recognition", kIntervals)},
                                 {{"play_mode", "Random"}})));
    EXPECT_NE(names(runner->questions(), "id"), QStringList({"1", "2", "3", "4", "5"}));
    EXPECT_FALSE(runner->hasTimeLimitTimer());
}

TEST_F(ExamRunnerTest, AnExamItCannotRunIsRefusedAndChangesNothing)
{
    const QVariantMap good = question(1, "Interval recognition", kIntervals);
    QVariantMap noId = examRecord(1, "No id", {good});
    noId.remove("id");
    const QList<std::pair<QVariantMap, QString>> refused{
        {examRecord(1, "Empty", {}), "no questions"},
        {noId, "no integer id"},
        {examRecord(1, "Too slow", {question(1, "Interval recognition", kIntervals, {{"anserTime", 17}})}), "answer time 17"},
        {examRecord(1, "Negative", {question(1, "Interval recognition", kIntervals, {{"anserTime", -1}})}), "answer time -1"},
        {examRecord(1, "Between", {question(1, "Interval recognition", kIntervals, {{"anserTime", 2.5}})}), "answer time 2.5"},
        {examRecord(1, "Unknown", {question(1, "Harmonica recognition", {"A"})}), "Harmonica recognition"},
        {examRecord(1, "Endless", {question(1, "Interval recognition", kIntervals, {}, 101)}), "101 times"},
    };
    for (const auto& [exam, reason] : refused) {
        ZTExamRunner fresh(client.get());
        fresh.setExamsDictionary(exam);
        LogCapture log;
        EXPECT_FALSE(fresh.processExam()) << reason.toStdString();
        EXPECT_TRUE(log.contains(reason)) << reason.toStdString();
        EXPECT_EQ(fresh.currentController(), nullptr);
        EXPECT_FALSE(fresh.isRunning());
    }
    EXPECT_FALSE(QFileInfo::exists(Paths::documentsFolder() + "/reptitions.plist"));

    ASSERT_TRUE(start(examRecord(1, "Fine", {good})));
    EXPECT_FALSE(runner->processExam()); // once only
    EXPECT_EQ(store()->repetitionCountForExamWithID(1), 1);
}

TEST_F(ExamRunnerTest, TheControllerTakesItemsAndSettingsFromTheQuestion)
{
    const QVariantMap settings{{"anserTime", 11}, {"numTryouts", 3}, {"showNoteNames", true}, {"showfirstnote", true},
                               {"basenote", "50,55"}, {"descending", 2}};
    ASSERT_TRUE(start(examRecord(1, "Settings", {question(1, "Interval recognition", kIntervals, settings),
                                                 question(2, "Interval recognition", kIntervals, {})})));
    EXPECT_EQ(runner->answerTimeForCurrentTest(), "15 sec");
    EXPECT_EQ(runner->numberOfTryoutsForCurrentTest(), 3);
    EXPECT_TRUE(runner->showNoteNameForCurrentTest());
    EXPECT_TRUE(runner->showfirstnoteForCurrentTest());
    EXPECT_EQ(runner->basenoteForCurrentTest(), "50,55");
    EXPECT_EQ(runner->descendingForCurrentTest(), 2);
    ASSERT_NE(controller(), nullptr);
    EXPECT_EQ(controller()->testName(), "Interval recognition");
    EXPECT_EQ(names(controller()->items()), kIntervals);

    answerTask(0);
    auto* musical = dynamic_cast<ZTMusicalTest*>(controller()->currentTest().get());
    ASSERT_NE(musical, nullptr);
    EXPECT_GE(musical->rootNoteNr(), 50);
    EXPECT_LE(musical->rootNoteNr(), 55);

    // What the second question leaves out is the exercise's own setting.
    ZTPreferences::sharedPreferences()->setString("5 sec", "answerTime", "Interval recognition");
    runner->nextExercise();
    EXPECT_EQ(runner->currentTestIndex(), 1);
    EXPECT_EQ(runner->answerTimeForCurrentTest(), "5 sec");
    EXPECT_EQ(runner->basenoteForCurrentTest(), "48,72");
    EXPECT_EQ(runner->numberOfTryoutsForCurrentTest(), 2);
    EXPECT_EQ(ZTExamRunner::answerTimes().size(), 17);
    EXPECT_EQ(ZTExamRunner::answerTimes().last(), "1 min");
}

TEST_F(ExamRunnerTest, TasksAreRecordedTimedAndSummedPerQuestion)
{
    ASSERT_TRUE(start(examRecord(3, "Twice", {question(7, "Interval recognition", kIntervals, {{"numTryouts", 2}}, 2)})));
    answerTask(1, true, 3); // a wrong try, then right, after 3 s
    const QVariantMap first = runner->currentTaskResult();
    EXPECT_EQ(first.value("right").toInt(), 1);
    EXPECT_EQ(first.value("time_to_complete").toInt(), 3);
    EXPECT_EQ(first.value("tryouts").toList().size(), 2);
    EXPECT_FALSE(first.value("task").toString().isEmpty());
    EXPECT_EQ(first.value("name").toString(), controller()->rightResultString());
    EXPECT_TRUE(QRegularExpression("^[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}$")
                    .match(first.value("uuid").toString())
                    .hasMatch());
    runner->nextExercise();

    answerTask(2, false, 5); // both tries wrong, after 5 s
    EXPECT_EQ(runner->currentTaskResult().value("right").toInt(), 0);
    runner->nextExercise();

    ASSERT_TRUE(runner->isFinished());
    const QVariantMap result = pending().value(0).body.value("exam").toMap();
    const QVariantMap answer = onlyAnswer(result);
    EXPECT_EQ(answer.value("question").toInt(), 7);
    EXPECT_EQ(answer.value("tasks").toList().size(), 2);
    EXPECT_EQ(answer.value("right").toInt(), 1);
    EXPECT_EQ(answer.value("wrong").toInt(), 1);
    EXPECT_EQ(answer.value("time_to_complete").toInt(), 8);
    EXPECT_EQ(result.value("time_to_complete").toInt(), 8);
    EXPECT_EQ(result.value("right").toInt(), 1);
    EXPECT_EQ(result.value("wrong").toInt(), 1);
    EXPECT_EQ(result.value("repetitionCount").toInt(), 1);
    const QRegularExpression date("^\\d{4}-\\d{2}-\\d{2} \\d{2}:\\d{2}$");
    EXPECT_TRUE(date.match(result.value("start_date").toString()).hasMatch()) << result.value("start_date").toString().toStdString();
    EXPECT_TRUE(date.match(result.value("end_date").toString()).hasMatch());
    EXPECT_EQ(statisticsRows(), 0); // exam answers never reach the statistics
}

TEST_F(ExamRunnerTest, TheTaskNamesWhatWasAskedAndTheTryoutsWhatWasAnswered)
{
    ASSERT_TRUE(start(examRecord(4, "Names", {question(1, "Interval recognition", kIntervals, {{"numTryouts", 2}}),
                                              question(2, "Pitch recognition", {"C3", "E3", "G3"}, {{"numTryouts", 2}})})));
    // Two notes are spelled "low - high": the task is the first of them, for any try.
    controller()->nextTest();
    const QString spelling = controller()->spellingString();
    ASSERT_TRUE(spelling.contains(" - "));
    const QString wrongItem = otherItem();
    click(wrongItem);
    EXPECT_EQ(runner->currentTaskResult().value("task").toString(), spelling.section(" - ", 0, 0));
    click(asked());
    EXPECT_EQ(runner->currentTaskResult().value("task").toString(), spelling.section(" - ", 0, 0));
    // An interval answer is named by its first note in the question's key: the root.
    const auto* musical = dynamic_cast<const ZTMusicalTest*>(controller()->currentTest().get());
    ASSERT_NE(musical, nullptr);
    const QString root = ZTExamRunner::nameForNoteInNotesArray(
        QVariantList{QVariantMap{{"notes", QVariantList{QVariantMap{{"pos", 1}, {"off", 0}}}}}}, musical);
    EXPECT_FALSE(root.isEmpty());
    EXPECT_EQ(runner->currentTaskResult().value("tryouts").toStringList(), QStringList({root, root}));
    runner->nextExercise();

    // A pitch question spells nothing: the task is the right result, the answers are item names.
    controller()->nextTest();
    ASSERT_TRUE(controller()->spellingString().isEmpty());
    const QString pitchWrong = otherItem();
    click(pitchWrong);
    EXPECT_EQ(runner->currentTaskResult().value("task").toString(), controller()->rightResultString());
    EXPECT_EQ(runner->currentTaskResult().value("tryouts").toStringList(), QStringList({pitchWrong}));
    EXPECT_TRUE(ZTExamRunner::nameForNoteInNotesArray(QVariantList{}, controller()->currentTest().get()).isNull());
}

TEST_F(ExamRunnerTest, TheTimeLimitFinishesTheExamOnceWithEveryTaskCounted)
{
    ASSERT_TRUE(start(examRecord(6, "Timed", {question(1, "Interval recognition", kIntervals, {{"numTryouts", 1}}, 5)},
                                 {{"timelimit", 2}})));
    EXPECT_TRUE(runner->hasTimeLimitTimer());
    answerTask(0);
    runner->nextExercise();
    answerTask(1, false);
    runner->nextExercise();
    answerTask(0); // the open task
    queue.advance(119.9);
    EXPECT_TRUE(runner->isRunning());
    queue.advance(0.1);
    ASSERT_TRUE(runner->isFinished());

    ASSERT_EQ(pending().size(), 1);
    const QVariantMap result = pending().first().body.value("exam").toMap();
    EXPECT_EQ(result.value("right").toInt(), 2);
    EXPECT_EQ(result.value("wrong").toInt(), 1);
    EXPECT_EQ(onlyAnswer(result).value("tasks").toList().size(), 3);

    // Finished is final: nothing is filed or handed over again.
    LogCapture log;
    runner->nextExercise();
    runner->timeLimieExceeded();
    EXPECT_EQ(pending().size(), 1);
    EXPECT_TRUE(log.contains("handed over once"));
}

TEST_F(ExamRunnerTest, TheUsersOwnCustomExercisesStayThroughAnExamAndAnInterruptedOne)
{
    const QVariantMap chord{{"name", "My chord"}, {"group", "0"}, {"chordId", "my"},
                            {"definition", QVariantList{QVariantMap{{"notes", QVariantList{QVariantMap{{"pos", 1}, {"off", 0}}}}},
                                                        QVariantMap{{"notes", QVariantList{QVariantMap{{"pos", 4}, {"off", 1}}}}}}}};
    ZTPreferences::sharedPreferences()->addCustomExercise(chord, "Chord recognition");
    queue.advance(0.5);
    ZTDataProvider* catalogue = ZTDataProvider::sharedDataProvider();
    ASSERT_TRUE(catalogue->exerciseNamesForTestWithName("Chord recognition").contains("My chord"));
    const QVariantList userList = ZTPreferences::sharedPreferences()->customExercises();
    const QByteArray settingsFile = [] {
        QFile file(ZTPreferences::sharedPreferences()->prefsPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();

    ASSERT_TRUE(start(examRecord(8, "Chords", {question(1, "Chord recognition", {"Major", "Minor", "My chord"}),
                                               question(2, "Chord recognition", {"Major", "Minor"})})));
    // While it runs the exam's entries stand in for the custom list, in memory only.
    EXPECT_FALSE(catalogue->exerciseNamesForTestWithName("Chord recognition").contains("My chord"));
    EXPECT_EQ(names(controller()->items()), QStringList({"Major", "Minor"}));
    answerTask(0);
    runner->nextExercise();
    queue.advance(1);

    // An interruption (the window closed, the program quit) puts the catalogue back.
    runner.reset();
    queue.runPending();
    EXPECT_TRUE(catalogue->exerciseNamesForTestWithName("Chord recognition").contains("My chord"));
    EXPECT_TRUE(PlistValues::objectsEqual(ZTPreferences::sharedPreferences()->customExercises(), userList));
    QFile file(ZTPreferences::sharedPreferences()->prefsPath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), settingsFile);
    EXPECT_EQ(statisticsRows(), 0);
}

TEST_F(ExamRunnerTest, AnswersOfAReplacedControllerAreNotRecorded)
{
    ASSERT_TRUE(start(examRecord(9, "Late", {question(1, "Interval recognition", kIntervals, {{"numTryouts", 1}}, 2)})));
    ZTAbstractTestController* first = controller();
    first->nextTest();
    const QVariantMap item = first->currentTest()->item();
    ZTTest* firstQuestion = first->currentTest().get();
    runner->nextExercise(); // the first task is filed unanswered
    LogCapture log;
    runner->processRightAnswerWithItem(item, firstQuestion);
    EXPECT_TRUE(runner->currentTaskResult().isEmpty());
    EXPECT_TRUE(log.contains("not recorded"));
}
