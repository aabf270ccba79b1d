#pragma once

#include "ManualScheduler.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <memory>

// A fresh home for one test: XDG data, cache and config folders and HOME point into a
// temporary folder, so nothing touches the real home folder. The bundle stays the
// build's resources folder unless useResources() points elsewhere.
class TestEnvironment {
public:
    TestEnvironment();
    ~TestEnvironment();

    QString root() const;
    QString applicationSupportFolder() const;
    // Points MELVORA_RESOURCES at a folder (e.g. a copy of the bundle with other lists).
    void useResources(const QString& folder);
    // A writable copy of the build's resources, for tests that change bundle files.
    QString copyOfResources();
    // Writes the bytes to a file of that name in the root folder; its path.
    QString writeFile(const QString& name, const QByteArray& bytes) const;

private:
    QTemporaryDir dir_;
    QByteArray savedResources_;
    // The next environment's temporary folder is made under TMPDIR, which must not point
    // into this one once it is gone.
    QByteArray savedTmpDir_;
    bool hadTmpDir_ = false;
};

// Captures log lines while alive.
class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    const QStringList& lines() const { return *lines_; }
    bool contains(const QString& fragment) const;
    // How many lines contain the fragment.
    int count(const QString& fragment) const;
    void clear() { lines_->clear(); }

private:
    std::shared_ptr<QStringList> lines_;
};

// Collects the Qt warnings (and worse) given on any thread while it lives.
class QtWarningCapture {
public:
    QtWarningCapture();
    ~QtWarningCapture();
    QStringList warnings() const;

private:
    QtMessageHandler previous_;
};

// Waits, up to the timeout, for a condition that another thread makes true.
bool eventually(const std::function<bool()>& condition, double timeoutSeconds = 3.0);

// Installs a manual main-queue scheduler while alive.
class ManualMainQueue {
public:
    ManualMainQueue();
    ~ManualMainQueue();
    ManualScheduler& scheduler() { return scheduler_; }
    void advance(double seconds) { scheduler_.advance(seconds); }
    void runPending() { scheduler_.runPending(); }

private:
    ManualScheduler scheduler_;
};

// Runs the event loop, and the manual main queue when one is given, until the condition
// holds; false when it did not within the time.
bool waitUntil(const std::function<bool()>& condition, int timeoutMilliseconds = 10000,
               ManualMainQueue* queue = nullptr);
