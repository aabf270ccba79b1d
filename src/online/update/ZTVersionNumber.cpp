#include "ZTVersionNumber.h"

#include <QRegularExpression>
#include <QStringDecoder>

namespace ZTVersionNumber {

namespace {

constexpr qsizetype kMaxLength = 64;

bool isAsciiDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// The run of digits starting at `i`, without its leading zeros; `i` moves past it.
QStringView digitRun(QStringView text, qsizetype& i)
{
    while (i + 1 < text.size() && text[i] == QLatin1Char('0') && isAsciiDigit(text[i + 1]))
        ++i;
    const qsizetype start = i;
    while (i < text.size() && isAsciiDigit(text[i]))
        ++i;
    return text.mid(start, i - start);
}

} // namespace

std::optional<QString> fromVersionFile(const QByteArray& body)
{
    QByteArray bytes = body;
    if (bytes.endsWith("\r\n"))
        bytes.chop(2);
    else if (bytes.endsWith('\n'))
        bytes.chop(1);
    if (bytes.isEmpty() || bytes.size() > kMaxLength)
        return std::nullopt;
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    static const QRegularExpression version(QStringLiteral("\\A[0-9]+(\\.[0-9]+)*\\z"));
    if (!version.match(text).hasMatch())
        return std::nullopt;
    return text;
}

QString shortened(const QString& version)
{
    QString text = version;
    while (text.endsWith(QLatin1String(".0")))
        text.chop(2);
    return text;
}

int compareNumerically(const QString& a, const QString& b)
{
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        if (isAsciiDigit(a[i]) && isAsciiDigit(b[j])) {
            // Numbers of any length: the longer run (without leading zeros) is the larger.
            const QStringView left = digitRun(a, i);
            const QStringView right = digitRun(b, j);
            if (left.size() != right.size())
                return left.size() < right.size() ? -1 : 1;
            if (const int order = left.compare(right); order != 0)
                return order < 0 ? -1 : 1;
            continue;
        }
        if (a[i] != b[j])
            return a[i] < b[j] ? -1 : 1;
        ++i;
        ++j;
    }
    if (i < a.size())
        return 1;
    return j < b.size() ? -1 : 0;
}

} // namespace ZTVersionNumber
