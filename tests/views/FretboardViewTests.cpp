#include "ViewTestSupport.h"

#include "ZTGuitarFretboardView.h"
#include "ZTMusicalTest.h"
#include "YUpPainter.h"
#include "ZTPreferences.h"

#include <QFontMetricsF>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QSet>
#include <QTest>

namespace {

class FretboardViewTest : public ViewTest {
protected:
    void SetUp() override
    {
        ViewTest::SetUp();
        fretboard = std::make_unique<ZTGuitarFretboardView>(QRect(0, 0, 1068, 120));
        fretboard->setDelegate(&delegate);
        fretboard->unmarkAllNotes();
    }
    std::shared_ptr<GroupsQuestion> question(const QList<ZTNoteCollection>& groups, bool progression = false)
    {
        auto made = std::shared_ptr<GroupsQuestion>(ZTTest::create<GroupsQuestion>());
        made->groups = groups;
        made->progression = progression;
        fretboard->setMusicalTest(made);
        return made;
    }
    static QList<QVNote> notes(std::initializer_list<qint64> nrs)
    {
        QList<QVNote> result;
        for (const qint64 nr : nrs)
            result << note(nr);
        return result;
    }
    static QList<ZTFretboardPos> places(const QList<ZTFretboardNote>& found)
    {
        QList<ZTFretboardPos> result;
        for (const ZTFretboardNote& entry : found)
            result << entry.pos;
        return result;
    }
    QPointF at(qint64 string, qint64 fret) const { return ZTGuitarFretboardView::pointForFretboardPos({string, fret}); }
    void press(const QPointF& p) { QTest::mousePress(fretboard.get(), Qt::LeftButton, {}, qtPoint(fretboard.get(), p)); }
    void release(const QPointF& p) { QTest::mouseRelease(fretboard.get(), Qt::LeftButton, {}, qtPoint(fretboard.get(), p)); }
    void drag(const QPointF& p)
    {
        const QPointF position = qtPoint(fretboard.get(), p);
        QMouseEvent move(QEvent::MouseMove, position, fretboard->mapToGlobal(position), Qt::NoButton, Qt::LeftButton, {});
        QApplication::sendEvent(fretboard.get(), &move);
    }

    RecordingInstrumentDelegate delegate;
    std::unique_ptr<ZTGuitarFretboardView> fretboard;
};

} // namespace

TEST_F(FretboardViewTest, PlacesUnderThePointer)
{
    EXPECT_EQ(fretboard->_getNoteNrForPoint({40, 5}), 41);
    EXPECT_EQ(fretboard->lastPos(), (ZTFretboardPos{0, 1}));
    EXPECT_EQ(fretboard->_getNoteNrForPoint({10, 110}), 64); // the open high E
    EXPECT_EQ(fretboard->_getNoteNrForPoint({1058.5, 45}), 50 + 24);
    EXPECT_EQ(fretboard->_getNoteNrForPoint({1060, 5}), -1);
    EXPECT_EQ(fretboard->_getNoteNrForPoint({40, 120}), -1);
    EXPECT_EQ(fretboard->lastPos(), (ZTFretboardPos{2, 24})); // a miss keeps the last place
    EXPECT_EQ(ZTGuitarFretboardView::pointForFretboardPos({3, 12}), QPointF(630, 70));
    // Every place is found at its own middle.
    for (qint64 string = 0; string < 6; ++string)
        for (qint64 fret = 0; fret < 25; ++fret)
            EXPECT_EQ(fretboard->_getNoteNrForPoint(at(string, fret)), ZTGuitarFretboardView::kOpenStrings[size_t(string)] + fret);
}

TEST_F(FretboardViewTest, GroupsLieWithinAHandsReach)
{
    // An interval: the top note on the highest string, the bottom note within four frets.
    EXPECT_EQ(places(ZTGuitarFretboardView::_findPositions(notes({60, 64}), false)),
              (QList<ZTFretboardPos>{{4, 1}, {5, 0}}));
    // Read from the end when the question descends.
    EXPECT_EQ(places(ZTGuitarFretboardView::_findPositions(notes({64, 60}), true)),
              (QList<ZTFretboardPos>{{4, 1}, {5, 0}}));
    EXPECT_EQ(places(ZTGuitarFretboardView::_findPositions(notes({40}), false)), (QList<ZTFretboardPos>{{0, 0}}));
    EXPECT_EQ(places(ZTGuitarFretboardView::_findPositions(notes({64}), false)), (QList<ZTFretboardPos>{{5, 0}}));
    // The open E major chord as a guitarist plays it.
    EXPECT_EQ(places(ZTGuitarFretboardView::_findPositions(notes({40, 47, 52, 56, 59, 64}), false)),
              (QList<ZTFretboardPos>{{0, 0}, {1, 2}, {2, 2}, {3, 1}, {4, 0}, {5, 0}}));
    // Too low for the neck: no place for the bottom note.
    EXPECT_TRUE(ZTGuitarFretboardView::_findPositions(notes({30, 64}), false).first().pos.isNone());

    // Any group size works; every note of a long run is either placed or left without a place.
    QList<QVNote> run;
    for (qint64 i = 0; i < 80; ++i)
        run << note(40 + i % 49);
    const QList<ZTFretboardNote> found = ZTGuitarFretboardView::_findPositions(run, false);
    ASSERT_EQ(found.size(), 80);
    for (const ZTFretboardNote& entry : found) {
        if (!entry.pos.isNone()) {
            EXPECT_EQ(ZTGuitarFretboardView::kOpenStrings[size_t(entry.pos.string)] + entry.pos.fret, entry.noteNr);
        }
    }
    EXPECT_TRUE(ZTGuitarFretboardView::_findPositions({}, false).isEmpty());
}

TEST_F(FretboardViewTest, AWrongNoteShowsWhereItWasPlayedUntilTheMarksAreCleared)
{
    question({group({60}), group({64})});
    press(at(2, 5)); // D string, fifth fret: G (55)
    release(at(2, 5));
    ASSERT_EQ(delegate.notes.size(), 1);
    EXPECT_EQ(delegate.notes[0].nr(), 55);
    fretboard->markNoteRed(delegate.notes[0], 0);
    EXPECT_EQ(fretboard->posForNote(55), (ZTFretboardPos{2, 5}));
    EXPECT_EQ(fretboard->posForNote(64), (ZTFretboardPos{5, 0})); // the question's own notes keep theirs
    fretboard->unmarkAllNotes();
    EXPECT_EQ(fretboard->posForNote(55), (ZTFretboardPos{3, 0})); // the lowest fret, the higher string
    EXPECT_TRUE(fretboard->posForNote(20).isNone());
}

TEST_F(FretboardViewTest, ProgressionMarksFollowTheStepAndAStepBeyondTheChordsIsIgnored)
{
    question({group({45, 57}), group({53, 57, 60})}, true);
    fretboard->setStep(0);
    EXPECT_EQ(fretboard->posForNote(45), (ZTFretboardPos{0, 5})); // close to the octave above it
    fretboard->setStep(1);
    const QList<ZTFretboardNote> chord = ZTGuitarFretboardView::_findPositions(notes({53, 57, 60}), false);
    EXPECT_EQ(fretboard->posForNote(57), chord[1].pos);
    fretboard->setStep(5); // no chord at step 5: the lowest fret
    EXPECT_EQ(fretboard->posForNote(45), (ZTFretboardPos{1, 0}));

    fretboard->markNoteGreen(note(57), 1);
    fretboard->setStep(-1); // all steps: nothing is drawn on the neck
    const QPointF dot = ZTGuitarFretboardView::pointForFretboardPos(chord[1].pos) + QPointF(0, -6); // under the name
    auto isGreen = [](const QColor& colour) { return colour.green() > 120 && colour.red() < 150; };
    EXPECT_FALSE(isGreen(colorAt(fretboard.get(), dot)));
    fretboard->setStep(1);
    EXPECT_TRUE(isGreen(colorAt(fretboard.get(), dot)));

    // Marks keep growing past any fixed count.
    fretboard->markNoteGreen(note(60), 60);
    EXPECT_EQ(fretboard->greenNotes().size(), 61);
}

TEST_F(FretboardViewTest, DraggingMovesTheSoundFromPlaceToPlaceAndReleaseSilencesIt)
{
    press(at(0, 3));
    drag(at(0, 3) + QPointF(4, 2)); // the same place
    drag(at(1, 3));
    EXPECT_EQ(instrument_->events, (QList<QPair<QString, int>>{{"on", 43}, {"off", 43}, {"on", 48}}));
    ASSERT_EQ(delegate.notes.size(), 2);
    EXPECT_EQ(delegate.notes[1].nr(), 48);
    EXPECT_EQ(fretboard->lastPos(), (ZTFretboardPos{1, 3}));
    fretboard->noteDown(70); // held by the host
    release(QPointF(1064, 60)); // off the neck
    for (qint64 nr = 0; nr < 128; ++nr)
        EXPECT_FALSE(fretboard->isNoteDown(nr)) << nr;
    fretboard->noteDown(128);
    fretboard->noteUp(-1);
    EXPECT_EQ(delegate.notes.size(), 3); // the two places and the host's note

    press(at(4, 4));
    fretboard.reset(); // the view goes while a note is held
    EXPECT_EQ(instrument_->events.last(), qMakePair(QStringLiteral("off"), 63));
}

TEST_F(FretboardViewTest, EveryMarkShowsTheWholeNameInAReadableSizeWithinItsFret)
{
    ZTPreferences* prefs = ZTPreferences::sharedPreferences();
    const QFont font = ZTGuitarFretboardView::markFont();
    EXPECT_GE(font.pixelSize(), 12);
    const QFontMetricsF metrics(font);
    const auto& edges = ZTGuitarFretboardView::kFretEdges;
    const double height = ZTGuitarFretboardView::kHeight;
    QSet<QString> drawn; // name and place
    for (const QString& spelling : QVNote::offeredSpellingTypes()) {
        for (const QString& naming : QVNote::offeredNoteNameTypes()) {
            prefs->setSpellingType(spelling);
            prefs->setNoteNamesTypes(naming);
            // Every place, its note spelled with sharps, flats and double accidentals as keys spell it.
            for (qint64 string = 0; string < ZTGuitarFretboardView::kNumStrings; ++string) {
                for (qint64 fret = 0; fret < ZTGuitarFretboardView::kNumFrets; ++fret) {
                    const qint64 nr = ZTGuitarFretboardView::kOpenStrings[size_t(string)] + fret;
                    for (qint64 root = 0; root < 12; ++root) {
                        for (const bool minor : {false, true}) {
                            const QVNote shown = QVNote::initWithNoteNr(nr, 60 + root, minor);
                            const auto label = ZTGuitarFretboardView::markLabel(shown, {string, fret});
                            const QString name = shown.nameWithSpellingType(spelling, naming);
                            ASSERT_EQ(label.name, name);
                            ASSERT_GE(label.plate.width(), ZTGuitarFretboardView::kMarkDotSize);
                            ASSERT_GE(label.plate.left(), edges[size_t(fret)]);
                            ASSERT_LE(label.plate.right(), edges[size_t(fret + 1)]);
                            // On the neck, also on the top string.
                            ASSERT_TRUE(QRectF(0, 0, ZTGuitarFretboardView::kWidth, ZTGuitarFretboardView::kHeight)
                                            .contains(label.plate))
                                << name.toStdString() << " on string " << string;
                            const QString place = name + QStringLiteral(" at %1/%2").arg(string).arg(fret);
                            if (drawn.contains(place))
                                continue;
                            drawn.insert(place);
                            // Drawn, the name and its dark copy a point above it lie on the dot.
                            ASSERT_EQ(drawnNameProblem(label, height, 0.6).toStdString(), "") << place.toStdString();
                            const QRegion shadow = markNameInk(name, label.textRect.translated(0, 1), height);
                            ASSERT_TRUE(touchedPixels(label.plate, height).contains(shadow.boundingRect()))
                                << place.toStdString();
                        }
                    }
                }
            }
        }
    }

    // Drawn at a wide fret, a long name keeps its whole width: G sharp in E major, "sol♯2",
    // at its lowest place, the fourth fret of the low string.
    prefs->setSpellingType(QStringLiteral("Scientific"));
    prefs->setNoteNamesTypes(QStringLiteral("Solomisation"));
    const QVNote gSharp = QVNote::initWithNoteNr(44, 64, false);
    ASSERT_EQ(fretboard->posForNote(44), (ZTFretboardPos{0, 4}));
    auto picture = [this] {
        QImage image(fretboard->size(), QImage::Format_ARGB32_Premultiplied);
        fretboard->render(&image);
        return image;
    };
    const QImage bare = picture();
    fretboard->markNoteGreen(gSharp, 0);
    const QImage marked = picture();
    // The white lettering: light pixels the mark brought.
    int leftInk = fretboard->width();
    int rightInk = 0;
    for (int y = 0; y < marked.height(); ++y) {
        for (int x = 0; x < marked.width(); ++x) {
            const QColor c = marked.pixelColor(x, y);
            if (c.red() > 200 && c.green() > 200 && c.blue() > 200 && marked.pixel(x, y) != bare.pixel(x, y)) {
                leftInk = std::min(leftInk, x);
                rightInk = std::max(rightInk, x);
            }
        }
    }
    EXPECT_GE(rightInk - leftInk, 0.85 * metrics.horizontalAdvance(ZTInstrumentViewBase::noteName(gSharp)));
    EXPECT_GE(leftInk, edges[4]);
    EXPECT_LE(rightInk, edges[5]);
}

TEST_F(FretboardViewTest, SignsInAMarkAreAsBoldAndAsTallAsItsLetters)
{
    // White on black as on a dot: the pixels a glyph covers at least three quarters, and the
    // rows and columns they span.
    struct Ink {
        int strong = 0;
        int rows = 0;
        int columns = 0;
    };
    auto inkOf = [](const QString& name) {
        QImage image(40, 24, QImage::Format_ARGB32);
        image.fill(Qt::black);
        QPainter qt(&image);
        YUpPainter painter(qt, image.height());
        ZTInstrumentViewBase::drawMarkName(painter, QRectF(0, 0, 40, 24), name, Qt::white);
        qt.end();
        QRect span;
        Ink ink;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (qGray(image.pixel(x, y)) >= 192) {
                    ++ink.strong;
                    span |= QRect(x, y, 1, 1);
                }
        ink.rows = span.height();
        ink.columns = span.width();
        return ink;
    };
    const Ink letter = inkOf(QStringLiteral("F"));
    ASSERT_GT(letter.strong, 10);
    for (const QString& sign : {QStringLiteral("\u266F"), QStringLiteral("\u266D"), QStringLiteral("\U0001D12A"),
                                QStringLiteral("\U0001D12B")}) {
        const Ink ink = inkOf(sign);
        EXPECT_GE(ink.strong, letter.strong * 0.6) << sign.toStdString() << " against " << letter.strong;
        // A sharp or flat stands at least as tall as a capital (a double sharp is smaller, as
        // in print), and none is a hairline: it spans most of a letter's width.
        if (sign.size() == 1) {
            EXPECT_GE(ink.rows, letter.rows) << sign.toStdString();
            EXPECT_LE(ink.rows, letter.rows * 1.5) << sign.toStdString();
        }
        EXPECT_GE(ink.columns, letter.columns * 0.75) << sign.toStdString();
    }
}

TEST_F(FretboardViewTest, MarksOnNeighbouringStringsStandApartAndInsideTheNeck)
{
    const QRectF neck(0, 0, ZTGuitarFretboardView::kWidth, ZTGuitarFretboardView::kHeight);
    const QVNote names[] = {altered(65, 1), altered(55, -1), note(55)};
    for (qint64 fret = 0; fret < ZTGuitarFretboardView::kNumFrets; ++fret) {
        for (qint64 string = 0; string < ZTGuitarFretboardView::kNumStrings; ++string) {
            for (const QVNote& name : names) {
                const QRectF plate = ZTGuitarFretboardView::markLabel(name, {string, fret}).plate;
                ASSERT_TRUE(neck.adjusted(1, 1, -1, -1).contains(plate)) << string << " " << fret;
                if (string + 1 < ZTGuitarFretboardView::kNumStrings) {
                    const QRectF above = ZTGuitarFretboardView::markLabel(name, {string + 1, fret}).plate;
                    ASSERT_GE(above.top() - plate.bottom(), 1.0) << string << " " << fret; // y-up
                }
            }
        }
    }

    // Drawn: F sharp 4 over C sharp 4, G flat 3 over D flat 3, open G 3 over D 3; between the
    // dots of each pair a row of the neck shows.
    struct Pair {
        QVNote upper, lower;
        ZTFretboardPos upperPlace, lowerPlace;
    };
    const Pair pairs[] = {{altered(65, 1), altered(60, 1), {5, 2}, {4, 2}},
                          {altered(55, -1), altered(50, -1), {2, 4}, {1, 4}},
                          {note(55), note(50), {3, 0}, {2, 0}}};
    for (const Pair& pair : pairs) {
        question({group({pair.lower.nr(), pair.upper.nr()})});
        fretboard->unmarkAllNotes();
        fretboard->setStep(0);
        fretboard->markNoteGreen(pair.upper, 0);
        fretboard->markNoteGreen(pair.lower, 0);
        ASSERT_EQ(fretboard->posForNote(pair.upper.nr()), pair.upperPlace);
        ASSERT_EQ(fretboard->posForNote(pair.lower.nr()), pair.lowerPlace);
        QImage picture(fretboard->size(), QImage::Format_ARGB32);
        fretboard->render(&picture);
        saveShot(fretboard.get(), QStringLiteral("fretboard-neighbours-%1").arg(pair.upper.nr()));
        const QPointF centre = ZTGuitarFretboardView::pointForFretboardPos(pair.upperPlace);
        const int x = int(centre.x());
        const int upperMiddle = int(fretboard->height() - centre.y());
        const int lowerMiddle = upperMiddle + int(ZTGuitarFretboardView::kStringHeight);
        auto green = [&](int y) {
            const QColor colour = picture.pixelColor(x - 4, y);
            return colour.green() - colour.red() > 40;
        };
        bool gap = false;
        for (int y = upperMiddle; y < lowerMiddle; ++y)
            gap = gap || !green(y);
        EXPECT_TRUE(gap) << pair.upper.nr() << " over " << pair.lower.nr();
    }
}

TEST_F(FretboardViewTest, MarksOnTheTopStringAreDrawnWhole)
{
    // C sharp 5 right and E flat 5 wrong, each on the top string, where a mark once ran past
    // the neck's edge: the dot's own colour shows in the neck's top row.
    for (const bool right : {true, false}) {
        const QVNote shown = right ? altered(72, 1) : altered(76, -1);
        question({group({shown.nr()})});
        fretboard->unmarkAllNotes();
        right ? fretboard->markNoteGreen(shown, 0) : fretboard->markNoteRed(shown, 0);
        fretboard->setStep(0);
        const ZTFretboardPos place = fretboard->posForNote(shown.nr());
        ASSERT_EQ(place.string, 5);
        QImage picture(fretboard->size(), QImage::Format_ARGB32);
        picture.fill(Qt::black);
        fretboard->render(&picture);
        saveShot(fretboard.get(), right ? QStringLiteral("fretboard-top-string-sharp") : QStringLiteral("fretboard-top-string-flat"));
        // The dot's colour shows in every row of its 22 but a rim.
        const QRectF plate = ZTGuitarFretboardView::markLabel(shown, place).plate;
        auto dotColoured = [&](int x, int y) {
            const QColor colour = picture.pixelColor(x, y);
            return (right ? colour.green() - colour.red() : colour.red() - colour.green()) > 40;
        };
        int rows = 0;
        for (int y = 0; y < picture.height(); ++y) {
            bool inRow = false;
            for (int x = int(plate.left()); x < int(plate.right()); ++x)
                inRow = inRow || dotColoured(x, y);
            rows += inRow ? 1 : 0;
        }
        EXPECT_GE(rows, int(ZTGuitarFretboardView::kMarkDotSize) - 1) << shown.nr();
    }
}
