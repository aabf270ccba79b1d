#pragma once

#include "RandomSource.h"
#include "TestEnvironment.h"
#include "ZTMusicalTest.h"
#include "ZTPreferences.h"

#include <QVariantList>
#include <QVariantMap>

#include <gtest/gtest.h>

#include <vector>

// Small catalogue items built in the tests: note steps {"notes": [{"pos", "off"}]}.
inline QVariantMap noteStep(qlonglong pos, qlonglong off = 0)
{
    return QVariantMap{{"notes", QVariantList{QVariantMap{{"pos", pos}, {"off", off}}}}};
}

inline QVariantMap emptyStep()
{
    return QVariantMap{{"notes", QVariantList{}}};
}

inline QVariantMap pitchStep(qlonglong note)
{
    return QVariantMap{{"notes", QVariantList{QVariantMap{{"note", note}}}}};
}

inline QVariantMap fixtureItem(const QString& name, const QVariantList& steps, bool isMinor = false,
                               const QString& chordId = {})
{
    QVariantMap item{{"name", name}, {"definition", steps}, {"isMinor", isMinor}};
    if (!chordId.isNull())
        item.insert("chordId", chordId);
    return item;
}

inline QVariantMap majorTriad()
{
    return fixtureItem("Major", {noteStep(1), noteStep(3), noteStep(5)}, false, "M");
}

inline std::vector<qlonglong> firstNotes(const QList<ZTNoteCollection>& collections)
{
    std::vector<qlonglong> numbers;
    for (const ZTNoteCollection& c : collections)
        numbers.push_back(c.firstNote() ? c.firstNote()->nr() : -1);
    return numbers;
}

inline std::vector<qlonglong> numbersOf(const ZTNoteCollection& collection)
{
    std::vector<qlonglong> numbers;
    for (const QVNote& n : collection.notes())
        numbers.push_back(n.nr());
    return numbers;
}

// Fresh folders, a fresh settings store and no MIDI hardware for every test.
class QuestionTestBase : public ::testing::Test {
protected:
    void SetUp() override
    {
        ZTPreferences::setMIDIEndpointLookup({});
        ZTMusicalTest::setMIDIOutputEndpointCheck({});
        ZTPreferences::resetSharedForTesting();
        RandomSource::shared().seed(7);
    }
    void TearDown() override
    {
        ZTMusicalTest::setMIDIOutputEndpointCheck({});
        ZTPreferences::resetSharedForTesting();
        ZTPreferences::setMIDIEndpointLookup({});
    }
    ZTPreferences* prefs() { return ZTPreferences::sharedPreferences(); }

    TestEnvironment env;
    ManualMainQueue queue;
};
