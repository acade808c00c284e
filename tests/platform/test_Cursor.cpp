#include "platform/Cursor.h"

#include <gtest/gtest.h>

#include <vector>

using namespace platform;

TEST(MousePointer, OneDefaultUndoesAnyNumberOfHourglassesAndTheHookSeesEveryChange)
{
    resetMousePointer();
    for (int i = 0; i < 3; ++i)
        setMousePointer(Pointer::Hourglass);
    std::vector<Pointer> seen;
    setMousePointerHook([&](Pointer p) { seen.push_back(p); });
    setMousePointer(Pointer::Default);
    EXPECT_EQ(mousePointer(), Pointer::Default);
    setMousePointer(Pointer::Hourglass);
    EXPECT_EQ(seen, (std::vector<Pointer>{Pointer::Hourglass, Pointer::Default, Pointer::Hourglass}));

    // Reset shows the default once and drops the hook.
    resetMousePointer();
    setMousePointer(Pointer::Hourglass);
    EXPECT_EQ(seen, (std::vector<Pointer>{Pointer::Hourglass, Pointer::Default, Pointer::Hourglass, Pointer::Default}));
    resetMousePointer();
}
