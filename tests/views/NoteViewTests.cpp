#include "ViewTestSupport.h"

#include "ZTChord.h"
#include "ZTChordProgression.h"
#include "ZTFooterBar.h"
#include "ZTInstrumentViewBase.h"
#include "ZTInterval.h"
#include "ZTNoteView.h"
#include "ZTPreferences.h"
#include "ZTPrintableNoteView.h"

#include <QPaintEvent>
#include <QTest>
#include <QVariantList>

namespace {

// Steps of a definition: each a scale degree (1 = root) with a chromatic offset.
QVariantMap itemWithDegrees(std::initializer_list<int> degrees, const QString& chordId = {})
{
    QVariantList steps;
    for (const int degree : degrees) {
        QVariantMap entry{{QStringLiteral("pos"), degree}, {QStringLiteral("off"), 0}};
        steps.append(QVariantMap{{QStringLiteral("notes"), QVariantList{entry}}});
    }
    QVariantMap item{{QStringLiteral("definition"), steps}, {QStringLiteral("name"), QStringLiteral("Major")}};
    if (!chordId.isEmpty())
        item.insert(QStringLiteral("chordId"), chordId);
    return item;
}

class NoteViewTest : public ViewTest {
protected:
    void SetUp() override
    {
        ViewTest::SetUp();
        view = std::make_unique<ZTNoteView>(QRect(0, 0, 600, 240));
        top = view->staffTop();
    }
    const ZTNoteCollection& at(int i) const { return view->noteCollections()[i]; }
    const QVNote& head(int i, int j = 0) const { return at(i).notes()[j]; }

    std::unique_ptr<ZTNoteView> view;
    double top = 0;
};

// Gathers the region a widget has drawn again.
class PaintWatcher : public QObject {
public:
    explicit PaintWatcher(QWidget* widget) { widget->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            painted += static_cast<QPaintEvent*>(event)->region();
        return false;
    }
    QRegion painted;
};

} // namespace

TEST_F(NoteViewTest, StaffIsCentredAndRisesWhileEditing)
{
    EXPECT_EQ(top, 53); // round((240 - 135) / 2)
    view->setNoteCollections({group({43})});
    EXPECT_EQ(head(0).noteFrame().y(), top - 5);
    view->setEditing(true);
    EXPECT_EQ(view->staffTop(), top + 20);
    EXPECT_EQ(head(0).noteFrame().y(), top + 15);
    EXPECT_FALSE(view->footerBar()->isHidden());
}

TEST_F(NoteViewTest, EveryChangeOfTheLayoutIsDrawn)
{
    view->setNoteCollections({group({43})});
    view->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));
    const QPoint middle = view->rect().center();
    for (const auto& change : std::vector<std::function<void()>>{
             [&] { view->setEditing(true); }, [&] { view->setShowNoteNames(true); }}) {
        QApplication::processEvents();
        PaintWatcher watcher(view.get());
        change();
        QApplication::processEvents();
        EXPECT_TRUE(watcher.painted.contains(middle));
    }
}

TEST_F(NoteViewTest, EmptyStaffTakesItsMinimumOrParentWidth)
{
    ZTNoteView alone(QRect(0, 0, 50, 240));
    EXPECT_EQ(alone.width(), 221);

    QWidget parent;
    parent.resize(700, 240);
    auto* child = new ZTNoteView(QRect(0, 0, 50, 240), &parent);
    EXPECT_EQ(child->width(), 700);
    parent.show();
    parent.resize(900, 240);
    EXPECT_EQ(child->width(), 900); // follows its parent without a paint
}

TEST_F(NoteViewTest, HeadFramesSitOnTheirLinesAndSpaces)
{
    struct Case { qint64 nr; double bottom; };
    // G2 and A3 on the bass staff, E4 and F5 on the treble staff (scientific names).
    for (const Case& c : {Case{43, -5}, Case{57, 35}, Case{64, 90}, Case{77, 130}}) {
        view->setNoteCollections({group({c.nr})});
        const QRectF frame = head(0).noteFrame();
        EXPECT_EQ(frame, QRectF(106, top + c.bottom, 22, 11)) << c.nr;
    }
}

TEST_F(NoteViewTest, StaffChoiceFollowsTheFirstNotes)
{
    view->setNoteCollections({group({59})});
    EXPECT_EQ(at(0).whichStaff(), -1); // B3
    view->setNoteCollections({group({60})});
    EXPECT_EQ(at(0).whichStaff(), 1); // C4

    // C2, C5, C5: bass, then even, then treble for every group.
    view->setNoteCollections({group({36}), group({72}), group({72})});
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(at(i).whichStaff(), 1);
    // C5, C2, C2: treble after the first stays treble.
    view->setNoteCollections({group({72}), group({36}), group({36})});
    EXPECT_EQ(at(2).whichStaff(), 1);
    // C2, C5: one each stays bass.
    view->setNoteCollections({group({36}), group({72})});
    EXPECT_EQ(at(1).whichStaff(), -1);
}

TEST_F(NoteViewTest, IntervalsWriteHighNotesOnTheTrebleStaff)
{
    auto interval = std::shared_ptr<ZTInterval>(ZTTest::create<ZTInterval>());
    view->setTest(interval);
    view->setNoteCollections({group({48, 64})});
    EXPECT_EQ(at(0).whichStaff(), -1);
    EXPECT_EQ(head(0, 0).noteFrame().y(), top + 10); // C3 on the bass staff
    EXPECT_EQ(head(0, 1).noteFrame().y(), top + 90); // E4 on the treble staff

    // Without the interval rule a bass group keeps E4 on the bass staff.
    view->setTest(nullptr);
    EXPECT_EQ(head(0, 1).noteFrame().y(), top + 55);
}

TEST_F(NoteViewTest, SecondsAlternateColumnsAndWidenTheGroup)
{
    view->setNoteCollections({group({60, 62, 64}), group({67})});
    EXPECT_EQ(head(0, 2).noteFrame().x(), 106); // E4
    EXPECT_EQ(head(0, 1).noteFrame().x(), 128); // D4, shifted
    EXPECT_EQ(head(0, 0).noteFrame().x(), 106); // C4
    EXPECT_EQ(head(1).noteFrame().x(), 106 + 22 + 45);
    EXPECT_EQ(view->playRects()[0], QRectF(96, 0, 40, 240));
}

TEST_F(NoteViewTest, AccidentalsStepLeftUntilTheyFit)
{
    ZTNoteCollection chord;
    chord.addNote(altered(60, 1));
    chord.addNote(altered(64, 1));
    view->setNoteCollections({chord});
    const double x = 106 + 2 * 11; // each accidental makes room
    EXPECT_EQ(head(0, 1).noteFrame().x(), x);
    EXPECT_EQ(head(0, 1).noteSignFrame(), QRectF(x - 12, head(0, 1).noteFrame().y() + 1 - 12, 10, 31));
    EXPECT_EQ(head(0, 0).noteSignFrame().x(), x - 23);
    EXPECT_TRUE(head(0, 0).noteSignFrame().width() > 0);

    ZTNoteCollection plain = group({65});
    view->setNoteCollections({plain});
    EXPECT_TRUE(head(0).noteSignFrame().isNull());
}

TEST_F(NoteViewTest, TitlesMoveBetweenTheStavesForVeryLowNotes)
{
    view->setShowNoteNames(true);
    view->setNoteCollections({group({36})});
    EXPECT_EQ(at(0).titleFrame(), QRectF(106 - 39, 120 - 115, 100, 20));
    EXPECT_FALSE(at(0).title().isEmpty());
    view->setNoteCollections({group({35})});
    EXPECT_EQ(at(0).titleFrame().y(), 120 - 10);
}

TEST_F(NoteViewTest, KeySignatureAndNotesExcludeEachOther)
{
    view->setTest(std::shared_ptr<ZTInterval>(ZTTest::create<ZTInterval>()));
    view->setNoteCollections({group({60})});
    view->showSignatureWithNr(3);
    EXPECT_EQ(view->signatureImageNr(), 3);
    EXPECT_TRUE(view->noteCollections().isEmpty());
    EXPECT_EQ(view->test(), nullptr);

    view->addNoteCollection(group({62}));
    EXPECT_EQ(view->signatureImageNr(), -1);

    view->showSignatureWithNr(15); // no such picture: notes stay
    EXPECT_EQ(view->noteCollections().size(), 1);
    EXPECT_FALSE(view->hasSignature());
}

TEST_F(NoteViewTest, ChordQuestionShowsTonesBarLineAndNamedChord)
{
    auto chord = std::shared_ptr<ZTChord>(ZTTest::create<ZTChord>(itemWithDegrees({1, 3, 5}, QStringLiteral("maj"))));
    chord->setRootNoteNr(60);
    view->setTest(chord);
    view->setShowNoteNames(true);
    view->setNoteCollections(chord->noteCollectionObjects());

    ASSERT_EQ(view->noteCollections().size(), 4);
    EXPECT_EQ(head(0).noteFrame().x(), 106);
    EXPECT_EQ(head(1).noteFrame().x(), 151);
    EXPECT_EQ(head(2).noteFrame().x(), 196);
    EXPECT_EQ(head(3, 0).noteFrame().x(), 301);
    ASSERT_EQ(view->extraLines().size(), 1);
    EXPECT_EQ(view->extraLines()[0].start(), QPointF(256, top));
    EXPECT_EQ(view->extraLines()[0].end(), QPointF(256, top + 135));
    EXPECT_GE(view->width(), 416);
    EXPECT_EQ(at(3).title(), QStringLiteral("C maj"));

    // An inversion names the root over its bass note.
    chord->setUserInfo(1);
    chord->resetNoteCollections();
    view->setNoteCollections(chord->noteCollectionObjects());
    EXPECT_EQ(at(3).name(), QStringLiteral("C maj / E"));
    // An inversion the chord does not have is named as the chord.
    chord->setUserInfo(7);
    view->setNoteCollections(chord->noteCollectionObjects());
    EXPECT_EQ(at(3).name(), QStringLiteral("E maj"));
}

TEST_F(NoteViewTest, PrintableCopyLaysOutItsOwnNotes)
{
    view->setShowNoteNames(true);
    view->setNoteCollections({group({60}), group({64})});
    const QRectF shown = head(1).noteFrame();

    ZTPrintableNoteView printable(QRect(0, 0, 800, 600), *view);
    EXPECT_EQ(head(1).noteFrame(), shown);
    ASSERT_EQ(printable.noteCollections().size(), 2);
    EXPECT_NE(printable.noteCollections()[1].notes()[0].noteFrame(), shown);
    EXPECT_TRUE(printable.showNoteNames());
}

TEST_F(NoteViewTest, TitlesFollowANewSpelling)
{
    ManualMainQueue queue;
    view->setShowNoteNames(true);
    view->setNoteCollections({group({60})});
    ZTPreferences::sharedPreferences()->setSpellingType(QStringLiteral("MIDI"));
    queue.advance(1.0);
    EXPECT_EQ(at(0).title(), QStringLiteral("C3"));
    ZTPreferences::sharedPreferences()->setSpellingType(QStringLiteral("Scientific"));
    queue.advance(1.0);
    EXPECT_EQ(at(0).title(), QStringLiteral("C4"));
}

TEST_F(NoteViewTest, EnteredNotesAreTitledAsTheKeyboardNamesThem)
{
    ManualMainQueue queue;
    ZTPreferences::sharedPreferences()->setSpellingType(QStringLiteral("Scientific"));
    queue.advance(1.0);
    view->setShowNoteNames(true);
    const QVNote dFlat = note(37);
    const ZTNoteCollection entered = ZTNoteCollection::noteCollectionWithNote(dFlat);

    // Notes entered for a chord question: the last one stands where the chord's name goes.
    auto chord = std::shared_ptr<ZTChord>(ZTTest::create<ZTChord>(itemWithDegrees({1, 3, 5}, QStringLiteral("maj"))));
    chord->setRootNoteNr(60);
    view->setTest(chord);
    view->resetNotes();
    view->addNoteCollection(ZTNoteCollection::noteCollectionWithNote(note(60)));
    view->addNoteCollection(entered);
    EXPECT_EQ(at(0).title(), QStringLiteral("C4"));
    EXPECT_EQ(at(1).title(), QStringLiteral("D♭2"));
    EXPECT_EQ(at(1).title(), ZTInstrumentViewBase::noteName(dFlat));

    // A wrong note entered for a progression, after a named chord and an unnamed one in progress.
    auto progression = std::shared_ptr<ZTChordProgression>(ZTTest::create<ZTChordProgression>(QVariantMap{}));
    view->setTest(progression);
    ZTNoteCollection named = group({60, 64, 67});
    named.setName(QStringLiteral("C"));
    ZTNoteCollection inProgress = group({60});
    inProgress.setName(QString());
    view->setNoteCollections({named, inProgress});
    view->addNoteCollection(entered);
    EXPECT_EQ(at(0).title(), QStringLiteral("C"));
    EXPECT_EQ(at(1).title(), QString());
    EXPECT_EQ(at(2).title(), QStringLiteral("D♭2"));
}
