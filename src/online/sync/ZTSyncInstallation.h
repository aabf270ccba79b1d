#pragma once

// Hooks the cloud sync into the application shell: the delegate's sync calls (launch, quit),
// the main view controller's conflict window, and the alerts that tell the user about failed
// passes. Call once, before the delegate launches; the engine is released when the application
// is about to quit.
namespace ZTSyncInstallation {

void install();

} // namespace ZTSyncInstallation
