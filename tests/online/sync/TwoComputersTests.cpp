// Two computers, each a process running the application with folders of its own, syncing
// through one stand-in Dropbox service: answers travel, edits on both raise the conflict
// window whose choices keep what they say, and a kill -9 in the middle of a sync loses nothing.
#include "DropboxCredentialStore.h"
#include "FMDatabase.h"
#include "FMResultSet.h"
#include "FakeDropbox.h"
#include "PropertyList.h"
#include "TestEnvironment.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>

namespace {

// One computer: its own home and folders, signed in to the service, with sync switched on.
class Computer {
public:
    explicit Computer(FakeDropbox& service)
        : service_(service)
    {
        for (const char* folder : {"data/Vantrel/Melvora", "cache", "config", "home", "tmp"})
            QDir().mkpath(root_.filePath(QLatin1String(folder)));
        const FakeDropbox::Grant grant = service.grantAccess();
        DropboxCredentialStore(supportFolder() + QStringLiteral("/dropbox-credentials.json"))
            .save({grant.accessToken, grant.refreshToken, {}, QStringLiteral("dbid:test")});
        PropertyList::writeFileAtomically(supportFolder() + QStringLiteral("/settings.plist"),
                                          QVariantMap{{QStringLiteral("dropBoxSync"), true},
                                                      {QStringLiteral("syncDropBoxStatistics"), true},
                                                      {QStringLiteral("syncDropBoxCustomLevels"), true},
                                                      {QStringLiteral("syncDropBoxSettings"), true},
                                                      {QStringLiteral("autoPlay"), false}});
    }

    QString supportFolder() const { return root_.filePath(QStringLiteral("data/Vantrel/Melvora")); }

    // Runs the driver with the script to its end; its output lines.
    QStringList run(const QStringList& script)
    {
        QProcess process;
        start(process, script);
        EXPECT_TRUE(process.waitForFinished(120000)) << script.join(' ').toStdString();
        const QStringList lines = QString::fromUtf8(process.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        EXPECT_EQ(process.exitCode(), 0) << lines.join('\n').toStdString();
        return lines;
    }

    void start(QProcess& process, const QStringList& script)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_DATA_HOME"), root_.filePath(QStringLiteral("data")));
        environment.insert(QStringLiteral("XDG_CACHE_HOME"), root_.filePath(QStringLiteral("cache")));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), root_.filePath(QStringLiteral("config")));
        environment.insert(QStringLiteral("HOME"), root_.filePath(QStringLiteral("home")));
        environment.insert(QStringLiteral("TMPDIR"), root_.filePath(QStringLiteral("tmp")));
        environment.insert(QStringLiteral("MELVORA_DROPBOX_SERVER"), service_.url().toString());
        process.setProcessEnvironment(environment);
        process.setProcessChannelMode(QProcess::SeparateChannels);
        process.start(QStringLiteral(MELVORA_SYNC_DRIVER), script);
        ASSERT_TRUE(process.waitForStarted());
    }

    // The statistics as the database file holds them: "item=right/wrong" per row.
    QStringList stats() const
    {
        FMDatabase db(supportFolder() + QStringLiteral("/db.sqlite"));
        QStringList rows;
        if (!db.open())
            return {QStringLiteral("cannot open")};
        auto check = db.executeQuery(QStringLiteral("PRAGMA integrity_check"));
        if (check && check->next() && check->stringForColumnIndex(0) != QLatin1String("ok"))
            rows << QStringLiteral("damaged");
        check.reset();
        auto set = db.executeQuery(QStringLiteral("SELECT itemName, right, wrong FROM stats ORDER BY itemName"));
        while (set && set->next())
            rows << QStringLiteral("%1=%2/%3").arg(set->stringForColumnIndex(0), set->stringForColumnIndex(1),
                                                   set->stringForColumnIndex(2));
        set.reset();
        db.close();
        return rows;
    }
    int answers() const
    {
        int total = 0;
        for (const QString& row : stats())
            total += row.section(QLatin1Char('='), 1).section(QLatin1Char('/'), 0, 0).toInt();
        return total;
    }

private:
    FakeDropbox& service_;
    QTemporaryDir root_;
};

QString lineStarting(const QStringList& lines, const QString& start)
{
    for (const QString& line : lines)
        if (line.startsWith(start))
            return line;
    return {};
}

class TwoComputersTest : public ::testing::Test {
protected:
    TestEnvironment environment_;
    FakeDropbox service_;
    Computer a_{service_};
    Computer b_{service_};
};

} // namespace

TEST_F(TwoComputersTest, AnswersOnOneComputerAppearOnTheOther)
{
    const QStringList first = a_.run({"launch", "wait-passes", "1", "answer", "3", "quit"});
    EXPECT_FALSE(lineStarting(first, QStringLiteral("alert Your recent changes have not been synced")).isEmpty());
    EXPECT_EQ(lineStarting(first, QStringLiteral("quit")), QStringLiteral("quit"));
    EXPECT_EQ(a_.answers(), 3);

    const QStringList second = b_.run({"launch", "wait-passes", "1", "print", "quit"});
    EXPECT_EQ(b_.stats(), a_.stats());
    EXPECT_EQ(lineStarting(second, QStringLiteral("unsynced")), QStringLiteral("unsynced 0"));
    // B quits at once: nothing of it waits for Dropbox.
    EXPECT_TRUE(lineStarting(second, QStringLiteral("alert")).isEmpty());
}

TEST_F(TwoComputersTest, AnswersOnBothRaiseTheConflictWindowAndEachChoiceKeepsWhatItSays)
{
    a_.run({"launch", "wait-passes", "1", "answer", "2", "sync", "quit"});
    b_.run({"launch", "wait-passes", "1", "quit"});
    ASSERT_EQ(b_.stats(), a_.stats());

    // Both answer; A syncs first. B keeps its own copy ("Mac"): Dropbox then holds B's
    // statistics, and A takes them on its next pass.
    a_.run({"launch", "wait-passes", "1", "answer", "1", "sync", "quit"});
    const QStringList keepMine = b_.run({"launch", "resolve", "mac", "answer", "2", "wait-passes", "1", "sync", "quit"});
    EXPECT_FALSE(lineStarting(keepMine, QStringLiteral("conflict 1")).isEmpty()) << keepMine.join('\n').toStdString();
    const QStringList bKept = b_.stats();
    EXPECT_EQ(b_.answers(), 4);
    a_.run({"launch", "wait-passes", "1", "quit"});
    EXPECT_EQ(a_.stats(), bKept);

    // Both answer again; this time B takes Dropbox's copy, which is A's.
    a_.run({"launch", "wait-passes", "1", "answer", "3", "sync", "quit"});
    const QStringList aNow = a_.stats();
    const QStringList takeTheirs = b_.run({"launch", "resolve", "dropbox", "answer", "1", "wait-passes", "1", "sync", "quit"});
    EXPECT_FALSE(lineStarting(takeTheirs, QStringLiteral("conflict 1")).isEmpty()) << takeTheirs.join('\n').toStdString();
    EXPECT_EQ(b_.stats(), aNow);
    EXPECT_EQ(b_.answers(), 7);
}

TEST_F(TwoComputersTest, AKillDuringASyncLosesNothing)
{
    a_.run({"launch", "wait-passes", "1", "quit"});

    // A is killed while its upload of new answers is on its way.
    std::atomic<bool> uploading = false;
    service_.beforeNext(QStringLiteral("upload"), [&] {
        uploading = true;
        QThread::msleep(2000);
    });
    QProcess killed;
    a_.start(killed, {"launch", "wait-passes", "1", "answer", "4", "sync", "hold"});
    ASSERT_TRUE(waitUntil([&] { return uploading.load(); }, 60000));
    ::kill(pid_t(killed.processId()), SIGKILL);
    ASSERT_TRUE(killed.waitForFinished(10000));
    EXPECT_EQ(a_.answers(), 4);

    // Started again, A carries the answers to Dropbox, and B receives them, though B too is
    // killed once in the middle of its download.
    a_.run({"launch", "wait-passes", "1", "quit"});
    std::atomic<bool> downloading = false;
    service_.beforeNext(QStringLiteral("download"), [&] {
        downloading = true;
        QThread::msleep(2000);
    });
    QProcess killedToo;
    b_.start(killedToo, {"launch", "hold"});
    ASSERT_TRUE(waitUntil([&] { return downloading.load(); }, 60000));
    ::kill(pid_t(killedToo.processId()), SIGKILL);
    ASSERT_TRUE(killedToo.waitForFinished(10000));
    EXPECT_FALSE(b_.stats().contains(QStringLiteral("damaged")));

    const QStringList last = b_.run({"launch", "wait-passes", "1", "quit"});
    EXPECT_EQ(b_.stats(), a_.stats()) << last.join('\n').toStdString();
    EXPECT_EQ(b_.answers(), 4);
}
