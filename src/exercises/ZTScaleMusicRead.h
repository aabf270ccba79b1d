#pragma once

#include "ZTScale.h"

// The scale question of the music-reading exercise: shown on the staff, never played.
class ZTScaleMusicRead : public ZTScale {
public:
    using ZTScale::ZTScale;
    void init() override;
    QString className() const override;
};
