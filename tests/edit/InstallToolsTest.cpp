// Start-up puts every built tool into the dispatch table, so its toolbar button works.
#include "edit/Work.h"
#include "edit/widgets/MdiChild.h"

#include <gtest/gtest.h>

using namespace zemo;

TEST(EditWidgets, InstallRegistersTheViewCurveAndScreenWindowTools)
{
    ResetWorkUnit();
    for (int mode : {1, 8, 18})
        EXPECT_FALSE(ToolOf(mode).MouseDown) << mode;
    InstallEditWidgets();
    for (int mode : {1, 8, 18}) {
        EXPECT_TRUE(ToolOf(mode).MouseDown) << mode;
        EXPECT_TRUE(ToolOf(mode).Start) << mode;
    }
    ResetWorkUnit();
}
