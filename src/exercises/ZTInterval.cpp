#include "ZTInterval.h"

QString ZTInterval::className() const
{
    return QStringLiteral("ZTInterval");
}
