#pragma once

#include "ZTMusicalTest.h"

// An interval question: two steps of the item's definition over the drawn root.
class ZTInterval : public ZTMusicalTest {
public:
    using ZTMusicalTest::ZTMusicalTest;
    QString className() const override;
};
