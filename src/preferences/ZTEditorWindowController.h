#pragma once

#include <QDialog>
#include <QObject>
#include <QPointer>
#include <QVariantMap>

#include <functional>

class QComboBox;
class QFormLayout;
class QLabel;
class QPushButton;
class QVBoxLayout;

// The base of the custom-exercise editors: a window built on first request and run as the
// application's modal window. The run ends when the window closes, with 1 (accepted) after
// a save and 0 (rejected) after Cancel or the close button. Main thread only.
class ZTEditorWindowController : public QObject {
    Q_OBJECT
public:
    ~ZTEditorWindowController() override;

    // Builds the window on the first call (then the load step runs once).
    QDialog* window();
    // Runs the window modally; returns 1 after a save, else 0.
    int runModal();

    // Tests run editors their own way (show the window, act on it, close it); the function
    // gets the editor and answers the run's code. An empty function restores the modal run.
    using Runner = std::function<int(ZTEditorWindowController& editor)>;
    static void setRunner(Runner runner);

    // What both editors have: the group and standard-level pop-ups with their labels, and
    // the Play, Cancel and Save buttons.
    struct CommonControls {
        QLabel* groupLabel = nullptr;
        QComboBox* groupPopup = nullptr; // entries tagged with the group id
        QLabel* levelLabel = nullptr;
        QComboBox* levelPopup = nullptr;
        QPushButton* playButton = nullptr;
        QPushButton* cancelButton = nullptr;
        QPushButton* saveButton = nullptr;
    };

protected:
    ZTEditorWindowController() = default;
    // Makes the window with its controls; called once.
    virtual QDialog* buildWindow() = 0;
    virtual void windowDidLoad() = 0;
    // A save went through: the window closes and the run ends with 1.
    void closeAfterSave();
    // A save is refused: a warning on the window with the localized message, the text as
    // given and the one button "OK"; the window stays open.
    void showRefusal(const QString& message, const QString& informativeText);

    static void addGroupAndLevelRows(QFormLayout* form, QWidget* window, CommonControls& controls);
    static void addButtonRow(QVBoxLayout* column, QWidget* window, CommonControls& controls);
    // Fills the pop-ups with the exercise's groups and level names, titles labels and
    // buttons, and shows the item's group (the first when no entry has its id) and level
    // (none when it is past the list, so the stored value stays; 0 when it has none).
    static void setUpCommonControls(const CommonControls& controls, const QString& test, const QVariantMap& item);
    // Index of the first group entry tagged with the id; -1 when none.
    static int groupMenuIndexForGroupId(const CommonControls& controls, qint64 groupId);

private:
    QPointer<QDialog> window_;
};
