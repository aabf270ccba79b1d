#pragma once

#include "ImageButton.h"

#include <QPointer>
#include <QSplitter>

// The main area's two panes, one over the other, with rounded corners. While the pointer is
// over the view an up button shows in the upper pane and a down button in the lower one,
// next to the divider; their owner moves the divider with them.
class ZTSplitView : public QSplitter {
    Q_OBJECT
public:
    static constexpr double kCornerRadius = 4.0;

    explicit ZTSplitView(QWidget* parent = nullptr);

    // Sets the divider so that the panes before it take `position` points (0 closes the
    // upper pane, the height less the divider closes the lower one).
    void setPosition(double position, int dividerIndex);
    double dividerThickness() const { return handleWidth(); }
    // Until the divider is moved, the upper pane takes this height, or a little more than half
    // the view when the view is too low for it, so that a small window shares its height
    // between the panes.
    void setPreferredUpperHeight(double height);
    // Height of a pane (0 when closed).
    double paneHeight(int index) const;
    // How far into its pane, from the divider, a hover button reaches with the room kept
    // around it: what a pane keeps clear for it.
    double buttonClearance() const;

    ImageButton* upButton() const { return upButton_; }
    void setUpButton(ImageButton* button) { upButton_ = button; }
    ImageButton* downButton() const { return downButton_; }
    void setDownButton(ImageButton* button) { downButton_ = button; }
    QWidget* upperView() const { return upperView_; }
    void setUpperView(QWidget* view);
    QWidget* lowerView() const { return lowerView_; }
    void setLowerView(QWidget* view);

    // Whether the hover buttons are shown.
    bool mouseInView() const { return mouseInView_; }
    // The mouse tracking the view had when the pointer came in; restored when it leaves.
    bool wasAcceptingMouseEvents() const { return wasAcceptingMouseEvents_; }

    // The pointer enters, moves over (a point in the view) and leaves the view.
    void mouseEntered();
    void mouseMoved(const QPointF& point);
    void mouseExited();

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // A pane whose size changes move its button.
    void watchPane(QPointer<QWidget>& pane, QWidget* view);
    void showButtons();
    // The buttons sit in the middle of their panes' edges at the divider.
    void placeButtons();
    void splitAsPreferred();

    bool wasAcceptingMouseEvents_ = false;
    bool mouseInView_ = false;
    double preferredUpperHeight_ = 0;
    bool dividerMoved_ = false;
    QPointer<ImageButton> upButton_;
    QPointer<ImageButton> downButton_;
    QPointer<QWidget> lowerView_;
    QPointer<QWidget> upperView_;
};
