#pragma once

#include "ZTEditorWindowController.h"

#include <QList>
#include <QString>
#include <QVariantMap>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The editor of one custom item of "Chord progressions": 2 to 8 chords, each a scale degree
// and a chord, with a name, a group and a standard level. The name follows the chords until
// the user types one. Saving refuses a name or a chord sequence that another item of the
// exercise already has, then adds or replaces the item in the settings store.
//
// The item is kept in its stored form (steps in semitones from the root); the step pop-ups
// show scale degrees. A stored value the pop-ups cannot show (a step off the scale, a chord
// id the catalogue lacks, a level past the list, more than eight steps) shows no choice and
// is kept as it is until the user chooses another.
class ZTCustomChordProgressionsWindowController : public ZTEditorWindowController {
    Q_OBJECT
public:
    struct Outlets : CommonControls {
        QLabel* nameLabel = nullptr;
        QLineEdit* nameTextField = nullptr;
        QLabel* numChordsLabel = nullptr;
        QComboBox* numChordsPopupMenu = nullptr;
        QLabel* stepLabel = nullptr;
        QLabel* chordLabel = nullptr;
        QList<QComboBox*> stepPopupMenus;  // rows 1-8
        QList<QComboBox*> chordPopupMenus; // rows 1-8
    };

    ZTCustomChordProgressionsWindowController();

    // Set by the opener before the window is first asked for; a new item is opened without.
    void setItem(const QVariantMap& item) { item_ = item; }
    void setItemIndex(qint64 index) { itemIndex_ = index; }
    const QVariantMap& item() const { return item_; }
    qint64 itemIndex() const { return itemIndex_; }
    bool wasNew() const { return wasNew_; }
    bool manualName() const { return manualName_; }
    const Outlets& outlets() const { return outlets_; }

    // Actions.
    void numChordsAction();
    void stepAction();
    void chordAction() { stepAction(); }
    void playAction();
    void saveAction();
    void cancelAction();
    // The name field was edited.
    void controlTextDidChange();

protected:
    QDialog* buildWindow() override;
    void windowDidLoad() override;

private:
    void _updateViews();
    QString _autoName() const;
    void _updateNameIfRequired();
    void _createDef();
    QVariantList definition() const;
    void setDefinition(const QVariantList& steps);
    bool isMinor() const;

    Outlets outlets_;
    QVariantMap item_;
    qint64 itemIndex_ = -1;
    bool wasNew_ = false;
    QString originalName_;
    bool manualName_ = false;
    QStringList chordIds_; // behind every chord pop-up, as filled
};
