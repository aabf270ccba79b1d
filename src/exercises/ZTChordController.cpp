#include "ZTChordController.h"

#include "Localization.h"
#include "RandomSource.h"
#include "ZTChord.h"
#include "ZTPreferences.h"
#include "ZTStringFormat.h"

#include <algorithm>

namespace {

qlonglong definitionSize(const QVariantMap& item)
{
    return item.value(QStringLiteral("definition")).toList().size();
}

// Symmetric chords sound the same in every inversion, so they never offer one.
bool offersInversions(const QVariantMap& item)
{
    const QString name = item.value(QStringLiteral("name")).toString();
    return name != QLatin1String("Augmented") && name != QLatin1String("Diminished 7th");
}

} // namespace

QList<qlonglong> ZTChordController::inversionNumbersForItem(const QVariantMap& item)
{
    QList<qlonglong> degrees;
    for (const QVariant& step : item.value(QStringLiteral("definition")).toList()) {
        const QVariantList notes = step.toMap().value(QStringLiteral("notes")).toList();
        degrees.append(notes.isEmpty() ? 0 : notes.first().toMap().value(QStringLiteral("pos")).toLongLong());
    }
    const bool stackedInThirds =
        std::all_of(degrees.cbegin(), degrees.cend(), [](qlonglong degree) { return degree >= 1 && degree % 2 == 1; });
    QList<qlonglong> numbers;
    for (qsizetype k = 0; k < degrees.size(); ++k)
        numbers.append(stackedInThirds ? (degrees.at(k) - 1) / 2 % 7 : k);
    return numbers;
}

QString ZTChordController::inversionTitle(qlonglong inversionNumber)
{
    if (inversionNumber == 0)
        return localized(QStringLiteral("Root position"));
    return ZTStringFormat::fill(localized(QStringLiteral("%ld. Inversion")), {QString::number(inversionNumber)});
}

QStringList ZTChordController::inversionTitlesForItem(const QVariantMap& item)
{
    const QList<qlonglong> numbers = inversionNumbersForItem(item);
    if (numbers.size() < 2)
        return {};
    QStringList titles;
    for (qlonglong number : numbers)
        titles.append(inversionTitle(number));
    return titles;
}

void ZTChordController::initWithLevel(qlonglong level, ZTExamsController* examsController)
{
    ZTSectionedTestController::initWithLevel(level, examsController);
    keyboardPlayRightOrder_ = false;
    observe(testName() + QStringLiteral(".useChordInversionsChangedNotification"),
            [this] { useChordInversionsChangedNotification(); });
}

QString ZTChordController::testName() const
{
    return QStringLiteral("Chord recognition");
}

bool ZTChordController::useChordInversions() const
{
    return ZTPreferences::sharedPreferences()->boolForKey(QStringLiteral("useChordInversions"), testName());
}

std::shared_ptr<ZTTest> ZTChordController::testForItem(const QVariantMap& item)
{
    if (item.isEmpty())
        return nullptr;
    return ZTTest::create<ZTChord>(item);
}

std::shared_ptr<ZTTest> ZTChordController::createTestForItem(const QVariantMap& item, const QVariant& userInfo)
{
    std::shared_ptr<ZTTest> test = testForItem(item);
    if (!test)
        return nullptr;
    test->setUserInfo(userInfo);
    if (auto* musical = dynamic_cast<ZTMusicalTest*>(test.get()))
        setUpMusicalTest(*musical);
    return test;
}

QVariant ZTChordController::createUserInfoWithItem(const QVariantMap& item)
{
    const qlonglong size = definitionSize(item);
    // A chord without tones has no inversion to draw.
    if (!useChordInversions() || size < 1)
        return qlonglong(0);
    return qlonglong(RandomSource::shared().next() % quint32(size));
}

bool ZTChordController::isAnswerRightForItem(const QVariantMap& item, const QVariant& userInfo)
{
    std::shared_ptr<ZTTest> answer = createTestForItem(item, userInfo);
    auto* answerChord = dynamic_cast<ZTChord*>(answer.get());
    auto* currentChord = dynamic_cast<ZTChord*>(currentTest().get());
    if (!answerChord || !currentChord)
        return false;
    matchCurrentRootAndDirection(*answerChord);
    return answerChord->isSameChord(*currentChord);
}

ZTSidebarCell ZTChordController::tableViewViewForRow(qlonglong row) const
{
    ZTSidebarCell cell = ZTSectionedTestController::tableViewViewForRow(row);
    if (cell.isGroupRow || row < 0 || row >= arrayForTableView().size())
        return cell;
    const QVariantMap item = arrayForTableView().at(row).toMap();
    cell.popupTitles = inversionTitlesForItem(item);
    cell.popupEnabled = tableView() && tableView()->tag() != 0 && useChordInversions() && offersInversions(item)
                        && !cell.popupTitles.isEmpty();
    return cell;
}

void ZTChordController::tableViewCellPopupClicked(qlonglong row, qlonglong selectedIndex)
{
    tableViewClickedWithRow(row, QVariant(selectedIndex));
}

QString ZTChordController::rightResultString() const
{
    const std::shared_ptr<ZTTest> test = currentTest();
    if (!test)
        return QString();
    const QString name = localized(test->translatedName().isEmpty() ? test->name() : test->translatedName());
    const qlonglong inversion = test->userInfo().toLongLong();
    const QList<qlonglong> numbers = inversionNumbersForItem(test->item());
    if (useChordInversions() && inversion > 0 && inversion < numbers.size()) {
        return ZTStringFormat::fill(QStringLiteral("%@ - %@ (%@)"),
                                    {name, inversionTitle(numbers.at(inversion)), test->result()});
    }
    return ZTStringFormat::fill(QStringLiteral("%@ (%@)"), {name, test->result()});
}

bool ZTChordController::canDescending() const
{
    return true;
}

QString ZTChordController::questionString() const
{
    return localized(QStringLiteral("Which chord was played? To repeat it, click  \u27F3 ."));
}

QString ZTChordController::questionSubString() const
{
    return ZTStringFormat::fill(localized(QStringLiteral("Choose the right chord from the sidebar or play it with %@.")),
                                {instrumentName()});
}

QString ZTChordController::startTestString() const
{
    return localized(QStringLiteral("Click on  \u25B6  to play the next chord."));
}

void ZTChordController::useChordInversionsChangedNotification()
{
    reloadSidebar();
}
