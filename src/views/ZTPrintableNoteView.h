#pragma once

#include "ZTNoteView.h"

// A copy of a shown staff for printing, headed by the exercise's name. It lays out copies of
// the source's notes, so printing never moves what the screen shows.
class ZTPrintableNoteView : public ZTNoteView {
    Q_OBJECT
public:
    ZTPrintableNoteView(const QRect& frame, const ZTNoteView& source, QWidget* parent = nullptr);

protected:
    void _drawRect(QPainter& painter) override;
};
