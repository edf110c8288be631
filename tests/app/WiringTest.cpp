// The running program's wiring: after the root has run, every port a library declares is
// bound, except those waiting for features the program does not have yet.
#include "app/Wiring.h"
#include "core/Port.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

// Each waits for a feature that the README lists as not done yet.
const std::set<std::string> Waiting = {
    // core, document, render

    // edit

    // shell, symbols

};

TEST(Wiring, EveryPortIsBoundButThoseWaitingForUnbuiltFeatures)
{
    zemo::InstallProgram();
    std::set<std::string> unbound;
    std::set<std::string> names;
    for (const zemo::PortBase* p : zemo::PortBase::All()) {
        EXPECT_TRUE(names.insert(p->Name()).second) << "two ports named " << p->Name();
        if (!p->Bound())
            unbound.insert(p->Name());
    }
    EXPECT_FALSE(names.empty());
    EXPECT_EQ(unbound, Waiting);
}

} // namespace
