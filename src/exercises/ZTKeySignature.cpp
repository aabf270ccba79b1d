#include "ZTKeySignature.h"

void ZTKeySignature::init()
{
    ZTTest::init();
    setCanBeAnsweredByNoteInput(false);
    setHasAudio(false);
}

QString ZTKeySignature::className() const
{
    return QStringLiteral("ZTKeySignature");
}

bool ZTKeySignature::isEqualTo(const ZTTest& other) const
{
    return signatureNr() == other.definition().toLongLong();
}
