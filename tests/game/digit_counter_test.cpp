#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "framework/surface.h"
#include "game/digit_counter.h"
#include "tests/game/game_test_support.h"

namespace zolva {
namespace {

// The frames the digits show, with '-' for the minus sign.
std::string shown(const DigitCounter& counter) {
    std::string out;
    for (int i = 0; i < counter.getChildCount(); ++i) {
        out += "0123456789-"[counter.getChild(i)->getFrame()];
    }
    return out;
}

struct DigitCounterTest : ::testing::Test {
    test::SpriteSheets sheets;
    DigitCounter counter{nullptr, 10, 10, sheets.digits.get(), 4};
    Surface target{100, 50};

    // The rectangles the next draw writes.
    std::vector<Rect> redrawn() {
        target.setTrackDamage(true);
        target.takeDamage();
        EXPECT_TRUE(counter.draw(target));
        return target.takeDamage();
    }
};

TEST_F(DigitCounterTest, ShowsClampedValuesWithLeadingZerosAndSign) {
    EXPECT_EQ(counter.getWidth(), 52);
    EXPECT_EQ(counter.getChild(3)->getX(), 39);
    const std::tuple<int, int, std::string> cases[] = {{0, 0, "0000"},       {42, 42, "0042"},
                                                       {9999, 9999, "9999"}, {10000, 9999, "9999"},
                                                       {-5, -5, "-005"},     {-1000, -999, "-999"}};
    for (const auto& [set, value, digits] : cases) {
        counter.setValue(set);
        EXPECT_EQ(counter.getValue(), value);
        EXPECT_EQ(shown(counter), digits);
    }
    // One position holds 0 to 9; a negative request is held as 0 but shows the sign. Zero
    // or too many positions are clamped rather than left to index or overflow.
    const std::tuple<int, int, int, std::string> others[] = {
        {1, -3, 0, "-"}, {0, -1, 0, "-"}, {12, 2000000000, 999999999, "999999999"}};
    for (const auto& [digits, request, value, display] : others) {
        DigitCounter other(nullptr, 0, 0, sheets.digits.get(), digits);
        other.setValue(request);
        EXPECT_EQ(other.getValue(), value);
        EXPECT_EQ(shown(other), display);
    }
}

TEST_F(DigitCounterTest, RedrawsOnlyTheDigitsThatChanged) {
    counter.setValue(41);
    redrawn();
    counter.setValue(42);
    EXPECT_EQ(redrawn(), (std::vector<Rect>{{49, 10, 62, 33}}));
    counter.setValue(999);
    redrawn();
    counter.setValue(1000);
    EXPECT_EQ(redrawn().size(), 4u);
    counter.setValue(9999);
    redrawn();
    counter.increment();
    EXPECT_EQ(counter.getValue(), 9999);
    EXPECT_TRUE(redrawn().empty());
}

}  // namespace
}  // namespace zolva
