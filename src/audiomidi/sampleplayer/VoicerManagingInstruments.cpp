#include "VoicerManagingInstruments.h"

#include <algorithm>

VoicerManagingInstruments::VoicerManagingInstruments(stk::StkFloat decayTime)
    : stk::Voicer(decayTime)
{
}

VoicerManagingInstruments::~VoicerManagingInstruments()
{
    removeInstruments();
}

void VoicerManagingInstruments::addInstrument(std::unique_ptr<QVSampler> instrument, int group)
{
    if (!instrument)
        return;
    stk::Voicer::addInstrument(instrument.get(), group);
    owned_.push_back(std::move(instrument));
}

void VoicerManagingInstruments::removeInstruments()
{
    voices_.clear();
    owned_.clear();
}

stk::StkFloat VoicerManagingInstruments::tick()
{
    stk::StkFloat sum = 0;
    for (Voice& voice : voices_) {
        if (voice.instrument && voice.sounding != 0)
            sum += voice.instrument->tick();
    }
    lastFrame_[0] = sum;
    return sum;
}

bool VoicerManagingInstruments::isSounding() const
{
    return std::any_of(voices_.begin(), voices_.end(), [](const Voice& voice) {
        return voice.instrument && voice.sounding != 0 && static_cast<const QVSampler*>(voice.instrument)->isSounding();
    });
}

void VoicerManagingInstruments::addTo(float* buffer, int frames)
{
    for (Voice& voice : voices_) {
        // Every instrument here came in through addInstrument as a sampler.
        if (voice.instrument && voice.sounding != 0)
            static_cast<QVSampler*>(voice.instrument)->addTo(buffer, frames);
    }
}
