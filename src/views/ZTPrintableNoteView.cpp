#include "ZTPrintableNoteView.h"

#include "Color.h"
#include "Fonts.h"
#include "YUpPainter.h"
#include "ZTMusicalTest.h"

#include <QPainter>

ZTPrintableNoteView::ZTPrintableNoteView(const QRect& frame, const ZTNoteView& source, QWidget* parent)
    : ZTNoteView(frame, parent)
{
    // The notes come first, while there is no question: a chord's named group is already
    // among them and must not be added twice.
    QList<ZTNoteCollection> copies;
    for (const ZTNoteCollection& collection : source.noteCollections()) {
        ZTNoteCollection copy = collection.copy();
        copy.setWhichStaff(collection.whichStaff());
        for (qint64 i = 0; i < copy.numNotes(); ++i)
            copy.notes()[i].setWrong(collection.notes()[i].wasWrong());
        copies.append(copy);
    }
    setNoteCollections(copies);
    setTest(source.test());
    setBaseNote(source.baseNote());
    setMinor(source.minor());
    setShowNoteNames(source.showNoteNames());
    setSignatureImageNr(source.signatureImageNr());
}

void ZTPrintableNoteView::drawOnPage(QPainter& painter)
{
    painter.save();
    _drawRect(painter);
    painter.restore();
}

void ZTPrintableNoteView::_drawRect(QPainter& painter)
{
    ZTNoteView::_drawRect(painter);
    if (noteCollections().isEmpty())
        return;
    // Named as the sidebar names the question: a note in the user's naming (G5, not the
    // item's own G4), anything else in the user's language.
    const QString heading = test() ? test()->shownName() : QString();
    YUpPainter yUp(painter, height());
    yUp.setAntialiasing(true);
    yUp.drawText(QRectF(0, height() - 18, width(), 18), heading, Fonts::system(14), Color::black(), Qt::AlignHCenter);
}
