#include "ZTSyncConflictButton.h"

#include "Fonts.h"
#include "Image.h"

#include <QPainter>
#include <QStyleOptionButton>

#include <cmath>

namespace {

// The texts stand right of the icon, in three lines from the top.
constexpr double kTextLeft = 114;
constexpr double kTextWidthShortfall = 110;
constexpr double kIconLeft = 15;
constexpr double kIconWidth = 84;
constexpr double kIconHeight = 75;

} // namespace

ZTSyncConflictButton::ZTSyncConflictButton(QWidget* parent)
    : QAbstractButton(parent)
{
    setFocusPolicy(Qt::StrongFocus);
}

void ZTSyncConflictButton::setIcon(const QString& imageName)
{
    icon_ = imageName;
    update();
}

void ZTSyncConflictButton::setButtonTitle(const QString& title)
{
    buttonTitle_ = title;
    update();
}

void ZTSyncConflictButton::setFilename(const QString& filename)
{
    filename_ = filename;
    update();
}

void ZTSyncConflictButton::setDate(const QString& date)
{
    date_ = date;
    update();
}

QSize ZTSyncConflictButton::sizeHint() const
{
    return QSize(300, 110);
}

void ZTSyncConflictButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    QStyleOptionButton option;
    option.initFrom(this);
    if (isDown())
        option.state |= QStyle::State_Sunken;
    style()->drawControl(QStyle::CE_PushButtonBevel, &option, &painter, this);

    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const double width = this->width() - kTextWidthShortfall;
    const double opacity = isEnabled() ? 1.0 : 0.4;
    painter.setOpacity(opacity);
    painter.setPen(QColor::fromRgbF(0, 0, 0.3, 1.0));
    painter.setFont(Fonts::system(20, true));
    painter.drawText(QRectF(kTextLeft, 20, width, 24), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, buttonTitle_);
    painter.setPen(QColor::fromRgbF(0, 0, 0, 0.8));
    painter.setFont(Fonts::system(13));
    painter.drawText(QRectF(kTextLeft, 46, width, 20), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, filename_);
    painter.drawText(QRectF(kTextLeft, 66, width, 20), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, date_);

    const double iconTop = std::trunc((height() - kIconHeight) / 2);
    drawImage(painter, icon_, QRectF(kIconLeft, iconTop, kIconWidth, kIconHeight));
}
