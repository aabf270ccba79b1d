#pragma once

#include "ZTInterval.h"

// The interval question of the music-reading exercise: shown on the staff, never played.
class ZTIntervalMusicRead : public ZTInterval {
public:
    using ZTInterval::ZTInterval;
    void init() override;
    QString className() const override;
};
