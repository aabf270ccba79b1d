// The sample synthesizer's sound bank: the program list "MelvoraSounds.plist" and an
// instrument's "instrument.plist" with its samples. The input serves as both files; a folder
// beside it holds a short sample file ("tone.raw") that instruments may name.
#include "FuzzEnvironment.h"
#include "QVInstrument.h"
#include "ZTSoundBank.h"

#include <QDir>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzEnvironment& environment = FuzzEnvironment::shared();
    const QByteArray bytes = FuzzEnvironment::bytes(data, size);
    const QString folder = environment.applicationSupportFolder() + QStringLiteral("/instrument");
    static const bool toneWritten = [&folder] {
        QByteArray tone;
        for (int i = 0; i < 2000; ++i)
            tone.append(char(i * 7)).append(char((i / 5) % 64));
        FuzzEnvironment::writeFile(folder + QStringLiteral("/tone.raw"), tone);
        return true;
    }();
    (void)toneWritten;

    FuzzEnvironment::writeFile(folder + QStringLiteral("/instrument.plist"), bytes);
    const QVInstrument instrument(folder);
    for (unsigned note = 0; note < QVInstrument::kSlotCount; ++note) {
        if (const QVSample* sample = instrument.sampleForNote(note)) {
            FUZZ_REQUIRE(sample->isUsable());
            const QVRange loop = sample->loopRange();
            FUZZ_REQUIRE(loop.location >= 0 && loop.length >= 0 && loop.location <= sample->numSamples() - loop.length);
        }
    }
    instrument.description();

    FuzzEnvironment::writeFile(environment.resources() + QStringLiteral("/MelvoraSounds.plist"), bytes);
    const QList<SoftSynthSoundEntry> programs = ZTSoundBank::programs();
    FUZZ_REQUIRE(programs.size() <= ZTSoundBank::kMaxPrograms);
    for (const SoftSynthSoundEntry& entry : programs) {
        const QString instrumentFolder = ZTSoundBank::instrumentFolder(entry.key);
        FUZZ_REQUIRE(instrumentFolder.isNull()
                     || QDir::cleanPath(instrumentFolder).startsWith(QDir::cleanPath(environment.resources() + QStringLiteral("/Instruments/"))));
    }
    ZTSoundBank::entryForProgram(int(size % 2000) - 500);
    return 0;
}
