#pragma once

#include "ZTIntervalController.h"
#include "ZTIntervalMusicRead.h"
#include "ZTStaffReadingController.h"

// "Interval music reading": the interval is shown on the staff, not played.
class ZTIntervalMusicReadController : public ZTStaffReadingController<ZTIntervalController, ZTIntervalMusicRead> {
public:
    QString testName() const override;
    QString questionString() const override;
    QString startTestString() const override;
};
