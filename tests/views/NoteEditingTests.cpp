// The staff view under the mouse: sounding groups, and the note editor with its footer bar.
#include "ViewTestSupport.h"

#include "ImageButton.h"
#include "ZTChord.h"
#include "ZTFooterBar.h"
#include "ZTInterval.h"
#include "ZTNoteView.h"
#include "ZTScale.h"

#include <QMouseEvent>
#include <QTest>

namespace {

class CountingDelegate : public ZTNoteViewDelegate {
public:
    void noteViewDidChange(ZTNoteView*) override { ++changes; }
    int changes = 0;
};

class NoteEditingTest : public ViewTest {
protected:
    void SetUp() override
    {
        ViewTest::SetUp();
        view = std::make_unique<ZTNoteView>(QRect(0, 0, 700, 260));
        view->setDelegate(&delegate);
    }

    // The editor of a new custom chord or scale, as the exercise editor sets it up.
    void openEditor(std::shared_ptr<ZTMusicalTest> test, qint64 maxNote)
    {
        test->setRootNoteNr(60);
        view->setTest(std::move(test));
        view->setMinNoteNr(60);
        view->setMaxNoteNr(maxNote);
        view->setDisableFirsNoteEditing(true);
        view->addNote();
        view->unselectAllNotesShouldDisplay(false);
        view->setEditing(true);
        view->setShowNoteNames(true);
        delegate.changes = 0;
    }
    void openChordEditor()
    {
        openEditor(std::shared_ptr<ZTChord>(ZTTest::create<ZTChord>({{QStringLiteral("chordId"), QStringLiteral("maj")}})), 96);
    }

    ZTFooterBar* footer() const { return view->footerBar(); }
    void click(QAbstractButton* button) { QTest::mouseClick(button, Qt::LeftButton); }
    ImageButton* toggle(int index) const { return footer()->buttonAtIndex(quint64(index)); }

    void press(const QPointF& at) { QTest::mousePress(view.get(), Qt::LeftButton, {}, qtPoint(view.get(), at)); }
    void release(const QPointF& at) { QTest::mouseRelease(view.get(), Qt::LeftButton, {}, qtPoint(view.get(), at)); }
    void drag(const QPointF& at)
    {
        const QPointF position = qtPoint(view.get(), at);
        QMouseEvent move(QEvent::MouseMove, position, view->mapToGlobal(position), Qt::NoButton, Qt::LeftButton, {});
        QApplication::sendEvent(view.get(), &move);
    }
    QPointF headOf(int group, int note = 0) const { return view->noteCollections()[group].notes()[note].noteFrame().center(); }

    // The note numbers of every group, group by group.
    QList<QList<qint64>> numbers() const
    {
        QList<QList<qint64>> result;
        for (const ZTNoteCollection& group : view->noteCollections()) {
            QList<qint64> nrs;
            for (const QVNote& note : group.notes())
                nrs << note.nr();
            result << nrs;
        }
        return result;
    }

    CountingDelegate delegate;
    std::unique_ptr<ZTNoteView> view;
};

} // namespace

TEST_F(NoteEditingTest, ChordEditorStacksThirdsAndKeepsEveryInversion)
{
    openChordEditor();
    EXPECT_EQ(numbers(), (QList<QList<qint64>>{{60}, {60}}));
    click(footer()->plusButton());
    click(footer()->plusButton());
    // Each tone starts its own inversion, the lower tones an octave up; the whole chord comes last.
    EXPECT_EQ(numbers(), (QList<QList<qint64>>{{60, 64, 67}, {64, 67, 72}, {67, 72, 76}, {60, 64, 67}}));
    EXPECT_EQ(view->noteCollections().last().name(), QStringLiteral("C maj"));
    EXPECT_EQ(delegate.changes, 2);
    click(footer()->plusButton());
    click(footer()->plusButton());
    QList<qint64> firsts;
    for (const auto& group : numbers())
        firsts << group.first();
    EXPECT_EQ(firsts, (QList<qint64>{60, 64, 67, 71, 74, 60}));
    // Only the newest tone is selected: minus is on, the accidental toggles show its natural.
    EXPECT_TRUE(footer()->minusButton()->isEnabled());
    EXPECT_EQ(view->_selectedNotes().size(), 1);
    EXPECT_EQ(view->_selectedNotes().first().nr(), 74);
}

TEST_F(NoteEditingTest, TheFixedRootAndTheWholeChordCannotBePicked)
{
    openChordEditor();
    click(footer()->plusButton());
    view->unselectAllNotesShouldDisplay(true);
    press(headOf(0));
    release(headOf(0));
    EXPECT_TRUE(view->_selectedNotes().isEmpty());
    press(headOf(2));
    release(headOf(2));
    EXPECT_TRUE(view->_selectedNotes().isEmpty());
    EXPECT_FALSE(footer()->minusButton()->isEnabled());

    press(headOf(1));
    EXPECT_NE(view->currentNote(), nullptr);
    release(headOf(1));
    EXPECT_EQ(view->currentNote(), nullptr); // the edit ends, the note stays selected
    ASSERT_EQ(view->_selectedNotes().size(), 1);
    EXPECT_EQ(view->_selectedNotes().first().nr(), 64);
    EXPECT_TRUE(footer()->minusButton()->isEnabled());
}

TEST_F(NoteEditingTest, DraggingANoteChangesItsPitchAndRebuildsTheChordOnRelease)
{
    openChordEditor();
    click(footer()->plusButton());
    click(footer()->plusButton());
    const QPointF e = headOf(1);
    press(e);
    drag(e + QPointF(0, 5)); // one letter up: F
    EXPECT_EQ(view->noteCollections()[1].firstNote()->nr(), 65);
    EXPECT_EQ(delegate.changes, 3);
    drag(e + QPointF(0, 6)); // still F: nothing new
    EXPECT_EQ(delegate.changes, 3);
    release(e + QPointF(0, 6));
    EXPECT_EQ(numbers(), (QList<QList<qint64>>{{60, 65, 67}, {65, 67, 72}, {67, 72, 77}, {60, 65, 67}}));
    EXPECT_TRUE(view->noteCollections()[1].firstNote()->isSelected());
}

TEST_F(NoteEditingTest, AccidentalTogglesRespellTheSelectedNoteWithinTheRange)
{
    openEditor(std::shared_ptr<ZTScale>(ZTTest::create<ZTScale>()), 72);
    click(footer()->plusButton()); // D
    click(toggle(2));              // sharp
    EXPECT_EQ(view->noteCollections()[1].firstNote()->nr(), 63);
    EXPECT_EQ(view->noteCollections()[1].firstNote()->offset(), 1);
    EXPECT_TRUE(toggle(2)->isOn());
    click(toggle(1)); // double flat replaces the sharp
    EXPECT_EQ(view->noteCollections()[1].firstNote()->nr(), 60);
    EXPECT_FALSE(toggle(2)->isOn());
    click(toggle(1)); // pressing the toggle that is on takes the accidental off
    EXPECT_EQ(view->noteCollections()[1].firstNote()->offset(), 0);
    EXPECT_FALSE(toggle(1)->isOn());

    // The first note cannot go below the range: the toggle shows its natural again.
    view->unselectAllNotesShouldDisplay(false);
    view->setDisableFirsNoteEditing(false);
    press(headOf(0));
    release(headOf(0));
    click(toggle(0)); // flat: 59 is below 60
    EXPECT_EQ(view->noteCollections()[0].firstNote()->nr(), 60);
    EXPECT_FALSE(toggle(0)->isOn());

    // Without a selection a toggle switches itself back off and tells no one.
    view->unselectAllNotesShouldDisplay(false);
    const int changes = delegate.changes;
    click(toggle(3));
    EXPECT_FALSE(toggle(3)->isOn());
    EXPECT_EQ(delegate.changes, changes);
}

TEST_F(NoteEditingTest, ScaleEditorClimbsTheMajorScaleUpToItsTopAndStopsAtThirteen)
{
    openEditor(std::shared_ptr<ZTScale>(ZTTest::create<ZTScale>()), 72);
    EXPECT_EQ(view->_nextNoteForNr(64), 65);
    EXPECT_EQ(view->_nextNoteForNr(65), 67);
    EXPECT_EQ(view->_nextNoteForNr(71), 72);
    EXPECT_EQ(view->_nextNoteForNr(72), 72); // capped at the top of the range
    for (int i = 0; i < 12; ++i)
        click(footer()->plusButton());
    QList<qint64> firsts;
    for (const auto& group : numbers())
        firsts << group.first();
    EXPECT_EQ(firsts, (QList<qint64>{60, 62, 64, 65, 67, 69, 71, 72, 72, 72, 72, 72, 72}));
    EXPECT_FALSE(footer()->plusButton()->isEnabled());
    view->addNote(); // a host may still add
    EXPECT_EQ(view->noteCollections().size(), 14);

    view->_removeDoubblesAndSort();
    EXPECT_EQ(view->noteCollections().size(), 8);
}

TEST_F(NoteEditingTest, MinusDeletesTheSelectedGroupAndIsSafeOnAnEmptyChord)
{
    openChordEditor();
    click(footer()->plusButton());
    click(footer()->plusButton());
    click(footer()->minusButton()); // the selected G goes
    EXPECT_EQ(numbers(), (QList<QList<qint64>>{{60, 64}, {64, 72}, {60, 64}}));
    EXPECT_FALSE(footer()->minusButton()->isEnabled());
    EXPECT_EQ(delegate.changes, 3);

    view->resetNotes();
    view->footerBar(footer(), footer()->minusButton()); // nothing selected, nothing to remove
    view->setChordId(QStringLiteral("min"));
    EXPECT_TRUE(view->noteCollections().isEmpty());
}

TEST_F(NoteEditingTest, PitchAtAHeightFollowsTheStaffHalvesAndTheRange)
{
    view->setEditing(true);
    view->setMinNoteNr(0);
    view->setMaxNoteNr(127);
    const double top = view->staffTop();
    EXPECT_EQ(view->_noteFromPoint({200, top + 95}).nr(), 64); // E on the treble staff's bottom line
    toggle(2)->setOn(true); // sharp
    const QVNote sharp = view->_noteFromPoint({200, top + 95});
    EXPECT_EQ(sharp.nr(), 65);
    EXPECT_EQ(sharp.letter(), QStringLiteral("E"));
    EXPECT_EQ(sharp.offset(), 1);
    toggle(2)->setOn(false);
    EXPECT_EQ(view->_noteFromPoint({200, 0}).nr(), 24); // the very bottom: C1
    // The bass half (up to the middle of the view) ends at B3, however high the pointer.
    EXPECT_EQ(view->_noteFromPoint({200, view->height() / 2.0 + 20}).nr(), 59);
    view->setMinNoteNr(40);
    EXPECT_EQ(view->_noteFromPoint({200, 0}).nr(), 40);
}

TEST_F(NoteEditingTest, PlayingSoundsAGroupAndSilencesEverythingOnRelease)
{
    auto interval = std::shared_ptr<ZTInterval>(ZTTest::create<ZTInterval>());
    view->setTest(interval);
    view->setNoteCollections({group({60, 64}), group({62, 65}), group({67})});
    press(headOf(0));
    EXPECT_EQ(instrument_->events, (QList<QPair<QString, int>>{{"on", 60}})); // an interval sounds its first note
    drag(headOf(1));
    drag(headOf(1) + QPointF(2, 0)); // the same group: nothing new
    EXPECT_EQ(instrument_->events, (QList<QPair<QString, int>>{{"on", 60}, {"off", 60}, {"on", 62}}));
    drag(QPointF(10, 10)); // between the groups
    EXPECT_FALSE(view->isKeyDown(62));
    drag(headOf(2));
    release(QPointF(view->width() - 5.0, 10)); // away from every group
    for (qint64 nr = 0; nr < 128; ++nr)
        EXPECT_FALSE(view->isKeyDown(nr)) << nr;

    // A chord progression sounds every note of the group.
    instrument_->events.clear();
    auto progression = std::shared_ptr<GroupsQuestion>(ZTTest::create<GroupsQuestion>());
    progression->progression = true;
    view->setTest(progression);
    view->setNoteCollections({group({48, 52, 55}), group({53, 57, 60})});
    press(headOf(1));
    EXPECT_TRUE(view->isKeyDown(53) && view->isKeyDown(57) && view->isKeyDown(60));
    drag(QPointF(view->width() + 20.0, 30)); // out of the view with the button held
    EXPECT_FALSE(view->isKeyDown(53) || view->isKeyDown(57) || view->isKeyDown(60));
    release(QPointF(view->width() + 20.0, 30));
}
