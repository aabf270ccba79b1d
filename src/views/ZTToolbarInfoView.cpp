#include "ZTToolbarInfoView.h"

#include "Fonts.h"
#include "Image.h"
#include "YUp.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QTextLayout>

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

// The first whole lines of `text`, broken at `width` as the painter breaks them, that stand in
// `room` as the painter sets them (it puts each line on a whole pixel, so n lines can take more
// than n line spacings).
QString linesWithin(const QString& text, const QFont& font, double width, double room, int flags)
{
    QTextLayout layout(text, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WordWrap);
    layout.setTextOption(option);
    QList<qsizetype> lineEnds;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        lineEnds.append(line.textStart() + line.textLength());
    }
    layout.endLayout();
    const QFontMetricsF metrics(font);
    for (; !lineEnds.isEmpty(); lineEnds.removeLast()) {
        const QString lines = text.left(lineEnds.last());
        if (metrics.boundingRect(QRectF(0, 0, width, 1e6), flags, lines).height() <= room)
            return lines;
    }
    return {};
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

    imageRect_ = QRectF();
    drawnTitle_ = drawnSubTitle_ = DrawnText();
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
    auto subHeight = [&](const QFontMetricsF& metrics, const QString& text) {
        return text.isEmpty() ? 0.0 : metrics.boundingRect(QRectF(0, 0, textWidth, 1e6), subFlags, text).height();
    };
    const double subRoom = std::max(0.0, H - 2 * kVerticalMargin - titleLine - kLineGap);
    const QFont subFont = firstFittingFont({10, 9}, false, [&](const QFontMetricsF& metrics) {
        return subHeight(metrics, subTitle_) <= subRoom;
    });
    // Lines that still do not fit are left out whole rather than drawn over the panel's edge.
    const QFontMetricsF subMetrics(subFont);
    const QString subTitle = linesWithin(subTitle_, subFont, textWidth, subRoom, subFlags);
    const double sh = subHeight(subMetrics, subTitle);

    // Title line and subtitle stand as one block in the middle of the panel (Qt's y-down).
    const double block = titleLine + (sh > 0 ? kLineGap + sh : 0);
    const double top = std::max(0.0, std::round((H - block) / 2));
    const double x0 = std::round((W - (tw + iconWidth)) / 2);
    if (icon) {
        const QRectF iconPlace(x0, top + (titleLine - iconSize.height()) / 2, iconSize.width(), iconSize.height());
        icon->draw(painter, iconPlace);
        imageRect_ = YUp::fromQt(iconPlace, H);
    }
    auto drawText = [&](const QRectF& place, const QFont& font, const QColor& color, int flags, const QString& text) {
        painter.setFont(font);
        painter.setPen(color);
        painter.drawText(place, flags, text);
        return DrawnText{text, font, YUp::fromQt(place, H), flags};
    };
    if (!title.isEmpty()) {
        const int titleFlags = wraps ? wrapFlags : int(Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextSingleLine);
        drawnTitle_ = drawText(QRectF(x0 + iconWidth, top, tw, titleLine), titleFont, Qt::white, titleFlags, title);
    }
    // Sized to its lines, the subtitle has nothing to clip; a clip there would only risk the
    // last line's descenders.
    if (sh > 0) {
        drawnSubTitle_ = drawText(QRectF(kTextInset, top + titleLine + kLineGap, textWidth, sh), subFont,
                                  QColor(255, 255, 255, 215), subFlags | Qt::TextDontClip, subTitle);
    }
    painter.restore();
}
