#include "ZTSplitView.h"

#include "ImageButton.h"

#include <QEnterEvent>
#include <algorithm>
#include <cmath>
#include <QMouseEvent>
#include <QPainterPath>
#include <QRegion>

namespace {

constexpr int kButtonMargin = 4;
// The upper pane's share of a view too low for its preferred height.
constexpr double kUpperShareWhenLow = 0.55;

} // namespace

ZTSplitView::ZTSplitView(QWidget* parent) : QSplitter(Qt::Vertical, parent)
{
    setChildrenCollapsible(true);
    setAttribute(Qt::WA_Hover, true);
    connect(this, &QSplitter::splitterMoved, this, [this] {
        dividerMoved_ = true;
        placeButtons();
    });
}

void ZTSplitView::setPreferredUpperHeight(double height)
{
    preferredUpperHeight_ = height;
    splitAsPreferred();
}

void ZTSplitView::splitAsPreferred()
{
    QList<int> sizes = this->sizes();
    if (preferredUpperHeight_ <= 0 || dividerMoved_ || sizes.size() < 2)
        return;
    const int panes = sizes[0] + sizes[1];
    auto least = [this](int index) {
        const QWidget* pane = widget(index);
        return pane->minimumSizeHint().expandedTo(pane->minimumSize()).height();
    };
    // Too low for both (not laid out yet): a pane given less than its least would close.
    if (panes < least(0) + least(1))
        return;
    const int wanted = int(std::min(preferredUpperHeight_, panes * kUpperShareWhenLow));
    sizes[0] = std::clamp(wanted, least(0), panes - least(1));
    sizes[1] = panes - sizes[0];
    setSizes(sizes);
}

void ZTSplitView::setPosition(double position, int dividerIndex)
{
    QList<int> sizes = this->sizes();
    if (dividerIndex < 0 || dividerIndex + 1 >= sizes.size())
        return;
    dividerMoved_ = true;
    const int total = sizes[dividerIndex] + sizes[dividerIndex + 1];
    const int before = qBound(0, int(std::lround(position)), total);
    sizes[dividerIndex] = before;
    sizes[dividerIndex + 1] = total - before;
    setSizes(sizes);
    placeButtons();
}

double ZTSplitView::paneHeight(int index) const
{
    const QList<int> sizes = this->sizes();
    return index >= 0 && index < sizes.size() ? sizes[index] : 0.0;
}

double ZTSplitView::buttonClearance() const
{
    double height = 0;
    for (const ImageButton* button : {upButton_.data(), downButton_.data()})
        if (button)
            height = std::max(height, double(button->sizeHint().height()));
    return height > 0 ? height + 2 * kButtonMargin : 0.0;
}

void ZTSplitView::setUpperView(QWidget* view)
{
    watchPane(upperView_, view);
}

void ZTSplitView::setLowerView(QWidget* view)
{
    watchPane(lowerView_, view);
}

void ZTSplitView::watchPane(QPointer<QWidget>& pane, QWidget* view)
{
    if (pane)
        pane->removeEventFilter(this);
    pane = view;
    if (view)
        view->installEventFilter(this);
}

// ---- Hover buttons ----

void ZTSplitView::mouseEntered()
{
    wasAcceptingMouseEvents_ = hasMouseTracking();
    setMouseTracking(true);
    update();
    if (mouseInView_)
        return;
    if (downButton_ && lowerView_)
        downButton_->setParent(lowerView_);
    if (upButton_ && upperView_)
        upButton_->setParent(upperView_);
    mouseInView_ = true;
    showButtons();
}

void ZTSplitView::mouseMoved(const QPointF& point)
{
    update();
    if (mouseInView_ || !rect().contains(point.toPoint()))
        return;
    mouseInView_ = true;
    showButtons();
}

void ZTSplitView::mouseExited()
{
    setMouseTracking(wasAcceptingMouseEvents_);
    update();
    if (!mouseInView_)
        return;
    for (ImageButton* button : {upButton_.data(), downButton_.data()})
        if (button)
            button->hide();
    mouseInView_ = false;
}

void ZTSplitView::showButtons()
{
    placeButtons();
    for (ImageButton* button : {upButton_.data(), downButton_.data()})
        if (button) {
            button->show();
            button->raise();
        }
}

void ZTSplitView::placeButtons()
{
    auto place = [](ImageButton* button, bool atBottom) {
        QWidget* pane = button ? button->parentWidget() : nullptr;
        if (!pane)
            return;
        const QSize size = button->sizeHint();
        const int x = (pane->width() - size.width()) / 2;
        const int y = atBottom ? pane->height() - size.height() - kButtonMargin : kButtonMargin;
        button->setGeometry(x, y, size.width(), size.height());
    };
    place(upButton_, true);
    place(downButton_, false);
}

void ZTSplitView::enterEvent(QEnterEvent* event)
{
    QSplitter::enterEvent(event);
    mouseEntered();
}

void ZTSplitView::leaveEvent(QEvent* event)
{
    QSplitter::leaveEvent(event);
    mouseExited();
}

void ZTSplitView::mouseMoveEvent(QMouseEvent* event)
{
    QSplitter::mouseMoveEvent(event);
    mouseMoved(event->position());
}

bool ZTSplitView::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Resize && (watched == upperView_ || watched == lowerView_))
        placeButtons();
    return QSplitter::eventFilter(watched, event);
}

void ZTSplitView::resizeEvent(QResizeEvent* event)
{
    QSplitter::resizeEvent(event);
    splitAsPreferred();
    // The panes show through rounded corners.
    QPainterPath outline;
    outline.addRoundedRect(QRectF(rect()), kCornerRadius, kCornerRadius);
    setMask(QRegion(outline.toFillPolygon().toPolygon()));
    placeButtons();
}
