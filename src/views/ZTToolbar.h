#pragma once

#include <QWidget>

class ZTToolbarInfoView;

// The main window's top bar. It draws nothing itself; it holds the info panel, which the
// main view controller fills.
class ZTToolbar : public QWidget {
    Q_OBJECT
public:
    explicit ZTToolbar(QWidget* parent = nullptr);

    ZTToolbarInfoView* toolbarInfoView() const { return toolbarInfoView_; }
    void setToolbarInfoView(ZTToolbarInfoView* view) { toolbarInfoView_ = view; }

private:
    ZTToolbarInfoView* toolbarInfoView_ = nullptr;
};
