#include "ZTScaleMusicRead.h"

void ZTScaleMusicRead::init()
{
    ZTScale::init();
    setHasAudio(false);
}

QString ZTScaleMusicRead::className() const
{
    return QStringLiteral("ZTScaleMusicRead");
}
