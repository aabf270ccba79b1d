#pragma once

#include "ZTMelodies.h"

// The melody of the reading exercise: shown on the staff, never played.
class ZTMelodiesMusicRead : public ZTMelodies {
public:
    using ZTMelodies::ZTMelodies;
    void init() override;
    QString className() const override;
};
