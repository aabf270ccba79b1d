#include "ExamTestSupport.h"

#include "PlistValues.h"
#include "ZTNoteCollection.h"

namespace {

QVariantMap storedExamNamed(const QString& name)
{
    for (const QVariant& exam : ZTDataController::sharedController()->examsSortedBy({}))
        if (exam.toMap().value("name").toString() == name)
            return exam.toMap();
    return {};
}

std::pair<int, int> statsOf(const QString& test, const QString& item)
{
    auto rows = ZTUtils::sharedDb()->executeQuery("SELECT right,wrong FROM stats WHERE testName=? AND itemName=?",
                                                  {test, item});
    std::pair<int, int> counts{-1, -1};
    if (rows && rows->next())
        counts = {rows->intForColumn("right"), rows->intForColumn("wrong")};
    if (rows)
        rows->close();
    return counts;
}

} // namespace

// Log in, fetch the exams, run one through the real exercise controllers with scripted
// answers, lose the upload to a server error, restart, and see the result arrive once.
TEST_F(ExamRunnerTest, AWholeExamArrivesOnceThroughAServerErrorAndARestart)
{
    // What the user owns, which the exam must leave alone.
    const QVariantMap chord{{"name", "My chord"}, {"group", "0"}, {"chordId", "my"},
                            {"definition", QVariantList{QVariantMap{{"notes", QVariantList{QVariantMap{{"pos", 1}, {"off", 0}}}}}}}};
    ZTPreferences::sharedPreferences()->addCustomExercise(chord, "Chord recognition");
    queue.advance(0.5);
    const QVariantList customExercises = ZTPreferences::sharedPreferences()->customExercises();
    ASSERT_TRUE(ZTUtils::sharedDb()->executeUpdate(
        "INSERT into stats (testName, itemName, right, wrong) VALUES(?,?,?,?)", {"Interval recognition", "Minor second", 3, 1}));

    const QVariantMap spring = examRecord(
        21, "Spring test",
        {question(1, "Interval recognition", {"Minor second", "Major third", "Perfect fifth"},
                  {{"numTryouts", 2}, {"anserTime", 0}, {"basenote", "48,60"}}),
         question(2, "Chord recognition", {"Major", "Minor", "Diminished"}, {{"numTryouts", 1}}, 2),
         question(3, "Pitch recognition", {"C3", "E3", "G3"}, {{"numTryouts", 1}})},
        {{"timelimit", 30}, {"play_mode", "ordered"}});
    server.setExams({spring, examRecord(22, "Other", {question(1, "Interval recognition", {"Tritone"})})}, 1);
    server.setResults({QVariantMap{{"exam_id", 21}, {"right", 1}, {"wrong", 2}}});

    ASSERT_TRUE(login("ada", "s3cret pass", nullptr, &queue));
    ASSERT_TRUE(waitUntil([&] { return store()->examsSortedBy({}).size() == 2 && store()->serverSideRepetiionCountForExamWithID(21) == 3; },
                          kReplyWaitMilliseconds, &queue));
    runner->setExamsDictionary(storedExamNamed("Spring test"));
    ASSERT_TRUE(runner->processExam());
    ASSERT_EQ(runner->questions().size(), 4);

    answerTask(1, true, 4); // interval: wrong, then right
    runner->nextExercise();
    answerTask(0, true, 2); // chord: right
    runner->nextExercise();
    answerTask(1, false, 6); // chord again: wrong, no second try
    runner->nextExercise();
    controller()->nextTest(); // pitch, answered on the keyboard
    queue.advance(1);
    controller()->noteEnteredWithNr(controller()->currentTest()->noteCollectionObjects().first().firstNote()->nr());
    queue.runPending();
    EXPECT_EQ(runner->currentTaskResult().value("right").toInt(), 1);

    LogCapture log;
    server.answerNext("POST", "/exam/21/result", 500, R"({"detail": "database down"})");
    runner->nextExercise();
    ASSERT_TRUE(runner->isFinished());
    ASSERT_TRUE(waitUntil([&] { return log.contains("is kept and sent again later"); }, kReplyWaitMilliseconds, &queue));
    EXPECT_TRUE(server.acceptedResults().isEmpty());
    EXPECT_EQ(pending().size(), 1);

    // A restart: nothing but the files survives.
    runner.reset();
    client.reset();
    queue.runPending();
    ZTPreferences::resetSharedForTesting();
    client = makeClient();
    EXPECT_FALSE(client->isLoggedIn());
    ASSERT_TRUE(login("ada", "s3cret pass", nullptr, &queue));
    ASSERT_TRUE(waitUntil([&] { return pending().isEmpty(); }, kReplyWaitMilliseconds, &queue));
    ASSERT_EQ(server.acceptedResults().size(), 1);

    const auto [examId, body] = server.acceptedResults().first();
    EXPECT_EQ(examId, 21);
    const QVariantMap result = body.value("exam").toMap();
    EXPECT_EQ(result.value("right").toInt(), 3);
    EXPECT_EQ(result.value("wrong").toInt(), 1);
    EXPECT_EQ(result.value("repetitionCount").toInt(), 3); // the server's 3 beat the 1 local start
    const QVariantList answers = result.value("answers").toList();
    ASSERT_EQ(answers.size(), 3);
    const QVariantMap chords = answers.at(1).toMap();
    EXPECT_EQ(chords.value("question").toInt(), 2);
    EXPECT_EQ(chords.value("tasks").toList().size(), 2);
    EXPECT_EQ(chords.value("right").toInt(), 1);
    EXPECT_EQ(chords.value("time_to_complete").toInt(), 8);
    EXPECT_EQ(answers.at(0).toMap().value("tasks").toList().first().toMap().value("tryouts").toList().size(), 2);
    EXPECT_EQ(server.requestsTo("POST", "/exam/21/result").size(), 2);
    EXPECT_EQ(server.requestsTo("POST", "/exam/21/result").last().headers.value("authorization"), "Bearer " + kToken);

    // Logging in again sends nothing more.
    ASSERT_TRUE(login("ada", "s3cret pass", nullptr, &queue));
    settle(&queue);
    EXPECT_EQ(server.acceptedResults().size(), 1);

    // The user's custom exercises and statistics are as they were.
    EXPECT_TRUE(PlistValues::objectsEqual(ZTPreferences::sharedPreferences()->customExercises(), customExercises));
    EXPECT_TRUE(ZTDataProvider::sharedDataProvider()->exerciseNamesForTestWithName("Chord recognition").contains("My chord"));
    EXPECT_EQ(statsOf("Interval recognition", "Minor second"), std::make_pair(3, 1));
    EXPECT_EQ(statisticsRows(), 1);
}
