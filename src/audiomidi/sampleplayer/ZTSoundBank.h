#pragma once

#include <QList>
#include <QString>
#include <QVariant>

#include <optional>

// One program of the built-in sample synthesizer: the instrument folder's name ("key") and
// the title shown in the instruments menu ("value").
struct SoftSynthSoundEntry {
    QString key;
    QString value;
};

// The sound bank in the bundle: the program list "MelvoraSounds.plist" and the instrument
// folders under "Instruments". Reads the bundle on every call (main thread).
class ZTSoundBank {
public:
    static constexpr qint64 kMaxListBytes = 1 << 20;
    static constexpr int kMaxPrograms = 1024;

    // Every program in order; the position is the program number. An entry that is no
    // dictionary keeps its place with an empty key and title. Empty (with a log line) when
    // the list is missing or unreadable.
    static QList<SoftSynthSoundEntry> programs();
    // Entry `program` when it exists, else entry 0; an empty entry when the list is empty.
    static SoftSynthSoundEntry entryForProgram(int program);
    // The folder of an instrument key; a null string for a key that is empty or would
    // lead out of "Instruments".
    static QString instrumentFolder(const QString& key);

    // Reads a property list of the bank, refusing files larger than maxBytes.
    static std::optional<QVariant> readPropertyList(const QString& path, qint64 maxBytes, QString* error);
};
