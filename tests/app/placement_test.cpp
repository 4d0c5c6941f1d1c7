// The window placement values: names, formats, and what a later run takes.
#include <gtest/gtest.h>

#include "app/map_values.h"

#include <map>
#include <ostream>

#include "app/placement.h"

namespace quellmark {

namespace {

const ScreenMetrics kScreen{1920, 1080, 96, {}, {}};  // no screens known: nothing is moved

TEST(Placement, WrittenValuesHaveTheirNamesAndFormatsAndComeBack) {
    MapValues store;
    WindowPlacement closed;
    closed.flags = 0;
    closed.showCmd = 3;
    closed.minX = -1;
    closed.minY = -1;
    closed.maxX = -8;
    closed.maxY = -8;
    closed.left = 100;
    closed.top = 50;
    closed.right = 434;
    closed.bottom = 333;
    WritePlacement(store, closed, kScreen, false, false);
    EXPECT_EQ(store.values["FormVersion"], "0");
    EXPECT_EQ(store.values["ShowCmd"], "3");
    EXPECT_EQ(store.values["PixelsPerInch"], "96");
    EXPECT_EQ(store.values["NormPos(1920x1080)"], "100,50,434,333");
    EXPECT_EQ(store.values["NormPos"], "100,50,434,333");
    EXPECT_EQ(store.values["MinMaxPos(1920x1080)"], "-1,-1,-8,-8");
    EXPECT_EQ(store.values["Visible"], "0");

    RestoredPlacement back = ReadPlacement(store, WindowPlacement{}, kScreen);
    ASSERT_TRUE(back.placement);
    EXPECT_EQ(back.placement->left, 100);
    EXPECT_EQ(back.placement->bottom, 333);
    EXPECT_EQ(back.state, ShowState::Maximized);

    WritePlacement(store, closed, kScreen, true, true);
    EXPECT_EQ(store.values["ShowCmd"], "2") << "a minimized application is stored minimized";
    EXPECT_EQ(store.values["Visible"], "1");
    EXPECT_EQ(ReadPlacement(store, WindowPlacement{}, kScreen).state, ShowState::Minimized);
}

TEST(Placement, OtherResolutionsAndPixelDensitiesAndBrokenValues) {
    MapValues store;
    store.values = {{"NormPos", "10,20,300,400"}, {"NormPos(800x600)", "1,2,3,4"}, {"PixelsPerInch", "96"}};
    auto back = ReadPlacement(store, WindowPlacement{}, kScreen);
    ASSERT_TRUE(back.placement) << "the plain value serves a resolution without its own";
    EXPECT_EQ(back.placement->right, 300);

    store.values["PixelsPerInch"] = "120";
    EXPECT_FALSE(ReadPlacement(store, WindowPlacement{}, kScreen).placement) << "stored at another density";

    WindowPlacement current;
    current.left = 7;
    current.top = 8;
    current.right = 341;
    current.bottom = 291;
    store.values = {{"NormPos", "x,20,,y"}};
    back = ReadPlacement(store, current, kScreen);
    ASSERT_TRUE(back.placement);
    EXPECT_EQ(back.placement->left, 7);
    EXPECT_EQ(back.placement->top, 20);
    EXPECT_EQ(back.placement->right, 341);
    EXPECT_EQ(back.placement->bottom, 291);

    store.values = {{"NormPos", "300,0,100,0"}};
    EXPECT_FALSE(ReadPlacement(store, current, kScreen).placement) << "a rectangle with no width is not taken";
    store.values = {{"FormVersion", "-1"}, {"NormPos", "1,1,100,100"}, {"ShowCmd", "3"}};
    back = ReadPlacement(store, current, kScreen);
    EXPECT_FALSE(back.placement);
    EXPECT_EQ(back.state, ShowState::Normal);
    EXPECT_FALSE(ReadPlacement(store = MapValues{}, current, kScreen).placement) << "first run: nothing stored";
}

// Where a stored rectangle ends up with these screens: a primary screen with a
// panel along its bottom and, when `second`, a second screen to its right.
struct Placed {
    int left, top, right, bottom;
    bool operator==(const Placed&) const = default;
};
std::ostream& operator<<(std::ostream& out, const Placed& p) {
    return out << p.left << "," << p.top << "," << p.right << "," << p.bottom;
}

Placed PlacedOn(const std::string& stored, bool second) {
    ScreenMetrics screen = kScreen;
    screen.screens = {{0, 0, 1920, 1080}};
    if (second) screen.screens.push_back({1920, 0, 3200, 1024});
    screen.primaryAvailable = {0, 0, 1920, 1040};
    MapValues store;
    store.values = {{"NormPos", stored}, {"ShowCmd", "1"}};
    const auto back = ReadPlacement(store, WindowPlacement{}, screen);
    if (!back.placement) return {-1, -1, -1, -1};
    return {back.placement->left, back.placement->top, back.placement->right, back.placement->bottom};
}

TEST(Placement, ARectangleMostlyOffEveryScreenComesBackOntoThePrimaryOne) {
    // On a screen, or at least half on one: where it was.
    EXPECT_EQ(PlacedOn("2000,100,2334,383", true), (Placed{2000, 100, 2334, 383})) << "on the second screen";
    EXPECT_EQ(PlacedOn("1700,100,2034,383", true), (Placed{1700, 100, 2034, 383})) << "across both screens";
    EXPECT_EQ(PlacedOn("1753,100,2087,383", false), (Placed{1753, 100, 2087, 383})) << "exactly half on";
    EXPECT_EQ(PlacedOn("100,900,434,1183", false), (Placed{100, 900, 434, 1183})) << "over the panel, half on";

    // The second screen is gone: moved the least way onto the primary screen's available area.
    EXPECT_EQ(PlacedOn("2000,100,2334,383", false), (Placed{1586, 100, 1920, 383}));
    EXPECT_EQ(PlacedOn("1754,100,2088,383", false), (Placed{1586, 100, 1920, 383})) << "one pixel less than half on";
    EXPECT_EQ(PlacedOn("100,1060,434,1343", true), (Placed{100, 757, 434, 1040})) << "below the screens";
    EXPECT_EQ(PlacedOn("-5000,-3000,-4666,-2717", true), (Placed{0, 0, 334, 283}));
    EXPECT_EQ(PlacedOn("3300,100,3634,383", true), (Placed{1586, 100, 1920, 383})) << "right of both screens";

    // Larger than the available area: no larger than it.
    EXPECT_EQ(PlacedOn("4000,2000,7000,4000", true), (Placed{0, 0, 1920, 1040}));
    EXPECT_EQ(PlacedOn("-2147483648,5000,2147483647,5100", false), (Placed{0, 940, 1920, 1040}))
        << "numbers at the ends of their range";

    // Without what the screens are, the rectangle is taken as stored.
    MapValues store;
    store.values = {{"NormPos", "5000,5000,5334,5283"}};
    const auto back = ReadPlacement(store, WindowPlacement{}, kScreen);
    ASSERT_TRUE(back.placement);
    EXPECT_EQ(back.placement->left, 5000);
}

}  // namespace

}  // namespace quellmark
