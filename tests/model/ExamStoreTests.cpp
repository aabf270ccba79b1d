#include "ZTDataController.h"
#include "ZTDataProvider.h"

#include "NotificationCenter.h"
#include "Paths.h"
#include "PlistValues.h"
#include "PropertyList.h"
#include "TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <limits>

#include <gtest/gtest.h>

namespace {

QVariantMap exam(const QString& name, qlonglong created, const QVariantList& questions = {})
{
    return {{"name", name}, {"created", created}, {"questions", questions}};
}

} // namespace

TEST(ExamStore, ReadsStoredRecordsAndLeavesAnUnreadableFileAlone)
{
    TestEnvironment env;
    ZTDataController* store = ZTDataController::sharedController();
    {
        LogCapture log;
        EXPECT_TRUE(store->examsSortedBy({}).isEmpty());
        EXPECT_TRUE(log.lines().isEmpty()); // no exams yet is not a fault
    }

    QDir().mkpath(Paths::documentsFolder());
    const QVariantMap exams{{"id-b", exam("Beta", 1)}, {"id-a", exam("Alpha", 3)}, {"id-c", exam("Gamma", 2)}};
    ASSERT_TRUE(PropertyList::writeFileAtomically(ZTDataController::examsPath(), exams));
    QStringList names;
    for (const QVariant& record : store->examsSortedBy({{"created", false}}))
        names << record.toMap().value("name").toString();
    EXPECT_EQ(names, QStringList({"Alpha", "Gamma", "Beta"}));

    const QByteArray full = PropertyList::toXml(exams);
    for (const QByteArray& bytes : {full.left(full.size() - 20), PropertyList::toXml(QVariantList{exam("Alpha", 1)})}) {
        QFile file(ZTDataController::examsPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
        file.close();
        LogCapture log;
        EXPECT_TRUE(store->examsSortedBy({}).isEmpty());
        EXPECT_TRUE(log.contains("exams.plist"));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), bytes);
    }
}

TEST(ExamStore, CatalogueCanBeBuiltFromAStoredExam)
{
    TestEnvironment env;
    QDir().mkpath(Paths::documentsFolder());
    ASSERT_TRUE(PropertyList::writeFileAtomically(env.copyOfResources() + "/Tests.plist",
                                                  QVariantList{QVariantMap{{"name", "Interval recognition"}}}));
    const QVariantList questions{QVariantMap{{"name", "Exam intervals"}, {"items", QVariantList{QVariantMap{{"name", "Fifth"}}}}}};
    ASSERT_TRUE(PropertyList::writeFileAtomically(ZTDataController::examsPath(),
                                                  QVariantMap{{"e1", exam("Spring", 1, questions)}}));

    ZTDataProvider catalogue{ZTDataProvider::CustomListSource{}};
    catalogue.setUpWithExerciseName("Spring");
    EXPECT_EQ(catalogue.exerciseNamesForTestWithName("Exam intervals"), QStringList({"Fifth"}));

    LogCapture log;
    catalogue.setUpWithExerciseName("Autumn"); // unknown exam: logged, catalogue kept
    EXPECT_TRUE(log.contains("Autumn"));
    EXPECT_EQ(catalogue.testNames(), QStringList({"Exam intervals"}));

    catalogue.setUpWithExerciseName(QString());
    EXPECT_EQ(catalogue.testNames(), QStringList({"Interval recognition"}));
}

namespace {

QVariantMap plistFile(const QString& name)
{
    return PropertyList::readFile(Paths::documentsFolder() + "/" + name).value_or(QVariant()).toMap();
}

QVariantMap serverExam(qlonglong id, const QString& name)
{
    return {{"id", id}, {"name", name}, {"questions", QVariantList{}}};
}

} // namespace

TEST(ExamStore, AFetchReplacesTheStoredExamsAndIsAnnounced)
{
    TestEnvironment env;
    ManualMainQueue queue;
    ZTDataController* store = ZTDataController::sharedController();
    int announced = 0;
    const NotificationObserver observer = NotificationCenter::defaultCenter().addObserver(
        "examsDidUpdateNotification", [&](const Notification&) { ++announced; });

    store->updateExamsFromArray({serverExam(3, "Old three"), serverExam(5, "Five")});
    store->updateExamsFromArray({serverExam(3, "New three"), serverExam(7, "Seven"),
                                 QVariantMap{{"name", "No id"}}});
    EXPECT_EQ(announced, 0); // on the main queue, not at once
    queue.runPending();
    EXPECT_EQ(announced, 2);
    const QVariantMap stored = plistFile("exams.plist");
    EXPECT_EQ(QStringList(stored.keys()), QStringList({"3", "7"}));
    EXPECT_EQ(stored.value("3").toMap().value("name").toString(), "New three");

    store->updateExamsFromArray({});
    queue.runPending();
    EXPECT_EQ(announced, 3);
    EXPECT_TRUE(QFileInfo::exists(ZTDataController::examsPath()));
    EXPECT_TRUE(store->examsSortedBy({}).isEmpty());
}

TEST(ExamStore, StartCountsAndServerCountsSurviveALogout)
{
    TestEnvironment env;
    ZTDataController* store = ZTDataController::sharedController();
    store->incrementRepetitionCountForExamWithID(12);
    EXPECT_EQ(plistFile("reptitions.plist"), (QVariantMap{{"12", 1}}));
    store->incrementRepetitionCountForExamWithID(12);
    store->incrementRepetitionCountForExamWithID(4);
    store->incrementRepetitionCountForExamWithID(4);
    store->incrementRepetitionCountForExamWithID(4);
    store->incrementRepetitionCountForExamWithID(4);

    // The server's count is right plus wrong of the last item given for an exam.
    store->processServerSideResults({QVariantMap{{"exam_id", 9}, {"right", 3}, {"wrong", 1}},
                                     QVariantMap{{"exam_id", 9}, {"right", 2}, {"wrong", 2}},
                                     QVariantMap{{"exam_id", "12"}, {"right", 4}, {"wrong", 1}},
                                     QVariantMap{{"right", 8}}});
    store->processServerSideResults({QVariantMap{{"exam_id", 30.0}, {"right", -5}, {"wrong", 1}}});
    EXPECT_EQ(store->resultsForExamWithID(9), (QVariantMap{{"right", 2}, {"wrong", 2}, {"totalCount", 4}}));
    EXPECT_EQ(store->serverSideRepetiionCountForExamWithID(30), 1); // a negative count counts 0
    EXPECT_TRUE(store->resultsForExamWithID(11).isEmpty());

    EXPECT_EQ(store->repetitionCountForExamWithID(12), 5); // local 2, server 5
    EXPECT_EQ(store->repetitionCountForExamWithID(4), 4);  // local 4, no server entry
    EXPECT_EQ(store->repetitionCountForExamWithID(9), 4);  // no local starts

    store->updateExamsFromArray({serverExam(12, "Twelve")});
    store->removeAllExams();
    EXPECT_FALSE(QFileInfo::exists(ZTDataController::examsPath()));
    EXPECT_EQ(store->repetitionCountForExamWithID(12), 5);
    EXPECT_EQ(store->serverSideRepetiionCountForExamWithID(9), 4);
}

TEST(ExamStore, NumbersBeyondAnyRealCountNeitherOverflowNorBecomeIds)
{
    TestEnvironment env;
    ZTDataController* store = ZTDataController::sharedController();
    const qlonglong huge = std::numeric_limits<qlonglong>::max();
    store->processServerSideResults({QVariantMap{{"exam_id", 9}, {"right", huge}, {"wrong", huge}},
                                     QVariantMap{{"exam_id", 1e300}, {"right", 1}},
                                     QVariantMap{{"exam_id", 2.5}, {"right", 1}}});
    const QVariantMap counts = store->resultsForExamWithID(9);
    EXPECT_GT(counts.value("right").toLongLong(), 0);
    EXPECT_GT(counts.value("totalCount").toLongLong(), counts.value("right").toLongLong());
    EXPECT_EQ(QStringList(plistFile("serverResults.plist").keys()), QStringList({"9"}));

    // A start counted on top of the largest stored count still counts.
    ASSERT_TRUE(PropertyList::writeFileAtomically(Paths::documentsFolder() + "/reptitions.plist", QVariantMap{{"3", huge}}));
    store->incrementRepetitionCountForExamWithID(3);
    EXPECT_GT(store->repetitionCountForExamWithID(3), 0);

    QVariantMap realId = serverExam(0, "Real"), hugeId = serverExam(0, "Huge"), paddedId = serverExam(0, "Padded");
    realId["id"] = 2.5;
    hugeId["id"] = -1e300;
    paddedId["id"] = " 7 ";
    QVariantMap unsignedId = serverExam(0, "Unsigned");
    unsignedId["id"] = QVariant::fromValue(std::numeric_limits<qulonglong>::max());
    store->updateExamsFromArray({realId, hugeId, paddedId, unsignedId, serverExam(8, "Eight")});
    EXPECT_EQ(QStringList(plistFile("exams.plist").keys()), QStringList({"7", "8"}));
}

TEST(ExamStore, AnUnreadableCountFileIsKeptAsideNotOverwritten)
{
    TestEnvironment env;
    QDir().mkpath(Paths::documentsFolder());
    const QString path = Paths::documentsFolder() + "/reptitions.plist";
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("<plist><dict><key>3</key>");
    file.close();

    LogCapture log;
    ZTDataController* store = ZTDataController::sharedController();
    EXPECT_EQ(store->repetitionCountForExamWithID(3), 0);
    store->incrementRepetitionCountForExamWithID(3);
    EXPECT_EQ(plistFile("reptitions.plist"), (QVariantMap{{"3", 1}}));
    QFile aside(path + ".unreadable");
    ASSERT_TRUE(aside.open(QIODevice::ReadOnly));
    EXPECT_EQ(aside.readAll(), QByteArray("<plist><dict><key>3</key>"));
    EXPECT_TRUE(log.contains("reptitions.plist"));
}

TEST(ExamStore, PendingResultsStayUntilRemoved)
{
    TestEnvironment env;
    ZTDataController* store = ZTDataController::sharedController();
    const QVariantMap body{{"exam", QVariantMap{{"right", 2}, {"answers", QVariantList{}}}}};
    const QString first = store->keepPendingResult(body, 12, "ada");
    const QString second = store->keepPendingResult(body, 14, "bob");
    ASSERT_FALSE(first.isEmpty());
    ASSERT_NE(first, second);

    QList<ZTDataController::PendingResult> pending = store->pendingResults();
    ASSERT_EQ(pending.size(), 2);
    const auto firstEntry = std::find_if(pending.cbegin(), pending.cend(), [&](const auto& p) { return p.key == first; });
    ASSERT_NE(firstEntry, pending.cend());
    EXPECT_EQ(firstEntry->examId, 12);
    EXPECT_EQ(firstEntry->user, "ada");
    EXPECT_TRUE(PlistValues::objectsEqual(firstEntry->body, body));

    store->removePendingResult(first);
    store->removePendingResult("no such key");
    pending = store->pendingResults();
    ASSERT_EQ(pending.size(), 1);
    EXPECT_EQ(pending.first().key, second);
}
