#pragma once

#include "ZTConflictResolver.h"

#include <QDialog>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>

class QLabel;
class QListWidget;
class ZTSyncConflictButton;

// The window in which the user settles sync conflicts: one row per area in conflict, and for
// the selected row two choices, "Mac" (this computer's copy is kept and uploaded) and
// "Dropbox" (the Dropbox copy is downloaded). Each choice removes its row; after the last one
// the window closes. The transfers run on in the sync engine. Main thread.
class ZTDropboxConflictResolverWindowController : public QObject, public ZTConflictResolver {
    Q_OBJECT
public:
    enum Solution { Device = 0, Dropbox = 1 };

    // What the main view controller's factory makes.
    static std::unique_ptr<ZTConflictResolver> make();

    ZTDropboxConflictResolverWindowController();
    ~ZTDropboxConflictResolverWindowController() override;

    // ---- ZTConflictResolver ----
    void addConflict(int area) override;
    // Modal to the application until the window closes; the event loop waits for events.
    void runModalSession() override;

    void deviceAction();
    void dropboxAction();
    void tableViewSelected();
    int numberOfRowsInTableView() const { return int(conflicts_.size()); }
    // The area name of a row; "????" (logged) for an unknown area.
    QString tableViewObjectValue(int row) const;
    const QList<int>& conflicts() const { return conflicts_; }

    QDialog* window() const { return window_.data(); }
    QLabel* headLabel() const { return headLabel_; }
    QListWidget* tableView() const { return tableView_; }
    QLabel* selectionLabel() const { return selectionLabel_; }
    ZTSyncConflictButton* deviceButton() const { return deviceButton_; }
    ZTSyncConflictButton* dropBoxButton() const { return dropBoxButton_; }

private:
    void windowDidLoad();
    void _resolve(Solution solution);
    void _resolveConflict(int area, Solution solution);
    void _updateButtons();
    void reloadTable();

    QList<int> conflicts_;
    QPointer<QDialog> window_;
    QLabel* headLabel_ = nullptr;
    QListWidget* tableView_ = nullptr;
    QLabel* selectionLabel_ = nullptr;
    ZTSyncConflictButton* deviceButton_ = nullptr;
    ZTSyncConflictButton* dropBoxButton_ = nullptr;
};
