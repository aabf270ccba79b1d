#pragma once

#include <QString>
#include <QWidget>

// The info panel of the top bar: an optional icon and a bold title centred above the
// middle line, and a smaller subtitle under it that may wrap. Geometry is y-up.
class ZTToolbarInfoView : public QWidget {
    Q_OBJECT
public:
    static constexpr double kIconGap = 5;

    explicit ZTToolbarInfoView(QWidget* parent = nullptr);

    QString title() const { return title_; }
    void setTitle(const QString& title);
    QString subTitle() const { return subTitle_; }
    void setSubTitle(const QString& subTitle);
    // A bundle image name; empty for none.
    QString image() const { return image_; }
    void setImage(const QString& imageName);

    // Where the last drawing put the parts (y-up; empty when a part was not drawn).
    QRectF imageRect() const { return imageRect_; }
    QRectF titleRect() const { return titleRect_; }
    QRectF subTitleRect() const { return subTitleRect_; }

    // The drawing pass on a painter of a panel of `size` (printing and tests reuse it).
    void draw(QPainter& painter, const QSizeF& size);

    QSize sizeHint() const override { return {420, 44}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString title_;
    QString subTitle_;
    QString image_;
    QRectF imageRect_;
    QRectF titleRect_;
    QRectF subTitleRect_;
};
