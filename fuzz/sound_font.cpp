// SoundFont files for the sampler: a file that loads gives presets that play; any other is
// refused and the synthesizer keeps the font it had.
#include "FluidSynthEngine.h"
#include "FuzzEnvironment.h"

#include <array>

// FluidSynth keeps a few bytes of a font it has replaced past the synthesizer's end; the leak
// is the library's, not a reader's of ours.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfluidsynth.so";
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzEnvironment& environment = FuzzEnvironment::shared();
    static const std::unique_ptr<FluidSynthEngine> engine = FluidSynthEngine::create(44100);
    if (!engine)
        return 0; // no General MIDI SoundFont installed to start from
    const QString path = environment.applicationSupportFolder() + QStringLiteral("/fuzzed.sf2");
    FuzzEnvironment::writeFile(path, FuzzEnvironment::bytes(data, size));
    const QString before = engine->soundFontPath();
    if (!engine->loadSoundFont(path)) {
        FUZZ_REQUIRE(engine->soundFontPath() == before);
        return 0;
    }
    std::array<float, 2 * 256> block{};
    for (int preset = 0; preset < 128; ++preset) {
        if (engine->presetName(0, preset).isEmpty())
            continue;
        FUZZ_REQUIRE(engine->selectPreset(0, 0, preset));
        engine->noteOn(0, 60, 100);
        engine->render(block.data(), 256);
        // The voice ends in the next block, so no sample of this font is in use when the
        // next input replaces it.
        engine->allSoundsOff();
        engine->render(block.data(), 256);
    }
    return 0;
}
