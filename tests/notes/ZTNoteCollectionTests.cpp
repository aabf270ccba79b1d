#include "ZTNoteCollection.h"

#include <gtest/gtest.h>

namespace {

QVNote note(qint64 nr, qint64 root = 0)
{
    return QVNote::initWithNoteNr(nr, root, false);
}

} // namespace

TEST(ZTNoteCollection, EmptyAndOutOfRangeAreSafe)
{
    ZTNoteCollection collection;
    EXPECT_EQ(collection.firstNote(), nullptr);
    EXPECT_EQ(collection.lastNote(), nullptr);
    EXPECT_EQ(collection.noteWithNoteNr(60), nullptr);
    collection.removeNoteWithNr(60);
    collection.removeNote(note(60));

    collection.addNote(note(60));
    EXPECT_EQ(collection.noteAtIndex(-1), nullptr);
    EXPECT_EQ(collection.noteAtIndex(1), nullptr);
    EXPECT_EQ(collection.noteAtIndex(0)->nr(), 60);
}

TEST(ZTNoteCollection, AddingAndRemovingNotes)
{
    ZTNoteCollection collection(note(61, 62));  // C#3
    EXPECT_EQ(collection.name(), QString::fromUtf8("C♯3"));
    collection.addNote(note(61));               // Db3: same number, other spelling
    collection.addNote(note(64));
    collection.addNote(note(61, 62));           // C#3 again
    collection.addNote(note(73, 62));           // C#4
    EXPECT_EQ(collection.numSignatures(), 4);

    // Every equal note goes, even when the one handed in is an element of the list.
    collection.removeNote(*collection.firstNote());
    ASSERT_EQ(collection.numNotes(), 3);
    EXPECT_EQ(collection.firstNote()->letter(), QStringLiteral("D"));
    EXPECT_EQ(collection.lastNote()->nr(), 73);

    // Only the first note with a number goes.
    collection.noteWithNoteNr(64)->setSelected(true);
    collection.addNote(note(64, 64));
    collection.removeNoteWithNr(64);
    ASSERT_EQ(collection.numNotes(), 3);
    EXPECT_FALSE(collection.lastNote()->isSelected());
    EXPECT_EQ(collection.lastNote()->nr(), 64);

    collection.setNote(note(60));
    EXPECT_EQ(collection.numNotes(), 1);
    EXPECT_FALSE(collection.hasSignatures());
}

TEST(ZTNoteCollection, EqualityAndCopies)
{
    const ZTNoteCollection a(note(61, 62));
    ZTNoteCollection b(note(61, 62));
    b.setWhichStaff(-1); // layout fields do not count
    EXPECT_TRUE(a == b);
    b.setName(QStringLiteral("other"));
    EXPECT_FALSE(a.isEqual(b));
    ZTNoteCollection enharmonic(note(61));
    enharmonic.setName(a.name());
    EXPECT_FALSE(a.isEqual(enharmonic));

    QVNote head = note(66);
    head.setWrong(true);
    ZTNoteCollection placed(head);
    placed.setTitle(QStringLiteral("D"));
    placed.setTitleFrame(QRectF(10, 10, 100, 20));
    placed.setWhichStaff(1);
    ZTNoteCollection copy = placed.copy();
    EXPECT_TRUE(copy.isEqual(placed));
    EXPECT_EQ(copy.titleFrame(), placed.titleFrame());
    EXPECT_EQ(copy.whichStaff(), 0);
    EXPECT_FALSE(copy.firstNote()->wasWrong());
    copy.firstNote()->addOctaves(1); // the copy owns its notes
    EXPECT_EQ(placed.firstNote()->nr(), 66);
}

TEST(ZTNoteCollection, OperationsOverListsOfCollections)
{
    ZTNoteCollection chord(note(60));
    chord.addNote(note(64));
    const QList<ZTNoteCollection> collections = {ZTNoteCollection(note(67)), ZTNoteCollection(), chord};

    EXPECT_EQ(ZTNoteCollection::noteNrsFromCollections(collections), (QList<qint64>{67, 0, 60}));
    const QList<QVNote> firsts = ZTNoteCollection::firstNotesFromCollections(collections);
    ASSERT_EQ(firsts.size(), 2); // the empty collection has no first note to give
    EXPECT_EQ(firsts[1].nr(), 60);
    EXPECT_EQ(ZTNoteCollection::collectionWithNr(60, collections), &collections[2]);
    EXPECT_EQ(ZTNoteCollection::collectionWithNr(64, collections), nullptr); // first notes only
    EXPECT_EQ(ZTNoteCollection::collectionWithNr(0, collections), nullptr);
    EXPECT_TRUE(ZTNoteCollection::firstNotesFromCollections({}).isEmpty());
}
