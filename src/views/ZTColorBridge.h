#pragma once

#include "ZTMainWindowServices.h"

#include <QColor>

#include <optional>

// Between the toolkit's colours and the engine's device-independent colour records (sRGB
// fractions), in both directions.
namespace ZTColorBridge {

// The colour's sRGB components as a record.
ZTColor myCGColor(const QColor& color);
// The toolkit colour of a record; none for none.
std::optional<QColor> myColorWithCGColor(const std::optional<ZTColor>& color);

} // namespace ZTColorBridge
