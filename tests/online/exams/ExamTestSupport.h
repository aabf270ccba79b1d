#pragma once

// Helpers of the exam suites: a client pointed at a fake exam server over TLS, trusting the
// test authority, and a way to wait for its replies on the main thread.
#include "FMDatabase.h"
#include "FMResultSet.h"
#include "FakeExamServer.h"
#include "RandomSource.h"
#include "TestEnvironment.h"
#include "ZTAPIController.h"
#include "ZTAbstractTestController.h"
#include "ZTDataController.h"
#include "ZTDataProvider.h"
#include "ZTExamRunner.h"
#include "ZTMusicalTest.h"
#include "ZTPreferences.h"
#include "ZTTest.h"
#include "ZTUtils.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <optional>
#include <memory>

inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

// How long a test waits for the server's replies.
constexpr int kReplyWaitMilliseconds = 10000;

// Lets replies that are not waited for arrive (and be ignored) before the checks.
inline void settle(ManualMainQueue* queue = nullptr, int milliseconds = 300)
{
    QElapsedTimer timer;
    timer.start();
    waitUntil([&] { return timer.elapsed() > milliseconds; }, kReplyWaitMilliseconds, queue);
}

class ExamClientTest : public ::testing::Test {
protected:
    static inline const QString kToken = QStringLiteral("tok-7f3a9c41d2e85b60");

    void SetUp() override
    {
        ZTPreferences::setMIDIEndpointLookup({});
        ZTPreferences::resetSharedForTesting();
        server.addUser("ada", "s3cret pass", kToken);
        client = makeClient();
    }
    void TearDown() override
    {
        client.reset();
        ZTPreferences::resetSharedForTesting();
    }

    std::unique_ptr<ZTAPIController> makeClient() const
    {
        auto made = std::make_unique<ZTAPIController>();
        made->setBackendURL(server.url());
        made->setSslConfiguration(FakeExamServer::trustingTestAuthority());
        return made;
    }

    // Logs in and waits for the completion; the fetches it starts may still be running.
    bool login(const QString& user = "ada", const QString& password = "s3cret pass", Error* error = nullptr,
               ManualMainQueue* queue = nullptr)
    {
        std::optional<bool> result;
        client->loginWithUser(user, password, [&](bool success, const Error& e) {
            result = success;
            if (error)
                *error = e;
        });
        EXPECT_TRUE(waitUntil([&] { return result.has_value(); }, kReplyWaitMilliseconds, queue));
        return result.value_or(false);
    }

    static ZTDataController* store() { return ZTDataController::sharedController(); }
    static QVariant setting(const QString& key) { return ZTPreferences::sharedPreferences()->_objectForKey(key); }

    TestEnvironment env;
    FakeExamServer server;
    std::unique_ptr<ZTAPIController> client;
};

// A runner over the real exercise controllers: fresh settings, the bundle's catalogue, an
// open statistics database and a manual main queue (the clock the tasks are timed by).
class ExamRunnerTest : public ExamClientTest {
protected:
    void SetUp() override
    {
        ExamClientTest::SetUp();
        ZTMusicalTest::setMIDIOutputEndpointCheck({});
        ZTDataProvider::sharedDataProvider()->setup();
        ZTUtils::resetSharedDbForTesting();
        ASSERT_TRUE(ZTUtils::sharedDb() && ZTUtils::sharedDb()->open());
        RandomSource::shared().seed(7);
        runner = std::make_unique<ZTExamRunner>(client.get());
    }
    void TearDown() override
    {
        runner.reset();
        queue.runPending();
        ZTUtils::resetSharedDbForTesting();
        ExamClientTest::TearDown();
        ZTDataProvider::sharedDataProvider()->setup();
    }

    // One question of an exam.
    static QVariantMap question(qlonglong id, const QString& exercise, const QStringList& items,
                                const QVariantMap& settings = {{"numTryouts", 1}}, qlonglong repeat = 1)
    {
        return {{"id", id},
                {"level", items},
                {"level_name", "Exam items"},
                {"repeat", repeat},
                {"exercise", QVariantMap{{"name", exercise}, {"settings", settings}}}};
    }
    static QVariantMap examRecord(qlonglong id, const QString& name, const QVariantList& questions,
                                  const QVariantMap& settings = {{"timelimit", 0}, {"play_mode", "ordered"}})
    {
        return {{"id", id}, {"name", name}, {"settings", settings}, {"questions", questions}};
    }
    bool start(const QVariantMap& exam)
    {
        runner->setExamsDictionary(exam);
        return runner->processExam();
    }

    ZTAbstractTestController* controller() const { return runner->currentController(); }
    QString asked() const { return controller()->currentTest() ? controller()->currentTest()->name() : QString(); }
    // Some item of the question other than the one asked.
    QString otherItem() const
    {
        for (const QVariant& item : controller()->items())
            if (item.toMap().value("name").toString() != asked())
                return item.toMap().value("name").toString();
        return {};
    }
    // Answers from the sidebar with the item of that name.
    void click(const QString& itemName)
    {
        const QVariantList rows = controller()->arrayForTableView();
        for (qsizetype row = 0; row < rows.size(); ++row) {
            if (rows.at(row).toMap().value("name").toString() == itemName) {
                controller()->tableViewClickedWithRow(row, {});
                queue.runPending();
                return;
            }
        }
        ADD_FAILURE() << "no sidebar row " << itemName.toStdString();
    }
    // Starts the current task's question and answers it after the seconds given: wrong first
    // as often as asked, then right unless told otherwise.
    void answerTask(int wrongTries, bool thenRight = true, double seconds = 0)
    {
        controller()->nextTest();
        queue.advance(seconds);
        for (int i = 0; i < wrongTries; ++i)
            click(otherItem());
        if (thenRight)
            click(asked());
    }
    QList<ZTDataController::PendingResult> pending() const { return store()->pendingResults(); }
    static int statisticsRows()
    {
        auto rows = ZTUtils::sharedDb()->executeQuery("SELECT (SELECT count(*) FROM stats) + (SELECT count(*) FROM results) AS n");
        const int n = rows && rows->next() ? rows->intForColumn("n") : -1;
        if (rows)
            rows->close();
        return n;
    }

    ManualMainQueue queue;
    std::unique_ptr<ZTExamRunner> runner;
};
