// The exam server's side of a session, as the exam client takes it in, and the exams it brings
// run as an exam screen would run them. The input is the server's replies, separated by lines
// "===", each "<status> <body>" (a body alone is a 200; status 0 is a transfer that failed). They
// answer the client's requests in the order it sends them: the login, then the exam, result and
// user pages it fetches, then the uploads of finished exams.
//
// The login ends once; a token taken in may stand in a header, and no other is sent; the store
// keeps exam records with whole-number ids; each stored exam is refused or runs to its end,
// leaving the user's own custom exercises and the statistics as they were.
#include "BearerToken.h"
#include "FMDatabase.h"
#include "FMResultSet.h"
#include "FuzzEnvironment.h"
#include "MainQueue.h"
#include "PlistValues.h"
#include "RandomSource.h"
#include "ZTAPIController.h"
#include "ZTAbstractTestController.h"
#include "ZTDataController.h"
#include "ZTDataProvider.h"
#include "ZTExamRunner.h"
#include "ZTPreferences.h"
#include "ZTUtils.h"

#include <QDir>

namespace {

constexpr int kMaxExamsRun = 2;
constexpr int kMaxTasksAnswered = 3;

// Answers each request with the next reply of the input, on the main queue as the real
// transport does; a failed transfer once the replies are used up.
class ScriptedServer final : public ZTExamTransport {
public:
    explicit ScriptedServer(const QByteArray& script)
    {
        static const QByteArray separator = "\n===\n";
        for (qsizetype start = 0; start <= script.size();) {
            qsizetype end = script.indexOf(separator, start);
            if (end < 0)
                end = script.size();
            replies_.append(replyOf(script.mid(start, end - start)));
            start = end + separator.size();
        }
    }
    ~ScriptedServer() override { *alive_ = false; }

    void send(const ZTExamRequest& request, Completion completion) override
    {
        requests_.append(request);
        ZTExamReply reply = next_ < replies_.size() ? replies_.at(next_++) : ZTExamReply{};
        if (!reply.hasResponse() && reply.transferError.isEmpty())
            reply.transferError = QStringLiteral("The network connection was lost.");
        reply.url = request.url;
        MainQueue::async([alive = alive_, completion = std::move(completion), reply] {
            if (*alive)
                completion(reply);
        });
    }

    const QList<ZTExamRequest>& requests() const { return requests_; }

private:
    static ZTExamReply replyOf(const QByteArray& section)
    {
        ZTExamReply reply;
        reply.statusCode = 200;
        reply.body = section;
        const qsizetype space = section.indexOf(' ');
        bool isStatus = false;
        const int status = space > 0 && space <= 3 ? section.left(space).toInt(&isStatus) : 0;
        if (isStatus) {
            reply.statusCode = status;
            reply.body = section.mid(space + 1);
        }
        reply.mimeType = QStringLiteral("application/json");
        return reply;
    }

    QList<ZTExamReply> replies_;
    qsizetype next_ = 0;
    QList<ZTExamRequest> requests_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

int statisticsRows()
{
    auto rows = ZTUtils::sharedDb()->executeQuery(
        QStringLiteral("SELECT (SELECT count(*) FROM stats) + (SELECT count(*) FROM results) AS n"));
    const int count = rows && rows->next() ? rows->intForColumn(QStringLiteral("n")) : -1;
    if (rows)
        rows->close();
    return count;
}

// An exam screen: starts the exam, answers a few tasks (the first sidebar row, right or
// wrong), then lets the time limit end it.
void runExam(FuzzEnvironment& environment, ZTAPIController& client, const QVariantMap& exam)
{
    ZTPreferences* p = ZTPreferences::sharedPreferences();
    const QVariantList ownExercises = p->customExercises();
    const int rows = statisticsRows();
    ZTExamRunner runner(&client);
    runner.setExamsDictionary(exam);
    if (!runner.processExam()) {
        FUZZ_REQUIRE(!runner.isRunning() && !runner.isFinished());
    } else {
        for (int task = 0; task < kMaxTasksAnswered && runner.isRunning(); ++task) {
            if (ZTAbstractTestController* controller = runner.currentController()) {
                controller->nextTest();
                if (!controller->arrayForTableView().isEmpty())
                    controller->tableViewClickedWithRow(0, {});
                environment.settle();
            }
            if (runner.isRunning())
                runner.nextExercise();
        }
        if (runner.isRunning())
            runner.timeLimieExceeded();
        FUZZ_REQUIRE(runner.isFinished());
    }
    environment.settle();
    FUZZ_REQUIRE(p->customExercises() == ownExercises);
    FUZZ_REQUIRE(statisticsRows() == rows);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzEnvironment& environment = FuzzEnvironment::shared();
    // The exams name exercises and items; the settings defaults need every exercise.
    environment.shortenExerciseDefinitions();
    static const bool ready = [] {
        ZTDataProvider::sharedDataProvider()->setup();
        return ZTUtils::sharedDb() && ZTUtils::sharedDb()->open();
    }();
    FUZZ_REQUIRE(ready);
    RandomSource::shared().seed(7);
    QDir documents(ZTDataController::sharedController()->documentPath());
    for (const QString& name : documents.entryList({QStringLiteral("*.plist")}, QDir::Files))
        documents.remove(name);

    auto script = std::make_unique<ScriptedServer>(FuzzEnvironment::bytes(data, size));
    const ScriptedServer& server = *script;
    ZTAPIController client(nullptr, std::move(script));
    int logins = 0;
    bool loggedIn = false;
    client.loginWithUser(QStringLiteral("ada"), QStringLiteral("s3cret pass"), [&](bool success, const Error& error) {
        ++logins;
        loggedIn = success;
        FUZZ_REQUIRE(success == error.isNull());
    });
    environment.settle();
    FUZZ_REQUIRE(logins == 1);
    FUZZ_REQUIRE(loggedIn == client.isLoggedIn());
    const QString token = client.currentAccessToken();
    FUZZ_REQUIRE(!loggedIn || BearerToken::isWellFormed(token));
    for (const ZTExamRequest& request : server.requests()) {
        FUZZ_REQUIRE(request.url.host() == client.backendURL().host());
        const QByteArray authorization = request.header("Authorization");
        FUZZ_REQUIRE(authorization.isEmpty() || authorization == "Bearer " || authorization == "Bearer " + token.toUtf8());
    }
    ZTPreferences* p = ZTPreferences::sharedPreferences();
    for (const QString& key : {ZTAPIController::kFirstNameKey, ZTAPIController::kLastNameKey}) {
        const QVariant name = p->_objectForKey(key);
        FUZZ_REQUIRE(!name.isValid() || name.typeId() == QMetaType::QString);
    }

    const QVariantList exams = ZTDataController::sharedController()->examsSortedBy({});
    for (const QVariant& exam : exams)
        FUZZ_REQUIRE(PlistValues::toWholeNumber(exam.toMap().value(QStringLiteral("id"))).has_value());
    for (qsizetype i = 0; i < exams.size() && i < kMaxExamsRun; ++i)
        runExam(environment, client, exams.at(i).toMap());
    client.logout();
    environment.settle();
    return 0;
}
