#pragma once

#include <QList>
#include <QString>
#include <QWidget>

class ImageButton;
class ZTFooterBar;

// Receives every button action of a footer bar.
class ZTFooterBarDelegate {
public:
    virtual ~ZTFooterBarDelegate() = default;
    virtual void footerBar(ZTFooterBar* bar, ImageButton* button) = 0;
};

// The editing strip under the staff editor: a plus button (tag 0), a minus button (tag 1)
// and buttons added after them (tags 2, 3, ...), 26 points apart from x 56.
class ZTFooterBar : public QWidget {
    Q_OBJECT
public:
    explicit ZTFooterBar(QWidget* parent = nullptr);

    // A new momentary-change button of the bar (not added to `buttons`).
    ImageButton* buttonWithFrame(const QRectF& frame, const QString& image, const QString& alternateImage);
    // Appends the next button: a toggle, or a momentary-change button.
    void addButtonWithImage(const QString& image, const QString& alternateImage, bool isToggle);
    // The added button at `index`; null past the end.
    ImageButton* buttonAtIndex(quint64 index) const;
    void removeAllButtons();
    void buttonAction(ImageButton* button);

    ImageButton* plusButton() const { return plusButton_; }
    ImageButton* minusButton() const { return minusButton_; }
    const QList<ImageButton*>& buttons() const { return buttons_; }
    ZTFooterBarDelegate* delegate() const { return delegate_; }
    void setDelegate(ZTFooterBarDelegate* delegate) { delegate_ = delegate; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void placeButtons();

    ImageButton* plusButton_ = nullptr;
    ImageButton* minusButton_ = nullptr;
    ZTFooterBarDelegate* delegate_ = nullptr;
    QList<ImageButton*> buttons_;
    QList<std::pair<ImageButton*, QRectF>> frames_; // y-up frame of every button
};
