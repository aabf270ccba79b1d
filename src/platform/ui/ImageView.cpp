#include "ImageView.h"

#include "Image.h"

#include <QPainter>

ImageView::ImageView(QWidget* parent) : QWidget(parent) {}

void ImageView::setImageName(const QString& name)
{
    if (name == imageName_)
        return;
    imageName_ = name;
    update();
}

void ImageView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, true);
    drawImage(painter, imageName_, QRectF(rect()));
}
