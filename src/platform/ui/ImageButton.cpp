#include "ImageButton.h"

#include "Image.h"

#include <QPainter>

ImageButton::ImageButton(QWidget* parent) : QAbstractButton(parent)
{
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_Hover, true);
}

void ImageButton::setType(Type type)
{
    type_ = type;
    setCheckable(type == Type::Toggle);
    update();
}

void ImageButton::setImageName(const QString& name)
{
    imageName_ = name;
    update();
}

void ImageButton::setAlternateImageName(const QString& name)
{
    alternateImageName_ = name;
    update();
}

QSize ImageButton::sizeHint() const
{
    if (const auto image = Image::named(imageName_))
        return image->size().toSize();
    return {22, 22};
}

void ImageButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    const double opacity = isEnabled() ? 1.0 : 0.45;

    const bool showAlternate = !alternateImageName_.isEmpty()
        && ((type_ == Type::Toggle && isChecked()) || (type_ == Type::MomentaryChange && isDown()));
    const QRectF bounds(rect());
    drawImage(painter, showAlternate ? alternateImageName_ : imageName_, bounds, opacity);
    if (type_ == Type::MomentaryPushIn && isDown())
        painter.fillRect(bounds, QColor(0, 0, 0, 60));

    if (!text().isEmpty()) {
        painter.setOpacity(opacity);
        painter.setFont(font());
        painter.setPen(palette().color(QPalette::ButtonText));
        painter.drawText(bounds, Qt::AlignCenter | Qt::TextSingleLine, text());
    }
}
