#include "PrintInfo.h"

#include <QPrinter>

PrintInfo& PrintInfo::sharedPrintInfo()
{
    static PrintInfo shared;
    return shared;
}

PrintInfo::PrintInfo() : printer_(std::make_unique<QPrinter>(QPrinter::HighResolution)) {}

PrintInfo::~PrintInfo() = default;

PrintInfo::Settings PrintInfo::settings() const
{
    const QPageLayout layout = printer_->pageLayout();
    return {layout.orientation(), layout.margins(QPageLayout::Point), scalingFactor_};
}

void PrintInfo::setSettings(const Settings& settings)
{
    QPageLayout layout = printer_->pageLayout();
    layout.setOrientation(settings.orientation);
    // Margins are kept within what the paper allows, so that none of them is silently dropped.
    layout.setMode(QPageLayout::StandardMode);
    layout.setUnits(QPageLayout::Point);
    layout.setMinimumMargins(QMarginsF());
    layout.setMargins(settings.margins);
    printer_->setPageLayout(layout);
    // A factor of zero or below would draw nothing at all.
    scalingFactor_ = settings.scalingFactor > 0 ? settings.scalingFactor : 1.0;
}

QSizeF PrintInfo::paperSize() const
{
    return printer_->pageLayout().fullRect(QPageLayout::Point).size();
}

QRectF PrintInfo::imageableRect() const
{
    return printer_->pageLayout().paintRect(QPageLayout::Point);
}

PrintSettingsScope::PrintSettingsScope(PrintInfo& info, const PrintInfo::Settings& settings)
    : info_(info), saved_(info.settings())
{
    info_.setSettings(settings);
}

PrintSettingsScope::~PrintSettingsScope()
{
    info_.setSettings(saved_);
}
