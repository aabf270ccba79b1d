#pragma once

#include <functional>

class QWidget;

// What the application shell asks of the cloud-sync engine, which lives in a module above it;
// src/main.cpp installs these calls. Without them nothing syncs and quitting never waits.
struct ZTSyncService {
    // One pass; alerts and signing in hang on the controller's window.
    std::function<void(QWidget* controller)> startSync;
    std::function<bool()> isLinked;
    std::function<void()> unlink;
    // Whether an item that syncs has local changes Dropbox does not hold yet.
    std::function<bool()> hasUnsyncedChanges;

    bool isInstalled() const { return startSync && isLinked && unlink && hasUnsyncedChanges; }
};
