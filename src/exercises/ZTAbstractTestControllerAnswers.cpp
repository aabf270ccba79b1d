// Answers of ZTAbstractTestController: the sidebar as the answer list, clicked items and
// the notes entered on an instrument, checked against the question.
#include "ZTAbstractTestController.h"

#include "Localization.h"
#include "ZTMusicalTest.h"
#include "ZTPreferences.h"

#include <algorithm>
#include <functional>
#include <vector>

namespace {

const QString kTranslatedName = QStringLiteral("translatedName");
const QString kName = QStringLiteral("name");

ZTPreferences* prefs()
{
    return ZTPreferences::sharedPreferences();
}

bool isGroupEntry(const QVariant& entry)
{
    return entry.typeId() == QMetaType::QString;
}

// Whether every question note is matched by an entered note of its own: a note entered
// twice stands for one tone only (C, E, E does not complete C-E-G).
template <typename Matches>
bool coversEveryNote(const QList<QVNote>& entered, const QList<QVNote>& expected, Matches matches)
{
    const qsizetype n = expected.size();
    // Augmenting paths over (entered note -> question note); the lists are a few notes long.
    std::vector<qsizetype> ownerOf(n, -1);
    std::function<bool(qsizetype, std::vector<bool>&)> assign = [&](qsizetype e, std::vector<bool>& seen) {
        for (qsizetype x = 0; x < n; ++x) {
            if (seen[x] || !matches(entered.at(e), expected.at(x)))
                continue;
            seen[x] = true;
            if (ownerOf[x] < 0 || assign(ownerOf[x], seen)) {
                ownerOf[x] = e;
                return true;
            }
        }
        return false;
    };
    qsizetype matched = 0;
    for (qsizetype e = 0; e < entered.size(); ++e) {
        std::vector<bool> seen(n, false);
        if (assign(e, seen))
            ++matched;
    }
    return matched == n;
}

} // namespace

// ---- Sidebar ----

qlonglong ZTAbstractTestController::numberOfRowsInTableView() const
{
    return arrayForTableView().size();
}

double ZTAbstractTestController::tableViewHeightOfRow(qlonglong) const
{
    return ZTSidebarCell::kHeight;
}

bool ZTAbstractTestController::tableViewIsGroupRow(qlonglong row) const
{
    const QVariantList rows = arrayForTableView();
    return row >= 0 && row < rows.size() && isGroupEntry(rows.at(row));
}

ZTSidebarCell ZTAbstractTestController::tableViewViewForRow(qlonglong row) const
{
    ZTSidebarCell cell;
    cell.row = row;
    const QVariantList rows = arrayForTableView();
    if (row < 0 || row >= rows.size())
        return cell;
    const QVariant entry = rows.at(row);
    if (isGroupEntry(entry)) {
        cell.isGroupRow = true;
        cell.title = localized(entry.toString());
        cell.titleColor = ZTColor::blackColor();
        cell.backgroundImage = QStringLiteral("tableViewSectionBackground");
        return cell;
    }
    const QVariantMap item = entry.toMap();
    cell.title = item.contains(kTranslatedName) ? item.value(kTranslatedName).toString() : item.value(kName).toString();
    auto is = [&cell](const QString& marked) { return !marked.isEmpty() && cell.title == marked; };
    if (is(currentItem_))
        cell.titleColor = ZTColor{1.0, 207 / 255.0, 15 / 255.0, 1.0};
    else if (is(rightItem_))
        cell.titleColor = ZTColor{119 / 255.0, 167 / 255.0, 94 / 255.0, 1.0};
    else if (is(wrongItem_))
        cell.titleColor = ZTColor::redColor();
    else
        cell.titleColor = ZTColor::whiteColor(tableView_ && tableView_->tag() != 0 ? 1.0 : 0.5);
    return cell;
}

QList<qlonglong> ZTAbstractTestController::tableViewSelectionIndexesForProposedSelection(
    const QList<qlonglong>& proposed, const QList<qlonglong>& current) const
{
    if (!tableView_ || tableView_->tag() == 0)
        return current;
    QList<qlonglong> allowed;
    for (qlonglong row : proposed)
        if (!tableViewIsGroupRow(row))
            allowed.append(row);
    return allowed;
}

void ZTAbstractTestController::tableViewSelectionDidChange()
{
    if (!tableView_)
        return;
    const qlonglong row = tableView_->selectedRow();
    if (row < 0)
        return;
    tableView_->deselectAll();
    if (tableView_->tag() == 1)
        tableViewClickedWithRow(row, QVariant());
}

void ZTAbstractTestController::tableViewCellPopupClicked(qlonglong, qlonglong) {}

void ZTAbstractTestController::tableViewClickedWithRow(qlonglong row, const QVariant& userInfo)
{
    if (isPlayingSelectedItem_)
        return;
    stopInstrument();
    const QVariantList rows = arrayForTableView();
    if (row < 0 || row >= rows.size() || isGroupEntry(rows.at(row)))
        return;
    const QVariantMap item = rows.at(row).toMap();
    lastSelectedItem_ = item;
    lastUserInfo_ = userInfo;

    if (prefs()->practiceMode()) {
        setCurrentTest(playTestWithItem(item, userInfo));
        currentTestIndex_ = row;
        currentItem_ = item.value(kTranslatedName).toString();
        if (auto musical = currentMusicalTest()) {
            musical->setSpellingType(prefs()->spellingType());
            if (instrumentView_)
                instrumentView_->setMusicalTest(musical);
            NotificationCenter::defaultCenter().post(QStringLiteral("ZTDisplayInfoNotification"), this,
                                                     QVariantMap{{QStringLiteral("title"), musical->shownName()},
                                                                 {QStringLiteral("subTitle"), musical->spellingString()}});
            if (instrumentView_ && musical->showNotes() && !musical->noteCollectionObjects().isEmpty())
                instrumentView_->setGreenNotesFromTestWithStep(instrumentView_->step());
            if (noteView_)
                noteView_->showNotesFromTest();
            reloadSidebar();
        } else {
            resetMarks();
        }
        if (ZTMainWindowServices* window = mainWindow())
            window->loadWebView();
        return;
    }

    if (prefs()->boolForKey(QStringLiteral("shouldPlaySelectedItem"), testName())) {
        std::shared_ptr<ZTTest> clicked = createTestForItem(item, userInfo);
        if (!std::dynamic_pointer_cast<ZTMusicalTest>(clicked) || !currentMusicalTest())
            return;
        matchCurrentRootAndDirection(*clicked);
        currentItem_ = item.value(kTranslatedName).toString();
        rightItem_ = QString();
        wrongItem_ = QString();
        reloadSidebar();
        stopAnswerTime();
        // Last: when nothing can sound the playback ends at once, and its end judges the click.
        isPlayingSelectedItem_ = true;
        waitingForKeyboardInput_ = false;
        playTest(clicked);
        return;
    }
    _reportAnswer();
}

void ZTAbstractTestController::_reportAnswer()
{
    if (examsController_)
        invalidateAutoTimer();
    const QVariantMap item = lastSelectedItem_;
    if (isAnswerRightForItem(item, lastUserInfo_)) {
        reportAnswerRight(item);
        return;
    }
    // Only the row the user chose turns red; a wrong entered note marks no row, so the
    // question's own row never gives the answer away while tries remain.
    if (testInProgress_)
        wrongItem_ = item.value(kTranslatedName).toString();
    reportAnswerWrong(item);
}

// ---- Entered notes ----

qlonglong ZTAbstractTestController::indexOfNote(const QVNote& note, const QList<QVNote>& notes)
{
    const bool ignoreOctaves = prefs()->ignoreOctaves();
    for (qsizetype i = 0; i < notes.size(); ++i) {
        if (isSameTone(note, notes.at(i), ignoreOctaves))
            return i;
    }
    return -1;
}

bool ZTAbstractTestController::isSameTone(const QVNote& entered, const QVNote& tone, bool ignoreOctaves)
{
    return entered.nr() == tone.nr() || (ignoreOctaves && entered.isSameNote(tone));
}

void ZTAbstractTestController::noteEnteredWithNr(qlonglong noteNr)
{
    if (!waitingForKeyboardInput_)
        return;
    const std::shared_ptr<ZTMusicalTest> musical = currentMusicalTest();
    if (!musical)
        return;
    noteEntered(QVNote::initWithNoteNr(noteNr, musical->rootNoteNr(), musical->isMinor(),
                                       musical->noteCollectionObjects()));
}

void ZTAbstractTestController::noteEntered(const QVNote& note)
{
    if (!waitingForKeyboardInput_)
        return;
    const std::shared_ptr<ZTMusicalTest> musical = currentMusicalTest();
    if (!musical)
        return;
    const QList<ZTNoteCollection> collections = musical->noteCollectionObjects();
    const QVNote* first = collections.size() >= 2 ? collections.at(0).firstNote() : nullptr;
    const QVNote* second = collections.size() >= 2 ? collections.at(1).firstNote() : nullptr;
    if (showFirstNote() && first && enteredNotes_.isEmpty())
        enteredNotes_.append(*first);

    // A repeat of the note given for the user, or of the first note, is not taken twice
    // unless the question itself starts with a repeated note.
    const bool duplicate = indexOfNote(note, enteredNotes_) >= 0;
    const bool sameStart = first && second && first->nr() == second->nr();
    const bool sameClass = first && second && first->isSameNote(*second);
    const bool skip = duplicate && !sameStart && !(sameClass && prefs()->ignoreOctaves()) && enteredNotes_.size() < 2;
    if (!skip)
        enteredNotes_.append(note);
    checkEnteredNotes();
}

void ZTAbstractTestController::checkEnteredNotes()
{
    const std::shared_ptr<ZTMusicalTest> musical = currentMusicalTest();
    if (!musical)
        return;
    const bool staff = isStaffQuestion();
    if (noteView_)
        noteView_->setShowNoteNames(showNoteNames());
    const QList<ZTNoteCollection> collections = musical->noteCollectionObjects();
    if (collections.isEmpty())
        return;
    if (!staff && noteView_)
        noteView_->resetNotes();
    const bool ignoreOctaves = prefs()->ignoreOctaves();

    bool complete = false;
    if (keyboardPlayRightOrder_) {
        for (qsizetype i = 0; i < enteredNotes_.size(); ++i) {
            const QVNote& entered = enteredNotes_.at(i);
            const QVNote* expected = i < collections.size() ? collections.at(i).firstNote() : nullptr;
            if (!expected || !(entered.isEqual(*expected) || (ignoreOctaves && entered.isSameNote(*expected)))) {
                enteredNoteWasWrong(i, 0);
                return;
            }
            if (instrumentView_)
                instrumentView_->markNoteGreen(*expected, 0);
            if (!staff && noteView_)
                noteView_->addNoteCollection(collections.at(i));
        }
        complete = enteredNotes_.size() == collections.size();
    } else {
        const QList<QVNote> firsts = ZTNoteCollection::firstNotesFromCollections(collections);
        for (qsizetype i = 0; i < enteredNotes_.size(); ++i) {
            const QVNote& entered = enteredNotes_.at(i);
            if (indexOfNote(entered, firsts) < 0) {
                enteredNoteWasWrong(i, 0);
                return;
            }
            if (instrumentView_)
                instrumentView_->markNoteGreen(entered, 0);
            if (!staff && noteView_)
                noteView_->addNoteCollection(ZTNoteCollection::noteCollectionWithNote(entered));
        }
        complete = coversEveryNote(enteredNotes_, firsts, [ignoreOctaves](const QVNote& entered, const QVNote& tone) {
            return isSameTone(entered, tone, ignoreOctaves);
        });
    }
    if (complete) {
        stopInstrument();
        if (currentTest_)
            reportAnswerRight(currentTest_->item());
    }
    lastEnteredNoteWasRight_ = true;
}

void ZTAbstractTestController::enteredNoteWasWrong(qsizetype enteredIndex, qlonglong position)
{
    enteredNotes_[enteredIndex].setWrong(true);
    const QVNote note = enteredNotes_.at(enteredIndex);
    if (noteView_)
        noteView_->addNoteCollection(ZTNoteCollection::noteCollectionWithNote(note));
    if (instrumentView_)
        instrumentView_->markNoteRed(note, position);
    stopInstrument();
    lastEnteredNoteWasRight_ = false;
    // One report per question: further notes entered meanwhile find the same wrong note
    // and must not score it again. Ending the question cancels the report.
    if (wrongNoteReport_.isValid())
        return;
    wrongNoteReport_ = MainQueue::after(0.5, [this] {
        if (currentTest_)
            reportAnswerWrong(currentTest_->item());
    });
}
