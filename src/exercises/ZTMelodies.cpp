#include "ZTMelodies.h"

#include "RandomSource.h"
#include "ZTDataProvider.h"
#include "ZTScale.h"

#include <algorithm>

namespace {

// A uniform choice among `count` values other than `previous` (any value when there is no
// previous one, or when `previous` is the only value). Drawing from the others directly
// needs no redraw loop.
quint32 drawAvoiding(quint32 count, qint64 previous)
{
    if (count == 0)
        return 0;
    if (previous < 0 || previous >= qint64(count) || count == 1)
        return RandomSource::shared().below(count);
    const quint32 r = RandomSource::shared().below(count - 1);
    return r >= quint32(previous) ? r + 1 : r;
}

quint32 clampedCount(qlonglong value)
{
    return value <= 0 ? 0 : quint32(std::min<qlonglong>(value, 0xFFFFFFFFLL));
}

} // namespace

QString ZTMelodies::className() const
{
    return QStringLiteral("ZTMelodies");
}

void ZTMelodies::setItem(const QVariantMap& item)
{
    ZTMusicalTest::setItem(item);
    setDefinition(QVariant());
    setName(QStringLiteral("Melody"));
    setTranslatedName(QString());
}

void ZTMelodies::createNotes()
{
    notes_.clear();
    const QVariantMap scaleItem =
        ZTDataProvider::sharedDataProvider()->itemForTest(QStringLiteral("Scale recognition"), scaleName_);
    QList<ZTNoteCollection> degrees;
    if (!scaleItem.isEmpty()) {
        auto scale = ZTTest::create<ZTScale>(scaleItem);
        scale->setRootNoteRange(rootNoteRange());
        scale->setRootNoteNr(rootNoteNr());
        degrees = scale->noteCollectionObjects();
    }
    if (numTones_ < 1)
        return;

    qint64 previous = -1;
    for (qlonglong i = 0; i < numTones_; ++i) {
        QVNote note;
        qint64 r = 0;
        if (!degrees.isEmpty()) {
            // A scale of one degree can only repeat it.
            r = drawAvoiding(quint32(degrees.size()), previous);
            note = degrees.at(r).firstNote()->copy();
            note.addOctaves(RandomSource::shared().below(clampedCount(octaves_)));
        } else {
            // Whole octaves above the root, kept inside the MIDI range.
            const qlonglong octaves = octaves_ >= 2 ? std::min<qlonglong>(octaves_, 11) : 1;
            const quint32 span = quint32(std::clamp<qlonglong>(std::min<qlonglong>(12 * octaves, 128 - rootNoteNr()), 1, 132));
            r = drawAvoiding(span, previous);
            note = QVNote::initWithNoteNr(rootNoteNr() + r, rootNoteNr(), false, {});
        }
        notes_.append(ZTNoteCollection::noteCollectionWithNote(note));
        previous = r;
    }
}

QList<ZTNoteCollection> ZTMelodies::noteCollectionObjects() const
{
    return notes_;
}
