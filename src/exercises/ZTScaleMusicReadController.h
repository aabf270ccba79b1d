#pragma once

#include "ZTScaleController.h"
#include "ZTScaleMusicRead.h"
#include "ZTStaffReadingController.h"

// "Scale music reading": the scale is shown on the staff, not played.
class ZTScaleMusicReadController : public ZTStaffReadingController<ZTScaleController, ZTScaleMusicRead> {
public:
    QString testName() const override;
    QString questionString() const override;
    QString startTestString() const override;
};
