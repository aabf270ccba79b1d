#include "ButtonTextColor.h"

#include <QAbstractButton>

namespace {
constexpr char kTextColorProperty[] = "melvoraTextColor";
}

void ButtonTextColor::setTextColor(QAbstractButton* button, const QColor& color)
{
    if (!button)
        return;
    QPalette palette = button->palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::ButtonText, color);
        palette.setColor(group, QPalette::WindowText, color);
    }
    button->setPalette(palette);
    button->setProperty(kTextColorProperty, color);
}

QColor ButtonTextColor::textColor(const QAbstractButton* button)
{
    if (!button)
        return {};
    return button->property(kTextColorProperty).value<QColor>();
}
