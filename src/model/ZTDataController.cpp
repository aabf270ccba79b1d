#include "ZTDataController.h"

#include "Log.h"
#include "MainQueue.h"
#include "NotificationCenter.h"
#include "Paths.h"
#include "PlistValues.h"
#include "PropertyList.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUuid>

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>

namespace {

const QString kExamsDidUpdate = QStringLiteral("examsDidUpdateNotification");
const QString kTotalCount = QStringLiteral("totalCount");

QString documentFile(const QString& name)
{
    return Paths::documentsFolder() + QLatin1Char('/') + name;
}

QString repetitionsPath()
{
    return documentFile(QStringLiteral("reptitions.plist"));
}

QString serverResultsPath()
{
    return documentFile(QStringLiteral("serverResults.plist"));
}

QString pendingResultsPath()
{
    return documentFile(QStringLiteral("pendingResults.plist"));
}

QString idKey(qlonglong examId)
{
    return QString::number(examId);
}

// Reads a dictionary file; a missing file is an empty dictionary. A file that is there but
// is no dictionary reads as empty too; *unreadable says so, so writers can keep it aside.
QVariantMap readDictionary(const QString& path, bool* unreadable = nullptr)
{
    if (unreadable)
        *unreadable = false;
    if (!QFileInfo::exists(path))
        return {};
    QString error;
    const std::optional<QVariant> contents = PropertyList::readFile(path, &error);
    if (contents && contents->typeId() == QMetaType::QVariantMap)
        return contents->toMap();
    Log::line(QStringLiteral("Could not read %1 (%2); it counts as empty.")
                  .arg(path, contents ? QStringLiteral("not a dictionary") : error));
    if (unreadable)
        *unreadable = true;
    return {};
}

bool writeDictionary(const QString& path, const QVariantMap& dictionary)
{
    QString error;
    if (QDir().mkpath(QFileInfo(path).absolutePath())
        && PropertyList::writeFileAtomically(path, dictionary, &error))
        return true;
    Log::line(QStringLiteral("Could not write %1 (%2).").arg(path, error));
    return false;
}

// Rewrites a file of counts or results. One that could not be read is first moved aside
// under "<name>.unreadable", so what it held is not lost to the new contents.
bool updateDictionary(const QString& path, const std::function<void(QVariantMap&)>& change)
{
    bool unreadable = false;
    QVariantMap dictionary = readDictionary(path, &unreadable);
    if (unreadable) {
        const QString aside = path + QStringLiteral(".unreadable");
        QFile::remove(aside);
        if (!QFile::rename(path, aside)) {
            Log::line(QStringLiteral("Could not move the unreadable %1 aside; it is left as it is.").arg(path));
            return false;
        }
    }
    change(dictionary);
    return writeDictionary(path, dictionary);
}

// Counts far beyond any real one are held there, so that sums of counts cannot overflow.
constexpr qlonglong kMaxCount = qlonglong(1) << 40;

qlonglong countOf(const QVariant& value)
{
    return std::clamp<qlonglong>(PlistValues::toWholeNumber(value).value_or(0), 0, kMaxCount);
}

} // namespace

ZTDataController* ZTDataController::sharedController()
{
    static const std::unique_ptr<ZTDataController> instance = std::make_unique<ZTDataController>();
    return instance.get();
}

QString ZTDataController::examsPath()
{
    return documentFile(QStringLiteral("exams.plist"));
}

QString ZTDataController::documentPath() const
{
    return Paths::documentsFolder();
}

QVariantList ZTDataController::examsSortedBy(const QList<ZTSortDescriptor>& sortDescriptors) const
{
    const QString path = examsPath();
    if (!QFileInfo::exists(path))
        return {};
    QString error;
    const std::optional<QVariant> contents = PropertyList::readFile(path, &error);
    if (!contents) {
        Log::line(QStringLiteral("Could not read exams.plist at %1 (%2); no exams.").arg(path, error));
        return {};
    }
    if (contents->typeId() != QMetaType::QVariantMap) {
        Log::line(QStringLiteral("exams.plist at %1 is not a dictionary of exams; no exams.").arg(path));
        return {};
    }
    QVariantList exams = contents->toMap().values();
    if (sortDescriptors.isEmpty())
        return exams;
    std::stable_sort(exams.begin(), exams.end(), [&](const QVariant& a, const QVariant& b) {
        for (const ZTSortDescriptor& descriptor : sortDescriptors) {
            const QPartialOrdering order = QVariant::compare(a.toMap().value(descriptor.key),
                                                             b.toMap().value(descriptor.key));
            if (order == QPartialOrdering::Less)
                return descriptor.ascending;
            if (order == QPartialOrdering::Greater)
                return !descriptor.ascending;
        }
        return false;
    });
    return exams;
}

void ZTDataController::updateExamsFromArray(const QVariantList& exams)
{
    // The file is the server's list as last fetched, so it is replaced, never merged.
    QVariantMap stored;
    for (const QVariant& exam : exams) {
        const std::optional<qlonglong> id = PlistValues::toWholeNumber(exam.toMap().value(QStringLiteral("id")));
        if (!id || exam.typeId() != QMetaType::QVariantMap) {
            Log::line(QStringLiteral("updateExamsFromArray: an exam without an integer id is left out."));
            continue;
        }
        stored.insert(idKey(*id), exam);
    }
    const QString path = examsPath();
    if (writeDictionary(path, stored))
        Log::line(QStringLiteral("updateExamsFromArray ExamsWritten: %1").arg(path));
    else
        Log::line(QStringLiteral("updateExamsFromArray Could not write"));
    MainQueue::async([] { NotificationCenter::defaultCenter().post(kExamsDidUpdate); });
}

void ZTDataController::removeAllExams()
{
    QFile file(examsPath());
    if (!file.exists())
        return;
    if (!file.remove())
        Log::line(QStringLiteral("removeAllExams\n\t%1\n\n\t%2\n\n").arg(file.errorString(), file.fileName()));
    NotificationCenter::defaultCenter().post(kExamsDidUpdate);
}

void ZTDataController::incrementRepetitionCountForExamWithID(qlonglong examId)
{
    updateDictionary(repetitionsPath(), [examId](QVariantMap& counts) {
        const QString key = idKey(examId);
        counts.insert(key, countOf(counts.value(key)) + 1);
    });
}

qlonglong ZTDataController::repetitionCountForExamWithID(qlonglong examId) const
{
    const qlonglong local = countOf(readDictionary(repetitionsPath()).value(idKey(examId)));
    const qlonglong server = serverSideRepetiionCountForExamWithID(examId);
    const qlonglong result = std::max(local, server);
    Log::line(QStringLiteral("\nEcamID: %1\n\tlocalRepetitionCount: %2\n\tserverSideRepetitionCount: %3\n\t"
                             "returnValue: %4\n______________________\n")
                  .arg(examId)
                  .arg(local)
                  .arg(server)
                  .arg(result));
    return result;
}

void ZTDataController::processServerSideResults(const QVariantList& results)
{
    updateDictionary(serverResultsPath(), [&results](QVariantMap& stored) {
        for (const QVariant& entry : results) {
            const QVariantMap result = entry.toMap();
            const std::optional<qlonglong> id = PlistValues::toWholeNumber(result.value(QStringLiteral("exam_id")));
            if (!id)
                continue;
            const qlonglong right = countOf(result.value(QStringLiteral("right")));
            const qlonglong wrong = countOf(result.value(QStringLiteral("wrong")));
            QVariantMap counts = stored.value(idKey(*id)).toMap();
            counts.insert(QStringLiteral("right"), right);
            counts.insert(QStringLiteral("wrong"), wrong);
            counts.insert(kTotalCount, right + wrong);
            stored.insert(idKey(*id), counts);
        }
    });
}

qlonglong ZTDataController::serverSideRepetiionCountForExamWithID(qlonglong examId) const
{
    return countOf(resultsForExamWithID(examId).value(kTotalCount));
}

QVariantMap ZTDataController::resultsForExamWithID(qlonglong examId) const
{
    return readDictionary(serverResultsPath()).value(idKey(examId)).toMap();
}

QString ZTDataController::keepPendingResult(const QVariantMap& body, qlonglong examId, const QString& user)
{
    const QString key = QUuid::createUuid().toString(QUuid::WithoutBraces);
    const bool kept = updateDictionary(pendingResultsPath(), [&](QVariantMap& pending) {
        pending.insert(key, QVariantMap{{QStringLiteral("examId"), examId},
                                        {QStringLiteral("user"), user},
                                        {QStringLiteral("body"), body}});
    });
    return kept ? key : QString();
}

QList<ZTDataController::PendingResult> ZTDataController::pendingResults() const
{
    QList<PendingResult> results;
    const QVariantMap pending = readDictionary(pendingResultsPath());
    for (auto it = pending.cbegin(); it != pending.cend(); ++it) {
        const QVariantMap entry = it.value().toMap();
        const std::optional<qlonglong> id = PlistValues::toWholeNumber(entry.value(QStringLiteral("examId")));
        if (!id)
            continue;
        results.append({it.key(), *id, entry.value(QStringLiteral("user")).toString(),
                        entry.value(QStringLiteral("body")).toMap()});
    }
    return results;
}

void ZTDataController::removePendingResult(const QString& key)
{
    if (!readDictionary(pendingResultsPath()).contains(key))
        return;
    updateDictionary(pendingResultsPath(), [&key](QVariantMap& pending) { pending.remove(key); });
}
