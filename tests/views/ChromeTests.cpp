// The window chrome's drawing helpers and plain panels.
#include "ViewTestSupport.h"

#include "BFImage.h"
#include "Image.h"
#include "ZTColorBridge.h"
#include "Fonts.h"
#include "ZTInfoView.h"
#include "ZTToolbarInfoView.h"

#include <QFontMetricsF>

#include <QImage>
#include <QPainter>

namespace {

using ChromeTest = ViewTest;

// A 20 x 20 point picture: blue, with a red 4-point square in its top-left corner.
std::shared_ptr<const Image> cornerPicture()
{
    QPixmap pixels(40, 40);
    pixels.setDevicePixelRatio(2.0);
    pixels.fill(Qt::blue);
    QPainter painter(&pixels);
    painter.fillRect(QRectF(0, 0, 4, 4), Qt::red);
    painter.end();
    return std::make_shared<const Image>(QStringLiteral("corner"), pixels);
}

} // namespace

TEST_F(ChromeTest, ColourBridgeRoundTripsAndKeepsNone)
{
    const QColor grey = QColor::fromRgbF(0.25f, 0.5f, 0.75f, 0.5f);
    const ZTColor record = ZTColorBridge::myCGColor(grey);
    EXPECT_NEAR(record.green, 0.5, 1e-4);
    EXPECT_NEAR(record.alpha, 0.5, 1e-4);
    EXPECT_EQ(ZTColorBridge::myColorWithCGColor(record), grey);
    EXPECT_FALSE(ZTColorBridge::myColorWithCGColor(std::nullopt).has_value());
}

TEST_F(ChromeTest, StretchableImagesAreCutIntoNineParts)
{
    const auto caps = BFImage::stretchableImageWithLeftCapWidth(cornerPicture(), 4, 6);
    EXPECT_EQ(caps->stretchInsets(), (BFEdgeInsets{6, 4, 6, 4}));

    BFImage image(cornerPicture(), {4, 4, 4, 4});
    const QList<QImage> slices = image.sliceImages();
    ASSERT_EQ(slices.size(), 9);
    EXPECT_EQ(slices[0].deviceIndependentSize(), QSizeF(4, 4));  // top-left
    EXPECT_EQ(slices[4].deviceIndependentSize(), QSizeF(12, 12)); // centre
    EXPECT_EQ(slices[0].pixelColor(2, 2), QColor(Qt::red));
    EXPECT_EQ(slices[8].pixelColor(2, 2), QColor(Qt::blue));
    EXPECT_TRUE(image.sliceFromRect(QRectF(3, 3, 0, 5)).isNull());
    EXPECT_TRUE(image.sliceFromRect(QRectF(3, 3, 5, 0)).isNull());
}

TEST_F(ChromeTest, ANinePartImageIsDrawnAtItsDestination)
{
    BFImage image(cornerPicture(), {4, 4, 4, 4});
    const QRectF destination(50, 40, 100, 60);
    for (const bool cached : {true, true, false}) { // the second draw comes from the cache
        QImage canvas(200, 120, QImage::Format_ARGB32_Premultiplied);
        canvas.fill(Qt::transparent);
        QPainter painter(&canvas);
        if (cached)
            image.drawCachedInRect(painter, destination);
        else
            image.drawInRect(painter, destination);
        painter.end();
        EXPECT_EQ(canvas.pixelColor(51, 41), QColor(Qt::red)) << cached; // the corner, at its size
        EXPECT_EQ(canvas.pixelColor(57, 47), QColor(Qt::blue)) << cached;
        EXPECT_EQ(canvas.pixelColor(148, 98), QColor(Qt::blue)) << cached;
        EXPECT_EQ(canvas.pixelColor(10, 10).alpha(), 0) << cached; // nothing at the origin
    }
}

TEST_F(ChromeTest, InfoAndBorderedPanelsAreWhite)
{
    ZTInfoView info;
    info.resize(40, 30);
    EXPECT_EQ(colorAt(&info, {20, 15}), QColor(Qt::white));
    ZTBorderdView bordered;
    bordered.resize(40, 30);
    EXPECT_EQ(colorAt(&bordered, {20, 15}), QColor(Qt::white));
    EXPECT_EQ(colorAt(&bordered, {0.5, 15}).red(), 180);
    EXPECT_EQ(colorAt(&bordered, {20, 29.5}).red(), 180);
}

TEST_F(ChromeTest, AnInfoPanelTooNarrowForThePromptWrapsItOntoASecondLine)
{
    ZTToolbarInfoView info;
    info.resize(240, ZTToolbarInfoView::kPreferredHeight);
    info.setImage(QStringLiteral("infoIconSmall"));
    const QString prompt = QStringLiteral("Click on  \u25B6  to play the next chord progression.");
    info.setTitle(prompt);
    QImage picture(info.size(), QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&picture);
    info.draw(painter, info.size());
    const QFontMetricsF smallest(Fonts::system(9, true));
    // Not shortened: two lines, inside the panel's margins, beside the icon.
    EXPECT_GE(info.titleRect().height(), 2 * smallest.height() - 1);
    EXPECT_GE(info.titleRect().width() * 2, smallest.horizontalAdvance(prompt) - 2 * smallest.averageCharWidth());
    EXPECT_GE(info.titleRect().left(), info.imageRect().right());
    EXPECT_LE(info.titleRect().right(), info.width() - ZTToolbarInfoView::kTextInset + 1);
    EXPECT_GE(info.titleRect().bottom(), ZTToolbarInfoView::kVerticalMargin - 1);

    // A wide panel keeps it on one line; one too short even for two lines shortens it.
    info.resize(480, ZTToolbarInfoView::kPreferredHeight);
    info.draw(painter, info.size());
    EXPECT_LT(info.titleRect().height(), 2 * smallest.height() - 1);
    info.resize(80, ZTToolbarInfoView::kPreferredHeight);
    info.draw(painter, info.size());
    EXPECT_LT(info.titleRect().height(), 2 * smallest.height() - 1);
    EXPECT_LE(info.titleRect().right(), info.width() - ZTToolbarInfoView::kTextInset + 1);
}
