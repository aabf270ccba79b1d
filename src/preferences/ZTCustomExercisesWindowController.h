#pragma once

#include "ZTEditorWindowController.h"
#include "ZTNoteView.h"

#include <QList>
#include <QString>
#include <QVariantMap>

#include <memory>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class ZTMusicalTest;
class ZTNoteCollection;
class QVNote;

// The editor of one custom chord ("Chord recognition") or scale ("Scale recognition"): the
// notes are entered on a staff from middle C up, the item gets a name (a chord also a short
// name such as "maj7"), a group and the standard level from which on it is asked. Saving
// refuses a name, short name or set of notes that another item of the exercise has, then
// adds or replaces the item in the settings store.
class ZTCustomExercisesWindowController : public ZTEditorWindowController, public ZTNoteViewDelegate {
    Q_OBJECT
public:
    struct Outlets : CommonControls {
        QLabel* titleLabel = nullptr;
        QLabel* nameLabel = nullptr;
        QLabel* shortNameLabel = nullptr;
        QLineEdit* nameTextField = nullptr;
        QLineEdit* shortNameTextField = nullptr;
        ZTNoteView* noteView = nullptr;
    };

    ZTCustomExercisesWindowController();

    // Set by the opener before the window is first asked for: "Chord recognition" edits a
    // chord, any other exercise a scale; `item` and `itemIndex` only to edit an item.
    void setExerciseName(const QString& name) { exerciseName_ = name; }
    const QString& exerciseName() const { return exerciseName_; }
    void setItem(const QVariantMap& item) { item_ = item; }
    void setItemIndex(qint64 index) { itemIndex_ = index; }
    const Outlets& outlets() const { return outlets_; }

    void okAction();
    void cancelAction();
    void playAction();
    void noteViewDidChange(ZTNoteView* noteView) override;
    // A change of the name or short-name field.
    void textDidChange();

    // The item the window's fields and staff describe; empty while the staff holds no notes.
    QVariantMap _itemFromNoteView() const;
    QVariantMap _chordItemFromCollections(const QList<ZTNoteCollection>& collections, qint64 groupId,
                                          const QVariant& level, const QString& name, const QString& chordId) const;
    QVariantMap _scaleItemFromCollections(const QList<ZTNoteCollection>& collections, qint64 groupId,
                                          const QVariant& level, const QString& name) const;
    // One step of the definition: the note's degree from middle C, accidental and semitones.
    static QVariantMap _definitionItemForNote(const QVNote& note);

protected:
    QDialog* buildWindow() override;
    void windowDidLoad() override;

private:
    bool isChordMode() const;
    static QVariantMap itemWithDefinition(const QVariantList& definition, qint64 groupId, const QVariant& level,
                                          const QString& name);
    void _updateButtons();
    // The chosen level, or the stored one while the pop-up shows none.
    QVariant chosenLevel() const;
    // Shows a refusal on the editor's window.
    void refuse(const QString& message, const QString& informativeText);

    Outlets outlets_;
    QString exerciseName_;
    QVariantMap item_;
    qint64 itemIndex_ = -1;
    std::shared_ptr<ZTMusicalTest> question_;
};
