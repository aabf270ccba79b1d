#pragma once

#include "Alert.h"
#include "FakeDropbox.h"
#include "NotificationCenter.h"
#include "TestEnvironment.h"
#include "ZTDropboxController.h"

#include <QList>
#include <QStringList>
#include <QVariantMap>

#include <gtest/gtest.h>

#include <vector>

// One computer with fresh folders and an open statistics database, its sync engine pointed at
// the stand-in Dropbox service, a manual main queue (the pull timer waits for advance()), and
// alerts answered with `alertAnswer_` and recorded.
class SyncTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    ZTDropboxController* engine() const { return ZTDropboxController::sharedInstance(); }
    QString credentialsPath() const;
    // Signs this computer in with a new grant of the service.
    void link();
    void switchOn(bool statistics, bool levels, bool preferences);
    // Starts a pass and waits for its end; the finished notification's user info.
    QVariantMap sync();
    bool waitFor(const std::function<bool()>& condition, int milliseconds = 10000);

    // What scoring does: a stats row counted and the statistics marked as changed.
    void answer(const QString& item, int right = 1);
    QList<QStringList> statsRows() const;
    // The rows of a statistics database file.
    static QList<QStringList> statsRowsOf(const QByteArray& database);
    // A custom level list as the custom-levels tab makes it (one level for Interval recognition).
    static QVariantList customLevels(const QString& levelName);
    // What the custom-levels tab does on a change: the list stored and marked as changed.
    void editCustomLevels(const QString& levelName);

    TestEnvironment environment_;
    ManualMainQueue queue_;
    FakeDropbox fake_;
    QList<Alert::Request> alerts_;
    int alertAnswer_ = 0;
    QStringList finishedFailures_;
    int finishedCount_ = 0;
    QStringList conflicts_;
    // Runs inside a conflict notification (the conflict window's place).
    std::function<void(const QString& notification)> onConflict_;

private:
    std::vector<NotificationObserver> observers_;
};
