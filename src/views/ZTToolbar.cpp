#include "ZTToolbar.h"

ZTToolbar::ZTToolbar(QWidget* parent) : QWidget(parent) {}
