#include "ZTMusicRead.h"

QString ZTMusicRead::className() const
{
    return QStringLiteral("ZTMusicRead");
}
