#include "ZTStatBackView.h"

#include "Image.h"

#include <QPainter>

ZTStatBackView::ZTStatBackView(QWidget* parent) : ZTStatBackView(QStringLiteral("statisticBack"), parent) {}

ZTStatBackView::ZTStatBackView(const QString& imageName, QWidget* parent) : QWidget(parent), imageName_(imageName)
{
    setAutoFillBackground(false);
}

void ZTStatBackView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const auto image = Image::named(imageName_);
    if (!image || image->size().isEmpty())
        return;
    // The pattern tiles from the top-left corner at the image's natural size.
    const QPixmap tile = image->pixmap(image->size(), devicePixelRatioF());
    painter.drawTiledPixmap(rect(), tile);
}

ZTNotesBackView::ZTNotesBackView(QWidget* parent) : ZTStatBackView(QStringLiteral("notenBackground"), parent) {}
