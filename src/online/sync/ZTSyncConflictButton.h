#pragma once

#include <QAbstractButton>
#include <QString>

// One choice of the conflict window: a push button that shows an icon, the side's name, the
// area in conflict and the date of that side's copy.
class ZTSyncConflictButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit ZTSyncConflictButton(QWidget* parent = nullptr);

    // A bundle image name.
    QString icon() const { return icon_; }
    void setIcon(const QString& imageName);
    QString buttonTitle() const { return buttonTitle_; }
    void setButtonTitle(const QString& title);
    QString filename() const { return filename_; }
    void setFilename(const QString& filename);
    QString date() const { return date_; }
    void setDate(const QString& date);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString icon_;
    QString buttonTitle_;
    QString filename_;
    QString date_;
};
