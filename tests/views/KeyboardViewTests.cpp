#include "ViewTestSupport.h"

#include "ZTChordProgressionStepView.h"
#include "ZTKeyboardView.h"
#include "ZTMusicalTest.h"
#include "ZTPreferences.h"
#include "ZTUtils.h"
#include "YUp.h"

#include <QFontMetricsF>
#include <QMouseEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QSet>
#include <QTest>

namespace {

class KeyboardViewTest : public ViewTest {
protected:
    void SetUp() override
    {
        ViewTest::SetUp();
        keyboard = std::make_unique<ZTKeyboardView>(QRect(0, 0, 2240, 120));
        keyboard->setDelegate(&delegate);
    }
    std::shared_ptr<GroupsQuestion> question(std::initializer_list<qint64> firstNotes, bool progression = false)
    {
        auto made = std::shared_ptr<GroupsQuestion>(ZTTest::create<GroupsQuestion>());
        for (const qint64 nr : firstNotes)
            made->groups.append(group({nr}));
        made->progression = progression;
        return made;
    }
    void press(const QPointF& at) { QTest::mousePress(keyboard.get(), Qt::LeftButton, {}, qtPoint(keyboard.get(), at)); }
    void release(const QPointF& at) { QTest::mouseRelease(keyboard.get(), Qt::LeftButton, {}, qtPoint(keyboard.get(), at)); }
    void drag(const QPointF& at)
    {
        const QPointF position = qtPoint(keyboard.get(), at);
        QMouseEvent move(QEvent::MouseMove, position, keyboard->mapToGlobal(position), Qt::NoButton, Qt::LeftButton, {});
        QApplication::sendEvent(keyboard.get(), &move);
    }
    // Key centre at y 30 (white part) or 90 (black part).
    QPointF whiteKey(qint64 nr) const { return keyboard->rectForNoteNr(nr).center() - QPointF(0, 30); }

    RecordingInstrumentDelegate delegate;
    std::unique_ptr<ZTKeyboardView> keyboard;
};

} // namespace

TEST_F(KeyboardViewTest, KeyGeometryAndHitTests)
{
    EXPECT_EQ(keyboard->width(), 2240);
    EXPECT_EQ(keyboard->rectForNoteNr(36), QRectF(630, 0, 30, 120));
    EXPECT_EQ(keyboard->rectForNoteNr(61), QRectF(1070, 50, 19, 70));
    EXPECT_EQ(keyboard->_getNoteNrForPoint({235, 100}), 13); // the black key wins
    EXPECT_EQ(keyboard->_getNoteNrForPoint({235, 20}), 12);  // under it, the white key
    EXPECT_EQ(keyboard->_getNoteNrForPoint({2230, 50}), 127);
    EXPECT_EQ(keyboard->_getNoteNrForPoint({209.5, 60}), 11);
    EXPECT_EQ(keyboard->_getNoteNrForPoint({210, 60}), 12);
    EXPECT_EQ(keyboard->_getNoteNrForPoint({100, 120}), -1);
    EXPECT_EQ(keyboard->_getNoteNrForPoint({-5, 60}), -1);
    for (qint64 nr = 0; nr < 128; ++nr) // every key is found at its own centre
        EXPECT_EQ(keyboard->_getNoteNrForPoint(keyboard->rectForNoteNr(nr).center() + QPointF(0, 25)), nr);
}

TEST_F(KeyboardViewTest, PressDragAndReleasePlayOneKeyAtATime)
{
    press(whiteKey(60));
    drag(whiteKey(62));
    drag(whiteKey(62) + QPointF(5, 0)); // within D: nothing new
    release(whiteKey(62));
    const QList<QPair<QString, int>> expected{{"on", 60}, {"off", 60}, {"on", 62}, {"off", 62}};
    EXPECT_EQ(instrument_->events, expected);
    ASSERT_EQ(delegate.notes.size(), 2);
    EXPECT_EQ(delegate.notes[1].nr(), 62);
    EXPECT_FALSE(keyboard->isKeyDown(62));
}

TEST_F(KeyboardViewTest, NothingStaysHeldAfterTheButtonComesUp)
{
    keyboard->keyDown(48); // held by the host
    press(whiteKey(60));
    release(QPointF(300, 200)); // released away from every key
    for (qint64 nr = 0; nr < 128; ++nr)
        EXPECT_FALSE(keyboard->isKeyDown(nr)) << nr;

    press(whiteKey(60));
    drag(QPointF(300, 160)); // out of the keyboard with the button down
    EXPECT_FALSE(keyboard->isKeyDown(60));
    drag(whiteKey(64)); // back in: a press is needed to sound again
    EXPECT_FALSE(keyboard->isKeyDown(64));

    press(whiteKey(67)); // the view goes while the key is held
    keyboard.reset();
    ASSERT_FALSE(instrument_->events.isEmpty());
    EXPECT_EQ(instrument_->events.last(), qMakePair(QStringLiteral("off"), 67));
}

TEST_F(KeyboardViewTest, KeysOutsideTheMidiRangeAreIgnored)
{
    keyboard->keyDown(128);
    keyboard->keyDown(-1);
    keyboard->keyUp(128);
    EXPECT_TRUE(instrument_->events.isEmpty());
    EXPECT_TRUE(delegate.notes.isEmpty());
}

TEST_F(KeyboardViewTest, PlayedNotesAreSpelledInTheQuestionsKey)
{
    auto inD = question({62});
    inD->setRootNoteNr(62);
    keyboard->setMusicalTest(inD);
    keyboard->keyDown(61);
    ASSERT_EQ(delegate.notes.size(), 1);
    EXPECT_EQ(delegate.notes[0].letter(), QStringLiteral("C"));
    EXPECT_EQ(delegate.notes[0].offset(), 1);
}

TEST_F(KeyboardViewTest, MarkListsGrowOnDemand)
{
    keyboard->markNoteGreen(note(60), 3);
    ASSERT_EQ(keyboard->greenNotes().size(), 4);
    for (int p = 0; p < 3; ++p)
        EXPECT_TRUE(keyboard->greenNotes()[p].isEmpty());
    EXPECT_EQ(keyboard->greenNotes()[3].size(), 1);
    keyboard->markNoteRed(note(61), 0);
    keyboard->markNoteRed(note(62), -2); // no such position
    EXPECT_EQ(keyboard->redNotes().size(), 1);

    keyboard->unmarkAllNotes();
    EXPECT_TRUE(keyboard->greenNotes().isEmpty());
    EXPECT_TRUE(keyboard->redNotes().isEmpty());
}

TEST_F(KeyboardViewTest, OnlyTheChosenStepsMarksAreDrawn)
{
    keyboard->setGreenNotes({note(60)}, 0);
    keyboard->setGreenNotes({note(64)}, 1);
    const QRectF c = keyboard->rectForNoteNr(60);
    const QRectF e = keyboard->rectForNoteNr(64);
    auto isMark = [](const QColor& colour) { return colour.green() > 120 && colour.red() < 150 && colour.blue() < 150; };
    const double markY = 7 + 1.5; // inside the mark, under its lettering

    keyboard->setStep(1);
    EXPECT_FALSE(isMark(colorAt(keyboard.get(), {c.x() + 5, markY})));
    EXPECT_TRUE(isMark(colorAt(keyboard.get(), {e.x() + 5, markY})));

    keyboard->setStep(-1); // every position, stacked 20 points apart
    EXPECT_TRUE(isMark(colorAt(keyboard.get(), {c.x() + 5, markY})));
    EXPECT_TRUE(isMark(colorAt(keyboard.get(), {e.x() + 5, 20 + markY})));
    EXPECT_FALSE(isMark(colorAt(keyboard.get(), {e.x() + 5, markY})));
}

TEST_F(KeyboardViewTest, ProgressionsSetUpTheStepBar)
{
    ZTChordProgressionStepView bar;
    bar.setHidden(true);
    ZTMusicInstumentProtocol::setStepViewProvider([&bar] { return &bar; });

    keyboard->setMusicalTest(question({60, 65, 67}, true));
    keyboard->setGreenNotesFromTestWithStep(2);
    EXPECT_FALSE(bar.isHidden());
    EXPECT_EQ(bar.numSteps(), 3);
    EXPECT_EQ(bar.currentStep(), 2);
    EXPECT_EQ(keyboard->step(), 2);
    EXPECT_EQ(keyboard->greenNotes().size(), 3);

    keyboard->setMusicalTest(question({60, 64}));
    keyboard->setGreenNotesFromTest();
    EXPECT_TRUE(bar.isHidden());
    ASSERT_EQ(keyboard->greenNotes().size(), 1);
    EXPECT_EQ(keyboard->greenNotes()[0].size(), 2);
}

TEST_F(KeyboardViewTest, MarkingScrollsAnOffScreenQuestionIntoTheMiddleFromAWholeKey)
{
    QScrollArea area;
    area.setFrameShape(QFrame::NoFrame);
    area.resize(2 * 210 + 50, 150); // two octaves and C to D: a width that shows whole keys
    auto* owned = new ZTKeyboardView(QRect(0, 0, 2240, 120));
    area.setWidget(owned);
    area.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&area));
    const int visible = area.viewport()->width();
    ASSERT_EQ(owned->fittedVisibleWidth(visible), visible);

    owned->setMusicalTest(question({48, 52}));
    owned->markNoteGreen(note(48), 0); // 48 starts at 840: outside the first 470 points
    // Centred the view would start at 650, in the middle of a key; it starts at the C before.
    const QRectF low = owned->rectForNoteNr(48);
    const QRectF high = owned->rectForNoteNr(52);
    EXPECT_EQ(area.horizontalScrollBar()->value(), 3 * 210);
    EXPECT_LE(area.horizontalScrollBar()->value(), low.x());
    EXPECT_GE(area.horizontalScrollBar()->value() + visible, high.right());

    owned->setMusicalTest(question({50})); // already in view: stays
    owned->markNoteGreen(note(50), 0);
    EXPECT_EQ(area.horizontalScrollBar()->value(), 3 * 210);
}

TEST_F(KeyboardViewTest, ViewWidthsAndPlacesThatShowWholeKeys)
{
    // Whole octaves and C to D or C to G: 50, 140, 260, 350, ...
    EXPECT_EQ(keyboard->fittedVisibleWidth(972), 4 * 210 + 50);
    EXPECT_EQ(keyboard->fittedVisibleWidth(980), 4 * 210 + 140);
    EXPECT_EQ(keyboard->fittedVisibleWidth(1314), 6 * 210 + 50);
    EXPECT_EQ(keyboard->fittedVisibleWidth(3000), 2240);
    // With C to D past the octaves the places are the Cs and the Fs, the end being at an F.
    const double width = 4 * 210 + 50;
    EXPECT_EQ(keyboard->scrollStop(100, width, false), 90);
    EXPECT_EQ(keyboard->scrollStop(100, width, true), 210);
    EXPECT_EQ(keyboard->scrollStop(5000, width, false), 2240 - width);
    EXPECT_EQ(std::fmod(2240 - width, 210), 90);
    // With C to G, the Cs only: an F at the left would leave a C cut at the right.
    EXPECT_EQ(keyboard->scrollStop(100, 4 * 210 + 140, true), 210);
    EXPECT_EQ(keyboard->scrollStop(300, 4 * 210 + 140, false), 210);
}

TEST_F(KeyboardViewTest, EveryMarkShowsTheWholeNameInAReadableSizeBetweenItsNeighbours)
{
    ZTPreferences* prefs = ZTPreferences::sharedPreferences();
    const QFont font = ZTKeyboardView::markFont();
    EXPECT_GE(font.pixelSize(), 12);
    const double height = keyboard->height();
    QSet<QString> drawn; // name and key
    QVNote longestOnBlack;
    double longestWidth = 0;
    for (const QString& spelling : QVNote::offeredSpellingTypes()) {
        for (const QString& naming : QVNote::offeredNoteNameTypes()) {
            prefs->setSpellingType(spelling);
            prefs->setNoteNamesTypes(naming);
            // Every key, spelled with sharps, flats and double accidentals as keys spell them.
            for (qint64 nr = 0; nr < 128; ++nr) {
                const double centre = keyboard->rectForNoteNr(nr).center().x();
                for (qint64 root = 0; root < 12; ++root) {
                    for (const bool minor : {false, true}) {
                        const QVNote shown = QVNote::initWithNoteNr(nr, 60 + root, minor);
                        const ZTKeyboardView::MarkLabel label = keyboard->markLabel(shown, 0);
                        const QString name = shown.nameWithSpellingType(spelling, naming);
                        ASSERT_EQ(label.name, name);
                        // Within half the distance to the next key of its row on either side.
                        ASSERT_GE(label.plate.left(), centre - 15);
                        ASSERT_LE(label.plate.right(), centre + 15);
                        const QString key = name + QStringLiteral(" on %1").arg(nr);
                        if (drawn.contains(key))
                            continue;
                        drawn.insert(key);
                        ASSERT_EQ(drawnNameProblem(label, height, 0.55).toStdString(), "")
                            << key.toStdString();
                        const double width = naturalNameWidth(name);
                        if (!ZTUtils::isWhiteKey(int(nr)) && spelling == QStringLiteral("Helmholtz") &&
                            naming == QStringLiteral("Solomisation") && width > longestWidth) {
                            longestWidth = width;
                            longestOnBlack = shown;
                        }
                    }
                }
            }
        }
    }

    // Drawn, the lettering of the longest name runs across its plate.
    keyboard->markNoteGreen(longestOnBlack, 0);
    const ZTKeyboardView::MarkLabel label = keyboard->markLabel(longestOnBlack, 0);
    QImage picture(keyboard->size(), QImage::Format_ARGB32_Premultiplied);
    keyboard->render(&picture);
    const QRect plate = YUp::toQt(label.plate, keyboard->height()).toAlignedRect();
    int leftInk = plate.right();
    int rightInk = plate.left();
    for (int y = plate.top() + 1; y < plate.bottom(); ++y) {
        for (int x = plate.left() + 1; x < plate.right(); ++x) {
            const QColor c = picture.pixelColor(x, y);
            if (c.red() > 200 && c.green() > 200 && c.blue() > 200) {
                leftInk = std::min(leftInk, x);
                rightInk = std::max(rightInk, x);
            }
        }
    }
    EXPECT_GE(rightInk - leftInk, 0.75 * label.textRect.width()) << label.name.toStdString();
}
