#include "ZTMusicInstumentProtocol.h"

namespace {
std::function<ZTChordProgressionStepView*()>& stepViewProvider()
{
    static std::function<ZTChordProgressionStepView*()> provider;
    return provider;
}
} // namespace

void ZTMusicInstumentProtocol::setStepViewProvider(std::function<ZTChordProgressionStepView*()> provider)
{
    stepViewProvider() = std::move(provider);
}

ZTChordProgressionStepView* ZTMusicInstumentProtocol::chordProgressionStepView()
{
    const auto& provider = stepViewProvider();
    return provider ? provider() : nullptr;
}
