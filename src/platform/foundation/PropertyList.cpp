#include "PropertyList.h"

#include "AtomicFile.h"
#include "BinaryPropertyListCheck.h"

#include <QDateTime>
#include <QFile>
#include <QScopeGuard>

#include <plist/plist.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>

namespace PropertyList {
namespace {

// Property-list dates count seconds from 2001-01-01 00:00 UTC.
const QDateTime& referenceDate()
{
    static const QDateTime date(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC);
    return date;
}

// Far beyond any list the program reads or writes (the exercise definitions hold some 9,000
// objects): deeper or larger lists are refused rather than built.
constexpr int kMaxDepth = 256;
constexpr qint64 kMaxObjects = 1 << 17;
// Far beyond any list the program reads or writes; larger files are refused unread.
constexpr qint64 kMaxBytes = 64 * 1024 * 1024;

// Whether `tag` (what stands between "<" and ">") names the element `name`.
bool namesElement(QByteArrayView tag, QByteArrayView name)
{
    if (!tag.startsWith(name))
        return false;
    if (tag.size() == name.size())
        return true;
    const char next = tag[name.size()];
    return next == '/' || next == ' ' || next == '\t' || next == '\r' || next == '\n';
}

// The plist library builds and frees an XML list by recursion too, so a list nested a
// few hundred thousand levels deep would overflow the stack there. Counts the open <array>
// and <dict> elements (an empty "<array/>" opens none), past comments and CDATA sections,
// before the library parses anything.
bool xmlNestsDeeperThan(const QByteArray& data, int maxDepth)
{
    const QByteArrayView text(data);
    int depth = 0;
    for (qsizetype i = text.indexOf('<'); i >= 0; i = text.indexOf('<', i)) {
        const QByteArrayView rest = text.sliced(i);
        const auto skipPast = [&](QByteArrayView end) {
            const qsizetype found = text.indexOf(end, i);
            return found < 0 ? found : found + end.size();
        };
        if (rest.startsWith("<!--")) {
            i = skipPast("-->");
        } else if (rest.startsWith("<![CDATA[")) {
            i = skipPast("]]>");
        } else {
            const qsizetype end = text.indexOf('>', i);
            if (end < 0)
                break;
            const QByteArrayView tag = text.sliced(i + 1, end - i - 1);
            const bool closing = tag.startsWith('/');
            const QByteArrayView name = closing ? tag.sliced(1) : tag;
            if (namesElement(name, "array") || namesElement(name, "dict")) {
                if (closing)
                    depth = std::max(0, depth - 1);
                else if (!tag.endsWith('/') && ++depth > maxDepth)
                    return true;
            }
            i = end + 1;
        }
        if (i < 0)
            break;
    }
    return false;
}

// libplist keeps an integer as 64 bits and, for one beyond the signed range, whether it was
// written unsigned (18446744073709551615, not -1); version 2.2 has no call to ask which, but
// the form it writes the node in tells.
bool writtenUnsigned(plist_t node)
{
    char* xml = nullptr;
    uint32_t length = 0;
    plist_to_xml(node, &xml, &length);
    auto freeXml = qScopeGuard([xml] { plist_to_xml_free(xml); });
    return xml && !QByteArrayView(xml, length).contains("<integer>-");
}

// Integers as qlonglong; one beyond the signed range stays a qulonglong, so that nothing
// takes it for a negative number and it is written back as it was.
QVariant integerValue(plist_t node)
{
    uint64_t bits = 0;
    plist_get_uint_val(node, &bits);
    if (bits > uint64_t(std::numeric_limits<int64_t>::max()) && writtenUnsigned(node))
        return qulonglong(bits);
    return qlonglong(static_cast<int64_t>(bits));
}

// plist_new_uint marks nothing unsigned (libplist 2.2 writes 2^64 - 1 as -1); parsed from its
// digits, the library keeps such a value unsigned.
plist_t unsignedNode(quint64 value)
{
    if (value <= quint64(std::numeric_limits<qint64>::max()))
        return plist_new_uint(value);
    const QByteArray xml = "<plist><integer>" + QByteArray::number(value) + "</integer></plist>";
    plist_t node = nullptr;
    plist_from_xml(xml.constData(), uint32_t(xml.size()), &node);
    return node ? node : plist_new_uint(value);
}

struct NodeDeleter {
    void operator()(plist_t node) const { plist_free(node); }
};
using Node = std::unique_ptr<void, NodeDeleter>;

// Turns the library's tree into values, refusing what the rest of the program must never
// see: strings holding a NUL character, lists nested deeper than kMaxDepth and lists of
// more than kMaxObjects objects.
class Converter {
public:
    std::optional<QVariant> convert(plist_t node, int depth = 1)
    {
        if (++objects_ > kMaxObjects)
            return refuse(QStringLiteral("more than %1 objects").arg(kMaxObjects));
        switch (plist_get_node_type(node)) {
        case PLIST_BOOLEAN: {
            uint8_t value = 0;
            plist_get_bool_val(node, &value);
            return bool(value);
        }
        case PLIST_UINT:
            return integerValue(node);
        case PLIST_REAL: {
            double value = 0;
            plist_get_real_val(node, &value);
            return value;
        }
        case PLIST_STRING: {
            // Read with its length: a NUL inside would end a C string early.
            uint64_t length = 0;
            const char* text = plist_get_string_ptr(node, &length);
            if (text && std::memchr(text, 0, length))
                return refuse(QStringLiteral("a string holds a NUL character"));
            return QString::fromUtf8(text ? text : "", text ? qsizetype(length) : 0);
        }
        case PLIST_DATA: {
            uint64_t length = 0;
            const char* bytes = plist_get_data_ptr(node, &length);
            return QByteArray(bytes, static_cast<qsizetype>(length));
        }
        case PLIST_DATE: {
            int32_t seconds = 0;
            int32_t microseconds = 0;
            plist_get_date_val(node, &seconds, &microseconds);
            return referenceDate().addMSecs(qint64(seconds) * 1000 + microseconds / 1000);
        }
        case PLIST_ARRAY: {
            if (depth > kMaxDepth)
                return refuseDepth();
            QVariantList list;
            const uint32_t size = plist_array_get_size(node);
            list.reserve(size);
            for (uint32_t i = 0; i < size; ++i) {
                std::optional<QVariant> item = convert(plist_array_get_item(node, i), depth + 1);
                if (!item)
                    return std::nullopt;
                list.append(std::move(*item));
            }
            return list;
        }
        case PLIST_DICT:
            return convertDictionary(node, depth);
        default:
            return QVariant();
        }
    }

    QString error;

private:
    std::optional<QVariant> convertDictionary(plist_t node, int depth)
    {
        if (depth > kMaxDepth)
            return refuseDepth();
        QVariantMap map;
        plist_dict_iter iterator = nullptr;
        plist_dict_new_iter(node, &iterator);
        auto freeIterator = qScopeGuard([&iterator] { free(iterator); });
        for (;;) {
            // Keys can only be read as C strings; keys holding a NUL never get here (raw NUL
            // bytes are refused before XML is parsed, NUL characters by the binary check).
            char* key = nullptr;
            plist_t value = nullptr;
            plist_dict_next_item(node, iterator, &key, &value);
            if (!key)
                return map;
            const QString name = QString::fromUtf8(key);
            free(key);
            std::optional<QVariant> converted = convert(value, depth + 1);
            if (!converted)
                return std::nullopt;
            map.insert(name, std::move(*converted));
        }
    }

    std::optional<QVariant> refuse(const QString& reason)
    {
        error = reason;
        return std::nullopt;
    }
    std::optional<QVariant> refuseDepth()
    {
        return refuse(QStringLiteral("lists nested deeper than %1 levels").arg(kMaxDepth));
    }

    qint64 objects_ = 0;
};

plist_t toNode(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Bool:
        return plist_new_bool(value.toBool());
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
        return plist_new_uint(static_cast<uint64_t>(value.toLongLong()));
    case QMetaType::ULong:
    case QMetaType::ULongLong:
        return unsignedNode(value.toULongLong());
    case QMetaType::Double:
    case QMetaType::Float:
        return plist_new_real(value.toDouble());
    case QMetaType::QByteArray: {
        const QByteArray bytes = value.toByteArray();
        return plist_new_data(bytes.constData(), static_cast<uint64_t>(bytes.size()));
    }
    case QMetaType::QDateTime: {
        const qint64 ms = referenceDate().msecsTo(value.toDateTime());
        const qint64 seconds = ms >= 0 ? ms / 1000 : -((-ms + 999) / 1000);
        return plist_new_date(static_cast<int32_t>(seconds), static_cast<int32_t>((ms - seconds * 1000) * 1000));
    }
    case QMetaType::QVariantList:
    case QMetaType::QStringList: {
        plist_t array = plist_new_array();
        for (const QVariant& item : value.toList())
            plist_array_append_item(array, toNode(item));
        return array;
    }
    case QMetaType::QVariantMap:
    case QMetaType::QVariantHash: {
        plist_t dict = plist_new_dict();
        const QVariantMap map = value.toMap();
        for (auto it = map.begin(); it != map.end(); ++it)
            plist_dict_set_item(dict, it.key().toUtf8().constData(), toNode(it.value()));
        return dict;
    }
    default:
        return plist_new_string(value.toString().toUtf8().constData());
    }
}

void setError(QString* error, const QString& text)
{
    if (error)
        *error = text;
}

} // namespace

std::optional<QVariant> fromData(const QByteArray& data, QString* error)
{
    if (data.isEmpty()) {
        setError(error, QStringLiteral("empty file"));
        return std::nullopt;
    }
    if (data.size() > kMaxBytes) {
        setError(error, QStringLiteral("file too large"));
        return std::nullopt;
    }
    const bool binary = plist_is_binary(data.constData(), static_cast<uint32_t>(data.size()));
    const QString refusal = binary ? BinaryPropertyListCheck::problem(data, {kMaxDepth, kMaxObjects})
        : data.contains('\0')     ? QStringLiteral("a NUL character, which XML does not allow")
        : xmlNestsDeeperThan(data, kMaxDepth) ? QStringLiteral("lists nested deeper than %1 levels").arg(kMaxDepth)
                                  : QString();
    if (!refusal.isNull()) {
        setError(error, refusal);
        return std::nullopt;
    }
    plist_t root = nullptr;
    plist_from_memory(data.constData(), static_cast<uint32_t>(data.size()), &root);
    Node owner(root);
    if (!root) {
        setError(error, QStringLiteral("not a property list"));
        return std::nullopt;
    }
    Converter converter;
    std::optional<QVariant> value = converter.convert(root);
    if (!value)
        setError(error, converter.error);
    return value;
}

std::optional<QVariant> readFile(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.exists()) {
        setError(error, QStringLiteral("no such file"));
        return std::nullopt;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        setError(error, file.errorString());
        return std::nullopt;
    }
    if (file.size() > kMaxBytes) {
        setError(error, QStringLiteral("file too large"));
        return std::nullopt;
    }
    return fromData(file.readAll(), error);
}

QByteArray toXml(const QVariant& value)
{
    Node root(toNode(value));
    char* xml = nullptr;
    uint32_t length = 0;
    plist_to_xml(root.get(), &xml, &length);
    QByteArray result(xml, static_cast<qsizetype>(length));
    plist_to_xml_free(xml);
    return result;
}

bool writeFileAtomically(const QString& path, const QVariant& value, QString* error)
{
    return AtomicFile::replace(path, toXml(value), error);
}

} // namespace PropertyList
