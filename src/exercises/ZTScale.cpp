#include "ZTScale.h"

QString ZTScale::className() const
{
    return QStringLiteral("ZTScale");
}
