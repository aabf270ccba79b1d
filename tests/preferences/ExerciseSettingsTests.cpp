// What each kind of exercise setting shows and stores.
#include "PreferencesTestSupport.h"

#include "Localization.h"
#include "ZTDataProvider.h"
#include "ZTExerciseSettings.h"
#include "ZTPreferences.h"
#include "ZTStringFormat.h"
#include "ZTUtils.h"

namespace {

using Column = ZTExerciseSettings::Column;
using Editor = ZTExerciseSettings::Editor;

const QString kIntervals = QStringLiteral("Interval recognition");
const QString kProgressions = QStringLiteral("Chord progressions");

class ExerciseSettingsTest : public PreferencesTest {
protected:
    // The catalogue's record of an exercise's setting.
    static QVariantMap setting(const QString& exercise, const QString& name)
    {
        const QVariantMap test = ZTDataProvider::sharedDataProvider()->testWithName(exercise);
        for (const QVariant& entry : test.value(QStringLiteral("settings")).toList())
            if (entry.toMap().value(QStringLiteral("name")).toString() == name)
                return entry.toMap();
        return {};
    }

    static QVariantMap record(const QString& name, const QString& type)
    {
        return {{QStringLiteral("name"), name}, {QStringLiteral("type"), type}, {QStringLiteral("parent"), kIntervals}};
    }

    static int valueIndex(const QVariantMap& setting, Column column = Column::Value)
    {
        return ZTExerciseSettings::objectValue(setting, column).toInt();
    }
};

TEST_F(ExerciseSettingsTest, EachTypeGetsItsEditors)
{
    const QVariantMap exercise = ZTDataProvider::sharedDataProvider()->testWithName(kIntervals);
    EXPECT_TRUE(ZTExerciseSettings::isExerciseRow(exercise));
    EXPECT_TRUE(ZTExerciseSettings::isExpandable(exercise));
    EXPECT_EQ(ZTExerciseSettings::editorFor(exercise, Column::Value), Editor::None);

    const struct {
        const char* type;
        Editor value;
        Editor value2;
    } cases[] = {
        {"select", Editor::Popup, Editor::None},       {"scales", Editor::Popup, Editor::None},
        {"note", Editor::Popup, Editor::None},         {"noteRange", Editor::Popup, Editor::Popup},
        {"randomBool", Editor::Popup, Editor::None},   {"bool", Editor::Checkbox, Editor::None},
        {"slider", Editor::Slider, Editor::Text},      {"colour", Editor::None, Editor::None},
    };
    for (const auto& c : cases) {
        const QVariantMap row = record(QStringLiteral("x"), QString::fromLatin1(c.type));
        EXPECT_FALSE(ZTExerciseSettings::isExerciseRow(row));
        EXPECT_EQ(ZTExerciseSettings::editorFor(row, Column::Value), c.value) << c.type;
        EXPECT_EQ(ZTExerciseSettings::editorFor(row, Column::Value2), c.value2) << c.type;
    }
}

TEST_F(ExerciseSettingsTest, SelectShowsTranslatedValuesAndStoresTheValueItself)
{
    const QVariantMap answerTime = setting(kIntervals, QStringLiteral("answerTime"));
    const QStringList titles = ZTExerciseSettings::titles(answerTime, Column::Value);
    ASSERT_EQ(titles.size(), 17);
    EXPECT_EQ(titles.first(), localized(QStringLiteral("Unlimited")));
    EXPECT_EQ(valueIndex(answerTime), 0);
    EXPECT_EQ(ZTExerciseSettings::objectValue(answerTime, Column::Name).toString(), QStringLiteral("Answer time"));

    ZTExerciseSettings::setObjectValue(10, answerTime, Column::Value);
    EXPECT_EQ(prefs()->stringForKey(QStringLiteral("answerTime"), kIntervals), QStringLiteral("10 sec"));
    EXPECT_EQ(valueIndex(answerTime), 10);

    // An index past the list stores nothing; a value that is not in the list shows no choice.
    ZTExerciseSettings::setObjectValue(40, answerTime, Column::Value);
    EXPECT_EQ(prefs()->stringForKey(QStringLiteral("answerTime"), kIntervals), QStringLiteral("10 sec"));
    prefs()->setString(QStringLiteral("forever"), QStringLiteral("answerTime"), kIntervals);
    EXPECT_EQ(valueIndex(answerTime), -1);
}

TEST_F(ExerciseSettingsTest, LevelsAreChosenByIdCustomLevelsIncluded)
{
    const QVariantMap level = setting(kIntervals, QStringLiteral("level"));
    EXPECT_EQ(valueIndex(level), 0); // the default, "int_0"
    ZTExerciseSettings::setObjectValue(2, level, Column::Value);
    EXPECT_EQ(prefs()->stringForKey(QStringLiteral("level"), kIntervals), QStringLiteral("int_2"));

    // An old file that names a built-in level shows that level.
    prefs()->setString(QStringLiteral("Adding thirds"), QStringLiteral("level"), kIntervals);
    EXPECT_EQ(valueIndex(level), 1);

    prefs()->addCustomLevel({{QStringLiteral("name"), QStringLiteral("My fourths")},
                             {QStringLiteral("items"), QStringList{QStringLiteral("Perfect fourth")}},
                             {QStringLiteral("testName"), kIntervals}},
                            kIntervals);
    settle(); // the catalogue takes the new level
    const QStringList titles = ZTExerciseSettings::titles(level, Column::Value);
    ASSERT_EQ(titles.size(), 8);
    EXPECT_EQ(titles.last(), QStringLiteral("My fourths"));
    ZTExerciseSettings::setObjectValue(7, level, Column::Value);
    const QString customId = prefs()->stringForKey(QStringLiteral("level"), kIntervals);
    EXPECT_TRUE(customId.startsWith(QStringLiteral("custom_")));
    EXPECT_EQ(valueIndex(level), 7);

    // Once the level is gone nothing is chosen, and nothing is written.
    prefs()->deleteLevelWithIndex(0, kIntervals);
    settle();
    EXPECT_EQ(valueIndex(level), -1);
    EXPECT_EQ(prefs()->stringForKey(QStringLiteral("level"), kIntervals), customId);
}

TEST_F(ExerciseSettingsTest, NoteRangeEndsPushEachOther)
{
    const QVariantMap range = setting(kIntervals, QStringLiteral("basenote")); // "48,72"
    EXPECT_EQ(ZTExerciseSettings::titles(range, Column::Value), ZTUtils::getNoteNamesFromNote(24, 103));
    EXPECT_EQ(ZTExerciseSettings::titles(range, Column::Value2).size(), 80);
    EXPECT_EQ(valueIndex(range), 48 - 24);
    EXPECT_EQ(valueIndex(range, Column::Value2), 72 - 24);

    EXPECT_FALSE(ZTExerciseSettings::setObjectValue(60 - 24, range, Column::Value));
    EXPECT_EQ(prefs()->stringForKey(QStringLiteral("basenote"), kIntervals), QStringLiteral("60,72"));

    // A low note above the high one takes the high one along, and the other way round.
    EXPECT_TRUE(ZTExerciseSettings::setObjectValue(80 - 24, range, Column::Value));
    EXPECT_EQ(prefs()->stringForKey(QStringLiteral("basenote"), kIntervals), QStringLiteral("80,80"));
    EXPECT_TRUE(ZTExerciseSettings::setObjectValue(50 - 24, range, Column::Value2));
    EXPECT_EQ(prefs()->stringForKey(QStringLiteral("basenote"), kIntervals), QStringLiteral("50,50"));
    EXPECT_FALSE(ZTExerciseSettings::setObjectValue(70 - 24, range, Column::Value2));
    EXPECT_EQ(prefs()->stringForKey(QStringLiteral("basenote"), kIntervals), QStringLiteral("50,70"));
}

TEST_F(ExerciseSettingsTest, DamagedNoteRangeIsNotSplitAndAChoiceMendsIt)
{
    const QVariantMap range = setting(kIntervals, QStringLiteral("basenote"));
    for (const char* bad : {"60", "", "48;72", "48,72,80", "a,b", "-1,60", "48,200", " 48,72", "48,"}) {
        EXPECT_FALSE(ZTExerciseSettings::parseNoteRange(QString::fromLatin1(bad))) << bad;
        prefs()->setString(QString::fromLatin1(bad), QStringLiteral("basenote"), kIntervals);
        EXPECT_EQ(valueIndex(range), -1) << bad;
        EXPECT_EQ(valueIndex(range, Column::Value2), -1) << bad;
    }
    // A range outside the pop-ups' notes shows no choice either.
    prefs()->setString(QStringLiteral("10,110"), QStringLiteral("basenote"), kIntervals);
    EXPECT_EQ(valueIndex(range), -1);
    EXPECT_EQ(valueIndex(range, Column::Value2), -1);

    prefs()->setString(QStringLiteral("60"), QStringLiteral("basenote"), kIntervals);
    EXPECT_TRUE(ZTExerciseSettings::setObjectValue(55 - 24, range, Column::Value2));
    EXPECT_EQ(prefs()->stringForKey(QStringLiteral("basenote"), kIntervals), QStringLiteral("55,55"));
    const auto parsed = ZTExerciseSettings::parseNoteRange(QStringLiteral("0,127"));
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->low, 0);
    EXPECT_EQ(parsed->high, 127);
}

TEST_F(ExerciseSettingsTest, DirectionCheckboxNoteAndScaleValues)
{
    const QVariantMap direction = setting(kIntervals, QStringLiteral("descending"));
    EXPECT_EQ(ZTExerciseSettings::titles(direction, Column::Value),
              (QStringList{QStringLiteral("Ascending"), QStringLiteral("Descending"), QStringLiteral("Random")}));
    ZTExerciseSettings::setObjectValue(2, direction, Column::Value);
    EXPECT_EQ(prefs()->integerForKey(QStringLiteral("descending"), kIntervals), 2);
    prefs()->setInteger(5, QStringLiteral("descending"), kIntervals);
    EXPECT_EQ(valueIndex(direction), -1);

    const QVariantMap names = setting(kIntervals, QStringLiteral("showNoteNames")); // default on
    EXPECT_EQ(valueIndex(names), 1);
    ZTExerciseSettings::setObjectValue(0, names, Column::Value);
    EXPECT_FALSE(prefs()->boolForKey(QStringLiteral("showNoteNames"), kIntervals));
    EXPECT_EQ(valueIndex(names), 0);

    const QVariantMap note = record(QStringLiteral("lowestNote"), QStringLiteral("note"));
    ZTExerciseSettings::setObjectValue(36, note, Column::Value);
    EXPECT_EQ(prefs()->integerForKey(QStringLiteral("lowestNote"), kIntervals), 36); // C4 is index 36
    EXPECT_EQ(valueIndex(note), 36);

    const QVariantMap scale = record(QStringLiteral("scale"), QStringLiteral("scales"));
    const QStringList scales = ZTExerciseSettings::titles(scale, Column::Value);
    ASSERT_GT(scales.size(), 2);
    EXPECT_EQ(scales.first(), QStringLiteral("Chromatic"));
    ZTExerciseSettings::setObjectValue(2, scale, Column::Value);
    EXPECT_EQ(prefs()->stringForKey(QStringLiteral("scale"), kIntervals), scales.at(2));
    EXPECT_EQ(valueIndex(scale), 2);
}

TEST_F(ExerciseSettingsTest, SliderStoresItsValueAndNamesItsNumber)
{
    const QVariantMap tempo = setting(kIntervals, QStringLiteral("tempo"));
    EXPECT_DOUBLE_EQ(ZTExerciseSettings::objectValue(tempo, Column::Value).toDouble(), 100.0);
    ZTExerciseSettings::setObjectValue(123.5, tempo, Column::Value);
    EXPECT_FLOAT_EQ(prefs()->floatForKey(QStringLiteral("tempo"), kIntervals), 123.5f);
    EXPECT_EQ(ZTExerciseSettings::objectValue(tempo, Column::Value2, 123).toString(), QStringLiteral("123 BPM"));
    EXPECT_EQ(ZTExerciseSettings::sliderText(tempo, 1), QStringLiteral("1 BPM")); // no singular form

    const QVariantMap length = setting(kProgressions, QStringLiteral("length"));
    EXPECT_EQ(ZTExerciseSettings::sliderText(length, 1), QStringLiteral("1 beat"));
    EXPECT_EQ(ZTExerciseSettings::sliderText(length, 2), QStringLiteral("2 beats"));
    EXPECT_EQ(ZTExerciseSettings::sliderText(record(QStringLiteral("x"), QStringLiteral("slider")), 7),
              QStringLiteral("7"));
}

TEST(StringFormatTest, FillsEveryKindOfPlaceholderInOrder)
{
    EXPECT_EQ(ZTStringFormat::fill(QStringLiteral("After %d seconds"), {QStringLiteral("4")}),
              QStringLiteral("After 4 seconds"));
    EXPECT_EQ(ZTStringFormat::fill(QStringLiteral("%@ of %ld, %d%%"), {QStringLiteral("a"), QStringLiteral("2")}),
              QStringLiteral("a of 2, %d%%"));
}

} // namespace
