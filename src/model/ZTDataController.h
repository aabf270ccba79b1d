#pragma once

#include <QList>
#include <QString>
#include <QVariantList>
#include <QVariantMap>

// How to order records: by the value under a key, ascending or descending.
struct ZTSortDescriptor {
    QString key;
    bool ascending = true;
};

// The local exam store: property lists in the documents folder, each replaced whole on
// every write.
//   "exams.plist"          the exams last fetched from the exam server, by id
//   "reptitions.plist"     how often each exam was started on this computer, by id
//   "serverResults.plist"  the right/wrong counts the server last reported, by id
//   "pendingResults.plist" exam results whose upload has not yet gone through
// Every operation reads the file it needs afresh. Main thread only.
class ZTDataController {
public:
    static ZTDataController* sharedController();

    // Every stored exam record (the values of the stored dictionary), read afresh on each
    // call; without descriptors they come in stored order. An empty list when the file does
    // not exist or cannot be read.
    QVariantList examsSortedBy(const QList<ZTSortDescriptor>& sortDescriptors) const;

    // Makes the stored exams exactly the given ones (keyed by their "id"; a record without
    // an integer id is left out) and posts "examsDidUpdateNotification" on the main queue.
    void updateExamsFromArray(const QVariantList& exams);
    // Deletes "exams.plist" and posts "examsDidUpdateNotification"; the counts stay.
    void removeAllExams();

    void incrementRepetitionCountForExamWithID(qlonglong examId);
    // The larger of the local start count and the server's "totalCount".
    qlonglong repetitionCountForExamWithID(qlonglong examId) const;
    // Stores "right", "wrong" and "totalCount" per "exam_id"; a later item for the same
    // exam replaces an earlier one, exams not listed keep their entry.
    void processServerSideResults(const QVariantList& results);
    qlonglong serverSideRepetiionCountForExamWithID(qlonglong examId) const;
    // The stored server entry of the exam; empty when there is none.
    QVariantMap resultsForExamWithID(qlonglong examId) const;

    // Result uploads that have not gone through, kept until they do.
    struct PendingResult {
        QString key;
        qlonglong examId = 0;
        QString user; // whose exam it was
        QVariantMap body;
    };
    // Keeps the body for a later attempt; returns its key, or a null key when it could not
    // be written.
    QString keepPendingResult(const QVariantMap& body, qlonglong examId, const QString& user);
    QList<PendingResult> pendingResults() const;
    void removePendingResult(const QString& key);

    QString documentPath() const;
    static QString examsPath();
};
