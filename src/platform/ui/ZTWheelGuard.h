#pragma once

#include <QObject>

// Pop-ups, spin boxes and sliders take the wheel only while they have the keyboard focus,
// that is after the user clicked them or moved to them with Tab; the wheel alone never gives
// them the focus. Over any other, the wheel scrolls the page the control sits in (the nearest
// scroll area that can still move that way, so a list at its end hands it to the page around
// it), which is what the user meant when the pointer crossed the control on its way down the
// page. One guard on the application object serves every window. Main thread only.
class ZTWheelGuard : public QObject {
public:
    // Puts the guard on the application object; later calls do nothing.
    static void install();

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    using QObject::QObject;
};
