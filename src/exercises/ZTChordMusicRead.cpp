#include "ZTChordMusicRead.h"

void ZTChordMusicRead::init()
{
    ZTChord::init();
    setHasAudio(false);
}

QString ZTChordMusicRead::className() const
{
    return QStringLiteral("ZTChordMusicRead");
}
