#include "ExamTestSupport.h"

#include "PropertyList.h"
#include "ZTExamJson.h"

TEST(ExamJson, ServerRecordsBecomeValuesAPropertyListCanHold)
{
    TestEnvironment env;
    const QByteArray body = R"({"id": 12, "name": "Ear\u0001 test\ttabbed", "ratio": 0.5, "big": 1e3,
                                "note": null, "settings": {"timelimit": null, "play_mode": "random"},
                                "questions": [null, {"id": 3, "repeat": 2, "fb": true}]})";
    QString error;
    const std::optional<QVariant> parsed = ZTExamJson::parse(body, &error);
    ASSERT_TRUE(parsed) << error.toStdString();
    const QVariantMap exam = parsed->toMap();
    EXPECT_EQ(exam.value("id").typeId(), QMetaType::LongLong);
    EXPECT_EQ(exam.value("big").typeId(), QMetaType::LongLong);
    EXPECT_EQ(exam.value("ratio").toDouble(), 0.5);
    EXPECT_EQ(exam.value("name").toString(), "Ear test\ttabbed");
    EXPECT_FALSE(exam.contains("note"));
    EXPECT_EQ(exam.value("settings").toMap(), (QVariantMap{{"play_mode", "random"}}));
    ASSERT_EQ(exam.value("questions").toList().size(), 1);
    EXPECT_EQ(exam.value("questions").toList().first().toMap().value("fb"), QVariant(true));

    // What was parsed is written and read back unchanged.
    ZTDataController::sharedController()->updateExamsFromArray({exam});
    EXPECT_EQ(ZTDataController::sharedController()->examsSortedBy({}), QVariantList({exam}));
}

TEST(ExamJson, BareValuesAreAcceptedAndMalformedOrDeepBodiesRefused)
{
    EXPECT_EQ(ZTExamJson::parse("\"text\"").value_or(QVariant()), QVariant("text"));
    EXPECT_EQ(ZTExamJson::parse(" 42 ").value_or(QVariant()), QVariant(qlonglong(42)));
    EXPECT_FALSE(ZTExamJson::parse("null").value_or(QVariant(1)).isValid());

    QString error;
    for (const QByteArray& bad : {QByteArray(""), QByteArray("{\"a\": "), QByteArray("1, 2"), QByteArray("1] + [2"),
                                  QByteArray("<html>")}) {
        EXPECT_FALSE(ZTExamJson::parse(bad, &error)) << bad.toStdString();
        EXPECT_FALSE(error.isEmpty());
    }
    const int levels = ZTExamJson::kMaxDepth + 1;
    EXPECT_TRUE(ZTExamJson::parse(QByteArray(levels - 1, '[') + QByteArray(levels - 1, ']')));
    EXPECT_FALSE(ZTExamJson::parse(QByteArray(levels + 1, '[') + QByteArray(levels + 1, ']'), &error));
    EXPECT_TRUE(error.contains("deeper"));
}
