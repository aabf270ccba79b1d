#pragma once

#include <QMarginsF>
#include <QPageLayout>
#include <QRectF>
#include <QSizeF>

#include <memory>

class QPrinter;

// The print settings of the process, kept between prints as the user left them in the print
// panel: printer, paper, orientation and margins live in one printer object; the scaling
// factor applies to what a print operation draws. Sizes are in points.
//
// Main thread only.
class PrintInfo {
public:
    struct Settings {
        QPageLayout::Orientation orientation = QPageLayout::Portrait;
        QMarginsF margins;
        double scalingFactor = 1.0;
        friend bool operator==(const Settings&, const Settings&) = default;
    };

    static PrintInfo& sharedPrintInfo();

    PrintInfo();
    ~PrintInfo();
    PrintInfo(const PrintInfo&) = delete;
    PrintInfo& operator=(const PrintInfo&) = delete;

    Settings settings() const;
    void setSettings(const Settings& settings);

    QPrinter& printer() { return *printer_; }
    // The paper as oriented.
    QSizeF paperSize() const;
    // Where a page may be drawn: the paper less its margins, from the paper's top-left corner.
    QRectF imageableRect() const;

private:
    std::unique_ptr<QPrinter> printer_;
    double scalingFactor_ = 1.0;
};

// Applies print settings for one print and gives the earlier ones back when it goes, whether
// the user printed or cancelled.
class PrintSettingsScope {
public:
    PrintSettingsScope(PrintInfo& info, const PrintInfo::Settings& settings);
    ~PrintSettingsScope();
    PrintSettingsScope(const PrintSettingsScope&) = delete;
    PrintSettingsScope& operator=(const PrintSettingsScope&) = delete;

private:
    PrintInfo& info_;
    const PrintInfo::Settings saved_;
};
