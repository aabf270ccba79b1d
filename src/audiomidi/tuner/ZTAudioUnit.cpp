#include "ZTAudioUnit.h"

ZTAudioUnit::ZTAudioUnit()
{
    createParameters();
}

void ZTAudioUnit::createParameters()
{
    createCommonParameters();
    setParameterTree(AUParameterTree::tree({}));
    parameterTree()->setImplementorValueObserver([](AUParameter&, float) {});
    parameterTree()->setImplementorValueProvider([](const AUParameter&) { return 0.0f; });
}
