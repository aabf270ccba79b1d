#include "ZTFooterBar.h"

#include "Image.h"
#include "ImageButton.h"
#include "YUp.h"

#include <QPainter>

ZTFooterBar::ZTFooterBar(QWidget* parent) : QWidget(parent)
{
    plusButton_ = buttonWithFrame(QRectF(0, 1, 26, 21), QStringLiteral("levelPlusButtonNormal"),
                                  QStringLiteral("levelPlusButtonActive"));
    plusButton_->setTag(0);
    minusButton_ = buttonWithFrame(QRectF(26, 1, 26, 21), QStringLiteral("levelMinusButtonNormal"),
                                   QStringLiteral("levelMinusButtonActive"));
    minusButton_->setTag(1);
}

ImageButton* ZTFooterBar::buttonWithFrame(const QRectF& frame, const QString& image, const QString& alternateImage)
{
    auto* button = new ImageButton(this);
    button->setType(ImageButton::Type::MomentaryChange);
    button->setImageName(image);
    button->setAlternateImageName(alternateImage);
    connect(button, &ImageButton::clicked, this, [this, button] { buttonAction(button); });
    frames_.append({button, frame});
    YUp::place(button, frame);
    return button;
}

void ZTFooterBar::addButtonWithImage(const QString& image, const QString& alternateImage, bool isToggle)
{
    const qint64 index = buttons_.size();
    ImageButton* button = buttonWithFrame(QRectF(56 + 26 * index, 1, 26, 21), image, alternateImage);
    button->setType(isToggle ? ImageButton::Type::Toggle : ImageButton::Type::MomentaryChange);
    button->setTag(index + 2);
    buttons_.append(button);
    button->show();
}

ImageButton* ZTFooterBar::buttonAtIndex(quint64 index) const
{
    return index < quint64(buttons_.size()) ? buttons_[qsizetype(index)] : nullptr;
}

void ZTFooterBar::removeAllButtons()
{
    for (ImageButton* button : std::as_const(buttons_)) {
        frames_.removeIf([button](const auto& entry) { return entry.first == button; });
        delete button;
    }
    buttons_.clear();
}

void ZTFooterBar::buttonAction(ImageButton* button)
{
    if (delegate_)
        delegate_->footerBar(this, button);
}

void ZTFooterBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    drawThreePartImage(painter, QRectF(rect()), QStringLiteral("footerBarLeft"), QStringLiteral("footerBarMiddle"),
                       QStringLiteral("footerBarRight"), false);
}

void ZTFooterBar::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    placeButtons();
}

void ZTFooterBar::placeButtons()
{
    for (const auto& [button, frame] : std::as_const(frames_))
        YUp::place(button, frame);
}
