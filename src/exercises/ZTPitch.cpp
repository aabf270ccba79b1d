#include "ZTPitch.h"

#include "ZTPreferences.h"

namespace {

std::optional<qlonglong> noteOfDefinition(const QVariant& definition)
{
    const QVariantList steps = definition.toList();
    if (steps.isEmpty())
        return std::nullopt;
    const QVariantList notes = steps.first().toMap().value(QStringLiteral("notes")).toList();
    if (notes.isEmpty())
        return std::nullopt;
    const QVariant note = notes.first().toMap().value(QStringLiteral("note"));
    bool ok = false;
    const qlonglong nr = note.toLongLong(&ok);
    if (!ok || nr < 0)
        return std::nullopt;
    return nr;
}

} // namespace

QString ZTPitch::className() const
{
    return QStringLiteral("ZTPitch");
}

std::optional<qlonglong> ZTPitch::noteNr() const
{
    return noteOfDefinition(definition());
}

QList<ZTNoteCollection> ZTPitch::noteCollectionObjects() const
{
    const std::optional<qlonglong> nr = noteNr();
    if (!nr)
        return {};
    return {ZTNoteCollection::noteCollectionWithNote(QVNote::initWithRootNoteNr(*nr, 1, 0, isMinor()))};
}

void ZTPitch::updateRootNote()
{
    const QList<ZTNoteCollection> collections = noteCollectionObjects();
    if (collections.isEmpty())
        return;
    setRootNoteNr(collections.first().firstNote()->nr());
}

bool ZTPitch::isEqualTo(const ZTTest& other) const
{
    const std::optional<qlonglong> mine = noteNr();
    const std::optional<qlonglong> theirs = noteOfDefinition(other.definition());
    return mine && theirs && *mine == *theirs;
}

void ZTPitch::setupTrack(MusicTrack& track, MusicNoteEvent note, qlonglong beat)
{
    note.beat = static_cast<double>(beat);
    note.duration = ZTPreferences::sharedPreferences()->floatForKey(QStringLiteral("length"),
                                                                    QStringLiteral("Pitch recognition"));
    addNoteEvent(track, note);
}
