#pragma once

#include <QDialog>

// The about window: the product's name, version and maker.
class DrovixAboutWindowController : public QDialog {
    Q_OBJECT
public:
    explicit DrovixAboutWindowController(QWidget* parent = nullptr);
    // Shows the window and waits until it is closed.
    int runModal();
};
