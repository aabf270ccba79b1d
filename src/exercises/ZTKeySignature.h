#pragma once

#include "ZTTest.h"

// A key signature shown on the staff, silently: the definition is the number of the
// signature picture (0 none, 1-7 sharps, 8-14 flats). A major key and its relative minor
// share a picture, so either names the signature shown. Answered from the sidebar only.
class ZTKeySignature : public ZTTest {
public:
    using ZTTest::ZTTest;
    // The base initialisation; not answerable by notes and without audio.
    void init() override;
    QString className() const override;

    // The signature picture shown for the question.
    qlonglong signatureNr() const { return definition().toLongLong(); }
    // The same signature picture.
    bool isEqualTo(const ZTTest& other) const override;
};
