// The exercise screen's pop-up buttons: the title beside the arrows.
#include "ZTPopupButton.h"

#include <QImage>

#include <gtest/gtest.h>

namespace {

QImage rendered(ZTPopupButton& button, double scale)
{
    QImage picture(button.size() * scale, QImage::Format_ARGB32);
    picture.setDevicePixelRatio(scale);
    picture.fill(Qt::black);
    button.render(&picture, QPoint(), QRegion(), QWidget::DrawChildren);
    return picture;
}

} // namespace

TEST(PopupButton, TheTitleKeepsClearOfTheArrowsAtEveryWidthAndScale)
{
    const QStringList titles{QStringLiteral("Three notes in major pentatonic"), QStringLiteral("Key Signature recognition"),
                             QStringLiteral("WWWWWWWWWWWWWWWWWWWWWWWWWWWWWW")};
    for (const QString& title : titles) {
        ZTPopupButton button;
        button.fitWidthToTitles({title}, 60, 1000);
        const int fitted = button.maximumWidth();
        for (const int width : {60, 140, 200, fitted}) {
            button.resize(width, 28);
            const QRectF arrows = button.arrowRect();
            EXPECT_LE(button.titleRect().right() + ZTPopupButton::kTitleGap, arrows.left() + 1e-9);
            EXPECT_GE(button.titleRect().width(), 0);
            if (width == fitted) {
                EXPECT_EQ(button.shownLabel(), title); // fitted: shown whole
            }
            for (const double scale : {1.0, 2.0}) {
                button.setLabelText(QString());
                const QImage bare = rendered(button, scale);
                button.setLabelText(title);
                const QImage labelled = rendered(button, scale);
                // The chevrons are the only light strokes of a button without a title; the
                // title is whatever the label adds.
                int chevronLeft = bare.width();
                int textRight = -1;
                for (int y = 0; y < bare.height(); ++y) {
                    for (int x = 0; x < bare.width(); ++x) {
                        if (bare.pixelColor(x, y).lightness() > 150)
                            chevronLeft = std::min(chevronLeft, x);
                        if (bare.pixel(x, y) != labelled.pixel(x, y))
                            textRight = std::max(textRight, x);
                    }
                }
                ASSERT_GE(textRight, 0) << "no title drawn at width " << width;
                EXPECT_GE((chevronLeft - textRight) / scale, 8)
                    << title.toStdString() << " at width " << width << ", scale " << scale;
            }
        }
    }
}
