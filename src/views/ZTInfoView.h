#pragma once

#include <QWidget>

// A plain white panel.
class ZTInfoView : public QWidget {
    Q_OBJECT
public:
    explicit ZTInfoView(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

// A white panel with a one-point light grey border.
class ZTBorderdView : public QWidget {
    Q_OBJECT
public:
    explicit ZTBorderdView(QWidget* parent = nullptr);

    static QColor borderColor();

protected:
    void paintEvent(QPaintEvent* event) override;
};
