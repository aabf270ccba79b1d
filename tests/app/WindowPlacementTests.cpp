// Where the main window stands on the screens, as data: a frame fitted into the screens'
// available areas, and the remembered place read back from the settings file.
#include "PropertyList.h"
#include "ZTWindowPlacement.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

// A frame's least size: the window's minimum with a title bar and thin borders.
const QSize kMinimum(978, 551);
const QSize kPreferred(1282, 825);

} // namespace

TEST(WindowPlacementTest, ANewWindowTakesItsPreferredSizeWhereItFitsElseTheWholeArea)
{
    // A desktop monitor with a panel at the top: the preferred size, in the middle.
    const QRect desktop(0, 32, 1920, 1048);
    const QRect placed = ZTWindowPlacement({desktop}).initialFrame(kPreferred, kMinimum);
    EXPECT_EQ(placed.size(), kPreferred);
    EXPECT_TRUE(desktop.contains(placed));
    EXPECT_LE(std::abs(placed.center().x() - desktop.center().x()), 1);
    EXPECT_LE(std::abs(placed.center().y() - desktop.center().y()), 1);

    // Laptops and netbooks (with a panel or without): as much as there is, never beyond.
    for (const QRect& area : {QRect(0, 0, 1366, 741), QRect(0, 0, 1280, 800), QRect(0, 24, 1024, 576), QRect(0, 0, 1024, 600)}) {
        const QRect frame = ZTWindowPlacement({area}).initialFrame(kPreferred, kMinimum);
        EXPECT_EQ(frame.size(), kPreferred.boundedTo(area.size())) << area.width() << "x" << area.height();
        EXPECT_TRUE(area.contains(frame)) << area.width() << "x" << area.height();
    }
    // On the primary screen, the first, wherever the others stand.
    const QRect primary(1920, 0, 1920, 1080);
    EXPECT_TRUE(primary.contains(ZTWindowPlacement({primary, QRect(0, 0, 1920, 1080)}).initialFrame(kPreferred, kMinimum)));
}

TEST(WindowPlacementTest, ARememberedFrameComesBackOntoTheScreens)
{
    const QRect left(0, 0, 1920, 1080);
    const QRect right(1920, 0, 2560, 1440);
    const ZTWindowPlacement both({left, right});
    // Inside the right-hand monitor it stays as it was.
    EXPECT_EQ(both.fit(QRect(2000, 100, 1200, 800), kMinimum), QRect(2000, 100, 1200, 800));
    // Across the two: onto the one that holds most of it.
    EXPECT_EQ(both.fit(QRect(1800, 100, 1200, 800), kMinimum), QRect(1920, 100, 1200, 800));
    EXPECT_EQ(both.fit(QRect(1000, 100, 1200, 800), kMinimum), QRect(720, 100, 1200, 800));

    const ZTWindowPlacement leftOnly({left});
    // The right-hand monitor unplugged: back onto the one that is left, its size kept.
    EXPECT_EQ(leftOnly.fit(QRect(3000, 500, 1200, 800), kMinimum), QRect(720, 280, 1200, 800));
    // The title bar above the screen's top, or off its left: moved in.
    EXPECT_EQ(leftOnly.fit(QRect(100, -300, 1200, 800), kMinimum), QRect(100, 0, 1200, 800));
    EXPECT_EQ(leftOnly.fit(QRect(-5000, -5000, 1200, 800), kMinimum), QRect(0, 0, 1200, 800));

    // A lower resolution than last time: shrunk to the screen, not below the minimum.
    EXPECT_EQ(ZTWindowPlacement({QRect(0, 0, 1024, 600)}).fit(QRect(300, 200, 1400, 900), kMinimum),
              QRect(0, 0, 1024, 600));
    EXPECT_EQ(ZTWindowPlacement({QRect(0, 0, 800, 480)}).fit(QRect(300, 200, 1400, 900), kMinimum),
              QRect(QPoint(0, 0), kMinimum));
    // No screen known (nothing to fit into): the frame as it is, at least the minimum.
    EXPECT_EQ(ZTWindowPlacement({}).fit(QRect(5, 6, 100, 100), kMinimum), QRect(QPoint(5, 6), kMinimum));
}

TEST(WindowPlacementTest, TheRememberedPlaceRoundTripsThroughTheSettingsFileAndRefusesWhatNoWindowHas)
{
    const ZTWindowFrame frame{QRect(-1200, 40, 1100, 700), QMargins(1, 20, 1, 5), true};
    const std::optional<QVariant> stored = PropertyList::fromData(PropertyList::toXml(frame.toVariantMap()));
    ASSERT_TRUE(stored.has_value());
    EXPECT_EQ(ZTWindowFrame::fromVariant(*stored), frame);

    const QVariantMap good = frame.toVariantMap();
    auto with = [&good](const QString& key, const QVariant& value) {
        QVariantMap changed = good;
        if (value.isValid())
            changed.insert(key, value);
        else
            changed.remove(key);
        return ZTWindowFrame::fromVariant(changed);
    };
    EXPECT_TRUE(with(QStringLiteral("width"), 1100.0).has_value()); // a real number is read as well
    EXPECT_FALSE(with(QStringLiteral("width"), QVariant()).has_value());
    EXPECT_FALSE(with(QStringLiteral("width"), QStringLiteral("1100")).has_value());
    EXPECT_FALSE(with(QStringLiteral("width"), 0).has_value());
    EXPECT_FALSE(with(QStringLiteral("height"), -700).has_value());
    EXPECT_FALSE(with(QStringLiteral("x"), std::numeric_limits<double>::quiet_NaN()).has_value());
    EXPECT_FALSE(with(QStringLiteral("y"), 1e12).has_value());
    EXPECT_FALSE(with(QStringLiteral("borderTop"), -20).has_value());
    EXPECT_FALSE(ZTWindowFrame::fromVariant(QVariantList{1, 2, 3, 4}).has_value());
    EXPECT_FALSE(ZTWindowFrame::fromVariant(QVariant()).has_value());
}
