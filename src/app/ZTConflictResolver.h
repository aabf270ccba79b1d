#pragma once

// The window in which the user settles sync conflicts. It lives in the cloud-sync module; the
// main view controller opens it through the factory src/main.cpp installs.
// Conflict areas: 1 statistics, 2 custom levels and exercises, 3 preferences.
class ZTConflictResolver {
public:
    virtual ~ZTConflictResolver() = default;
    // Adds a row for the area unless it is listed already.
    virtual void addConflict(int area) = 0;
    // Shows the window modal to the application and returns once it has closed: after the last
    // area was settled, or when the user closed it. Events keep being handled meanwhile (later
    // conflicts arrive as addConflict calls) without busy waiting.
    virtual void runModalSession() = 0;
};
