#pragma once

#include <QFont>
#include <QRectF>
#include <QString>
#include <QWidget>

// The info panel of the top bar: an optional icon beside a bold title on one line (two in a
// narrow panel), and a smaller subtitle under it that may wrap; the two stand as one block in
// the middle of the panel, clear of its rounded ends. Geometry is y-up.
class ZTToolbarInfoView : public QWidget {
    Q_OBJECT
public:
    static constexpr double kIconGap = 5;
    // Room kept free left and right of the text, and above and below it where it can be.
    static constexpr double kTextInset = 10;
    static constexpr double kVerticalMargin = 4;
    static constexpr double kLineGap = 1;
    // Tall enough for a title and a subtitle of two lines.
    static constexpr int kPreferredHeight = 52;

    explicit ZTToolbarInfoView(QWidget* parent = nullptr);

    QString title() const { return title_; }
    void setTitle(const QString& title);
    QString subTitle() const { return subTitle_; }
    void setSubTitle(const QString& subTitle);
    // A bundle image name; empty for none.
    QString image() const { return image_; }
    void setImage(const QString& imageName);

    // A text as the last drawing set it: the lines shown, in which font, in which rectangle
    // (y-up) and with which flags of QPainter::drawText.
    struct DrawnText {
        QString text;
        QFont font;
        QRectF rect;
        int flags = 0;
    };

    // Where the last drawing put the parts (y-up; empty when a part was not drawn).
    QRectF imageRect() const { return imageRect_; }
    QRectF titleRect() const { return drawnTitle_.rect; }
    QRectF subTitleRect() const { return drawnSubTitle_.rect; }
    const DrawnText& drawnTitle() const { return drawnTitle_; }
    const DrawnText& drawnSubTitle() const { return drawnSubTitle_; }

    // The drawing pass on a painter of a panel of `size` (printing and tests reuse it).
    void draw(QPainter& painter, const QSizeF& size);

    // It takes what the bar leaves beside its other controls; its own wish is modest.
    QSize sizeHint() const override { return {260, kPreferredHeight}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString title_;
    QString subTitle_;
    QString image_;
    QRectF imageRect_;
    DrawnText drawnTitle_;
    DrawnText drawnSubTitle_;
};
