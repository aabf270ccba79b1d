#pragma once

#include <QAbstractButton>
#include <QString>

// A borderless button drawn from two bundle images: the image, and the alternate image
// shown while it is on (toggle) or held down (momentary change). A title, when set, is
// drawn centred over the image in the palette's button-text colour.
class ImageButton : public QAbstractButton {
    Q_OBJECT
public:
    enum class Type {
        MomentaryChange, // alternate image while pressed
        Toggle,          // on/off state; alternate image while on
        MomentaryPushIn, // the image darkens while pressed
    };

    explicit ImageButton(QWidget* parent = nullptr);

    void setType(Type type);
    Type type() const { return type_; }
    void setImageName(const QString& name);
    QString imageName() const { return imageName_; }
    void setAlternateImageName(const QString& name);
    QString alternateImageName() const { return alternateImageName_; }
    // A number the owner reads back in the action (the step of a step button).
    void setTag(qint64 tag) { tag_ = tag; }
    qint64 tag() const { return tag_; }
    // On/off state of a toggle (the same as Qt's checked state).
    bool isOn() const { return isChecked(); }
    void setOn(bool on) { setChecked(on); }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Type type_ = Type::MomentaryChange;
    QString imageName_;
    QString alternateImageName_;
    qint64 tag_ = 0;
};
