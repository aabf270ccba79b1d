#pragma once

#include <QString>
#include <QWidget>

// A bundle image by name, drawn to fill the view, with a number its owner keeps on it
// (a small state code).
class ImageView : public QWidget {
    Q_OBJECT
public:
    explicit ImageView(QWidget* parent = nullptr);

    void setImageName(const QString& name);
    QString imageName() const { return imageName_; }
    void setTag(qint64 tag) { tag_ = tag; }
    qint64 tag() const { return tag_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString imageName_;
    qint64 tag_ = 0;
};
