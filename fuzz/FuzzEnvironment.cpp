#include "FuzzEnvironment.h"

#include "Log.h"
#include "PropertyList.h"
#include "TestEnvironment.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <thread>

namespace {

// The environment's folder: the environment itself is never destroyed (the readers' shared
// instances outlive every input), so the folder is removed by an exit handler instead.
std::string& folderToRemove()
{
    static std::string folder;
    return folder;
}

void removeFolder()
{
    std::error_code ignored;
    if (!folderToRemove().empty())
        std::filesystem::remove_all(folderToRemove(), ignored);
}

} // namespace

// Under the undefined-behaviour sanitizer (the libFuzzer build), undefined behaviour ends the
// run as a crash does, so that a long run cannot pass over it.
extern "C" const char* __ubsan_default_options()
{
    return "halt_on_error=1:print_stacktrace=1";
}

struct FuzzEnvironment::State {
    int argc = 1;
    char name[16] = "fuzz";
    char* argv[2] = {name, nullptr};
    QCoreApplication application{argc, argv};
    TestEnvironment environment;
    ManualMainQueue queue;
    QString resources;
    bool shortened = false;
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
    if (qEnvironmentVariableIsEmpty("TMPDIR") && QFileInfo(QStringLiteral("/dev/shm")).isWritable())
        qputenv("TMPDIR", "/dev/shm");
    state_ = new State;
    folderToRemove() = QFile::encodeName(state_->environment.root()).toStdString();
    // Registered after everything the folder's name needs, so that it runs before their
    // destructors, and after those of the shared instances made later (which may still write).
    std::atexit(removeFolder);
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

void FuzzEnvironment::runMainQueueUntil(const std::function<bool()>& condition)
{
    state_->queue.runPending();
    while (!condition()) {
        std::this_thread::sleep_for(std::chrono::microseconds(50));
        QCoreApplication::processEvents();
        state_->queue.runPending();
    }
}

void FuzzEnvironment::shortenExerciseDefinitions(const QStringList& keptWhole)
{
    if (state_->shortened)
        return;
    const QString path = resources() + QStringLiteral("/Tests.plist");
    QVariantList tests = PropertyList::readFile(path).value_or(QVariant()).toList();
    for (QVariant& test : tests) {
        QVariantMap map = test.toMap();
        if (!keptWhole.contains(map.value(QStringLiteral("name")).toString()))
            map.insert(QStringLiteral("items"), map.value(QStringLiteral("items")).toList().mid(0, 3));
        test = map;
    }
    FUZZ_REQUIRE(PropertyList::writeFileAtomically(path, tests));
    state_->shortened = true;
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
    removeFolder();
    std::abort();
}
