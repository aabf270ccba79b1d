#include "ZTNoteCollection.h"

#include <gtest/gtest.h>

namespace {

QVNote note(qint64 nr, qint64 root = 0)
{
    return QVNote::initWithNoteNr(nr, root, false);
}

} // namespace

TEST(ZTNoteCollection, MadeFromOneNoteIsNamedByIt)
{
    const ZTNoteCollection collection = ZTNoteCollection::noteCollectionWithNote(note(61, 62));
    EXPECT_EQ(collection.name(), QString::fromUtf8("C♯3"));
    EXPECT_EQ(collection.numNotes(), 1);
    EXPECT_EQ(collection.firstNote()->nr(), 61);

    const ZTNoteCollection empty;
    EXPECT_TRUE(empty.name().isNull());
    EXPECT_EQ(empty.whichStaff(), 0);
    EXPECT_TRUE(empty.description().startsWith(QStringLiteral("Name :\nNotes:(")));
}

TEST(ZTNoteCollection, AccessorsAreSafeWhenEmptyOrOutOfRange)
{
    ZTNoteCollection collection;
    EXPECT_EQ(collection.numNotes(), 0);
    EXPECT_EQ(collection.firstNote(), nullptr);
    EXPECT_EQ(collection.lastNote(), nullptr);
    EXPECT_EQ(collection.noteAtIndex(0), nullptr);
    EXPECT_EQ(collection.noteWithNoteNr(60), nullptr);
    collection.removeNoteWithNr(60);
    collection.removeNote(note(60));
    EXPECT_FALSE(collection.hasSignatures());

    collection.addNote(note(60));
    collection.addNote(note(64));
    EXPECT_EQ(collection.noteAtIndex(-1), nullptr);
    EXPECT_EQ(collection.noteAtIndex(2), nullptr);
    EXPECT_EQ(collection.noteAtIndex(1)->nr(), 64);
    EXPECT_EQ(collection.lastNote()->nr(), 64);

    const ZTNoteCollection& constant = collection;
    EXPECT_EQ(constant.firstNote()->nr(), 60);
    EXPECT_EQ(constant.noteAtIndex(5), nullptr);
}

TEST(ZTNoteCollection, AddingAndRemovingNotes)
{
    ZTNoteCollection collection;
    QVNote cSharpHigh = note(73, 62);
    collection.addNote(note(61, 62));  // C#3
    collection.addNote(note(61));      // Db3: same number, other spelling
    collection.addNote(note(64));
    collection.addNote(note(61, 62));  // C#3 again
    collection.addNote(cSharpHigh);    // C#4

    EXPECT_EQ(collection.noteWithNoteNr(61)->letter(), QStringLiteral("C"));
    collection.noteWithNoteNr(64)->setSelected(true); // handed-out notes are the stored ones
    EXPECT_TRUE(collection.noteAtIndex(2)->isSelected());
    EXPECT_EQ(collection.numSignatures(), 4);

    // removeNote takes every equally spelled note in the same octave, even when handed one
    // of the list's own elements.
    collection.removeNote(*collection.firstNote());
    ASSERT_EQ(collection.numNotes(), 3);
    EXPECT_EQ(collection.firstNote()->letter(), QStringLiteral("D"));
    EXPECT_EQ(collection.lastNote()->nr(), 73);

    // removeNoteWithNr takes only the first note with the number.
    collection.addNote(note(64, 64));
    collection.removeNoteWithNr(64);
    ASSERT_EQ(collection.numNotes(), 3);
    EXPECT_FALSE(collection.noteAtIndex(2)->isSelected());
    EXPECT_EQ(collection.noteAtIndex(2)->nr(), 64);

    collection.resetSelection();
    collection.firstNote()->setSelected(true);
    collection.resetSelection();
    EXPECT_FALSE(collection.firstNote()->isSelected());

    collection.setNote(note(60));
    EXPECT_EQ(collection.numNotes(), 1);
    EXPECT_FALSE(collection.hasSignatures());
    collection.removeAllNotes();
    EXPECT_EQ(collection.numNotes(), 0);
}

TEST(ZTNoteCollection, EqualityNeedsNameAndNotes)
{
    const ZTNoteCollection a(note(61, 62));
    ZTNoteCollection b(note(61, 62));
    EXPECT_TRUE(a.isEqual(b));
    EXPECT_TRUE(a == b);

    b.setName(QStringLiteral("other"));
    EXPECT_FALSE(a.isEqual(b));

    ZTNoteCollection c(note(61, 62));
    c.addNote(note(64));
    EXPECT_FALSE(a.isEqual(c));

    ZTNoteCollection enharmonic(note(61));
    enharmonic.setName(a.name());
    EXPECT_FALSE(a.isEqual(enharmonic));

    // Layout fields do not count.
    ZTNoteCollection placed(note(61, 62));
    placed.setWhichStaff(-1);
    placed.setTitle(QStringLiteral("C#"));
    EXPECT_TRUE(a.isEqual(placed));
}

TEST(ZTNoteCollection, CopyKeepsTitleAndDropsLayoutState)
{
    QVNote head = note(66);
    head.setNoteSignFrame(QRectF(1, 1, 10, 20));
    head.setWrong(true);
    ZTNoteCollection collection(head);
    collection.setTitle(QStringLiteral("D"));
    collection.setTitleFrame(QRectF(10, 10, 100, 20));
    collection.setWhichStaff(1);

    ZTNoteCollection copy = collection.copy();
    EXPECT_TRUE(copy.isEqual(collection));
    EXPECT_EQ(copy.title(), QStringLiteral("D"));
    EXPECT_EQ(copy.titleFrame(), QRectF(10, 10, 100, 20));
    EXPECT_EQ(copy.whichStaff(), 0);
    EXPECT_TRUE(copy.firstNote()->noteSignFrame().isNull());
    EXPECT_FALSE(copy.firstNote()->wasWrong());

    copy.firstNote()->addOctaves(1); // the copy owns its notes
    EXPECT_EQ(collection.firstNote()->nr(), 66);
}

TEST(ZTNoteCollection, OperationsOverListsOfCollections)
{
    ZTNoteCollection chord(note(60));
    chord.addNote(note(64));
    const QList<ZTNoteCollection> collections = {
        ZTNoteCollection(note(67)), ZTNoteCollection(), chord, ZTNoteCollection(note(60, 60))};

    EXPECT_EQ(ZTNoteCollection::noteNrsFromCollections(collections), (QList<qint64>{67, 0, 60, 60}));

    const QList<QVNote> firsts = ZTNoteCollection::firstNotesFromCollections(collections);
    ASSERT_EQ(firsts.size(), 3); // the empty collection has no first note to give
    EXPECT_EQ(firsts[0].nr(), 67);
    EXPECT_EQ(firsts[1].nr(), 60);

    EXPECT_EQ(ZTNoteCollection::collectionWithNr(60, collections), &collections[2]);
    EXPECT_EQ(ZTNoteCollection::collectionWithNr(64, collections), nullptr); // only first notes
    EXPECT_EQ(ZTNoteCollection::collectionWithNr(0, collections), nullptr);  // empty is no match

    EXPECT_TRUE(ZTNoteCollection::noteNrsFromCollections({}).isEmpty());
    EXPECT_TRUE(ZTNoteCollection::firstNotesFromCollections({}).isEmpty());
    EXPECT_TRUE(ZTNoteCollection::firstNotesFromCollections({ZTNoteCollection()}).isEmpty());
    EXPECT_EQ(ZTNoteCollection::collectionWithNr(60, {}), nullptr);

    QList<ZTNoteCollection> editable = collections;
    ZTNoteCollection::collectionWithNr(67, editable)->setWhichStaff(1);
    EXPECT_EQ(editable[0].whichStaff(), 1);
}

TEST(ZTNoteCollection, DescriptionListsNotes)
{
    ZTNoteCollection collection(note(60));
    collection.addNote(note(64));
    const QString text = collection.description();
    EXPECT_TRUE(text.startsWith(QStringLiteral("Name :C3\nNotes:(\n    <QVNote: 0x"))) << qPrintable(text);
    EXPECT_TRUE(text.contains(QStringLiteral(": E3 - 64 - 0 - 3 - ")));
    EXPECT_TRUE(text.endsWith(QStringLiteral("isSelected:0\n)")));
}
