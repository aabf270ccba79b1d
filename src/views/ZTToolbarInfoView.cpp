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

namespace {

// A font of the system face at the first of `pixelSizes` at which `fits` holds, else the last.
template <typename Fits>
QFont firstFittingFont(std::initializer_list<int> pixelSizes, bool bold, Fits fits)
{
    QFont font;
    for (int pixels : pixelSizes) {
        font = Fonts::system(pixels, bold);
        if (fits(QFontMetricsF(font)))
            break;
    }
    return font;
}

} // namespace

void ZTToolbarInfoView::draw(QPainter& painter, const QSizeF& size)
{
    const double W = size.width();
    const double H = size.height();
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);

    drawThreePartImage(painter, QRectF(0, 0, W, H), QStringLiteral("toolbarInfoLeft"),
                       QStringLiteral("toolbarInfoCenter"), QStringLiteral("toolbarInfoRight"), false);

    imageRect_ = titleRect_ = subTitleRect_ = QRectF();
    const double textWidth = std::max(0.0, W - 2 * kTextInset);
    const auto icon = image_.isEmpty() ? nullptr : Image::named(image_);
    const QSizeF iconSize = icon ? icon->size() : QSizeF();
    const double iconWidth = icon ? iconSize.width() + kIconGap : 0;

    // A long question first gets a slightly smaller font, then a second line (a narrow
    // window); only a title too long for two lines is shortened rather than pushed off the
    // panel's edges.
    const double titleRoom = std::max(0.0, textWidth - iconWidth);
    const int wrapFlags = int(Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextWordWrap);
    auto wrapped = [&](const QFontMetricsF& metrics) {
        return metrics.boundingRect(QRectF(0, 0, titleRoom, 1e6), wrapFlags, title_);
    };
    auto fitsTwoLines = [&](const QFontMetricsF& metrics) {
        const QRectF lines = wrapped(metrics);
        return lines.width() <= titleRoom && lines.height() < 2.5 * metrics.lineSpacing();
    };
    auto fitsOneLine = [&](const QFontMetricsF& metrics) { return metrics.horizontalAdvance(title_) <= titleRoom; };
    QFont titleFont = firstFittingFont({11, 10, 9}, true, fitsOneLine);
    const bool wraps = !fitsOneLine(QFontMetricsF(titleFont)) && fitsTwoLines(QFontMetricsF(titleFont));
    // Beside a subtitle the two lines keep the smallest font, which leaves the subtitle room.
    if (wraps && subTitle_.isEmpty())
        titleFont = firstFittingFont({11, 10, 9}, true, fitsTwoLines);
    const QFontMetricsF titleMetrics(titleFont);
    const QString title = wraps ? title_ : titleMetrics.elidedText(title_, Qt::ElideRight, titleRoom);
    const QSizeF titleSize = wraps ? wrapped(titleMetrics).size()
                                   : QSizeF(titleMetrics.horizontalAdvance(title), titleMetrics.height());
    const double tw = std::ceil(titleSize.width());
    const double titleLine = std::max(title.isEmpty() ? 0.0 : titleSize.height(), iconSize.height());

    // The subtitle wraps; when its lines would not leave a margin it gets a smaller font.
    const int subFlags = int(Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap);
    auto subHeight = [&](const QFontMetricsF& metrics) {
        return subTitle_.isEmpty() ? 0.0 : metrics.boundingRect(QRectF(0, 0, textWidth, 1e6), subFlags, subTitle_).height();
    };
    const QFont subFont = firstFittingFont({10, 9}, false, [&](const QFontMetricsF& metrics) {
        return titleLine + kLineGap + subHeight(metrics) <= H - 2 * kVerticalMargin;
    });
    // Lines that still do not fit are cut off whole rather than drawn over the panel's edge.
    const QFontMetricsF subMetrics(subFont);
    const double subRoom = std::max(0.0, H - 2 * kVerticalMargin - titleLine - kLineGap);
    const double sh = std::min(subHeight(subMetrics), std::floor(subRoom / subMetrics.lineSpacing()) * subMetrics.lineSpacing());

    // Title line and subtitle stand as one block in the middle of the panel (Qt's y-down).
    const double block = titleLine + (sh > 0 ? kLineGap + sh : 0);
    const double top = std::max(0.0, std::round((H - block) / 2));
    const double x0 = std::round((W - (tw + iconWidth)) / 2);
    if (icon) {
        const QRectF iconPlace(x0, top + (titleLine - iconSize.height()) / 2, iconSize.width(), iconSize.height());
        icon->draw(painter, iconPlace);
        imageRect_ = YUp::fromQt(iconPlace, H);
    }
    if (!title.isEmpty()) {
        const QRectF titlePlace(x0 + iconWidth, top, tw, titleLine);
        painter.setFont(titleFont);
        painter.setPen(Qt::white);
        painter.drawText(titlePlace, wraps ? wrapFlags : int(Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextSingleLine),
                         title);
        titleRect_ = YUp::fromQt(titlePlace, H);
    }
    if (sh > 0) {
        const QRectF subPlace(kTextInset, top + titleLine + kLineGap, textWidth, sh);
        painter.setFont(subFont);
        painter.setPen(QColor(255, 255, 255, 215));
        painter.drawText(subPlace, subFlags, subTitle_);
        subTitleRect_ = YUp::fromQt(subPlace, H);
    }
    painter.restore();
}
