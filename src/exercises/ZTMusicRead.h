#pragma once

#include "ZTPitch.h"

// The question of the note-reading exercise: a pitch question shown on the staff.
class ZTMusicRead : public ZTPitch {
public:
    using ZTPitch::ZTPitch;
    QString className() const override;
};
