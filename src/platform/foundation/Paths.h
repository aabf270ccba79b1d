#pragma once

#include <QString>

// The folders the application reads and writes. Everything follows the XDG variables,
// so tests point them at temporary folders; the bundle follows MELVORA_RESOURCES.
namespace Paths {

// ~/.local/share/Vantrel/Melvora: settings.plist and db.sqlite live here. Not created.
QString applicationSupportFolder();
QString cachesFolder();
QString documentsFolder();
QString temporaryFolder();

// The bundle's resources folder: $MELVORA_RESOURCES, else "resources" beside the executable.
QString resourcesFolder();
// Path of a bundle resource by relative name; the path is returned even when nothing is there.
QString resource(const QString& relativeName);

} // namespace Paths
