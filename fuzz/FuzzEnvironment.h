#pragma once

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>

// What every fuzz target shares for its whole run: a headless application object, fresh
// folders with a writable copy of the bundle, and a manual main queue. Log lines are dropped:
// refusing bad input with a log line is what the readers are meant to do.
class FuzzEnvironment {
public:
    static FuzzEnvironment& shared();

    QString applicationSupportFolder() const;
    QString resources() const;
    // Runs the delayed work that is due by now (change notifications of the settings store).
    void settle();

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
