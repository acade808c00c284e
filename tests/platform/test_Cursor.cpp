#include "platform/Cursor.h"

#include <gtest/gtest.h>

#include <vector>

using namespace platform;

namespace {

class MousePointerTest : public ::testing::Test {
protected:
    void SetUp() override { resetMousePointer(); }
    void TearDown() override { resetMousePointer(); }
};

TEST_F(MousePointerTest, OneDefaultUndoesAnyNumberOfHourglasses)
{
    EXPECT_EQ(mousePointer(), Pointer::Default);
    setMousePointer(Pointer::Hourglass);
    setMousePointer(Pointer::Hourglass);
    setMousePointer(Pointer::Hourglass);
    EXPECT_EQ(mousePointer(), Pointer::Hourglass);
    setMousePointer(Pointer::Default);
    EXPECT_EQ(mousePointer(), Pointer::Default);
}

TEST_F(MousePointerTest, HookSeesTheCurrentStateAndEveryChange)
{
    setMousePointer(Pointer::Hourglass);
    std::vector<Pointer> seen;
    setMousePointerHook([&](Pointer p) { seen.push_back(p); });
    setMousePointer(Pointer::Default);
    setMousePointer(Pointer::Hourglass);
    EXPECT_EQ(seen, (std::vector<Pointer>{Pointer::Hourglass, Pointer::Default, Pointer::Hourglass}));

    // Reset shows the default once and drops the hook.
    resetMousePointer();
    setMousePointer(Pointer::Hourglass);
    EXPECT_EQ(seen.back(), Pointer::Default);
    EXPECT_EQ(seen.size(), 4u);
}

} // namespace
