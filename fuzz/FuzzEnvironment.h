#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdint>
#include <functional>

// What every fuzz target shares for its whole run: a headless application object, fresh
// folders with a writable copy of the bundle, and a manual main queue. Log lines are dropped:
// refusing bad input with a log line is what the readers are meant to do. The folders live in
// memory (/dev/shm) unless TMPDIR names a place, and are removed when the process exits.
class FuzzEnvironment {
public:
    static FuzzEnvironment& shared();

    QString applicationSupportFolder() const;
    QString resources() const;
    // Runs the delayed work that is due by now (change notifications of the settings store).
    void settle();
    // Runs main-queue work as it comes in (from other threads too) until the condition holds.
    void runMainQueueUntil(const std::function<bool()>& condition);

    // Cuts the bundle's exercise definitions down to a few items per exercise (all of those
    // named), so that the catalogue and the settings defaults read many times faster for every
    // input. Every exercise and its settings stay. Once per process.
    void shortenExerciseDefinitions(const QStringList& keptWhole = {});

    static QByteArray bytes(const std::uint8_t* data, std::size_t size);
    static void writeFile(const QString& path, const QByteArray& bytes);

private:
    FuzzEnvironment();
    struct State;
    State* state_;
};

// A property the input must not break; breaking it ends the run like a crash would.
[[noreturn]] void fuzzFailure(const char* condition, const char* file, int line);
#define FUZZ_REQUIRE(condition) ((condition) ? void(0) : fuzzFailure(#condition, __FILE__, __LINE__))
