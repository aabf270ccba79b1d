#include "QVNote.h"

#include "ZTNoteCollection.h"

#include "platform/foundation/Localization.h"

#include <QRegularExpression>

#include <algorithm>
#include <array>

namespace {

const std::array<QString, 7> kLetters = {
    QStringLiteral("C"), QStringLiteral("D"), QStringLiteral("E"), QStringLiteral("F"),
    QStringLiteral("G"), QStringLiteral("A"), QStringLiteral("B")};
constexpr std::array<int, 7> kLetterSteps = {0, 2, 4, 5, 7, 9, 11};

const QList<qint64> kMajorSteps = {0, 2, 4, 5, 7, 9, 11};
const QList<qint64> kMinorSteps = {0, 2, 3, 5, 7, 8, 10};

using NameRow = std::array<const char*, 12>;
constexpr NameRow kPlainRow = {"C", "Db", "D", "Eb", "E", "F", "F#", "G", "Ab", "A", "Bb", "B"};
constexpr NameRow kSharpRow = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};
constexpr NameRow kFlatRow = {"C", "Db", "D", "Eb", "E", "F", "Gb", "G", "Ab", "A", "Bb", "B"};

const NameRow& rowForType(int keySignatureType)
{
    switch (keySignatureType) {
    case 1: return kSharpRow;
    case 2: return kFlatRow;
    default: return kPlainRow;
    }
}

int mod12(qint64 value)
{
    return int(((value % 12) + 12) % 12);
}

// Index 0..6 of an upper-case letter, -1 for anything else.
int letterIndex(QChar letter)
{
    for (int i = 0; i < int(kLetters.size()); ++i) {
        if (kLetters[i].at(0) == letter)
            return i;
    }
    return -1;
}

int letterStep(const QString& name)
{
    const int index = name.isEmpty() ? -1 : letterIndex(name.at(0));
    return index < 0 ? 0 : kLetterSteps[index];
}

QString signsFor(qint64 offset)
{
    if (offset > 0)
        return QString(qsizetype(offset), QLatin1Char('#'));
    if (offset < 0)
        return QString(qsizetype(-offset), QLatin1Char('b'));
    return QString();
}

// NSString-style capitalisation: the first character of each whitespace-separated word in
// upper case, every other character in lower case.
QString capitalized(const QString& text)
{
    QString result = text.toLower();
    bool wordStart = true;
    for (qsizetype i = 0; i < result.size(); ++i) {
        if (result.at(i).isSpace()) {
            wordStart = true;
        } else if (wordStart) {
            result[i] = result.at(i).toUpper();
            wordStart = false;
        }
    }
    return result;
}

QString syllable(QChar letter, bool capital)
{
    static const char* const syllables[] = {"do", "re", "mi", "fa", "sol", "la", "si"};
    const int index = letterIndex(letter.toUpper());
    if (index < 0)
        return QString();
    QString text = QString::fromLatin1(syllables[index]);
    if (capital)
        text[0] = text.at(0).toUpper();
    return text;
}

QString rectText(const QRectF& r)
{
    return QStringLiteral("{{%1, %2}, {%3, %4}}")
        .arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

} // namespace

// ---- Initialisers ----

QVNote QVNote::initWithNoteNr(qint64 noteNr, qint64 rootNoteNr, bool isMinor)
{
    return initWithNoteNr(noteNr, rootNoteNr, isMinor, {}, 0);
}

QVNote QVNote::initWithNoteNr(qint64 noteNr, qint64 rootNoteNr, bool isMinor,
                              const QList<ZTNoteCollection>& useNotes, int keySignatureType)
{
    QVNote note;
    note.nr_ = noteNr;

    // A number that the question already spells keeps that spelling, so an entered answer
    // reads like the question.
    bool reused = false;
    for (const ZTNoteCollection& collection : useNotes) {
        for (const QVNote& other : collection.notes()) {
            if (other.nr_ == noteNr) {
                note.letter_ = other.letter_;
                note.offset_ = other.offset_;
                note.octave_ = other.octave_;
                reused = true;
            }
        }
    }
    if (reused)
        return note;

    const int root = mod12(rootNoteNr);
    const QList<qint64>& steps = scaleSteps(isMinor);
    const QStringList scale = getNotesForScaleWithBaseNote(root, steps, keySignatureType);
    const int pitchClass = mod12(noteNr);
    int rel = pitchClass - root;
    if (rel < 0)
        rel += 12;

    // The first accidental of the scale tells a sharp key from a flat one (a scale name
    // never carries both signs).
    const int direction = keySignatureTypeForScale(scale);
    const bool sharpKey = direction == 1;
    const bool flatKey = direction == 2;

    QString name;
    const qsizetype degree = steps.indexOf(rel);
    if (degree >= 0) {
        name = scale.value(degree);
    } else {
        qsizetype above = -1;
        for (qsizetype i = 0; i < steps.size(); ++i) {
            if (steps[i] > rel) {
                above = i;
                break;
            }
        }
        if (above > 0 && sharpKey) {
            name = scale.value(above - 1);
            for (qint64 k = 0; k < rel - steps[above - 1]; ++k)
                name = addNote(name, 1);
        } else if (above > 0 && flatKey) {
            name = scale.value(above);
            for (qint64 k = 0; k < steps[above] - rel; ++k)
                name = addNote(name, -1);
        } else {
            // Neutral keys, and the tone below the root in minor, take the plain row.
            name = QString::fromLatin1(kPlainRow[pitchClass]);
        }
    }

    note.spell(name);
    note.octave_ = noteNr / 12 - 2;
    note.correctOctave();
    return note;
}

QVNote QVNote::initWithRootNoteNr(qint64 rootNoteNr, qint64 pos, qint64 offset, bool isMinor,
                                  int keySignatureType)
{
    const QList<qint64>& steps = scaleSteps(isMinor);
    return noteAtDegree(rootNoteNr, getNotesForScaleWithBaseNote(mod12(rootNoteNr), steps, keySignatureType), steps,
                        pos, offset);
}

QVNote QVNote::initWithRootNoteNr(qint64 rootNoteNr, const QString& rootName, qint64 pos, qint64 offset, bool isMinor)
{
    const QList<qint64>& steps = scaleSteps(isMinor);
    return noteAtDegree(rootNoteNr, getNotesForScaleWithRootName(rootName, steps), steps, pos, offset);
}

QVNote QVNote::noteAtDegree(qint64 rootNoteNr, const QStringList& scale, const QList<qint64>& steps, qint64 pos,
                            qint64 offset)
{
    // Degrees below 1 are not asked for; floor division keeps the index inside the scale anyway.
    const qint64 k = pos - 1;
    const qint64 index = ((k % 7) + 7) % 7;
    const qint64 up = (k - index) / 7;

    QVNote note;
    note.nr_ = rootNoteNr + offset + 12 * up + steps[index];
    note.spell(scale.value(index));
    note.offset_ += offset;
    note.octave_ = note.nr_ / 12 - 2;
    note.correctOctave();
    return note;
}

QVNote QVNote::initWithNote(const QVNote& note)
{
    QVNote result;
    result.setNote(note);
    return result;
}

void QVNote::spell(const QString& name)
{
    letter_ = name.left(1);
    offset_ = offsetForNoteName(name);
}

// Octave numbers follow the number; a spelling across C (B# for a C, Cb for a B) moves the
// written octave so that letter and octave place the note where it sounds.
void QVNote::correctOctave()
{
    const qint64 spelled = 24 + 12 * octave_ + letterStep(letter_) + offset_;
    if (spelled - nr_ >= 3)
        --octave_;
    else if (nr_ - spelled >= 3)
        ++octave_;
}

// ---- Class operations on names ----

// One semitone up is spelled from the sharp row, one down from the flat row. This gives the
// usual neighbours of the twelve plain names and a name one semitone away for any other
// spelling (Cb down is Bb, E# up is F#, Bbb down is Ab).
QString QVNote::addNote(const QString& name, int value)
{
    if ((value != 1 && value != -1) || name.isEmpty() || letterIndex(name.at(0)) < 0)
        return name;
    const int step = stepForNoteName(name);
    if (value == 1)
        return QString::fromLatin1(kSharpRow[(step + 1) % 12]);
    return QString::fromLatin1(kFlatRow[(step + 11) % 12]);
}

int QVNote::keySignatureTypeForScale(const QStringList& names)
{
    for (const QString& name : names) {
        const QString signs = name.mid(1);
        if (signs.contains(QLatin1Char('#')))
            return 1;
        if (signs.contains(QLatin1Char('b')))
            return 2;
    }
    return 0;
}

QString QVNote::replaceSignsFromNoteName(const QString& name)
{
    if (name.size() < 2)
        return name;
    // The first character is the letter (or a syllable's first letter): a "b" there is a B.
    QString tail = name.mid(1);
    tail.replace(QStringLiteral("##"), QStringLiteral(u"\U0001D12A"));
    tail.replace(QStringLiteral("bb"), QStringLiteral(u"\U0001D12B"));
    tail.replace(QStringLiteral("#"), QStringLiteral(u"\u266F"));
    tail.replace(QStringLiteral("b"), QStringLiteral(u"\u266D"));
    return name.left(1) + tail;
}

QString QVNote::nextNoteLetter(const QString& letter)
{
    const int index = letter.isEmpty() ? -1 : letterIndex(letter.at(0));
    return kLetters[(index + 1) % 7];
}

int QVNote::stepForNoteName(const QString& name)
{
    return mod12(letterStep(name) + offsetForNoteName(name));
}

int QVNote::offsetForNoteName(const QString& name)
{
    const QString signs = name.mid(1);
    if (signs.contains(QStringLiteral("bbb")))
        return -3;
    if (signs.contains(QStringLiteral("bb")))
        return -2;
    if (signs.contains(QLatin1Char('b')))
        return -1;
    if (signs.contains(QStringLiteral("###")))
        return 3;
    if (signs.contains(QStringLiteral("##")))
        return 2;
    if (signs.contains(QLatin1Char('#')))
        return 1;
    return 0;
}

QString QVNote::appendOffset(int delta, const QString& name)
{
    const int existing = offsetForNoteName(name);
    if ((existing > 0 && delta < 0) || (existing < 0 && delta > 0))
        return name.left(1) + signsFor(existing + delta);
    return name + signsFor(delta);
}

QStringList QVNote::getNotesForScaleWithBaseNote(qint64 baseNote, const QList<qint64>& scaleSteps,
                                                 int keySignatureType)
{
    return getNotesForScaleWithRootName(QString::fromLatin1(rowForType(keySignatureType)[mod12(baseNote)]),
                                        scaleSteps);
}

QStringList QVNote::getNotesForScaleWithRootName(const QString& rootName, const QList<qint64>& scaleSteps)
{
    const int base = stepForNoteName(rootName);
    QStringList names{rootName};
    QString letter = rootName.left(1);
    for (qsizetype k = 1; k < 7 && k < scaleSteps.size(); ++k) {
        letter = nextNoteLetter(letter);
        const int target = mod12(base + scaleSteps[k]);
        int d = target - letterStep(letter);
        if (d > 2)
            d -= 12;
        else if (d < -9)
            d += 12;
        names.append(d == 0 ? letter : appendOffset(d, letter));
    }
    return names;
}

const QList<qint64>& QVNote::scaleSteps(bool isMinor)
{
    return isMinor ? kMinorSteps : kMajorSteps;
}

// ---- Names ----

const QStringList& QVNote::offeredSpellingTypes()
{
    static const QStringList types{QString::fromLatin1(kSpellingTypeNoteName), QString::fromLatin1(kSpellingTypeScientific),
                                   QString::fromLatin1(kSpellingTypeMIDI), QString::fromLatin1(kSpellingTypeFrench),
                                   QString::fromLatin1(kSpellingTypeHelmholtz)};
    return types;
}

const QStringList& QVNote::offeredNoteNameTypes()
{
    static const QStringList types{QString::fromLatin1(kNoteNameTypeTranslated),
                                   QString::fromLatin1(kNoteNameTypeInternational),
                                   QString::fromLatin1(kNoteNameTypeSolomisation)};
    return types;
}

QString QVNote::nameWithSpellingType(const QString& spellingType, const QString& noteNameType) const
{
    const bool helmholtz = spellingType == QLatin1String(kSpellingTypeHelmholtz);
    QString name;
    if (spellingType == QLatin1String(kSpellingTypeMIDI)) {
        name = letter_ + signs() + QString::number(octave_);
    } else if (spellingType == QLatin1String(kSpellingTypeScientific)) {
        name = letter_ + signs() + QString::number(octave_ + 1);
    } else if (spellingType == QLatin1String(kSpellingTypeNoteName)) {
        name = letter_ + signs();
    } else if (helmholtz) {
        name = helmholzNotation(letter_);
    } else if (spellingType == QLatin1String(kSpellingTypeFrench)) {
        // French numbering has no octave 0.
        name = letter_ + signs() + QString::number(octave_ >= 1 ? octave_ : octave_ - 1);
    } else {
        // "Numeral" and unknown types name nothing; an empty text keeps callers that join or
        // show names safe.
        return QStringLiteral("");
    }

    if (noteNameType == QLatin1String(kNoteNameTypeSolomisation)) {
        if (!name.isEmpty()) {
            const QChar first = name.at(0);
            const QString replacement = syllable(first, helmholtz && first.isUpper());
            if (!replacement.isEmpty() && (helmholtz || first.isUpper()))
                name = replacement + name.mid(1);
        }
    } else if (noteNameType == QLatin1String(kNoteNameTypeTranslated)) {
        static const QRegularExpression pattern(QStringLiteral("^([A-Ga-g][#b]?)(.*)"));
        const QRegularExpressionMatch match = pattern.match(name);
        if (match.hasMatch()) {
            name = localized(match.captured(1)) + match.captured(2);
            if (helmholtz && octave_ < 2)
                name = capitalized(name);
        }
    }

    return replaceSignsFromNoteName(name);
}

QString QVNote::signs() const
{
    return signsFor(offset_);
}

QString QVNote::helmholzNotation(const QString& letter) const
{
    const QString s = signs();
    const QString lower = letter.toLower() + s;
    const QString upper = letter.toUpper() + s;
    const QChar mark(0x0375);
    const QChar prime(0x2032);
    switch (octave_) {
    case -3: return upper + QString(4, mark);
    case -2: return upper + QString(3, mark);
    case -1: return upper + QString(2, mark);
    case 0: return upper + QString(1, mark);
    case 1: return upper;
    case 2: return lower;
    case 3: case 4: case 5: case 6: case 7: case 8:
        return lower + QString(qsizetype(octave_ - 2), prime);
    default: return letter + s;
    }
}

int QVNote::pos() const
{
    return letter_.isEmpty() ? 0 : letterIndex(letter_.at(0)) + 1;
}

// ---- Comparison ----

// Equal "MIDI"/"International" names mean equal letter, accidentals and octave.
bool QVNote::isEqual(const QVNote& note) const
{
    return letter_ == note.letter_ && offset_ == note.offset_ && octave_ == note.octave_;
}

bool QVNote::isSameNote(const QVNote& note) const
{
    return letter_ == note.letter_ && offset_ == note.offset_;
}

// ---- Changes ----

void QVNote::setNote(const QVNote& note)
{
    letter_ = note.letter_;
    offset_ = note.offset_;
    octave_ = note.octave_;
    nr_ = note.nr_;
    noteFrame_ = note.noteFrame_;
    selected_ = note.selected_;
}

QVNote QVNote::copy() const
{
    return initWithNote(*this);
}

void QVNote::addSignWithOffset(qint64 newOffset, qint64 minNote, qint64 maxNote)
{
    const qint64 candidate = nr_ - offset_ + newOffset;
    if ((maxNote != 0 && candidate > maxNote) || (minNote != 0 && candidate < minNote))
        return;
    nr_ = candidate;
    offset_ = newOffset;
}

void QVNote::addOctaves(qint64 n)
{
    const qint64 candidate = nr_ + 12 * n;
    if (candidate < 0 || candidate > 127)
        return;
    octave_ += n;
    nr_ = candidate;
}

void QVNote::removeSign()
{
    nr_ -= offset_;
    offset_ = 0;
}

QRectF QVNote::drawingRect() const
{
    if (offset_ == 0)
        return noteFrame_;
    const double top = std::max(noteFrame_.y() + noteFrame_.height(),
                                noteSignFrame_.y() + noteSignFrame_.height());
    return QRectF(noteSignFrame_.x(), noteSignFrame_.y(),
                  noteFrame_.x() + noteFrame_.width() - noteSignFrame_.x(),
                  top - noteSignFrame_.y());
}

QString QVNote::description() const
{
    return QStringLiteral("<QVNote: 0x%1>: %2 - %3 - %4 - %5 - %6 isSelected:%7")
        .arg(quintptr(this), 0, 16)
        .arg(nameWithSpellingType(QLatin1String(kSpellingTypeMIDI),
                                  QLatin1String(kNoteNameTypeInternational)))
        .arg(nr_)
        .arg(offset_)
        .arg(octave_)
        .arg(rectText(noteFrame_))
        .arg(selected_ ? 1 : 0);
}
