#include "CAXException.h"

CAXException::CAXException(const QString& operation, std::int32_t status)
    : operation_(operation.left(kMaxOperationLength))
    , status_(status)
{
}

QString CAXException::formatStatus(std::int32_t status)
{
    const auto code = std::uint32_t(status);
    QString characters;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const auto byte = char((code >> shift) & 0xFF);
        if (byte < 0x20 || byte > 0x7E) {
            characters.clear();
            break;
        }
        characters.append(QLatin1Char(byte));
    }
    if (!characters.isEmpty())
        return QStringLiteral("'%1'").arg(characters);
    if (status > -200000 && status < 200000)
        return QString::number(status);
    return QStringLiteral("0x%1").arg(code, 0, 16);
}

QString CAXException::message() const
{
    return QStringLiteral("Error: %1 (%2)").arg(operation_, formatStatus(status_));
}
