#pragma once

#include <QSizeF>

#include <functional>

class PrintInfo;
class QPainter;
class QPrinter;
class QWidget;

// One print job on the shared print settings: the print panel, then the page.
//
// Main thread only; the panel runs modally.
class PrintOperation {
public:
    enum class Scaling {
        // The print info's factor only; what is larger than the page is cut off.
        AsIs,
        // Also scaled down to fit the page, never up.
        DownToFit,
    };

    struct Page {
        // In points; the drawing starts at (0, 0).
        QSizeF contentSize;
        std::function<void(QPainter& painter)> draw;
        Scaling scaling = Scaling::AsIs;
        // Turned a quarter when its shape suits the other orientation of the paper.
        bool autoRotate = false;
    };

    // Shows the print panel for the info's printer and, when the user prints, draws the page
    // centred on the paper's imageable area. False when the user cancelled or the printer
    // could not be opened.
    static bool runPage(PrintInfo& info, const Page& page, QWidget* parent);

    // The print panel alone: whether the user chose to print on that printer.
    static bool runPrintPanel(QPrinter& printer, QWidget* parent);

    // Tests answer the print panel without showing it (typically by pointing the printer at
    // a PDF file); an empty function shows it again.
    using PanelResponder = std::function<bool(QPrinter& printer)>;
    static void setPanelResponder(PanelResponder responder);
};
