#pragma once

#include <QList>
#include <QString>
#include <QVariantList>

// How to order records: by the value under a key, ascending or descending.
struct ZTSortDescriptor {
    QString key;
    bool ascending = true;
};

// The local exam store: the exam records kept in "exams.plist" in the documents folder.
class ZTDataController {
public:
    static ZTDataController* sharedController();

    // Every stored exam record (the values of the stored dictionary), read afresh on each
    // call; without descriptors they come in stored order. An empty list when the file does
    // not exist or cannot be read.
    QVariantList examsSortedBy(const QList<ZTSortDescriptor>& sortDescriptors) const;

    static QString examsPath();
};
