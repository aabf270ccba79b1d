#pragma once

#include <QWidget>

// Backgrounds of the two panes: the statistics pane tiles the image "statisticBack", the
// staff pane (ZTNotesBackView) the image "notenBackground".
class ZTStatBackView : public QWidget {
    Q_OBJECT
public:
    explicit ZTStatBackView(QWidget* parent = nullptr);

protected:
    explicit ZTStatBackView(const QString& imageName, QWidget* parent);
    void paintEvent(QPaintEvent* event) override;

private:
    QString imageName_;
};

class ZTNotesBackView : public ZTStatBackView {
    Q_OBJECT
public:
    explicit ZTNotesBackView(QWidget* parent = nullptr);
};
