#pragma once

#include <QList>
#include <QMargins>
#include <QRect>
#include <QSize>
#include <QVariant>
#include <QVariantMap>

#include <functional>
#include <optional>

// The main window's place as this computer remembers it: the frame (title bar and borders
// included) of the window when not maximised, the frame's borders, and whether it was
// maximised.
struct ZTWindowFrame {
    QRect frame;
    QMargins margins;
    bool maximized = false;

    // The property-list form kept in the settings.
    QVariantMap toVariantMap() const;
    // None when a value is missing, not a number or beyond any screen.
    static std::optional<ZTWindowFrame> fromVariant(const QVariant& value);

    bool operator==(const ZTWindowFrame&) const = default;
};

// Where a window stands on the screens: always inside the area of one screen that windows may
// take (panels left out), so that its title bar and every edge can be reached.
class ZTWindowPlacement {
public:
    // The available area of each screen, the primary one first.
    explicit ZTWindowPlacement(QList<QRect> areas);

    // The areas of today's screens, the primary first. Tests put screens of their own; an
    // empty function restores the real ones.
    static QList<QRect> screenAreas();
    using ScreenAreas = std::function<QList<QRect>()>;
    static void setScreenAreas(ScreenAreas areas);

    // A new window: the preferred frame size, shrunk to the primary screen's area and centred
    // on it.
    QRect initialFrame(const QSize& preferred, const QSize& minimum) const;
    // A frame brought onto the screens: onto the screen it overlaps most (the primary one when
    // it is on none, a monitor since unplugged), shrunk to that screen's area and moved inside
    // it. Never below `minimum`: a frame that cannot fit stands at the area's top left.
    QRect fit(const QRect& frame, const QSize& minimum) const;

private:
    QRect areaFor(const QRect& frame) const;

    QList<QRect> areas_;
};
