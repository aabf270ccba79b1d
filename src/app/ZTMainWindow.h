#pragma once

#include "ZTWindowPlacement.h"

#include <QMainWindow>

#include <optional>

class ZTAppDelegate;
class ZTWindowFitter;

// The main window. Closing it is a quit request, as the application has no other window;
// its size changes are passed to the delegate. It opens inside the screen, where it stood
// last on this computer, and stays inside when the window manager adds its borders.
class ZTMainWindow : public QMainWindow {
    Q_OBJECT
public:
    // The content size of a window that has no remembered place, where the screen allows it.
    static constexpr QSize kPreferredSize{1280, 800};

    explicit ZTMainWindow(ZTAppDelegate* delegate);

    // Before it is first shown: where it stood last (brought onto today's screens), or at its
    // preferred size in the middle of the primary screen.
    void place(const std::optional<ZTWindowFrame>& remembered);
    // Shows it, maximised when it was maximised last.
    void showPlaced();
    // Where it stands now, to be remembered.
    ZTWindowFrame frameToRemember() const;

    // Whether the next close ends the application without asking the delegate again.
    void setClosingForQuit(bool closing) { closingForQuit_ = closing; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    ZTAppDelegate* delegate_;
    ZTWindowFitter* fitter_;
    bool closingForQuit_ = false;
    bool startMaximized_ = false;
};
