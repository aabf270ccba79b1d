#pragma once

#include "ZTChordController.h"
#include "ZTChordMusicRead.h"
#include "ZTStaffReadingController.h"

// "Chord music reading": the chord is shown on the staff, not played.
class ZTChordMusicReadController : public ZTStaffReadingController<ZTChordController, ZTChordMusicRead> {
public:
    QString testName() const override;
    QString questionString() const override;
    QString startTestString() const override;
};
