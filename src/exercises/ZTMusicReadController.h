#pragma once

#include "ZTPitchController.h"

// "Music Reading": the note is shown on the staff, not played.
class ZTMusicReadController : public ZTPitchController {
public:
    QString testName() const override;
    void playTest(const std::shared_ptr<ZTTest>& test) override;
    QString questionString() const override;
    QString startTestString() const override;
};
