#include "ZTChordProgressionController.h"

#include "Localization.h"
#include "ZTChordProgression.h"
#include "ZTPreferences.h"
#include "ZTStringFormat.h"

#include <algorithm>

namespace {

// Where entered note number `number` (from 1) falls, counting the chords' tones off in order:
// the chord it belongs to (0 before any note, the number of chords beyond the last) and how
// many notes the chords before that one take.
struct ChordPlace {
    qsizetype chord = 0;
    qsizetype start = 0;
};

ChordPlace chordOfEnteredNote(qsizetype number, const QList<ZTNoteCollection>& chords)
{
    ChordPlace place;
    while (place.chord < chords.size() && place.start + chords.at(place.chord).numNotes() < number)
        place.start += chords.at(place.chord++).numNotes();
    return place;
}

// The tone of the chord that the entered note stands for, among those not yet taken: the
// same number first, then (with "ignoreOctaves") the same note in another octave; -1 when none.
qsizetype freeToneFor(const QVNote& entered, const QList<QVNote>& tones, const std::vector<bool>& taken,
                      bool ignoreOctaves)
{
    for (qsizetype i = 0; i < tones.size(); ++i)
        if (!taken[size_t(i)] && tones.at(i).nr() == entered.nr())
            return i;
    if (ignoreOctaves)
        for (qsizetype i = 0; i < tones.size(); ++i)
            if (!taken[size_t(i)] && tones.at(i).isSameNote(entered))
                return i;
    return -1;
}

} // namespace

void ZTChordProgressionController::initWithLevel(qlonglong level, ZTExamsController* examsController)
{
    ZTSectionedTestController::initWithLevel(level, examsController);
    keyboardPlayRightOrder_ = false;
}

QString ZTChordProgressionController::testName() const
{
    return QStringLiteral("Chord progressions");
}

QString ZTChordProgressionController::questionString() const
{
    return localized(QStringLiteral("Which chord progression was played? To repeat it, click  \u27F3 ."));
}

QString ZTChordProgressionController::questionSubString() const
{
    return ZTStringFormat::fill(
        localized(QStringLiteral("Choose the right chord progression from the sidebar or play it with %@.")),
        {instrumentName()});
}

QString ZTChordProgressionController::startTestString() const
{
    return localized(QStringLiteral("Click on  \u25B6  to play the next chord progression."));
}

std::shared_ptr<ZTTest> ZTChordProgressionController::testForItem(const QVariantMap& item)
{
    if (item.isEmpty())
        return nullptr;
    return ZTTest::create<ZTChordProgression>(item);
}

std::shared_ptr<ZTTest> ZTChordProgressionController::createTestForItem(const QVariantMap& item, const QVariant&)
{
    std::shared_ptr<ZTTest> test = testForItem(item);
    if (auto* progression = dynamic_cast<ZTChordProgression*>(test.get()))
        drawRootFromBaseNoteRange(*progression);
    return test;
}

std::shared_ptr<ZTChordProgression> ZTChordProgressionController::currentProgression() const
{
    return std::dynamic_pointer_cast<ZTChordProgression>(currentTest());
}

bool ZTChordProgressionController::isAnswerRightForItem(const QVariantMap& item, const QVariant& userInfo)
{
    const std::shared_ptr<ZTChordProgression> current = currentProgression();
    const auto answer = std::dynamic_pointer_cast<ZTChordProgression>(createTestForItem(item, userInfo));
    if (!current || !answer)
        return false;
    if (answer->definition().toList().size() != current->definition().toList().size())
        return false;
    // The current question's inversions only fit chords of the same sizes.
    if (answer->toneCountsOfSteps() != current->toneCountsOfSteps())
        return false;
    answer->setRootNoteNr(current->rootNoteNr());
    answer->setInversions(current->inversions());
    return answer->isEqualTo(*current);
}

void ZTChordProgressionController::noteEntered(const QVNote& note)
{
    if (!waitingForKeyboardInput())
        return;
    const std::shared_ptr<ZTChordProgression> progression = currentProgression();
    if (!progression)
        return;
    const QList<ZTNoteCollection> chords = progression->noteCollectionObjects();
    if (showFirstNote() && chords.size() >= 2 && enteredNotes().isEmpty() && chords.first().firstNote())
        appendEnteredNote(*chords.first().firstNote());

    // A tone entered again for the chord in progress stands for nothing new: taken twice it
    // would complete the chord without its other tones (C, E, E for C-E-G), so it is ignored.
    // Once the chord is complete the same note may begin the next one.
    const bool ignoreOctaves = ZTPreferences::sharedPreferences()->ignoreOctaves();
    const ChordPlace next = chordOfEnteredNote(enteredNotes().size() + 1, chords);
    bool repeat = false;
    if (next.chord < chords.size()) {
        const QList<QVNote>& tones = chords.at(next.chord).notes();
        const auto matches = std::count_if(tones.cbegin(), tones.cend(),
                                           [&](const QVNote& tone) { return isSameTone(note, tone, ignoreOctaves); });
        const auto taken = std::count_if(enteredNotes().cbegin() + next.start, enteredNotes().cend(),
                                         [&](const QVNote& entered) { return isSameTone(note, entered, ignoreOctaves); });
        repeat = matches > 0 && taken >= matches;
    }
    if (!repeat)
        appendEnteredNote(note);

    // The step shown is the chord of the last note entered, the last chord once all are in.
    const qlonglong step =
        std::min(chordOfEnteredNote(enteredNotes().size(), chords).chord, std::max<qsizetype>(chords.size() - 1, 0));
    if (ZTMainWindowServices* window = mainWindow()) {
        if (ZTStepViewControl* bar = window->chordProgressionStepView()) {
            bar->setCurrentStep(step);
            bar->setEnabled(false);
        }
        if (ZTInstrumentViewControl* instrument = window->instrumentView())
            instrument->setStep(step);
    }
    checkEnteredNotes();
}

void ZTChordProgressionController::checkEnteredNotes()
{
    const std::shared_ptr<ZTChordProgression> progression = currentProgression();
    if (!progression)
        return;
    const bool staff = isStaffQuestion();
    ZTStaffControl* staffView = noteView();
    if (staffView)
        staffView->setShowNoteNames(showNoteNames());
    const QList<ZTNoteCollection> chords = progression->noteCollectionObjects();
    if (chords.isEmpty())
        return;
    if (!staff && staffView)
        staffView->resetNotes();

    const bool ignoreOctaves = ZTPreferences::sharedPreferences()->ignoreOctaves();
    const QList<QVNote> entered = enteredNotes();
    QList<ZTNoteCollection> shown;
    qsizetype next = 0;
    qsizetype tones = 0;
    bool waiting = false;
    for (qsizetype c = 0; c < chords.size() && !waiting; ++c) {
        const ZTNoteCollection& chord = chords.at(c);
        const QList<QVNote>& chordTones = chord.notes();
        tones += chordTones.size();
        ZTNoteCollection answered;
        answered.setName(QStringLiteral(""));
        shown.append(answered);
        std::vector<bool> taken(size_t(chordTones.size()), false);
        for (qsizetype t = 0; t < chordTones.size(); ++t) {
            if (next >= entered.size()) {
                waiting = true;
                break;
            }
            const QVNote& note = entered.at(next);
            const qsizetype index = freeToneFor(note, chordTones, taken, ignoreOctaves);
            if (index < 0) {
                enteredNoteWasWrong(next, c);
                return;
            }
            taken[size_t(index)] = true;
            shown.last().addNote(chordTones.at(index));
            if (t == chordTones.size() - 1)
                shown.last().setName(chord.name());
            if (instrumentView())
                instrumentView()->markNoteGreen(note, c);
            if (!staff && staffView)
                staffView->setNoteCollections(shown);
            ++next;
        }
    }
    if (!waiting && tones == entered.size()) {
        stopInstrument();
        if (currentTest())
            reportAnswerRight(currentTest()->item());
    }
    setLastEnteredNoteWasRight(true);
}

void ZTChordProgressionController::resetMarks()
{
    ZTSectionedTestController::resetMarks();
    ZTMainWindowServices* window = mainWindow();
    if (!window)
        return;
    const std::shared_ptr<ZTChordProgression> progression = currentProgression();
    if (ZTStepViewControl* bar = window->chordProgressionStepView()) {
        bar->setNumSteps(progression ? progression->noteCollectionObjects().size() : 0);
        bar->setHidden(false);
        bar->setCurrentStep(0);
        bar->setEnabled(false);
    }
    if (ZTInstrumentViewControl* instrument = window->instrumentView())
        instrument->setStep(0);
}
