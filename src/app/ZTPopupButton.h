#pragma once

#include <QAbstractButton>
#include <QMenu>
#include <QPointer>
#include <QString>

class QAction;

// A pop-up button over a menu: a click opens the menu under the button. Its items are the
// menu's actions that are not separators. The menu may be shared with the menu bar (the
// Exercise menu) or be the button's own (addItemWithTitle). The button shows its label,
// which the owner sets from the selected item.
class ZTPopupButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit ZTPopupButton(QWidget* parent = nullptr);
    ~ZTPopupButton() override;

    // A shared menu is not owned.
    void setMenu(QMenu* menu);
    QMenu* menu() const { return menu_; }

    // The button's own items: removes them all / appends one whose choice emits itemChosen.
    void removeAllItems();
    QAction* addItemWithTitle(const QString& title);

    int numberOfItems() const;
    QString itemTitleAtIndex(int index) const;
    // -1 selects nothing; an index past the end too.
    void selectItemAtIndex(int index);
    int indexOfSelectedItem() const { return selectedIndex_; }
    // Empty when nothing is selected.
    QString titleOfSelectedItem() const;

    QString labelText() const { return labelText_; }
    void setLabelText(const QString& text);

    void showPopup();

    // Its label's width, or the width fitted to its titles.
    QSize sizeHint() const override;
    // Asks for the width that shows the widest of `titles` whole beside the arrows, within
    // minimum .. maximum; a narrow window may give it less, down to the minimum. A label
    // wider than the button is shortened with an ellipsis.
    void fitWidthToTitles(const QStringList& titles, int minimum, int maximum);

    // The chevrons' box at the right end, and the room for the title left of it with a clear
    // gap between them; the title never reaches into the arrows' box.
    QRectF arrowRect() const;
    QRectF titleRect() const;
    // The label as drawn: shortened with an ellipsis when it is wider than titleRect.
    QString shownLabel() const;
    static constexpr double kTitleGap = 8;

signals:
    void itemChosen(int index);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QList<QAction*> items() const;
    int widthForTitles(const QStringList& titles) const;

    QPointer<QMenu> menu_;
    QMenu* ownMenu_ = nullptr;
    int selectedIndex_ = -1;
    QString labelText_;
    int fittedWidth_ = 0; // 0: follow the label
};
