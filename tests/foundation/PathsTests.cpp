#include "Paths.h"
#include "TestEnvironment.h"

#include <QFileInfo>

#include <gtest/gtest.h>

TEST(Paths, TheEnvironmentOverridesTheBundleBesideTheExecutableAtEveryCall)
{
    TestEnvironment env; // restores MELVORA_RESOURCES afterwards
    qunsetenv("MELVORA_RESOURCES");
    const QString beside = Paths::resourcesFolder();
    EXPECT_TRUE(QFileInfo(beside + "/Tests.plist").isFile()) << beside.toStdString();

    env.useResources(env.root() + "/other/");
    EXPECT_EQ(Paths::resourcesFolder(), env.root() + "/other");
    EXPECT_EQ(Paths::resource("Tests.plist"), env.root() + "/other/Tests.plist");

    env.useResources({});
    EXPECT_EQ(Paths::resourcesFolder(), beside);
}
