#include "ZTNoteView.h"

#include "Color.h"
#include "Fonts.h"
#include "Image.h"
#include "QuestionKinds.h"
#include "ImageButton.h"
#include "YUp.h"
#include "YUpPainter.h"
#include "ZTFooterBar.h"
#include "ZTMusicalTest.h"
#include "ZTPreferences.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

constexpr double kTrebleOffset = 95; // bottom treble line above the bottom bass line
constexpr double kTitleFontSize = 14;
// Layout points kept clear between the drawing and the view's edges once it is moved or made
// smaller to fit.
constexpr double kFitMargin = 2;

// An image drawn at its natural size with its bottom-left corner at `origin`.
struct PlacedImage {
    QString name;
    QPointF origin;
};

// The clefs, the brace and the key signature (on both staves) of a grand staff whose bottom
// line lies at `top`; no signature when `signature` is empty.
QList<PlacedImage> staffImages(double top, const QString& signature)
{
    QList<PlacedImage> images{{QStringLiteral("violinKey"), {51, top + 78}},
                              {QStringLiteral("bassKey"), {55, top + 7}},
                              {QStringLiteral("bracket"), {22, top + 1}}};
    if (!signature.isEmpty())
        images << PlacedImage{signature, {90, top - 15}} << PlacedImage{signature, {90, top + 90}};
    return images;
}

// 0 is the bottom bass line (G), 8 the top bass line (A); the treble index is 7 more.
qint64 bassIndex(const QVNote& note)
{
    return 7 * note.octave() + note.pos() - 12;
}

// Letter positions (0 the bottom bass line, one a step) of the ledger lines a head at
// `position` needs: every line from the staff it hangs from out to the head, the head's own
// line included. Beyond the grand staff a head hangs from the nearer staff, between the staves
// from the staff it is written on; inside a staff the staff's lines serve.
QList<qint64> ledgerLinePositions(qint64 position, bool onTrebleStaff)
{
    constexpr qint64 bassBottom = 0, bassTop = 8, trebleBottom = 19, trebleTop = 27;
    QList<qint64> lines;
    auto outTo = [&](qint64 firstLine, qint64 step) {
        for (qint64 line = firstLine; step * (position - line) >= 0; line += step)
            lines.append(line);
    };
    if (position < bassBottom)
        outTo(bassBottom - 2, -2);
    else if (position > trebleTop)
        outTo(trebleTop + 2, 2);
    else if (position > bassTop && position < trebleBottom)
        onTrebleStaff ? outTo(trebleBottom - 2, -2) : outTo(bassTop + 2, 2);
    return lines;
}

QString accidentalImage(qint64 offset, bool wrong)
{
    QString name;
    switch (offset) {
    case 1: name = QStringLiteral("sharp"); break;
    case -1: name = QStringLiteral("flat"); break;
    case -2: name = QStringLiteral("doubleFlat"); break;
    case 2: name = QStringLiteral("doubleSharp"); break;
    default: return {};
    }
    return wrong ? name + QStringLiteral("Red") : name;
}

// An entered note reaches the staff as a collection named by the note's identity, which
// counts octaves the "MIDI" way; it is titled as a note, so that it reads as the keyboard
// and the fretboard name it.
bool isNamedByItsNote(const ZTNoteCollection& collection)
{
    const QVNote* note = collection.firstNote();
    return note && collection.numNotes() == 1 && collection.name() == ZTNoteCollection(*note).name();
}

} // namespace

ZTNoteView::ZTNoteView(QWidget* parent) : YUpMouseView(parent)
{
    init();
}

ZTNoteView::ZTNoteView(const QRect& frame, QWidget* parent) : YUpMouseView(parent)
{
    setGeometry(frame);
    init();
}

ZTNoteView::~ZTNoteView()
{
    // A group still sounding when the view goes must not keep sounding.
    allNotesUp();
}

void ZTNoteView::init()
{
    if (const auto head = Image::named(QStringLiteral("wholeNote"))) {
        const QPixmap picture = head->pixmap(head->size(), 2.0);
        noteCursor_ = QCursor(picture, int(head->size().width() / 2), int(head->size().height() / 2));
    }
    footerBar_ = new ZTFooterBar(this);
    footerBar_->addButtonWithImage(QStringLiteral("flatButtonNormal"), QStringLiteral("flatButtonSelected"), true);
    footerBar_->addButtonWithImage(QStringLiteral("doubleFlatButtonNormal"), QStringLiteral("doubleFlatButtonSelected"), true);
    footerBar_->addButtonWithImage(QStringLiteral("sharpButtonNormal"), QStringLiteral("sharpButtonSelected"), true);
    footerBar_->addButtonWithImage(QStringLiteral("doubleSharpButtonNormal"), QStringLiteral("doubleSharpButtonSelected"), true);
    footerBar_->minusButton()->setEnabled(false);
    footerBar_->setDelegate(this);
    footerBar_->setHidden(true);
    YUp::place(footerBar_, QRectF(0, 0, width(), kFooterBarHeight));
    watchParent();
    auto relayout = [this](const Notification&) { _updateCollectionsAndRectsForDrawing(); };
    NotificationCenter& center = NotificationCenter::defaultCenter();
    spellingObserver_ = center.addObserver(QStringLiteral("spellingTypeChangedNotification"), relayout,
                                           NotificationCenter::Delivery::MainQueue);
    nameTypeObserver_ = center.addObserver(QStringLiteral("noteNamesTypeChangedNotification"), relayout,
                                           NotificationCenter::Delivery::MainQueue);
    _updateCollectionsAndRectsForDrawing();
}

// ---- Binding ----

void ZTNoteView::setTest(std::shared_ptr<ZTMusicalTest> test)
{
    test_ = std::move(test);
    _updateCollectionsAndRectsForDrawing();
}

void ZTNoteView::setNoteCollections(const QList<ZTNoteCollection>& collections)
{
    noteCollections_ = collections;
    if (QuestionKinds::isChord(test_.get()) && !noteCollections_.isEmpty())
        noteCollections_.append(namedChordCollection(noteCollections_.first()));
    if (!noteCollections_.isEmpty())
        signatureImageNr_ = -1;
    _updateCollectionsAndRectsForDrawing();
}

ZTNoteCollection ZTNoteView::namedChordCollection(const ZTNoteCollection& first) const
{
    ZTNoteCollection chord = first.copy();
    chord.resetSelection();
    const auto* question = dynamic_cast<const ZTChord*>(test_.get());
    const QString nameType = ZTPreferences::sharedPreferences()->noteNamesType();
    auto name = [&nameType](const QVNote* note) {
        return note ? note->nameWithSpellingType(QStringLiteral("NoteName"), nameType) : QString();
    };
    const QString lowest = name(chord.firstNote());
    const QString chordId = question ? question->chordId() : QString();
    const qint64 inversion = test_ ? test_->userInfo().toLongLong() : 0;
    // In root position the lowest note is the root. Inverted, the root lies `inversion` notes
    // from the top and the name reads root, chord, slash, bass; an inversion the chord does
    // not have is named as in root position.
    const qint64 rootIndex = chord.numNotes() - inversion;
    if (inversion < 1 || rootIndex < 0 || rootIndex >= chord.numNotes()) {
        chord.setName(chordId.isEmpty() ? lowest : QStringLiteral("%1 %2").arg(lowest, chordId));
    } else {
        const QString root = name(chord.noteAtIndex(rootIndex));
        chord.setName(chordId.isEmpty() ? QStringLiteral("%1 / %2").arg(root, lowest)
                                        : QStringLiteral("%1 %2 / %3").arg(root, chordId, lowest));
    }
    return chord;
}

void ZTNoteView::addNoteCollection(const ZTNoteCollection& collection)
{
    signatureImageNr_ = -1;
    noteCollections_.append(collection);
    _updateCollectionsAndRectsForDrawing();
}

void ZTNoteView::resetNotes()
{
    signatureImageNr_ = -1;
    setNoteCollections({});
}

void ZTNoteView::showNotesFromTest()
{
    if (test_ && test_->showNotes())
        setNoteCollections(test_->noteCollectionObjects());
}

void ZTNoteView::showSignatureWithNr(qint64 number)
{
    if (quint64(number) < 15) {
        test_.reset();
        noteCollections_.clear();
    }
    signatureImageNr_ = number;
    _updateCollectionsAndRectsForDrawing();
}

void ZTNoteView::setSignatureImageNr(qint64 number)
{
    signatureImageNr_ = number;
    update();
}

void ZTNoteView::setShowNoteNames(bool show)
{
    showNoteNames_ = show;
    _updateCollectionsAndRectsForDrawing();
}

void ZTNoteView::setEditing(bool editing)
{
    editing_ = editing;
    footerBar_->setHidden(!editing);
    _updateCollectionsAndRectsForDrawing();
}

double ZTNoteView::staffTop() const
{
    return std::round((height() - kStaffHeight) / 2) + (editing_ ? 20 : 0);
}

QString ZTNoteView::signatureImageName() const
{
    return hasSignature() ? QStringLiteral("signature_%1").arg(signatureImageNr_) : QString();
}

qint64 ZTNoteView::placedNotes(qint64 collectionIndex) const
{
    return collectionIndex < placedNotes_.size()
        ? qMin(placedNotes_[collectionIndex], noteCollections_[collectionIndex].numNotes())
        : 0;
}

// ---- Fitting into the view ----

QRectF ZTNoteView::visibleArea() const
{
    return QRectF(fromView(QPointF(0, 0)), fromView(QPointF(width(), height())));
}

QRectF ZTNoteView::toView(const QRectF& layoutRect) const
{
    return QRectF(layoutRect.x() * drawingScale_, layoutRect.y() * drawingScale_ + drawingOffset_,
                  layoutRect.width() * drawingScale_, layoutRect.height() * drawingScale_);
}

QPointF ZTNoteView::fromView(const QPointF& viewPoint) const
{
    return QPointF(viewPoint.x() / drawingScale_, (viewPoint.y() - drawingOffset_) / drawingScale_);
}

QPointF ZTNoteView::pointForPosition(const QPointF& qtPosition) const
{
    return fromView(YUpMouseView::pointForPosition(qtPosition));
}

std::pair<double, double> ZTNoteView::drawnHeightRange() const
{
    const double top = staffTop();
    // The staves with the bar lines at their ends.
    double lowest = top;
    double highest = top + kStaffHeight + 1;
    auto include = [&](double bottom, double height) {
        lowest = std::min(lowest, bottom);
        highest = std::max(highest, bottom + height);
    };
    for (const PlacedImage& image : staffImages(top, signatureImageName()))
        if (const auto picture = Image::named(image.name))
            include(image.origin.y(), picture->size().height());
    const double titleHeight = QFontMetricsF(Fonts::system(kTitleFontSize)).height();
    for (qint64 i = 0; i < noteCollections_.size(); ++i) {
        const ZTNoteCollection& collection = noteCollections_[i];
        for (qint64 j = 0; j < placedNotes(i); ++j) {
            const QVNote& note = collection.notes()[j];
            include(note.noteFrame().y(), note.noteFrame().height());
            if (!note.noteSignFrame().isNull())
                include(note.noteSignFrame().y(), note.noteSignFrame().height());
            // Drawn as two lines a point and half a point under the stored height.
            for (const ZTNoteLine& line : note.noteLines())
                include(line.start().y() - 1.5, 1.5);
        }
        // A name is set from the top of its frame down.
        if (showNoteNames_ && !collection.title().isEmpty()) {
            const QRectF frame = collection.titleFrame();
            include(frame.y() + frame.height() - titleHeight, titleHeight);
        }
    }
    return {lowest, highest};
}

void ZTNoteView::setBottomClearance(double pixels)
{
    bottomClearance_ = pixels;
    _updateCollectionsAndRectsForDrawing();
}

void ZTNoteView::fitDrawingIntoView()
{
    drawingScale_ = 1;
    drawingOffset_ = 0;
    const auto [lowest, highest] = drawnHeightRange();
    // While editing, the footer bar covers the view's bottom.
    const double floor = std::max(editing_ ? kFooterBarHeight : 0, bottomClearance_);
    const double H = height();
    if (lowest >= floor && highest <= H)
        return;
    const double needed = highest - lowest + 2 * kFitMargin;
    const double room = H - floor;
    if (needed <= room) {
        // Moved by whole pixels, so that lines stay sharp.
        drawingOffset_ = std::round(lowest < floor ? floor + kFitMargin - lowest : H - kFitMargin - highest);
        return;
    }
    // A view not laid out yet has no room to fit into.
    if (room <= 0)
        return;
    drawingScale_ = room / needed;
    drawingOffset_ = floor + drawingScale_ * (kFitMargin - lowest);
}

// ---- Layout ----

bool ZTNoteView::_rect(const QRectF& rect, const QList<QRectF>& rects)
{
    for (const QRectF& other : rects) {
        if (rect.x() < other.right() && other.x() < rect.right() && rect.y() < other.bottom()
            && other.y() < rect.bottom())
            return true;
    }
    return false;
}

void ZTNoteView::_updateCollectionsAndRectsForDrawing()
{
    if (inLayout_)
        return;
    inLayout_ = true;

    const double H = height();
    const double top = staffTop();
    const ZTMusicalTest* question = test_.get();
    const bool isChord = QuestionKinds::isChord(question);
    const bool isProgression = QuestionKinds::isChordProgression(question);
    const bool isInterval = QuestionKinds::isInterval(question);
    const qint64 N = noteCollections_.size();

    playRects_.clear();
    extraLines_.clear();
    placedNotes_.clear();

    // Staff choice. A chord question's last group (the whole chord) is not counted.
    const qint64 counted = isChord ? qMax<qint64>(0, N - 1) : N;
    qint64 lowest = 127;
    auto isTreble = [](const QVNote& note) { return bassIndex(note) > 9; };
    if (isProgression) {
        for (qint64 i = 0; i < counted; ++i) {
            ZTNoteCollection& collection = noteCollections_[i];
            qint64 staff = -1, treble = 0, bass = 0;
            for (const QVNote& note : collection.notes()) {
                (isTreble(note) ? treble : bass) += 1;
                lowest = qMin(lowest, note.nr());
                if (treble > bass)
                    staff = 1;
            }
            collection.setWhichStaff(staff);
        }
    } else {
        qint64 staff = -1, treble = 0, bass = 0;
        for (qint64 i = 0; i < counted; ++i) {
            const QVNote* first = noteCollections_[i].firstNote();
            if (!first)
                continue;
            (isTreble(*first) ? treble : bass) += 1;
            lowest = qMin(lowest, first->nr());
            if (treble > bass)
                staff = 1;
        }
        for (ZTNoteCollection& collection : noteCollections_)
            collection.setWhichStaff(staff);
    }

    const QString spellingType = ZTPreferences::sharedPreferences()->spellingType();
    const QString nameType = ZTPreferences::sharedPreferences()->noteNamesType();
    double x = kFirstCollectionX;
    for (qint64 i = 0; i < N; ++i) {
        ZTNoteCollection& collection = noteCollections_[i];
        QList<QRectF> signRects;
        x += 11.0 * collection.numSignatures();

        qint64 numNotes = collection.numNotes();
        if (isChord) {
            if (N == 1 || i < N - 1)
                numNotes = qMin<qint64>(1, numNotes);
            else
                x += 60;
        }
        playRects_.append(isProgression ? QRectF(x - 30, 0, 80, H) : QRectF(x - 10, 0, 40, H));
        placedNotes_.append(numNotes);

        qint64 previous = -25;
        double widening = 0;
        for (qint64 j = numNotes - 1; j >= 0; --j) {
            QVNote& note = collection.notes()[j];
            const qint64 bass = bassIndex(note);
            const qint64 treble = bass + 7;
            const qint64 staff = (isInterval && bass >= 10) ? 0 : collection.whichStaff();
            const qint64 k = staff == 1 ? treble : bass <= 9 ? bass : staff == 0 ? treble : bass;

            // Heads a second apart alternate between the column and one shifted right.
            double shift = 0;
            if (_absDiffVal1(k, previous) == 1) {
                shift = 22;
                widening += 22;
            } else {
                previous = k;
            }

            const double y = std::trunc(5.0 * k + top - 4);
            note.setNoteFrame(QRectF(x + shift, y - 1, 22, 11));

            QRectF sign;
            switch (note.offset()) {
            case 1: sign = QRectF(x - 12, y - 12, 10, 31); break;
            case -1: sign = QRectF(x - 12, y - 6, 10, 31); break;
            case -2: sign = QRectF(x - 14, y - 6, 15, 31); break;
            case 2: sign = QRectF(x - 12, y, 11, 11); break;
            default: break;
            }
            if (!sign.isNull()) {
                while (_rect(sign, signRects))
                    sign.translate(-11, 0);
                signRects.append(sign);
            }
            note.setNoteSignFrame(sign);

            // Kept a point above where they are drawn (drawNoteLine).
            QList<ZTNoteLine> lines;
            for (const qint64 position : ledgerLinePositions(k, staff != -1)) {
                const double yl = top + 5.0 * position + 1;
                lines.append(ZTNoteLine(QPointF(x - 5 + shift, yl), QPointF(x - 5 + shift + kLedgerLineLength, yl)));
            }
            note.setNoteLines(lines);
        }

        if (showNoteNames_) {
            QString title;
            if ((isProgression || (isChord && i == N - 1)) && !isNamedByItsNote(collection))
                title = collection.name();
            else if (const QVNote* first = collection.firstNote())
                title = first->nameWithSpellingType(spellingType, nameType);
            collection.setTitle(title);
            const double d = lowest > 35 ? -115 : -10;
            const double e = editing_ ? 20 : 0;
            collection.setTitleFrame(QRectF(x - 39, H / 2 + d + e, 100, 20));
        }

        if (i < N - 1) {
            if (isProgression || (isChord && i == N - 2)) {
                const double barX = x + 60 + widening;
                extraLines_.append(ZTNoteLine(QPointF(barX, top), QPointF(barX, top + kStaffHeight)));
            }
            x += widening + (isProgression ? 100 : 45);
        }
    }

    fitDrawingIntoView();
    // A press anywhere in the view's height hits a group.
    const QRectF shown = visibleArea();
    for (QRectF& rect : playRects_)
        rect = QRectF(rect.x(), shown.y(), rect.width(), shown.height());

    // The view grows with its notes and at least fills its parent.
    const double wanted = (x + (isProgression ? 100 : 45) + 70) * drawingScale_;
    const double parentWidth = parentWidget() ? parentWidget()->width() : 0;
    const int newWidth = int(std::ceil(qMax(wanted, parentWidth)));
    if (newWidth != width())
        resize(newWidth, height());
    inLayout_ = false;
    // Whatever moved is drawn again: the staff (editing), the titles (names shown or spelled
    // anew) or the notes.
    update();
}

// ---- Size ----

void ZTNoteView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    YUp::place(footerBar_, QRectF(0, 0, width(), kFooterBarHeight));
    _updateCollectionsAndRectsForDrawing();
}

void ZTNoteView::watchParent()
{
    if (watchedParent_ == parentWidget())
        return;
    if (watchedParent_)
        watchedParent_->removeEventFilter(this);
    watchedParent_ = parentWidget();
    if (watchedParent_)
        watchedParent_->installEventFilter(this);
}

void ZTNoteView::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ParentChange) {
        watchParent();
        _updateCollectionsAndRectsForDrawing();
    }
}

bool ZTNoteView::eventFilter(QObject* watched, QEvent* event)
{
    // The staff fills its parent's width, so a wider parent means a new layout.
    if (watched == watchedParent_ && event->type() == QEvent::Resize)
        _updateCollectionsAndRectsForDrawing();
    return QWidget::eventFilter(watched, event);
}

// ---- Drawing ----

void ZTNoteView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    _drawRect(painter);
}

void ZTNoteView::drawNoteLine(YUpPainter& painter, double x, double y) const
{
    painter.drawLine(QPointF(x, y - 0.5), QPointF(x + kLedgerLineLength, y - 0.5), Color::white(0.4));
    painter.drawLine(QPointF(x, y - 1), QPointF(x + kLedgerLineLength, y - 1), Color::black());
}

void ZTNoteView::_drawRect(QPainter& qtPainter)
{
    qtPainter.save();
    // Layout points onto the view's pixels: y_view = scale x y + offset, x_view = scale x x.
    qtPainter.translate(0, height() * (1 - drawingScale_) - drawingOffset_);
    qtPainter.scale(drawingScale_, drawingScale_);
    YUpPainter painter(qtPainter, height());
    const double W = visibleArea().width();
    const double top = staffTop();
    const QColor black = Color::black();
    const QColor grey = Color::white(0.4);

    // Every line is black with a grey edge half a point beside it; the grey goes first so the
    // black line stays whole where they meet.
    painter.setAntialiasing(false);
    for (const double staffBottom : {top, top + kTrebleOffset}) {
        for (int line = 0; line < 5; ++line) {
            const double y = staffBottom + kLineSpacing * line;
            painter.drawLine(QPointF(kStaffLeft, y + 0.5), QPointF(W - kStaffRightInset, y + 0.5), grey);
            painter.drawLine(QPointF(kStaffLeft, y), QPointF(W - kStaffRightInset, y), black);
        }
    }
    const double right = W - kStaffRightInset;
    painter.drawLine(QPointF(kStaffLeft - 0.5, top), QPointF(kStaffLeft - 0.5, top + 136), grey);
    painter.drawLine(QPointF(kStaffLeft, top), QPointF(kStaffLeft, top + 136), black);
    painter.drawLine(QPointF(right - 0.5, top), QPointF(right - 0.5, top + 136), grey);
    painter.drawLine(QPointF(right, top), QPointF(right, top + 136), black);

    for (const PlacedImage& image : staffImages(top, signatureImageName()))
        painter.drawImageAt(image.name, image.origin);

    const QFont titleFont = Fonts::system(kTitleFontSize);
    for (qint64 i = 0; i < noteCollections_.size(); ++i) {
        const ZTNoteCollection& collection = noteCollections_[i];
        for (qint64 j = placedNotes(i) - 1; j >= 0; --j) {
            const QVNote& note = collection.notes()[j];
            const QString sign = accidentalImage(note.offset(), note.wasWrong());
            if (!sign.isEmpty())
                painter.drawImage(sign, note.noteSignFrame());
            painter.setAntialiasing(false);
            for (const ZTNoteLine& line : note.noteLines())
                drawNoteLine(painter, line.start().x(), line.start().y());
            const QString head = note.isSelected() ? QStringLiteral("wholeNoteSelected")
                : note.wasWrong()                   ? QStringLiteral("wholeNoteRed")
                                                    : QStringLiteral("wholeNote");
            painter.drawImage(head, note.noteFrame());
        }
        painter.setAntialiasing(true);
        if (showNoteNames_)
            painter.drawText(collection.titleFrame(), collection.title(), titleFont, black, Qt::AlignHCenter);
    }
    painter.setAntialiasing(false);
    for (const ZTNoteLine& line : std::as_const(extraLines_)) {
        painter.drawLine(line.start() + QPointF(0.5, 0), line.end() + QPointF(0.5, 0), grey);
        painter.drawLine(line.start(), line.end(), black);
    }
    painter.setAntialiasing(true);
    qtPainter.restore();
}
