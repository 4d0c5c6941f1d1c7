// The window placement values: names, formats, and what a later run takes.
#include <gtest/gtest.h>

#include "app/map_values.h"

#include <map>

#include "app/placement.h"

namespace quellmark {

namespace {

const ScreenMetrics kScreen{1920, 1080, 96};

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

}  // namespace

}  // namespace quellmark
