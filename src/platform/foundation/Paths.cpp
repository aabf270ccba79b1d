#include "Paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace Paths {

QString applicationSupportFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
        + QStringLiteral("/Vantrel/Melvora");
}

QString cachesFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation)
        + QStringLiteral("/Vantrel/Melvora");
}

QString documentsFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
}

QString temporaryFolder()
{
    return QDir::tempPath();
}

namespace {

// The bundle beside the executable does not move while the process runs, so it is looked
// for once; every image and resource lookup goes through here.
QString bundleBesideExecutable()
{
    static const QString folder = [] {
        const QString executableFolder = QCoreApplication::instance()
            ? QCoreApplication::applicationDirPath()
            : QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath().section(QLatin1Char('/'), 0, -2);
        for (const QString& candidate : {executableFolder + QStringLiteral("/resources"),
                                         executableFolder + QStringLiteral("/../resources"),
                                         executableFolder + QStringLiteral("/../share/melvora/resources")}) {
            if (QFileInfo(candidate).isDir())
                return QDir::cleanPath(candidate);
        }
        return QDir::cleanPath(executableFolder + QStringLiteral("/resources"));
    }();
    return folder;
}

} // namespace

QString resourcesFolder()
{
    const QString fromEnvironment = qEnvironmentVariable("MELVORA_RESOURCES");
    if (!fromEnvironment.isEmpty())
        return QDir::cleanPath(fromEnvironment);
    return bundleBesideExecutable();
}

QString resource(const QString& relativeName)
{
    return resourcesFolder() + QLatin1Char('/') + relativeName;
}

} // namespace Paths
