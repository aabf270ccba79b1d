#include "FuzzEnvironment.h"

#include "Log.h"
#include "TestEnvironment.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <cstdlib>

struct FuzzEnvironment::State {
    int argc = 1;
    char name[16] = "fuzz";
    char* argv[2] = {name, nullptr};
    QCoreApplication application{argc, argv};
    TestEnvironment environment;
    ManualMainQueue queue;
    QString resources;
};

FuzzEnvironment& FuzzEnvironment::shared()
{
    static FuzzEnvironment* environment = new FuzzEnvironment(); // lives until the process ends
    return *environment;
}

FuzzEnvironment::FuzzEnvironment()
{
    // The build's bundle, unless the caller points elsewhere.
    if (qEnvironmentVariableIsEmpty("MELVORA_RESOURCES"))
        qputenv("MELVORA_RESOURCES", MELVORA_FUZZ_RESOURCES);
    // Settings and statistics are written with a sync to the disk each time: in memory that costs nothing.
    if (QFileInfo(QStringLiteral("/dev/shm")).isWritable())
        qputenv("TMPDIR", "/dev/shm");
    state_ = new State;
    state_->resources = state_->environment.copyOfResources();
    Log::setSink([](const QString&) {});
}

QString FuzzEnvironment::applicationSupportFolder() const
{
    return state_->environment.applicationSupportFolder();
}

QString FuzzEnvironment::resources() const
{
    return state_->resources;
}

void FuzzEnvironment::settle()
{
    state_->queue.advance(1.0);
}

QByteArray FuzzEnvironment::bytes(const std::uint8_t* data, std::size_t size)
{
    return QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
}

void FuzzEnvironment::writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    FUZZ_REQUIRE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    FUZZ_REQUIRE(file.write(bytes) == bytes.size());
}

void fuzzFailure(const char* condition, const char* file, int line)
{
    std::fprintf(stderr, "%s:%d: the input breaks: %s\n", file, line, condition);
    std::abort();
}
