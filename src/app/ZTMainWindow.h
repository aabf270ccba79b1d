#pragma once

#include <QMainWindow>

class ZTAppDelegate;

// The main window. Closing it is a quit request, as the application has no other window;
// its size changes are passed to the delegate.
class ZTMainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit ZTMainWindow(ZTAppDelegate* delegate);

    // Whether the next close ends the application without asking the delegate again.
    void setClosingForQuit(bool closing) { closingForQuit_ = closing; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    ZTAppDelegate* delegate_;
    bool closingForQuit_ = false;
};
