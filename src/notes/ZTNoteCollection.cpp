#include "ZTNoteCollection.h"

#include <QStringList>

#include <algorithm>

ZTNoteCollection::ZTNoteCollection(const QVNote& note)
    : name_(note.nameWithSpellingType(QLatin1String(kSpellingTypeMIDI),
                                      QLatin1String(kNoteNameTypeInternational)))
    , notes_{note}
{
}

ZTNoteCollection ZTNoteCollection::noteCollectionWithNote(const QVNote& note)
{
    return ZTNoteCollection(note);
}

const QVNote* ZTNoteCollection::firstNote() const
{
    return notes_.isEmpty() ? nullptr : &notes_.first();
}

QVNote* ZTNoteCollection::firstNote()
{
    return notes_.isEmpty() ? nullptr : &notes_.first();
}

const QVNote* ZTNoteCollection::lastNote() const
{
    return notes_.isEmpty() ? nullptr : &notes_.last();
}

QVNote* ZTNoteCollection::lastNote()
{
    return notes_.isEmpty() ? nullptr : &notes_.last();
}

const QVNote* ZTNoteCollection::noteAtIndex(qint64 index) const
{
    return index < 0 || index >= notes_.size() ? nullptr : &notes_.at(index);
}

QVNote* ZTNoteCollection::noteAtIndex(qint64 index)
{
    return index < 0 || index >= notes_.size() ? nullptr : &notes_[index];
}

const QVNote* ZTNoteCollection::noteWithNoteNr(qint64 nr) const
{
    for (const QVNote& note : notes_) {
        if (note.nr() == nr)
            return &note;
    }
    return nullptr;
}

QVNote* ZTNoteCollection::noteWithNoteNr(qint64 nr)
{
    for (QVNote& note : notes_) {
        if (note.nr() == nr)
            return &note;
    }
    return nullptr;
}

void ZTNoteCollection::addNote(const QVNote& note)
{
    notes_.append(note);
}

void ZTNoteCollection::setNote(const QVNote& note)
{
    notes_ = {note};
}

void ZTNoteCollection::removeAllNotes()
{
    notes_.clear();
}

void ZTNoteCollection::removeNote(const QVNote& note)
{
    // Taken by value: `note` may be an element of this very list.
    const QVNote target = note;
    notes_.removeIf([&target](const QVNote& n) { return n.isEqual(target); });
}

void ZTNoteCollection::removeNoteWithNr(qint64 nr)
{
    for (qsizetype i = 0; i < notes_.size(); ++i) {
        if (notes_.at(i).nr() == nr) {
            notes_.removeAt(i);
            return;
        }
    }
}

bool ZTNoteCollection::hasSignatures() const
{
    return numSignatures() > 0;
}

qint64 ZTNoteCollection::numSignatures() const
{
    return std::count_if(notes_.cbegin(), notes_.cend(),
                         [](const QVNote& n) { return n.offset() != 0; });
}

void ZTNoteCollection::resetSelection()
{
    for (QVNote& note : notes_)
        note.setSelected(false);
}

bool ZTNoteCollection::isEqual(const ZTNoteCollection& other) const
{
    return name_ == other.name_ && notes_ == other.notes_;
}

ZTNoteCollection ZTNoteCollection::copy() const
{
    ZTNoteCollection result;
    result.name_ = name_;
    result.notes_.reserve(notes_.size());
    for (const QVNote& note : notes_)
        result.notes_.append(note.copy());
    result.title_ = title_;
    result.titleFrame_ = titleFrame_;
    return result;
}

QString ZTNoteCollection::description() const
{
    QStringList lines;
    for (const QVNote& note : notes_)
        lines.append(QStringLiteral("    ") + note.description());
    const QString list = notes_.isEmpty()
        ? QStringLiteral("(\n)")
        : QStringLiteral("(\n") + lines.join(QStringLiteral(",\n")) + QStringLiteral("\n)");
    return QStringLiteral("Name :") + name_ + QStringLiteral("\nNotes:") + list;
}

QList<qint64> ZTNoteCollection::noteNrsFromCollections(const QList<ZTNoteCollection>& collections)
{
    QList<qint64> nrs;
    nrs.reserve(collections.size());
    for (const ZTNoteCollection& collection : collections) {
        const QVNote* first = collection.firstNote();
        nrs.append(first ? first->nr() : 0);
    }
    return nrs;
}

QList<QVNote> ZTNoteCollection::firstNotesFromCollections(const QList<ZTNoteCollection>& collections)
{
    QList<QVNote> notes;
    notes.reserve(collections.size());
    for (const ZTNoteCollection& collection : collections) {
        if (const QVNote* first = collection.firstNote())
            notes.append(*first);
    }
    return notes;
}

const ZTNoteCollection* ZTNoteCollection::collectionWithNr(qint64 nr,
                                                           const QList<ZTNoteCollection>& collections)
{
    for (const ZTNoteCollection& collection : collections) {
        const QVNote* first = collection.firstNote();
        if (first && first->nr() == nr)
            return &collection;
    }
    return nullptr;
}

ZTNoteCollection* ZTNoteCollection::collectionWithNr(qint64 nr, QList<ZTNoteCollection>& collections)
{
    for (ZTNoteCollection& collection : collections) {
        const QVNote* first = collection.firstNote();
        if (first && first->nr() == nr)
            return &collection;
    }
    return nullptr;
}
