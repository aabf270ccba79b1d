#include "SilenceAudioUnit.h"

SilenceAudioUnit::SilenceAudioUnit()
{
    createParameters();
}

void SilenceAudioUnit::createParameters()
{
    createCommonParameters();

    std::vector<std::unique_ptr<AUParameter>> parameters;
    parameters.push_back(AUParameter::parameter(QStringLiteral("gain"), QStringLiteral("Boosting amount."),
                                                BoosterDSPKernel::kGainAddress, 0.0f, 1.0f,
                                                AudioUnitParameterUnit::generic));
    kernel.gainRamper.setUIValue(0.0f);
    setParameterTree(AUParameterTree::tree(std::move(parameters)));
    parameterTree()->setImplementorValueObserver([this](AUParameter& parameter, float value) {
        if (parameter.address() == BoosterDSPKernel::kGainAddress)
            kernel.gainRamper.setUIValue(value);
    });
    parameterTree()->setImplementorValueProvider([this](const AUParameter& parameter) {
        return parameter.address() == BoosterDSPKernel::kGainAddress ? kernel.gainRamper.uiValue() : 0.0f;
    });
}

void SilenceAudioUnit::setGain(float value)
{
    kernel.setGain(value);
}
