#include "PrintOperation.h"

#include "Log.h"
#include "PrintInfo.h"

#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>

#include <algorithm>
#include <utility>

namespace {

PrintOperation::PanelResponder& panelResponder()
{
    static PrintOperation::PanelResponder installed;
    return installed;
}

bool isLandscape(const QSizeF& size)
{
    return size.width() > size.height();
}

} // namespace

void PrintOperation::setPanelResponder(PanelResponder responder)
{
    panelResponder() = std::move(responder);
}

bool PrintOperation::runPrintPanel(QPrinter& printer, QWidget* parent)
{
    if (panelResponder())
        return panelResponder()(printer);
    QPrintDialog dialog(&printer, parent);
    return dialog.exec() == QDialog::Accepted;
}

bool PrintOperation::runPage(PrintInfo& info, const Page& page, QWidget* parent)
{
    QPrinter& printer = info.printer();
    if (!runPrintPanel(printer, parent))
        return false;
    const double scalingFactor = info.settings().scalingFactor;
    // The paper as the panel left it: the user may have turned it there.
    const QRectF area = info.imageableRect().translated(-info.imageableRect().topLeft());
    QSizeF content = page.contentSize;
    const bool rotate = page.autoRotate && !content.isEmpty() && isLandscape(content) != isLandscape(area.size());
    if (rotate)
        content.transpose();

    double scale = scalingFactor;
    if (page.scaling == Scaling::DownToFit && !content.isEmpty())
        scale = std::min(scale, std::min(area.width() / content.width(), area.height() / content.height()));

    QPainter painter;
    if (!painter.begin(&printer)) {
        Log::line(QStringLiteral("Could not open the printer."));
        return false;
    }
    // The painter works in device pixels from the imageable area's corner; we draw in points.
    const double pointsToDevice = printer.resolution() / 72.0;
    painter.scale(pointsToDevice, pointsToDevice);
    const QSizeF drawn = content * scale;
    painter.translate((area.width() - drawn.width()) / 2.0, std::max(0.0, (area.height() - drawn.height()) / 2.0));
    painter.scale(scale, scale);
    if (rotate) {
        // The content's top-left corner goes to the top-right of the turned area.
        painter.translate(content.width(), 0);
        painter.rotate(90);
    }
    painter.setClipRect(QRectF(QPointF(), page.contentSize));
    page.draw(painter);
    return painter.end();
}
