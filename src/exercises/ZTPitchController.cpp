#include "ZTPitchController.h"

#include "Localization.h"
#include "ZTPitch.h"
#include "ZTPreferences.h"
#include "ZTStringFormat.h"

namespace {

constexpr qlonglong kPitchTempo = 120;

} // namespace

QVariantList ZTPitchController::translateItems(const QVariantList& items, const ZTMusicalTest* test)
{
    ZTPreferences* prefs = ZTPreferences::sharedPreferences();
    const QString spellingType = prefs->spellingType();
    const QString noteNamesType = prefs->noteNamesType();
    const qlonglong root = test ? test->rootNoteNr() : 0;
    const bool minor = test ? test->isMinor() : false;
    const QList<ZTNoteCollection> collections = test ? test->noteCollectionObjects() : QList<ZTNoteCollection>();

    QVariantList translated;
    translated.reserve(items.size());
    for (const QVariant& entry : items) {
        QVariantMap item = entry.toMap();
        const QVariantList steps = item.value(QStringLiteral("definition")).toList();
        const QVariantList notes = steps.value(0).toMap().value(QStringLiteral("notes")).toList();
        const qlonglong noteNr = notes.value(0).toMap().value(QStringLiteral("note")).toLongLong();
        const QVNote note = QVNote::initWithNoteNr(noteNr, root, minor, collections);
        item.insert(QStringLiteral("translatedName"), note.nameWithSpellingType(spellingType, noteNamesType));
        translated.append(item);
    }
    return translated;
}

QString ZTPitchController::testName() const
{
    return QStringLiteral("Pitch recognition");
}

std::shared_ptr<ZTTest> ZTPitchController::testForItem(const QVariantMap& item)
{
    if (item.isEmpty())
        return nullptr;
    return ZTTest::create<ZTPitch>(item);
}

std::shared_ptr<ZTTest> ZTPitchController::createTestForItem(const QVariantMap& item, const QVariant&)
{
    std::shared_ptr<ZTTest> test = testForItem(item);
    if (auto* musical = dynamic_cast<ZTMusicalTest*>(test.get()))
        musical->updateRootNote();
    return test;
}

void ZTPitchController::playTest(const std::shared_ptr<ZTTest>& test)
{
    resetPlayButton();
    if (auto* musical = dynamic_cast<ZTMusicalTest*>(test.get()))
        playMusicalTest(*musical, kPitchTempo);
}

QVariantList ZTPitchController::translateItems(const QVariantList& items) const
{
    return translateItems(items, currentMusicalTest().get());
}

QString ZTPitchController::rightResultString() const
{
    return currentTest() ? currentTest()->result() : QString();
}

QString ZTPitchController::spellingString() const
{
    return QStringLiteral("");
}

QString ZTPitchController::questionString() const
{
    return localized(QStringLiteral("Which note was played? To repeat it, click  \u27F3 ."));
}

QString ZTPitchController::questionSubString() const
{
    return ZTStringFormat::fill(localized(QStringLiteral("Choose the right note from the sidebar or play it with %@.")),
                                {instrumentName()});
}

QString ZTPitchController::startTestString() const
{
    return localized(QStringLiteral("Click on  \u25B6  to play the next note."));
}
