// Pictures of the window for a person to look at ($MELVORA_APP_SHOTS/*.png).
#include "AppTestSupport.h"

#include "ZTMainViewController.h"

namespace {
using ShotTest = AppTest;
}

TEST_F(ShotTest, StartScreen)
{
    launch();
    saveShot(QStringLiteral("start"));
}
