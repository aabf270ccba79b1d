#include "ZTTableViewCell.h"

#include "Fonts.h"
#include "Image.h"

#include <QComboBox>
#include <QFontMetricsF>
#include <QPainter>

namespace {

// A pop-up that draws nothing of its own: the cell shows through, and a click anywhere on
// the cell opens the list.
class TransparentPopup : public QComboBox {
public:
    using QComboBox::QComboBox;

protected:
    void paintEvent(QPaintEvent*) override {}
};

} // namespace

ZTTableViewCell::ZTTableViewCell(QWidget* parent) : ZTTableViewCell(QRect(0, 0, 100, 22), parent) {}

ZTTableViewCell::ZTTableViewCell(const QRect& frame, QWidget* parent) : QWidget(parent)
{
    setGeometry(frame);
    auto* popup = new TransparentPopup(this);
    popup->setGeometry(rect());
    popup->setHidden(true);
    popup->setFocusPolicy(Qt::NoFocus);
    // The list that opens wears the dark look of the application's menus.
    popup->setStyleSheet(QStringLiteral(
        "QComboBox QAbstractItemView { background: #2b2f35; color: #e3e6ea; border: 1px solid #111316;"
        "  padding: 4px; outline: 0; selection-background-color: #3b73c4; selection-color: #ffffff; }"));
    connect(popup, qOverload<int>(&QComboBox::activated), this, [this](int) { popupButtonAction(); });
    popupButton_ = popup;
}

ZTTableViewCell::~ZTTableViewCell() = default;

void ZTTableViewCell::setTitle(const QString& title)
{
    title_ = title;
    update();
}

void ZTTableViewCell::setBackgroundColor(const QColor& color)
{
    backgroundColor_ = color;
    update();
}

void ZTTableViewCell::setBackgroundImage(std::shared_ptr<const Image> image)
{
    backgroundImage_ = std::move(image);
    update();
}

void ZTTableViewCell::setTitleColor(const QColor& color)
{
    titleColor_ = color;
    update();
}

void ZTTableViewCell::setPopupTitles(const QStringList& titles)
{
    popupButton_->clear();
    popupButton_->setHidden(titles.isEmpty());
    popupButton_->addItems(titles);
    popupButton_->setCurrentIndex(-1);
}

void ZTTableViewCell::popupButtonAction()
{
    if (delegate_)
        delegate_->tableViewCellPopupClicked(this);
}

QRectF ZTTableViewCell::titleRect() const
{
    // Inset 10 on both sides, then moved 5 to the right and 2 down; the text is set from the
    // rectangle's top, which centres a 13-point line in a 22-point row.
    const QRectF bounds(rect());
    return QRectF(bounds.x() + 10 + 5, bounds.y() + 2, bounds.width() - 20, bounds.height());
}

void ZTTableViewCell::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    const QRectF bounds(rect());
    if (backgroundColor_.isValid())
        painter.fillRect(bounds, backgroundColor_);
    if (backgroundImage_)
        backgroundImage_->draw(painter, bounds);
    if (title_.isEmpty())
        return;

    if (!font_)
        font_ = Fonts::system(13);
    if (!titleColor_.isValid())
        titleColor_ = Qt::black;
    const QRectF textRect = titleRect();
    painter.setFont(*font_);
    painter.setPen(titleColor_);
    const QString shown = QFontMetricsF(*font_).elidedText(title_, Qt::ElideRight, textRect.width());
    painter.drawText(textRect, int(textAlignment_ & Qt::AlignHorizontal_Mask) | Qt::AlignTop | Qt::TextSingleLine,
                     shown);
}
