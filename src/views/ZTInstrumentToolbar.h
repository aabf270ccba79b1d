#pragma once

#include <QWidget>

// The strip above the instrument views; the main window fills it.
class ZTInstrumentToolbar : public QWidget {
    Q_OBJECT
public:
    explicit ZTInstrumentToolbar(QWidget* parent = nullptr) : QWidget(parent) {}
};
