#pragma once

#include "ZTNoteView.h"

// A copy of a shown staff for printing, headed by the question's name as the sidebar shows
// it. It lays out copies of the source's notes, so printing never moves what the screen shows.
class ZTPrintableNoteView : public ZTNoteView {
    Q_OBJECT
public:
    ZTPrintableNoteView(const QRect& frame, const ZTNoteView& source, QWidget* parent = nullptr);

    // The staff and its heading straight onto the painter with the screen's drawing code, in
    // the view's own points from its top-left corner: on paper they stay lines, text and
    // vector images, never a picture of them.
    void drawOnPage(QPainter& painter);

protected:
    void _drawRect(QPainter& painter) override;
};
