#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <memory>
#include <optional>

class QComboBox;
class Image;
class ZTTableViewCell;

// Told when the user picked an entry of a cell's pop-up; read the cell's row() and its
// pop-up's current index.
class ZTTableViewCellDelegate {
public:
    virtual ~ZTTableViewCellDelegate() = default;
    virtual void tableViewCellPopupClicked(ZTTableViewCell* cell) = 0;
};

// One row of the exercise sidebar: a title over an optional background colour or image, and
// a transparent pop-up covering the whole cell (hidden until it has titles).
class ZTTableViewCell : public QWidget {
    Q_OBJECT
public:
    explicit ZTTableViewCell(QWidget* parent = nullptr);
    ZTTableViewCell(const QRect& frame, QWidget* parent = nullptr);
    ~ZTTableViewCell() override;

    QString title() const { return title_; }
    void setTitle(const QString& title);
    // Invalid when none.
    QColor backgroundColor() const { return backgroundColor_; }
    void setBackgroundColor(const QColor& color);
    std::shared_ptr<const Image> backgroundImage() const { return backgroundImage_; }
    void setBackgroundImage(std::shared_ptr<const Image> image);
    // Invalid until set or until the first drawing of a title makes it opaque black.
    QColor titleColor() const { return titleColor_; }
    void setTitleColor(const QColor& color);
    Qt::Alignment textAlignment() const { return textAlignment_; }
    void setTextAlignment(Qt::Alignment alignment) { textAlignment_ = alignment; }
    // Empty until set or until the first drawing of a title stores the 13-point system font.
    std::optional<QFont> font() const { return font_; }
    void setFont(const std::optional<QFont>& font) { font_ = font; }
    QComboBox* popupButton() const { return popupButton_; }
    ZTTableViewCellDelegate* delegate() const { return delegate_; }
    void setDelegate(ZTTableViewCellDelegate* delegate) { delegate_ = delegate; }
    quint64 row() const { return row_; }
    void setRow(quint64 row) { row_ = row; }

    // Replaces the pop-up's entries; an empty list hides it. No entry is selected afterwards.
    void setPopupTitles(const QStringList& titles);
    // The pop-up's action: tells the delegate.
    void popupButtonAction();

    // The rectangle the title is drawn in (Qt coordinates of the cell).
    QRectF titleRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString title_;
    QColor backgroundColor_;
    std::shared_ptr<const Image> backgroundImage_;
    QColor titleColor_;
    Qt::Alignment textAlignment_ = Qt::AlignLeft;
    std::optional<QFont> font_;
    QComboBox* popupButton_ = nullptr;
    ZTTableViewCellDelegate* delegate_ = nullptr;
    quint64 row_ = 0;
};
