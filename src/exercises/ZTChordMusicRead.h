#pragma once

#include "ZTChord.h"

// The chord question of the music-reading exercise: shown on the staff, never played.
class ZTChordMusicRead : public ZTChord {
public:
    using ZTChord::ZTChord;
    void init() override;
    QString className() const override;
};
