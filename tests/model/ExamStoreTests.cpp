#include "ZTDataController.h"
#include "ZTDataProvider.h"

#include "Paths.h"
#include "PropertyList.h"
#include "TestEnvironment.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace {

QVariantMap exam(const QString& name, qlonglong created, const QVariantList& questions = {})
{
    return {{"name", name}, {"created", created}, {"questions", questions}};
}

QStringList examNames(const QVariantList& exams)
{
    QStringList names;
    for (const QVariant& exam : exams)
        names << exam.toMap().value("name").toString();
    return names;
}

ZTDataProvider::CustomListSource noCustomLists()
{
    return {[](const QString&) { return QVariantList{}; }, [](const QString&) { return QVariantList{}; }};
}

} // namespace

TEST(ExamStore, ReadsTheStoredRecordsAndSortsOnlyWhenAsked)
{
    TestEnvironment env;
    ZTDataController* store = ZTDataController::sharedController();
    {
        LogCapture log;
        EXPECT_TRUE(store->examsSortedBy({}).isEmpty());
        EXPECT_TRUE(log.lines().isEmpty()); // no exams yet is not a fault
    }

    QDir().mkpath(Paths::documentsFolder());
    ASSERT_TRUE(PropertyList::writeFileAtomically(
        ZTDataController::examsPath(),
        QVariantMap{{"id-b", exam("Beta", 1)}, {"id-a", exam("Alpha", 3)}, {"id-c", exam("Gamma", 2)}}));
    EXPECT_EQ(store->examsSortedBy({}).size(), 3);
    EXPECT_EQ(examNames(store->examsSortedBy({{"created", false}})), QStringList({"Alpha", "Gamma", "Beta"}));
    EXPECT_EQ(examNames(store->examsSortedBy({{"name", true}})), QStringList({"Alpha", "Beta", "Gamma"}));
}

TEST(ExamStore, UnreadableFileLogsYieldsNothingAndIsLeftAlone)
{
    TestEnvironment env;
    QDir().mkpath(Paths::documentsFolder());
    const QByteArray full = PropertyList::toXml(QVariantMap{{"id", exam("Alpha", 1)}});
    for (const QByteArray& bytes : {full.left(full.size() - 20), PropertyList::toXml(QVariantList{exam("Alpha", 1)})}) {
        QFile file(ZTDataController::examsPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
        file.close();
        LogCapture log;
        EXPECT_TRUE(ZTDataController::sharedController()->examsSortedBy({}).isEmpty());
        EXPECT_TRUE(log.contains("exams.plist"));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), bytes);
    }
}

TEST(ExamStore, CatalogueCanBeBuiltFromAStoredExam)
{
    TestEnvironment env;
    QDir().mkpath(Paths::documentsFolder());
    const QString bundle = env.copyOfResources();
    ASSERT_TRUE(PropertyList::writeFileAtomically(
        bundle + "/Tests.plist",
        QVariantList{QVariantMap{{"name", "Interval recognition"}, {"class", "ZTInterval"}}}));
    const QVariantList questions{QVariantMap{{"name", "Exam intervals"}, {"class", "ZTInterval"},
                                             {"items", QVariantList{QVariantMap{{"name", "Fifth"}}}}}};
    ASSERT_TRUE(PropertyList::writeFileAtomically(ZTDataController::examsPath(),
                                                  QVariantMap{{"e1", exam("Spring", 1, questions)}}));

    ZTDataProvider catalogue(noCustomLists());
    catalogue.setUpWithExerciseName("Spring");
    EXPECT_EQ(catalogue.testNames(), QStringList({"Exam intervals"}));
    EXPECT_EQ(catalogue.exerciseNamesForTestWithName("Exam intervals"), QStringList({"Fifth"}));

    LogCapture log;
    catalogue.setUpWithExerciseName("Autumn");
    EXPECT_TRUE(log.contains("Autumn"));
    EXPECT_EQ(catalogue.testNames(), QStringList({"Exam intervals"}));

    catalogue.setUpWithExerciseName(QString());
    EXPECT_EQ(catalogue.testNames(), QStringList({"Interval recognition"}));
}
