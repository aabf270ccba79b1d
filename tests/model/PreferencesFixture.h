#pragma once

#include "MainQueue.h"
#include "NotificationCenter.h"
#include "PropertyList.h"
#include "TestEnvironment.h"
#include "ZTPreferences.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <ostream>
#include <vector>

inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

// Raw file contents, for files that must stay as they were and files made to be broken.
inline QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline void writeBytes(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

// A small exercise-definition list driving the per-exercise defaults and the custom lists.
inline QVariantList fixtureTests()
{
    auto setting = [](const QString& name, const QVariant& value, const QStringList& values = {}) {
        return QVariantMap{{"name", name}, {"type", "select"}, {"default", value}, {"values", values}};
    };
    auto test = [](const QString& name, const QVariantList& settings) {
        const QVariantList groups{QVariantMap{{"id", "g1"}, {"name", "Triads"}}};
        const QVariantList items{QVariantMap{{"name", "Major"}, {"group", "g1"}, {"chordId", "M"}}};
        return QVariantMap{{"name", name}, {"class", "ZTChord"}, {"items", items}, {"groups", groups},
                           {"settings", settings}};
    };
    return {
        test("Interval recognition",
             {setting("level", "Medium", {"Easy", "Medium", "Hard"}), setting("numTryouts", "3"),
              setting("tempo", qlonglong(90)), setting("length", 2.5), setting("showNoteNames", true),
              setting("answerTime", "10 s")}),
        test("Scale recognition", {setting("level", "Major only", {"Major only", "Modes"})}),
        test("Chord recognition", {setting("level", "Nowhere", {"Triads", "Sevenths"})}),
        test("Chord progressions", {}),
        test("Melodies", {setting("level", "Two notes", {"Two notes", "Three notes"})}),
    };
}

// Records notifications (every one when no names are given) with their time and what the
// store held for a key when they arrived.
class NotificationLog {
public:
    struct Entry {
        QString name;
        double time = 0;
        const void* sender = nullptr;
        QVariant object;
        QVariant valueSeen;
    };

    explicit NotificationLog(const QStringList& names, QString keyToRead = {})
    {
        for (const QString& name : names.isEmpty() ? QStringList{QString()} : names) {
            observers_.push_back(NotificationCenter::defaultCenter().addObserver(name, [this, keyToRead](const Notification& n) {
                const QVariant seen = keyToRead.isEmpty() ? QVariant() : ZTPreferences::sharedPreferences()->valueForKey(keyToRead);
                entries.push_back(Entry{n.name, MainQueue::now(), n.sender, n.object, seen});
            }));
        }
    }
    QStringList names() const
    {
        QStringList list;
        for (const Entry& e : entries)
            list << e.name;
        return list;
    }
    int count(const QString& name) const { return int(names().count(name)); }

    std::vector<Entry> entries;

private:
    std::vector<NotificationObserver> observers_;
};

// A fresh store over fresh folders and a copy of the bundle holding the fixture exercises.
class PreferencesTestBase : public ::testing::Test {
protected:
    void SetUp() override
    {
        resources = env.copyOfResources();
        ASSERT_TRUE(PropertyList::writeFileAtomically(resources + "/Tests.plist", fixtureTests()));
        ZTPreferences::setMIDIEndpointLookup({});
        ZTPreferences::resetSharedForTesting();
    }
    void TearDown() override
    {
        ZTPreferences::resetSharedForTesting();
        ZTPreferences::setMIDIEndpointLookup({});
    }

    QString settingsPath() const { return env.applicationSupportFolder() + "/settings.plist"; }
    // Writes settings.plist and drops the store, so the next prefs() reads the file.
    void writeSettingsFile(const QVariantMap& settings)
    {
        QDir().mkpath(env.applicationSupportFolder());
        ASSERT_TRUE(PropertyList::writeFileAtomically(settingsPath(), settings));
        ZTPreferences::resetSharedForTesting();
    }
    QVariantMap settingsFile() const { return PropertyList::readFile(settingsPath()).value_or(QVariant()).toMap(); }
    ZTPreferences* prefs() { return ZTPreferences::sharedPreferences(); }

    TestEnvironment env;
    ManualMainQueue queue;
    QString resources;
};
