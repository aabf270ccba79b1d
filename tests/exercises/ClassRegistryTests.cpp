#include "QuestionFixture.h"

#include "ZTChord.h"
#include "ZTClassRegistry.h"
#include "ZTMusicRead.h"

using ClassRegistry = QuestionTestBase;

TEST_F(ClassRegistry, MakesInitialisedQuestionsByCatalogueClassName)
{
    ZTClassRegistry* registry = ZTClassRegistry::sharedRegistry();
    for (const char* name : {"ZTInterval", "ZTScale", "ZTChord", "ZTPitch", "ZTMusicRead"}) {
        SCOPED_TRACE(name);
        std::unique_ptr<ZTTest> question = registry->createQuestion(name, majorTriad());
        ASSERT_NE(question, nullptr);
        EXPECT_EQ(question->className(), name);
        // The second phase ran: the item is applied and the kind's defaults are set.
        EXPECT_EQ(question->name(), "Major");
        EXPECT_TRUE(question->hasAudio());
    }
    auto chord = registry->createQuestion("ZTChord", majorTriad());
    ASSERT_NE(dynamic_cast<ZTChord*>(chord.get()), nullptr);
    EXPECT_EQ(static_cast<ZTChord*>(chord.get())->chordId(), "M");
    auto reading = registry->createQuestion("ZTMusicRead", {});
    EXPECT_NE(dynamic_cast<ZTPitch*>(reading.get()), nullptr);

    EXPECT_EQ(registry->createQuestion("ZTNoSuchQuestion", {}), nullptr);
    EXPECT_EQ(registry->controllerClass("ZTNoSuchQuestionController"), nullptr);
}

TEST_F(ClassRegistry, LaterRegistrationsReplaceEarlierOnes)
{
    ZTClassRegistry registry;
    EXPECT_TRUE(registry.questionClassNames().isEmpty());
    registry.registerQuestionClass("ZTKind", [](const QVariantMap& item) -> std::unique_ptr<ZTTest> {
        return ZTTest::create<ZTChord>(item);
    });
    registry.registerQuestionClass("ZTKind", [](const QVariantMap& item) -> std::unique_ptr<ZTTest> {
        return ZTTest::create<ZTMusicRead>(item);
    });
    EXPECT_EQ(registry.questionClassNames(), QStringList{"ZTKind"});
    EXPECT_EQ(registry.createQuestion("ZTKind", {})->className(), "ZTMusicRead");

    bool translated = false;
    ZTControllerClass controller;
    controller.translateItems = [&translated](const QVariantList& items) {
        translated = true;
        return items;
    };
    registry.registerControllerClass("ZTKindController", controller);
    ASSERT_TRUE(registry.hasControllerClass("ZTKindController"));
    registry.controllerClass("ZTKindController")->translateItems({});
    EXPECT_TRUE(translated);
}
