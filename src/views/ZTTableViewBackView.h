#pragma once

#include <QWidget>

// The dark rounded panel behind the sidebar list.
class ZTTableViewBackView : public QWidget {
    Q_OBJECT
public:
    static constexpr double kCornerRadius = 4.0;
    static QColor backgroundColor();

    explicit ZTTableViewBackView(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};
