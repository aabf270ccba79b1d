#include "ZTPopupButton.h"

#include "Fonts.h"

#include <QAction>
#include <QFontMetricsF>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

ZTPopupButton::ZTPopupButton(QWidget* parent) : QAbstractButton(parent)
{
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_Hover, true);
    setFont(Fonts::system(11, true));
    connect(this, &QAbstractButton::clicked, this, &ZTPopupButton::showPopup);
}

ZTPopupButton::~ZTPopupButton() = default;

void ZTPopupButton::setMenu(QMenu* menu)
{
    menu_ = menu;
    update();
}

void ZTPopupButton::removeAllItems()
{
    if (!ownMenu_) {
        ownMenu_ = new QMenu(this);
        menu_ = ownMenu_;
    }
    ownMenu_->clear();
    selectedIndex_ = -1;
}

QAction* ZTPopupButton::addItemWithTitle(const QString& title)
{
    if (!ownMenu_)
        removeAllItems();
    const int index = numberOfItems();
    QAction* action = ownMenu_->addAction(title);
    action->setCheckable(true);
    connect(action, &QAction::triggered, this, [this, index] { emit itemChosen(index); });
    return action;
}

QList<QAction*> ZTPopupButton::items() const
{
    QList<QAction*> result;
    if (!menu_)
        return result;
    for (QAction* action : menu_->actions())
        if (!action->isSeparator())
            result << action;
    return result;
}

int ZTPopupButton::numberOfItems() const
{
    return int(items().size());
}

QString ZTPopupButton::itemTitleAtIndex(int index) const
{
    const QList<QAction*> all = items();
    return index >= 0 && index < all.size() ? all[index]->text() : QString();
}

void ZTPopupButton::selectItemAtIndex(int index)
{
    selectedIndex_ = index >= 0 && index < numberOfItems() ? index : -1;
    // The button's own menu shows its selection as the check mark.
    if (menu_ && menu_ == ownMenu_) {
        const QList<QAction*> all = items();
        for (int i = 0; i < all.size(); ++i)
            all[i]->setChecked(i == selectedIndex_);
    }
    update();
}

QString ZTPopupButton::titleOfSelectedItem() const
{
    return itemTitleAtIndex(selectedIndex_);
}

void ZTPopupButton::setLabelText(const QString& text)
{
    labelText_ = text;
    updateGeometry();
    update();
}

void ZTPopupButton::showPopup()
{
    if (!menu_ || menu_->isEmpty())
        return;
    menu_->popup(mapToGlobal(QPoint(0, height() + 2)));
}

namespace {

// The label's room: a margin on the left; on the right the gap, the arrows and a margin.
constexpr double kLabelLeft = 10;
constexpr double kArrowWidth = 10;
constexpr double kArrowRightMargin = 7;
constexpr double kLabelRight = ZTPopupButton::kTitleGap + kArrowWidth + kArrowRightMargin;
// The chevrons' half width and height, inside the arrow box.
constexpr double kChevronHalfWidth = 3.5;
constexpr double kChevronHeight = 5.5;

} // namespace

QSize ZTPopupButton::sizeHint() const
{
    return {fittedWidth_ > 0 ? fittedWidth_ : widthForTitles({labelText_}), 26};
}

int ZTPopupButton::widthForTitles(const QStringList& titles) const
{
    const QFontMetricsF metrics(font());
    double widest = 0;
    for (const QString& title : titles)
        widest = std::max(widest, metrics.horizontalAdvance(title));
    return int(std::ceil(widest + kLabelLeft + kLabelRight + 1));
}

void ZTPopupButton::fitWidthToTitles(const QStringList& titles, int minimum, int maximum)
{
    const int fitted = std::clamp(widthForTitles(titles), minimum, std::max(minimum, maximum));
    if (fitted == fittedWidth_ && minimumWidth() == minimum)
        return;
    fittedWidth_ = fitted;
    setMinimumWidth(minimum);
    setMaximumWidth(fitted);
    setSizePolicy(QSizePolicy::Preferred, sizePolicy().verticalPolicy());
    updateGeometry();
}

QRectF ZTPopupButton::arrowRect() const
{
    return QRectF(width() - kArrowRightMargin - kArrowWidth, 0, kArrowWidth, height());
}

QRectF ZTPopupButton::titleRect() const
{
    const double right = arrowRect().left() - kTitleGap;
    return QRectF(kLabelLeft, 0, std::max(0.0, right - kLabelLeft), height());
}

QString ZTPopupButton::shownLabel() const
{
    return QFontMetricsF(font()).elidedText(labelText_, Qt::ElideRight, titleRect().width());
}

void ZTPopupButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, true);
    const QRectF frame = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath capsule;
    capsule.addRoundedRect(frame, 6, 6);
    QLinearGradient fill(frame.topLeft(), frame.bottomLeft());
    const bool lit = underMouse() || isDown();
    fill.setColorAt(0, lit ? QColor(78, 86, 98) : QColor(62, 68, 78));
    fill.setColorAt(1, lit ? QColor(52, 58, 67) : QColor(39, 43, 50));
    painter.fillPath(capsule, fill);
    painter.setPen(QPen(QColor(255, 255, 255, 36), 1));
    painter.drawPath(capsule);

    painter.setFont(font());
    painter.setPen(isEnabled() ? QColor(240, 242, 245) : QColor(240, 242, 245, 110));
    // Clipped as well: nothing of the title reaches the arrows, whatever the glyphs overhang.
    painter.drawText(titleRect(), Qt::AlignVCenter | Qt::AlignLeft, shownLabel());

    // Up and down chevrons, as pop-up buttons show them.
    const QRectF arrows = arrowRect();
    const double cx = arrows.center().x();
    const double cy = frame.center().y();
    QPen arrowPen(QColor(200, 206, 214), 1.4);
    arrowPen.setCapStyle(Qt::RoundCap);
    arrowPen.setJoinStyle(Qt::RoundJoin);
    painter.setPen(arrowPen);
    const double w = kChevronHalfWidth;
    const double h = kChevronHeight;
    painter.drawPolyline(QPolygonF({QPointF(cx - w, cy - 2), QPointF(cx, cy - h), QPointF(cx + w, cy - 2)}));
    painter.drawPolyline(QPolygonF({QPointF(cx - w, cy + 2), QPointF(cx, cy + h), QPointF(cx + w, cy + 2)}));
}
