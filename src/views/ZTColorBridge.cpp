#include "ZTColorBridge.h"

namespace ZTColorBridge {

ZTColor myCGColor(const QColor& color)
{
    const QColor rgb = color.toRgb();
    return {rgb.redF(), rgb.greenF(), rgb.blueF(), rgb.alphaF()};
}

std::optional<QColor> myColorWithCGColor(const std::optional<ZTColor>& color)
{
    if (!color)
        return std::nullopt;
    return QColor::fromRgbF(float(color->red), float(color->green), float(color->blue), float(color->alpha));
}

} // namespace ZTColorBridge
