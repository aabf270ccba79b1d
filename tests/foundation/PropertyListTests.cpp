#include "PlistValues.h"
#include "PropertyList.h"
#include "TestEnvironment.h"

#include <QDateTime>
#include <QFile>

#include <gtest/gtest.h>

#include <limits>

TEST(PropertyList, RoundTripsEveryValueKind)
{
    TestEnvironment env;
    const QDateTime date(QDate(2024, 3, 5), QTime(19, 8, 9), Qt::UTC);
    const QVariantMap original{
        {"text", QStringLiteral("Dur – ♯")},
        {"integer", qlonglong(42)},
        {"negative", qlonglong(-7)},
        {"real", 0.25},
        {"yes", true},
        {"no", false},
        {"date", date},
        {"data", QByteArray("\x00\x01\xff", 3)},
        {"list", QVariantList{qlonglong(1), QStringLiteral("two"), QVariantMap{{"pos", qlonglong(3)}}}},
        {"empty", QVariantMap{}},
    };
    const QString path = env.root() + "/roundtrip.plist";
    ASSERT_TRUE(PropertyList::writeFileAtomically(path, original));
    const auto read = PropertyList::readFile(path);
    ASSERT_TRUE(read.has_value());
    const QVariantMap map = read->toMap();
    EXPECT_EQ(map.value("text").toString(), QStringLiteral("Dur – ♯"));
    EXPECT_EQ(map.value("integer").toLongLong(), 42);
    EXPECT_EQ(map.value("negative").toLongLong(), -7);
    EXPECT_DOUBLE_EQ(map.value("real").toDouble(), 0.25);
    EXPECT_EQ(map.value("yes").typeId(), QMetaType::Bool);
    EXPECT_TRUE(map.value("yes").toBool());
    EXPECT_FALSE(map.value("no").toBool());
    EXPECT_EQ(map.value("date").toDateTime(), date);
    EXPECT_EQ(map.value("data").toByteArray(), QByteArray("\x00\x01\xff", 3));
    EXPECT_EQ(map.value("list").toList().at(2).toMap().value("pos").toLongLong(), 3);
    EXPECT_TRUE(map.value("empty").toMap().isEmpty());
}

TEST(PropertyList, ReadsXmlWrittenElsewhere)
{
    const QByteArray xml = R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0"><dict><key>when</key><date>2001-01-02T00:00:00Z</date>
<key>n</key><integer>-3</integer><key>r</key><real>1.5</real></dict></plist>)";
    const auto value = PropertyList::fromData(xml);
    ASSERT_TRUE(value.has_value());
    const QVariantMap map = value->toMap();
    EXPECT_EQ(map.value("when").toDateTime().toUTC(),
              QDateTime(QDate(2001, 1, 2), QTime(0, 0), Qt::UTC));
    EXPECT_EQ(map.value("n").toLongLong(), -3);
    EXPECT_DOUBLE_EQ(map.value("r").toDouble(), 1.5);
}

TEST(PropertyList, RejectsGarbageWithAReason)
{
    TestEnvironment env;
    QString error;
    EXPECT_FALSE(PropertyList::fromData(QByteArray(), &error).has_value());
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(PropertyList::fromData("<?xml version=\"1.0\"?><plist><dict><key>a", &error).has_value());
    EXPECT_FALSE(PropertyList::fromData("bplist00\x01\x02garbage", &error).has_value());
    EXPECT_FALSE(PropertyList::readFile(env.root() + "/missing.plist", &error).has_value());
    EXPECT_EQ(error, QStringLiteral("no such file"));
}

TEST(PropertyList, FailedWriteLeavesTheOldFile)
{
    TestEnvironment env;
    const QString path = env.root() + "/kept.plist";
    ASSERT_TRUE(PropertyList::writeFileAtomically(path, QVariantMap{{"a", qlonglong(1)}}));
    QString error;
    EXPECT_FALSE(PropertyList::writeFileAtomically(env.root() + "/no/such/folder/x.plist", QVariantMap{}, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(PropertyList::readFile(path)->toMap().value("a").toLongLong(), 1);
}

namespace {

// A binary property list of the given objects (encoded bodies), object 0 at the top, with
// four-byte offsets and references.
QByteArray binaryList(const QList<QByteArray>& objects)
{
    auto bigEndian = [](quint64 value, int width) {
        QByteArray bytes;
        for (int i = width - 1; i >= 0; --i)
            bytes.append(char((value >> (8 * i)) & 0xFF));
        return bytes;
    };
    QByteArray out("bplist00");
    QList<quint64> offsets;
    for (const QByteArray& object : objects) {
        offsets << quint64(out.size());
        out += object;
    }
    const quint64 table = quint64(out.size());
    for (quint64 offset : offsets)
        out += bigEndian(offset, 4);
    out += QByteArray(6, '\0') + char(4) + char(4);
    out += bigEndian(quint64(objects.size()), 8) + bigEndian(0, 8) + bigEndian(table, 8);
    return out;
}

QByteArray marker(int kind, int count)
{
    QByteArray bytes(1, char(kind << 4 | (count < 15 ? count : 15)));
    if (count >= 15)
        bytes += QByteArray("\x12", 1) + QByteArray::fromHex(QByteArray::number(count, 16).rightJustified(8, '0'));
    return bytes;
}

QByteArray ref(int index)
{
    return QByteArray::fromHex(QByteArray::number(index, 16).rightJustified(8, '0'));
}

QByteArray utf16(const QString& text)
{
    QByteArray bytes;
    for (const QChar c : text)
        bytes += char(c.unicode() >> 8) + QByteArray(1, char(c.unicode() & 0xFF));
    return bytes;
}

// Arrays inside each other, `levels` deep, as binary: object i holds object i + 1.
QByteArray nestedBinary(int levels)
{
    QList<QByteArray> objects;
    for (int i = 0; i < levels - 1; ++i)
        objects << marker(0xA, 1) + ref(i + 1);
    objects << marker(0xA, 0);
    return binaryList(objects);
}

QByteArray nestedXml(int levels)
{
    return "<?xml version=\"1.0\"?><plist version=\"1.0\">" + QByteArray("<array>").repeated(levels)
        + QByteArray("</array>").repeated(levels) + "</plist>";
}

QString refusal(const QByteArray& data)
{
    QString error;
    const auto value = PropertyList::fromData(data, &error);
    return value ? QStringLiteral("(read)") : error;
}

} // namespace

TEST(PropertyList, StringsHoldingANulCharacterAreRefusedNotFatal)
{
    const QByteArray xmlHead = "<?xml version=\"1.0\"?><plist version=\"1.0\">";
    const QByteArray nulInString = xmlHead + QByteArray("<string>a\0b</string></plist>", 28);
    const QByteArray nulInKey = xmlHead + QByteArray("<dict><key>a\0b</key><string>x</string></dict></plist>", 54);
    EXPECT_TRUE(refusal(nulInString).contains("NUL")) << refusal(nulInString).toStdString();
    EXPECT_TRUE(refusal(nulInKey).contains("NUL"));
    EXPECT_NE(refusal(xmlHead + "<string>a&#0;b</string></plist>"), "(read)");

    const QString withNul = QStringLiteral("a") + QChar(0) + QStringLiteral("b");
    const QByteArray utf16String = binaryList({marker(0x6, 3) + utf16(withNul)});
    const QByteArray utf16Key = binaryList({marker(0xD, 1) + ref(1) + ref(2), marker(0x6, 3) + utf16(withNul),
                                            marker(0x5, 1) + "x"});
    const QByteArray asciiString = binaryList({marker(0x5, 3) + QByteArray("a\0b", 3)});
    for (const QByteArray& list : {utf16String, utf16Key, asciiString})
        EXPECT_EQ(refusal(list), "a string holding a NUL character");

    // The same lists without the NUL read as they should.
    EXPECT_EQ(PropertyList::fromData(binaryList({marker(0xD, 1) + ref(1) + ref(2), marker(0x6, 3) + utf16("a♯b"),
                                                 marker(0x5, 1) + "x"}))->toMap().value("a♯b").toString(),
              "x");
}

TEST(PropertyList, ListsNestedDeeperThan256LevelsAreRefused)
{
    EXPECT_EQ(refusal(nestedXml(256)), "(read)");
    EXPECT_EQ(refusal(nestedBinary(256)), "(read)");
    for (const int levels : {257, 100000}) {
        EXPECT_EQ(refusal(nestedXml(levels)), "lists nested deeper than 256 levels") << levels;
        EXPECT_EQ(refusal(nestedBinary(levels)), "lists nested deeper than 256 levels") << levels;
    }
    // Deep enough to overflow the stack of a parser that recurses per level.
    EXPECT_EQ(refusal(nestedXml(1000000)), "lists nested deeper than 256 levels");
    // Empty lists, comments and CDATA sections open no level; dictionaries do.
    const QByteArray head = "<?xml version=\"1.0\"?><plist version=\"1.0\">";
    const QByteArray wide = head + "<array>" + QByteArray("<array/><dict/><array ></array>").repeated(400)
        + "<!--" + QByteArray("<array>").repeated(300) + "--><string><![CDATA[" + QByteArray("<dict>").repeated(300)
        + "]]></string></array></plist>";
    EXPECT_EQ(refusal(wide), "(read)");
    QByteArray dictionaries = head;
    for (int i = 0; i < 300; ++i)
        dictionaries += "<dict><key>k</key>";
    dictionaries += "<string>x</string>" + QByteArray("</dict>").repeated(300) + "</plist>";
    EXPECT_EQ(refusal(dictionaries), "lists nested deeper than 256 levels");
    // A dictionary that holds itself is nested without end.
    EXPECT_EQ(refusal(binaryList({marker(0xD, 1) + ref(1) + ref(0), marker(0x5, 1) + "k"})),
              "lists nested deeper than 256 levels");
}

TEST(PropertyList, ListsOfMoreThan131072ObjectsAreRefused)
{
    // Forty small arrays, each holding the next one twice: 2^40 objects once copied out.
    QList<QByteArray> objects;
    for (int i = 0; i < 40; ++i)
        objects << marker(0xA, 2) + ref(i + 1) + ref(i + 1);
    objects << marker(0x5, 1) + "x";
    EXPECT_EQ(refusal(binaryList(objects)), "more than 131072 objects");
    const QByteArray xmlHead = "<?xml version=\"1.0\"?><plist version=\"1.0\"><array>";
    EXPECT_EQ(refusal(xmlHead + QByteArray("<true/>").repeated(131071) + "</array></plist>"), "(read)");
    EXPECT_EQ(refusal(xmlHead + QByteArray("<true/>").repeated(131072) + "</array></plist>"), "more than 131072 objects");

    // A list that claims more entries than its bytes hold, and references to nothing.
    EXPECT_NE(refusal(binaryList({marker(0xA, 1000) + ref(0)})), "(read)");
    EXPECT_NE(refusal(binaryList({marker(0xA, 1) + ref(7)})), "(read)");
}

namespace {

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

QByteArray bigEndianBytes(quint64 value)
{
    QByteArray bytes;
    for (int shift = 56; shift >= 0; shift -= 8)
        bytes.append(char((value >> shift) & 0xFF));
    return bytes;
}

} // namespace

TEST(PropertyList, IntegersBeyondTheSignedRangeStayUnsignedWhenReadAndWrittenBack)
{
    TestEnvironment env;
    constexpr quint64 kLargest = std::numeric_limits<quint64>::max();
    constexpr qint64 kSignedMax = std::numeric_limits<qint64>::max();
    constexpr qint64 kSignedMin = std::numeric_limits<qint64>::min();
    const QString xmlPath = env.root() + "/numbers.plist";
    const QString binaryPath = env.root() + "/numbers-binary.plist";
    writeBytes(xmlPath, R"(<?xml version="1.0" encoding="UTF-8"?>
<plist version="1.0"><array><integer>18446744073709551615</integer><integer>9223372036854775808</integer>
<integer>9223372036854775807</integer><integer>-9223372036854775808</integer><integer>-1</integer>
<integer>0</integer></array></plist>)");
    // As other programs write them: values beyond the signed range take 16 bytes, the
    // others at most 8, signed.
    const QByteArray sixteen = QByteArray::fromHex("14") + bigEndianBytes(0);
    writeBytes(binaryPath, binaryList({marker(0xA, 6) + ref(1) + ref(2) + ref(3) + ref(4) + ref(5) + ref(6),
                                       sixteen + bigEndianBytes(kLargest), sixteen + bigEndianBytes(quint64(1) << 63),
                                       "\x13" + bigEndianBytes(quint64(kSignedMax)),
                                       "\x13" + bigEndianBytes(quint64(kSignedMin)), "\x13" + bigEndianBytes(kLargest),
                                       QByteArray::fromHex("1000")}));

    for (const QString& path : {xmlPath, binaryPath}) {
        SCOPED_TRACE(path.toStdString());
        const auto read = PropertyList::readFile(path);
        ASSERT_TRUE(read.has_value());
        const QVariantList numbers = read->toList();
        ASSERT_EQ(numbers.size(), 6);
        EXPECT_EQ(numbers[0], QVariant(qulonglong(kLargest)));
        EXPECT_EQ(numbers[1], QVariant(qulonglong(1) << 63));
        EXPECT_EQ(numbers[2], QVariant(qlonglong(kSignedMax)));
        EXPECT_EQ(numbers[3], QVariant(qlonglong(kSignedMin)));
        EXPECT_EQ(numbers[4], QVariant(qlonglong(-1)));
        EXPECT_EQ(numbers[5], QVariant(qlonglong(0)));

        // Beyond the signed range: no whole number, no -1, no match for -1; within it, kept.
        EXPECT_EQ(PlistValues::toWholeNumber(numbers[0]), std::nullopt);
        EXPECT_EQ(PlistValues::toWholeNumber(numbers[1]), std::nullopt);
        EXPECT_EQ(PlistValues::toWholeNumber(numbers[2]), kSignedMax);
        EXPECT_EQ(PlistValues::toWholeNumber(numbers[3]), kSignedMin);
        EXPECT_EQ(PlistValues::toWholeNumber(numbers[4]), -1);
        EXPECT_EQ(PlistValues::toInteger(numbers[0]), std::numeric_limits<int>::max());
        EXPECT_EQ(PlistValues::toInteger(numbers[4]), -1);
        EXPECT_FALSE(PlistValues::objectsEqual(numbers[0], numbers[4]));
        EXPECT_FALSE(PlistValues::objectsEqual(numbers[4], numbers[0]));
        EXPECT_TRUE(PlistValues::objectsEqual(numbers[0], QVariant(qulonglong(kLargest))));

        // Written back, every value reads as it was.
        const QString copy = env.root() + "/copy.plist";
        ASSERT_TRUE(PropertyList::writeFileAtomically(copy, numbers));
        EXPECT_TRUE(fileBytes(copy).contains("<integer>18446744073709551615</integer>"));
        EXPECT_EQ(PropertyList::readFile(copy)->toList(), numbers);
    }
}
