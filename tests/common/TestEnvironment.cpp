#include "TestEnvironment.h"

#include "Localization.h"
#include "Log.h"
#include "MainQueue.h"
#include "Paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QThread>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <chrono>
#include <mutex>
#include <thread>

TestEnvironment::TestEnvironment()
    : savedResources_(qgetenv("MELVORA_RESOURCES"))
    , savedTmpDir_(qgetenv("TMPDIR"))
    , hadTmpDir_(qEnvironmentVariableIsSet("TMPDIR"))
{
    const QString base = dir_.path();
    for (const char* name : {"data", "cache", "config", "home/Documents", "tmp"})
        QDir().mkpath(base + QLatin1Char('/') + QLatin1String(name));
    qputenv("XDG_DATA_HOME", (base + QStringLiteral("/data")).toUtf8());
    qputenv("XDG_CACHE_HOME", (base + QStringLiteral("/cache")).toUtf8());
    qputenv("XDG_CONFIG_HOME", (base + QStringLiteral("/config")).toUtf8());
    qputenv("HOME", (base + QStringLiteral("/home")).toUtf8());
    qputenv("TMPDIR", (base + QStringLiteral("/tmp")).toUtf8());
    Localization::reload();
}

TestEnvironment::~TestEnvironment()
{
    qputenv("MELVORA_RESOURCES", savedResources_);
    if (hadTmpDir_)
        qputenv("TMPDIR", savedTmpDir_);
    else
        qunsetenv("TMPDIR");
    Localization::reload();
}

QString TestEnvironment::root() const
{
    return dir_.path();
}

QString TestEnvironment::applicationSupportFolder() const
{
    return dir_.path() + QStringLiteral("/data/Vantrel/Melvora");
}

void TestEnvironment::useResources(const QString& folder)
{
    qputenv("MELVORA_RESOURCES", folder.toUtf8());
    Localization::reload();
}

QString TestEnvironment::copyOfResources()
{
    const QString source = savedResources_.isEmpty() ? Paths::resourcesFolder()
                                                     : QString::fromUtf8(savedResources_);
    const QString target = dir_.path() + QStringLiteral("/resources");
    // The sample bank's instruments are large and only read: the copy links to them.
    const QString instruments = QStringLiteral("/Instruments");
    QDirIterator it(source, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        const QString relative = file.mid(source.size());
        if (file.contains(QLatin1String("/CMakeFiles/")) || relative.startsWith(instruments + QLatin1Char('/')))
            continue;
        const QString destination = target + relative;
        QDir().mkpath(QFileInfo(destination).path());
        QFile::copy(file, destination);
    }
    if (QFileInfo(source + instruments).isDir())
        QFile::link(QFileInfo(source + instruments).absoluteFilePath(), target + instruments);
    useResources(target);
    return target;
}

QString TestEnvironment::writeFile(const QString& name, const QByteArray& bytes) const
{
    const QString path = dir_.path() + QLatin1Char('/') + name;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write the test file %s", qPrintable(path));
    return path;
}

bool eventually(const std::function<bool()>& condition, double timeoutSeconds)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(timeoutSeconds);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

LogCapture::LogCapture()
    : lines_(std::make_shared<QStringList>())
{
    Log::setSink([lines = lines_](const QString& line) { lines->append(line); });
}

LogCapture::~LogCapture()
{
    Log::setSink({});
}

bool LogCapture::contains(const QString& fragment) const
{
    return count(fragment) > 0;
}

int LogCapture::count(const QString& fragment) const
{
    int found = 0;
    for (const QString& line : *lines_)
        found += line.contains(fragment) ? 1 : 0;
    return found;
}

namespace {

struct CapturedWarnings {
    std::mutex mutex;
    QStringList texts;
};

CapturedWarnings& capturedWarnings()
{
    static CapturedWarnings captured;
    return captured;
}

void captureWarning(QtMsgType type, const QMessageLogContext&, const QString& text)
{
    if (type == QtDebugMsg || type == QtInfoMsg)
        return;
    CapturedWarnings& captured = capturedWarnings();
    std::lock_guard guard(captured.mutex);
    captured.texts << text;
}

} // namespace

QtWarningCapture::QtWarningCapture()
{
    {
        CapturedWarnings& captured = capturedWarnings();
        std::lock_guard guard(captured.mutex);
        captured.texts.clear();
    }
    previous_ = qInstallMessageHandler(captureWarning);
}

QtWarningCapture::~QtWarningCapture()
{
    qInstallMessageHandler(previous_);
}

QStringList QtWarningCapture::warnings() const
{
    CapturedWarnings& captured = capturedWarnings();
    std::lock_guard guard(captured.mutex);
    return captured.texts;
}

ManualMainQueue::ManualMainQueue()
{
    MainQueue::setScheduler(&scheduler_);
}

ManualMainQueue::~ManualMainQueue()
{
    MainQueue::setScheduler(nullptr);
}

bool waitUntil(const std::function<bool()>& condition, int timeoutMilliseconds, ManualMainQueue* queue)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > timeoutMilliseconds)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        if (queue)
            queue->runPending();
        QThread::msleep(1);
    }
    return true;
}
