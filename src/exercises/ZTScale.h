#pragma once

#include "ZTMusicalTest.h"

// A scale question: one step per scale tone of the item's definition over the drawn root.
class ZTScale : public ZTMusicalTest {
public:
    using ZTMusicalTest::ZTMusicalTest;
    QString className() const override;
};
