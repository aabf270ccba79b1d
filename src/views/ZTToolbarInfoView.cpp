#include "ZTToolbarInfoView.h"

#include "Fonts.h"
#include "Image.h"
#include "YUp.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <cmath>

ZTToolbarInfoView::ZTToolbarInfoView(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TranslucentBackground, true);
}

void ZTToolbarInfoView::setTitle(const QString& title)
{
    title_ = title;
    update();
}

void ZTToolbarInfoView::setSubTitle(const QString& subTitle)
{
    subTitle_ = subTitle;
    update();
}

void ZTToolbarInfoView::setImage(const QString& imageName)
{
    image_ = imageName;
    update();
}

void ZTToolbarInfoView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    draw(painter, size());
}

void ZTToolbarInfoView::draw(QPainter& painter, const QSizeF& size)
{
    const double W = size.width();
    const double H = size.height();
    const double m = std::round(H * 0.5);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);

    drawThreePartImage(painter, QRectF(0, 0, W, H), QStringLiteral("toolbarInfoLeft"),
                       QStringLiteral("toolbarInfoCenter"), QStringLiteral("toolbarInfoRight"), false);

    imageRect_ = titleRect_ = subTitleRect_ = QRectF();
    const QColor textColor = Qt::white;
    const auto icon = image_.isEmpty() ? nullptr : Image::named(image_);
    const double iconWidth = icon ? icon->size().width() + kIconGap : 0;
    // A long question first gets a slightly smaller font; a title still wider than the panel
    // is shortened rather than pushed off its left edge.
    QFont titleFont = Fonts::system(11, true);
    for (int pixels = 10; pixels >= 9 && QFontMetricsF(titleFont).horizontalAdvance(title_) > W - iconWidth; --pixels)
        titleFont = Fonts::system(pixels, true);
    const QFontMetricsF titleMetrics(titleFont);
    const QString title = titleMetrics.elidedText(title_, Qt::ElideRight, std::max(0.0, W - iconWidth));
    const double tw = titleMetrics.horizontalAdvance(title);

    if (icon) {
        const QSizeF iconSize = icon->size();
        const double x0 = std::round((W - (tw + iconSize.width() + kIconGap)) * 0.5);
        imageRect_ = QRectF(x0, m + 2, iconSize.width(), iconSize.height());
        icon->draw(painter, YUp::toQt(imageRect_, H));
        titleRect_ = QRectF(x0 + iconSize.width() + kIconGap, m - 8, tw, m);
    } else {
        titleRect_ = QRectF(std::round((W - tw) * 0.5), m - 5, tw, m);
    }
    if (!title.isEmpty()) {
        painter.setFont(titleFont);
        painter.setPen(textColor);
        painter.drawText(YUp::toQt(titleRect_, H), int(Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine), title);
    } else {
        titleRect_ = QRectF();
    }

    if (!subTitle_.isEmpty()) {
        const QFont subFont = Fonts::system(10);
        const int flags = int(Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap);
        const double sh = QFontMetricsF(subFont).boundingRect(QRectF(0, 0, W, 1e6), flags, subTitle_).height();
        subTitleRect_ = QRectF(0, sh >= m ? 2 : -4, W, std::max(sh, m));
        painter.setFont(subFont);
        painter.setPen(QColor(255, 255, 255, 215));
        painter.drawText(YUp::toQt(subTitleRect_, H), flags, subTitle_);
    }
    painter.restore();
}
