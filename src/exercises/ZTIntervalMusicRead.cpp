#include "ZTIntervalMusicRead.h"

void ZTIntervalMusicRead::init()
{
    ZTInterval::init();
    setHasAudio(false);
}

QString ZTIntervalMusicRead::className() const
{
    return QStringLiteral("ZTIntervalMusicRead");
}
