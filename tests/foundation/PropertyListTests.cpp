#include "PropertyList.h"
#include "TestEnvironment.h"

#include <QDateTime>
#include <QFile>

#include <gtest/gtest.h>

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
