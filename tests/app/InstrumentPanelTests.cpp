// The instrument panel: keyboard and fretboard, their scroll buttons, the instruments menu.
#include "AppTestSupport.h"

#include "ImageButton.h"
#include "NotificationCenter.h"
#include "Paths.h"
#include "PropertyList.h"
#include "ZTAbstractTestController.h"
#include "ZTChordProgressionStepView.h"
#include "ZTGuitarFretboardView.h"
#include "ZTKeyboardView.h"
#include "ZTMIDIController.h"
#include "ZTMainViewController.h"
#include "ZTPopupButton.h"
#include "ZTPreferences.h"
#include "ZTSoundBank.h"
#include "ZTTest.h"
#include "ZTUtils.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QPropertyAnimation>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>

namespace {

// Records what the panel asks of the instrument.
class PanelInstrument : public QVMusicInstrument {
public:
    void noteOn(int note, unsigned) override { calls << QStringLiteral("on %1").arg(note); }
    void noteOff(int note) override { calls << QStringLiteral("off %1").arg(note); }
    void programChange(int program) override { calls << QStringLiteral("program %1").arg(program); }
    void start() override { calls << QStringLiteral("start"); }
    void stop() override { calls << QStringLiteral("stop"); }
    QStringList calls;
};

class InstrumentPanelTest : public AppTest {
protected:
    void TearDown() override
    {
        // The hub outlives the test: it gets its usual instrument back.
        ZTMIDIController::sharedInstance()->setupInstrument();
        AppTest::TearDown();
    }
    ZTPreferences* prefs() const { return ZTPreferences::sharedPreferences(); }
    ZTMusicInstumentProtocol* instrumentView() const { return screen()->instrumentViewWidget(); }
    QScrollBar* scroller() const { return screen()->instrumentScrollView()->horizontalScrollBar(); }
    std::shared_ptr<PanelInstrument> recordInstrument()
    {
        auto instrument = std::make_shared<PanelInstrument>();
        ZTMIDIController::sharedInstance()->setInstrument(instrument);
        return instrument;
    }
    void show(int width, int height)
    {
        delegate()->window()->resize(width, height);
        QApplication::processEvents();
    }
    // Lets the scroll animation run to its end.
    static void settle() { QTest::qWait(350); }
    QList<QAction*> programItems() const
    {
        QList<QAction*> items;
        for (QAction* item : delegate()->instrumentMenu()->actions()) {
            if (item->menu())
                items << item->menu()->actions();
            else
                items << item;
        }
        return items;
    }
    void swapTo(int tag)
    {
        QTest::mouseClick(tag == 1 ? screen()->keyboardSegment() : screen()->fretboardSegment(), Qt::LeftButton);
        advance(0.6);
    }
    // Presses and releases at a y-up point of the instrument view.
    void click(const QPointF& point)
    {
        QWidget* view = instrumentView()->view();
        const QPoint at(int(point.x()), int(view->height() - point.y()));
        QTest::mousePress(view, Qt::LeftButton, {}, at);
        QTest::mouseRelease(view, Qt::LeftButton, {}, at);
    }
};

} // namespace

TEST_F(InstrumentPanelTest, TheScrollButtonsStepAnOctaveOrAPageAndStopAtTheEnds)
{
    launch();
    show(1280, 800);
    EXPECT_EQ(screen()->instrumentScrollView()->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    ASSERT_EQ(scroller()->value(), 3 * 210); // MIDI 36 at the left edge
    EXPECT_TRUE(screen()->keyboardScrollLeftButton()->isEnabled());
    EXPECT_TRUE(screen()->keyboardScrollRightPageButton()->isEnabled());

    QTest::mouseClick(screen()->keyboardScrollRightButton(), Qt::LeftButton);
    settle();
    EXPECT_EQ(scroller()->value(), 4 * 210);
    const int visible = screen()->instrumentScrollView()->viewport()->width();
    for (int i = 0; i < 3; ++i) {
        QTest::mouseClick(screen()->keyboardScrollRightPageButton(), Qt::LeftButton);
        settle();
    }
    EXPECT_EQ(scroller()->value(), 2240 - visible); // never beyond the last key
    EXPECT_FALSE(screen()->keyboardScrollRightButton()->isEnabled());
    EXPECT_FALSE(screen()->keyboardScrollRightPageButton()->isEnabled());
    EXPECT_TRUE(screen()->keyboardScrollLeftButton()->isEnabled());

    scroller()->setValue(100);
    QTest::mouseClick(screen()->keyboardScrollLeftButton(), Qt::LeftButton);
    settle();
    EXPECT_EQ(scroller()->value(), 0);
    EXPECT_FALSE(screen()->keyboardScrollLeftButton()->isEnabled());
    EXPECT_FALSE(screen()->keyboardScrollLeftPageButton()->isEnabled());
}

// Every key in view shows whole, but for the last white key on the right, which shows two
// thirds of itself as the keyboard's own last key does and is never a C; every C's name in
// view is whole; the scroll buttons stand beside the keys, over none of them.
::testing::AssertionResult keysShowWhole(ZTMainViewController* screen)
{
    auto* keyboard = qobject_cast<ZTKeyboardView*>(screen->instrumentViewWidget()->view());
    QWidget* viewport = screen->instrumentScrollView()->viewport();
    const double x = screen->instrumentScrollView()->horizontalScrollBar()->value();
    const double right = x + std::min<double>(viewport->width(), keyboard->width());
    const QString where = QStringLiteral("at %1 to %2: ").arg(x).arg(right);
    const QRect inView(viewport->mapTo(screen, QPoint(0, 0)), viewport->size());
    for (const ImageButton* button : {screen->keyboardScrollLeftButton(), screen->keyboardScrollLeftPageButton(),
                                      screen->keyboardScrollRightButton(), screen->keyboardScrollRightPageButton()}) {
        if (QRect(button->mapTo(screen, QPoint(0, 0)), button->size()).intersects(inView))
            return ::testing::AssertionFailure() << where.toStdString() << "a scroll button over the keys";
    }
    for (qint64 n = 0; n < 128; ++n) {
        const QRectF key = keyboard->rectForNoteNr(n) & QRectF(0, 0, keyboard->width(), keyboard->height());
        const double shown = std::min(key.right(), right) - std::max(key.left(), x);
        if (shown <= 0)
            continue;
        const bool white = ZTUtils::isWhiteKey(int(n));
        if (shown < key.width() && !(white && key.right() > right && shown >= 20 && n % 12 != 0))
            return ::testing::AssertionFailure() << where.toStdString() << "key " << n << " shows " << shown << " of "
                                                 << key.width();
        const QRectF name((n / 12) * ZTKeyboardView::kOctaveWidth + 6, 0, 24, 16);
        if (n % 12 == 0 && name.right() > x && name.left() < right && (name.left() < x || name.right() > right))
            return ::testing::AssertionFailure() << where.toStdString() << "the name of key " << n << " is cut";
    }
    return ::testing::AssertionSuccess();
}

TEST_F(InstrumentPanelTest, NoKeyOrKeyNameLiesUnderTheScrollButtonsAtAnySizeAndPlace)
{
    launch();
    for (const QSize size : {QSize(976, 526), QSize(1024, 600), QSize(1366, 768)}) {
        show(size.width(), size.height());
        const std::string at = std::to_string(size.width()) + "x" + std::to_string(size.height());
        // The keys take all the room but what whole keys leave, less than a key pair.
        const int room = screen()->width() - 2 * (ZTMainViewController::kScrollButtonWidth + ZTMainViewController::kScrollButtonGap);
        EXPECT_GT(screen()->instrumentScrollView()->viewport()->width(), room - 120) << at;
        EXPECT_TRUE(keysShowWhole(screen())) << at;
        auto press = [&](ImageButton* button) {
            QTest::mouseClick(button, Qt::LeftButton);
            // Until the scroll's animation has run.
            const QList<QPropertyAnimation*> animations = screen()->findChildren<QPropertyAnimation*>();
            const auto scrolling = std::find_if(animations.begin(), animations.end(), [&](const QPropertyAnimation* animation) {
                return animation->targetObject() == scroller();
            });
            ASSERT_NE(scrolling, animations.end());
            ASSERT_TRUE(QTest::qWaitFor([&] { return (*scrolling)->state() == QAbstractAnimation::Stopped; }));
            EXPECT_TRUE(keysShowWhole(screen())) << at;
        };
        // An octave at a time up to the top, a page down, then an octave at a time to the bottom.
        for (int step = 0; step < 12 && screen()->keyboardScrollRightButton()->isEnabled(); ++step)
            press(screen()->keyboardScrollRightButton());
        EXPECT_EQ(scroller()->value(), scroller()->maximum()) << at;
        saveShot(QStringLiteral("keyboard-top-%1").arg(size.width()));
        press(screen()->keyboardScrollLeftPageButton());
        for (int step = 0; step < 12 && screen()->keyboardScrollLeftButton()->isEnabled(); ++step)
            press(screen()->keyboardScrollLeftButton());
        EXPECT_EQ(scroller()->value(), 0) << at;
        saveShot(QStringLiteral("keyboard-bottom-%1").arg(size.width()));
        press(screen()->keyboardScrollRightPageButton());
    }
}

TEST_F(InstrumentPanelTest, TheInstrumentIsCentredBetweenEqualMargins)
{
    launch();
    show(1280, 800);
    EXPECT_EQ(screen()->instrumentLeftConstraint(), 0); // the keyboard is wider than the window
    swapTo(2);
    show(1500, 800);
    const double margin = std::round((screen()->width() - 1068) * 0.5);
    EXPECT_EQ(screen()->instrumentLeftConstraint(), margin);
    EXPECT_EQ(screen()->instrumentRightConstraint(), margin);
    const QWidget* fretboard = instrumentView()->view();
    EXPECT_NEAR(fretboard->mapTo(screen(), QPoint(0, 0)).x(), margin, 1);
    // All of it is in view: nothing to scroll.
    EXPECT_FALSE(screen()->keyboardScrollLeftButton()->isEnabled());
    EXPECT_FALSE(screen()->keyboardScrollRightButton()->isEnabled());
}

TEST_F(InstrumentPanelTest, SwappingKeepsTheMarksAndTheChordStep)
{
    prefs()->setCurrentExercise(QStringLiteral("Chord progressions"));
    launch();
    advance(0.6); // the stored exercise's change notice
    ASSERT_EQ(screen()->currentLessonController()->testName(), QStringLiteral("Chord progressions"));
    screen()->nextAction(ZTMainViewController::Sender::MenuItem);
    finishPlaying();
    ZTChordProgressionStepView* bar = screen()->stepViewWidget();
    ASSERT_FALSE(bar->isHidden());
    instrumentView()->markNoteGreen(QVNote::initWithNoteNr(60, 60, false), 1);
    instrumentView()->markNoteRed(QVNote::initWithNoteNr(61, 60, false), 1);
    instrumentView()->setStep(-1); // "All"
    const ZTMarkList green = instrumentView()->greenNotes();

    swapTo(2);
    ASSERT_NE(dynamic_cast<ZTGuitarFretboardView*>(instrumentView()), nullptr);
    EXPECT_EQ(prefs()->instrumentType(), 1);
    EXPECT_EQ(instrumentView()->greenNotes(), green);
    EXPECT_EQ(instrumentView()->redNotes().value(1).size(), 1);
    EXPECT_EQ(instrumentView()->step(), 0); // the fretboard has no "All"
    EXPECT_EQ(bar->currentStep(), 0);
    EXPECT_TRUE(bar->lastButtonHidden());
    EXPECT_TRUE(screen()->fretboardSegment()->isOn());
    EXPECT_TRUE(delegate()->fretboardMenuItem()->isChecked());

    instrumentView()->setStep(1);
    delegate()->keyboardMenuItem()->trigger();
    advance(0.6);
    ASSERT_NE(dynamic_cast<ZTKeyboardView*>(instrumentView()), nullptr);
    EXPECT_EQ(instrumentView()->step(), 1);
    EXPECT_EQ(instrumentView()->greenNotes(), green);
    EXPECT_FALSE(bar->lastButtonHidden());
    EXPECT_TRUE(delegate()->keyboardMenuItem()->isChecked());

    // Choosing the instrument already shown changes nothing and keeps its switch on.
    QTest::mouseClick(screen()->keyboardSegment(), Qt::LeftButton);
    EXPECT_TRUE(screen()->keyboardSegment()->isOn());
    screen()->instrumentSegmentedAction(7); // no such switch
    EXPECT_EQ(prefs()->instrumentType(), 0);
}

TEST_F(InstrumentPanelTest, BothInstrumentsPlayAndAnswer)
{
    launch();
    screen()->nextAction(ZTMainViewController::Sender::MenuItem);
    finishPlaying();
    const auto instrument = recordInstrument();
    int wrong = 0;
    NotificationObserver observer = NotificationCenter::defaultCenter().addObserver(
        QStringLiteral("ZTTestItemAnsweredWrongNotification"), [&](const Notification&) { ++wrong; });

    auto* keyboard = dynamic_cast<ZTKeyboardView*>(instrumentView());
    ASSERT_NE(keyboard, nullptr);
    click(keyboard->rectForNoteNr(1).center()); // far below any question
    EXPECT_EQ(instrument->calls, (QStringList{"on 1", "off 1"}));
    advance(0.6);
    EXPECT_EQ(wrong, 1);

    swapTo(2);
    instrument->calls.clear();
    click(ZTGuitarFretboardView::pointForFretboardPos({0, 0})); // the open low E
    EXPECT_EQ(instrument->calls, (QStringList{"on 40", "off 40"}));
    advance(0.6);
    EXPECT_EQ(wrong, 2);
}

TEST_F(InstrumentPanelTest, TheInstrumentsMenuListsTheSystemSynthesizersPrograms)
{
    launch();
    QMenu* menu = delegate()->instrumentMenu();
    EXPECT_EQ(screen()->instrumentPopUpButton()->menu(), menu);
    EXPECT_TRUE(delegate()->InstrumentMenuItem()->isVisible());
    const std::optional<QVariant> list = PropertyList::readFile(Paths::resource(QStringLiteral("GeneralMIDIInstruments.plist")));
    ASSERT_TRUE(list.has_value());
    const QVariantList groups = list->toList();
    ASSERT_EQ(menu->actions().size(), groups.size());
    ASSERT_EQ(programItems().size(), 128);
    // Program 0 checks the first program of the first group and that group, not the group alone.
    QAction* first = programItems().first();
    EXPECT_TRUE(first->isChecked());
    EXPECT_TRUE(menu->actions().first()->isChecked());
    EXPECT_EQ(screen()->instrumentPopUpButton()->labelText(), first->text());

    const auto instrument = recordInstrument();
    QAction* violin = programItems()[40];
    violin->trigger();
    EXPECT_EQ(prefs()->GMMIDIInstrumentNr(), 40);
    advance(0.6);
    EXPECT_TRUE(violin->isChecked());
    EXPECT_FALSE(first->isChecked());
    EXPECT_FALSE(menu->actions().first()->isChecked());
    EXPECT_EQ(screen()->instrumentPopUpButton()->labelText(), violin->text());
    EXPECT_EQ(instrument->calls, (QStringList{"program 40"}));

    // The program already chosen: nothing stored, no sound changed, still checked.
    instrument->calls.clear();
    violin->trigger();
    advance(0.6);
    EXPECT_TRUE(violin->isChecked());
    EXPECT_TRUE(instrument->calls.isEmpty());

    // Rebuilt menus leave no groups behind.
    screen()->_setupInstrumentsMenu();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(menu->findChildren<QMenu*>(Qt::FindDirectChildrenOnly).size(), groups.size());

    // An external destination has no programs.
    prefs()->setMIDIOutEndpoint(kExternalSynthName);
    advance(0.6);
    EXPECT_TRUE(menu->isEmpty());
    EXPECT_EQ(screen()->instrumentPopUpButton()->labelText(), QStringLiteral("---"));
}

TEST_F(InstrumentPanelTest, TheSampleSynthesizerListsTheSoundsOfItsBank)
{
    prefs()->setMIDIOutEndpoint(ZTMIDIController::kSampleSynthesizerName);
    prefs()->setMelvoraSoftSynthInstrumentNr(1);
    launch();
    advance(0.6); // the stored settings' change notices
    const QList<SoftSynthSoundEntry> sounds = ZTSoundBank::programs();
    ASSERT_GE(sounds.size(), 3);
    ASSERT_EQ(programItems().size(), sounds.size());
    EXPECT_EQ(programItems()[2]->text(), sounds[2].value);
    EXPECT_TRUE(programItems()[1]->isChecked());
    EXPECT_EQ(screen()->instrumentPopUpButton()->labelText(), sounds[1].value);

    // Its output stops while the new program's samples load.
    const auto instrument = recordInstrument();
    programItems()[2]->trigger();
    advance(0.6);
    EXPECT_EQ(prefs()->melvoraSoftSynthInstrumentNr(), 2);
    EXPECT_EQ(instrument->calls, (QStringList{"stop", "program 2", "start"}));

    // Without the synthesizer the system synthesizer stands in, with its own programs.
    ZTMIDIController::setSampleSynthesizerFactory({});
    screen()->_setupInstrumentsMenu();
    EXPECT_EQ(programItems().size(), 128);
}

TEST_F(InstrumentPanelTest, AWindowShownBeforeTheScreenIsSetUpKeepsItsSize)
{
    // A start-up alert runs the event loop while the screen has no instrument yet.
    ZTAppDelegate starting;
    QWidget* window = starting.window();
    window->show();
    for (int round = 0; round < 20; ++round)
        QApplication::processEvents();
    EXPECT_EQ(window->width(), 1280);
    EXPECT_LE(window->minimumSizeHint().width(), 1280);
}
