#pragma once

#include <functional>

// What the Sync tab asks of the cloud-sync engine. The engine lives in a module of its own;
// src/main.cpp installs these calls once it exists. Until then the tab only stores its
// switches and tells the user that sync is not set up.
struct ZTSyncEngine {
    std::function<void()> startManualSync;
    std::function<void()> stopSync;
    std::function<void()> unlink;

    bool isInstalled() const { return startManualSync && stopSync && unlink; }
};
