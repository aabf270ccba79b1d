#include "ZTMelodiesMusicRead.h"

void ZTMelodiesMusicRead::init()
{
    ZTMelodies::init();
    setHasAudio(false);
}

QString ZTMelodiesMusicRead::className() const
{
    return QStringLiteral("ZTMelodiesMusicRead");
}
