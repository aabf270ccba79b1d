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
