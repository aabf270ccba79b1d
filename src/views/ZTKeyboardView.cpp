#include "ZTKeyboardView.h"

#include "Color.h"
#include "Fonts.h"
#include "Image.h"
#include "ImageButton.h"
#include "YUp.h"
#include "YUpPainter.h"
#include "ZTMusicalTest.h"
#include "ZTUtils.h"

#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>

#include <algorithm>
#include <cmath>

namespace {

// x of the 14 keys from C to C sharp of the next octave; the table repeats an octave later.
constexpr double kKeyX[14] = {0, 20, 30, 50, 60, 90, 110, 120, 140, 150, 170, 180, 210, 230};

bool isWhite(qint64 index)
{
    return ZTUtils::isWhiteKey(int(index));
}

// The scroll area whose document this view is, if any.
QScrollArea* enclosingScrollArea(const QWidget* view)
{
    for (QWidget* parent = view->parentWidget(); parent; parent = parent->parentWidget()) {
        if (auto* area = qobject_cast<QScrollArea*>(parent))
            return area->widget() == view ? area : nullptr;
    }
    return nullptr;
}

} // namespace

ZTKeyboardView::ZTKeyboardView(QWidget* parent) : ZTInstrumentViewBase(parent)
{
    resize(2240, int(kKeyboardHeight));
    init();
}

ZTKeyboardView::ZTKeyboardView(const QRect& frame, QWidget* parent) : ZTInstrumentViewBase(parent)
{
    setGeometry(frame);
    init();
}

void ZTKeyboardView::init()
{
    setUpHitRects();
    // Ten octave tiles and the keys C to G of the eleventh: MIDI 0 to 127.
    resize(int(10 * kOctaveWidth + hitRectPlays_[8].x()), height());

    octaveLeftButton_ = new ImageButton(this);
    octaveLeftButton_->setType(ImageButton::Type::MomentaryPushIn);
    octaveLeftButton_->setImageName(QStringLiteral("prevKeyboardTemplate"));
    octaveRightButton_ = new ImageButton(this);
    octaveRightButton_->setType(ImageButton::Type::MomentaryPushIn);
    octaveRightButton_->setImageName(QStringLiteral("nextKeyboardTemplate"));
    placeButtons();

    for (int i = 0; i < 12; ++i) {
        switch (i) {
        case 0: case 5: keyDownImages_ << QStringLiteral("key_C_Down"); break;
        case 2: case 7: case 9: keyDownImages_ << QStringLiteral("key_D_Down"); break;
        case 4: case 11: keyDownImages_ << QStringLiteral("key_E_Down"); break;
        default: keyDownImages_ << QStringLiteral("blackKeyDown"); break;
        }
    }
    startOffset_ = 0;
    setMouseTracking(false);
}

void ZTKeyboardView::setUpHitRects()
{
    hitRectPlays_.clear();
    for (int i = 0; i < 26; ++i) {
        const double x = (i < 14 ? kKeyX[i] : kKeyX[i - 12] + kOctaveWidth);
        hitRectPlays_.append(isWhite(i) ? QRectF(x, 0, 30, 120) : QRectF(x, 50, 19, 70));
    }
}

void ZTKeyboardView::setStartOffset(qint64 offset)
{
    startOffset_ = offset;
    update();
}

void ZTKeyboardView::placeButtons()
{
    YUp::place(octaveLeftButton_, QRectF(10, 123, 50, 25));
    YUp::place(octaveRightButton_, QRectF(width() - 60, 123, 50, 25));
}

void ZTKeyboardView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    placeButtons();
}

// ---- Geometry ----

QRectF ZTKeyboardView::rectForNoteNr(qint64 noteNr) const
{
    const qint64 s = ((startOffset_ % 12) + 12) % 12;
    const double x0 = hitRectPlays_[s].x();
    const qint64 index = ((noteNr % 12) + 12) % 12;
    const qint64 octave = (s + noteNr - startOffset_) / 12;
    const float shift = float(octave) * float(kOctaveWidth) - float(x0);
    return hitRectPlays_[index].translated(double(shift), 0);
}

qint64 ZTKeyboardView::_getNoteNrForPoint(const QPointF& point) const
{
    const qint64 s = ((startOffset_ % 12) + 12) % 12;
    const double x0 = hitRectPlays_[s].x();
    const qint64 octave = qint64(std::trunc(point.x() / kOctaveWidth));
    for (const bool white : {false, true}) {
        for (qint64 index = s - 1; index <= s + 14; ++index) {
            if (index < 0 || index >= hitRectPlays_.size() || isWhite(index) != white)
                continue;
            const QRectF& key = hitRectPlays_[index];
            const double left = std::trunc(key.x() + octave * kOctaveWidth - x0);
            if (left <= point.x() && point.x() < left + key.width() && key.y() <= point.y()
                && point.y() < key.y() + key.height())
                return qMin<qint64>(127, octave * 12 + (startOffset_ / 12) * 12 + index);
        }
    }
    return -1;
}

// ---- Showing part of the keyboard ----

double ZTKeyboardView::fittedVisibleWidth(double available) const
{
    if (available >= width())
        return width();
    const double octaves = std::floor(available / kOctaveWidth);
    for (double octave = octaves; octave >= 0; --octave)
        for (const double rest : {kWholeKeysToG, kWholeKeysToD}) {
            const double fitted = octave * kOctaveWidth + rest;
            if (fitted <= available)
                return fitted;
        }
    return available; // too narrow for a single key pair: whatever shows
}

double ZTKeyboardView::scrollStop(double x, double visibleWidth, bool upwards) const
{
    const double end = std::max(0.0, width() - visibleWidth);
    // Octave starts, and the places an octave apart from the end (F or C when the width is
    // one that suits the keyboard).
    const double endPhase = std::fmod(end, kOctaveWidth);
    double best = upwards ? end : 0;
    for (double octaveStart = 0; octaveStart <= end + kOctaveWidth; octaveStart += kOctaveWidth) {
        for (const double stop : {octaveStart, octaveStart + endPhase}) {
            if (stop > end)
                continue;
            if (upwards ? (stop >= x && stop < best) : (stop <= x && stop > best))
                best = stop;
        }
    }
    return best;
}

QRectF ZTKeyboardView::trackingRect() const
{
    return QRectF(0, 0, width(), kKeyboardHeight);
}

// ---- Playing ----

void ZTKeyboardView::noteStateChanged(qint64 noteNr)
{
    update(YUp::toQt(rectForNoteNr(noteNr), height()).toAlignedRect().adjusted(-1, -1, 1, 1));
}

void ZTKeyboardView::mouseDownAt(const QPointF& point)
{
    exitedWhileHeld_ = false;
    const qint64 note = _getNoteNrForPoint(point);
    if (note < 0)
        return;
    setStartedWithMouseDown(true);
    keyDown(note);
}

void ZTKeyboardView::mouseDraggedAt(const QPointF& point)
{
    if (!trackingRect().contains(point)) {
        if (!exitedWhileHeld_) {
            exitedWhileHeld_ = true;
            mouseExited(true);
        }
        return;
    }
    exitedWhileHeld_ = false;
    if (!startedWithMouseDown())
        return;
    const qint64 note = _getNoteNrForPoint(point);
    if (note < 0 || isKeyDown(note))
        return;
    allNotesUp();
    keyDown(note);
}

void ZTKeyboardView::mouseUpAt(const QPointF& point)
{
    exitedWhileHeld_ = false;
    finishPress(_getNoteNrForPoint(point));
}

// ---- Marks ----

void ZTKeyboardView::_scrollToTestRange(std::shared_ptr<ZTMusicalTest> test)
{
    setMusicalTest(std::move(test));
    const std::shared_ptr<ZTMusicalTest> question = musicalTest();
    if (!question)
        return;
    QScrollArea* area = enclosingScrollArea(this);
    const double visibleLeft = area ? area->horizontalScrollBar()->value() : 0;
    const double visibleWidth = area ? area->viewport()->width() : width();

    qint64 lowest = 127, highest = 0;
    bool anyCollection = false, anyOutside = false;
    for (const ZTNoteCollection& collection : question->noteCollectionObjects()) {
        const QVNote* first = collection.firstNote();
        if (!first)
            continue;
        anyCollection = true;
        lowest = qMin(lowest, first->nr());
        highest = qMax(highest, first->nr());
        const double keyX = rectForNoteNr(first->nr()).x();
        if (keyX < visibleLeft || keyX > visibleLeft + visibleWidth)
            anyOutside = true;
    }
    if (!anyCollection || !anyOutside || !area)
        return;
    const QRectF low = rectForNoteNr(lowest);
    const QRectF high = rectForNoteNr(highest);
    const double span = high.right() - low.x();
    // Centred, then moved to the nearer place that shows whole keys and still the whole range.
    const double centred = low.x() - std::round((visibleWidth - span) * 0.5);
    const double below = scrollStop(centred, visibleWidth, false);
    const double above = scrollStop(centred, visibleWidth, true);
    auto showsRange = [&](double x) { return x <= low.x() && high.right() <= x + visibleWidth; };
    const double nearer = centred - below <= above - centred ? below : above;
    const double x = showsRange(below) == showsRange(above) ? nearer : showsRange(below) ? below : above;
    area->horizontalScrollBar()->setValue(int(x));
}

// ---- Drawing ----

void ZTKeyboardView::paintEvent(QPaintEvent*)
{
    QPainter qtPainter(this);
    qtPainter.setRenderHint(QPainter::Antialiasing, true);
    YUpPainter painter(qtPainter, height());
    const double W = width();

    if (const auto tile = Image::named(QStringLiteral("octave"))) {
        const qint64 s = ((startOffset_ % 12) + 12) % 12;
        double sourceX = hitRectPlays_[s].x();
        double x = 0;
        while (x < W) {
            const double part = qMin(kOctaveWidth - sourceX, W - x);
            const QRectF target = painter.toQt(QRectF(x, 0, part, kKeyboardHeight));
            tile->draw(qtPainter, target, QRectF(sourceX, 0, part, kKeyboardHeight), 1.0);
            x += part;
            sourceX = 0;
        }
    }

    const QFont labelFont = Fonts::system(9);
    const QColor labelColor = Color::rgb(0, 0, 0, 0.7);
    for (qint64 n = 0; n < 128; ++n) {
        if (isKeyDown(n))
            painter.drawImage(keyDownImages_.value(n % 12), rectForNoteNr(n));
        if (n % 12 == 0) {
            const QRectF label((n / 12) * kOctaveWidth + 6, isKeyDown(n) ? 4 : 2, 24, 16);
            painter.drawText(label, noteName(QVNote::initWithNoteNr(n, n, false)), labelFont, labelColor,
                             Qt::AlignLeft);
        }
    }

    auto drawMarks = [&](const ZTMarkList& marks, const QString& image) {
        for (qint64 p = 0; p < marks.size(); ++p) {
            if (step() != -1 && p != step())
                continue;
            for (const QVNote& note : marks[p]) {
                const MarkLabel label = markLabel(note, p);
                painter.drawImage(image, label.plate);
                drawMarkName(painter, label.textRect, label.name, Qt::white);
            }
        }
    };
    drawMarks(greenNotes(), QStringLiteral("greenRect"));
    drawMarks(redNotes(), QStringLiteral("redRect"));
}

ZTKeyboardView::MarkLabel ZTKeyboardView::markLabel(const QVNote& note, qint64 position) const
{
    const QRectF key = rectForNoteNr(note.nr());
    // White keys carry their marks below the black keys, black keys at their lower end; the
    // positions of a whole progression stack 20 points apart.
    const double y = step() == -1 ? 20.0 * double(position) + 7 : key.y() + (isWhite(note.nr()) ? 7 : 1);
    const QRectF room(key.center().x() - kMarkMaximumWidth / 2, y, kMarkMaximumWidth, kMarkHeight);
    return fitMarkLabel(noteName(note), room, kMarkMinimumWidth);
}
