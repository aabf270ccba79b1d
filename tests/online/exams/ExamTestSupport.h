#pragma once

// Helpers of the exam suites: a client pointed at a fake exam server, and a way to wait for
// its replies on the main thread.
#include "FakeExamServer.h"
#include "TestEnvironment.h"
#include "ZTAPIController.h"
#include "ZTDataController.h"
#include "ZTPreferences.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

// Runs the event loop, and the manual main queue when one is given, until the condition
// holds; false when it did not within the time.
inline bool pumpUntil(const std::function<bool()>& condition, ManualMainQueue* queue = nullptr,
                      int timeoutMilliseconds = 10000)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > timeoutMilliseconds)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        if (queue)
            queue->runPending();
    }
    return true;
}

// Lets replies that are not waited for arrive (and be ignored) before the checks.
inline void settle(ManualMainQueue* queue = nullptr, int milliseconds = 300)
{
    QElapsedTimer timer;
    timer.start();
    pumpUntil([&] { return timer.elapsed() > milliseconds; }, queue);
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
        return made;
    }

    // Logs in and waits for the completion; the fetches it starts may still be running.
    bool login(const QString& user = "ada", const QString& password = "s3cret pass", ZTExamError* error = nullptr,
               ManualMainQueue* queue = nullptr)
    {
        std::optional<bool> result;
        client->loginWithUser(user, password, [&](bool success, const ZTExamError& e) {
            result = success;
            if (error)
                *error = e;
        });
        EXPECT_TRUE(pumpUntil([&] { return result.has_value(); }, queue));
        return result.value_or(false);
    }

    static ZTDataController* store() { return ZTDataController::sharedController(); }
    static QVariant setting(const QString& key) { return ZTPreferences::sharedPreferences()->_objectForKey(key); }

    TestEnvironment env;
    FakeExamServer server;
    std::unique_ptr<ZTAPIController> client;
};
