#include <gtest/gtest.h>

#include "tests/game/game_test_support.h"

namespace zolva {
namespace {

using msg::VK_DOWN;
using msg::VK_LEFT;
using msg::VK_RIGHT;
using msg::VK_UP;
using test::FakeHost;
using test::TestGame;

TEST(GameScreenMouse, RunsCountEachAcceptedStepAndOnlyThose) {
    TestGame g;  // 4 x 4, empty space bottom left
    g.playFromHome();
    const auto home = g.arrangement();
    // In the right margin of the empty row: three tiles slide, the fourth step is refused.
    EXPECT_EQ(g.press(315, 308), 2);
    EXPECT_EQ(g.screen->getMoves(), 3);
    EXPECT_EQ(g.arrangement()[12], 13);

    const auto shifted = g.arrangement();
    EXPECT_EQ(g.pressCell(3, 3), 2);  // the empty cell itself
    EXPECT_EQ(g.pressCell(0, 0), 0);  // neither its row nor its column
    EXPECT_EQ(g.arrangement(), shifted);

    EXPECT_EQ(g.pressCell(0, 3), 2);
    EXPECT_EQ(g.screen->getMoves(), 6);
    EXPECT_EQ(g.arrangement(), home);
    EXPECT_EQ(g.host.count(FakeHost::Solved), 1);
}

TEST(GameScreenMouse, PressesAboveOrLeftOfTheBoardMapToTheEdgeOrBeyond) {
    TestGame coarse;
    coarse.playFromHome();
    EXPECT_EQ(coarse.press(3, 5), 2);  // truncates to column 0, row 0
    EXPECT_EQ(coarse.screen->getMoves(), 3);

    TestGame fine(10, 10, 100, -1);  // empty space top right
    fine.playFromHome();
    EXPECT_EQ(fine.press(295, 0), 2);  // row -1: the only step is refused
    EXPECT_EQ(fine.screen->getMoves(), 0);
}

TEST(GameScreenMouse, RunEndsAtTheStepThatSolves) {
    TestGame g(4, 4, 1, 1);  // empty space inside the grid, so the run could go on
    g.playFromHome();
    g.key(VK_UP);
    EXPECT_EQ(g.pressCell(1, 0), 2);
    EXPECT_EQ(g.screen->getMoves(), 2);
    EXPECT_EQ(g.board().getState(), TileBoard::solved);
    EXPECT_TRUE(g.board().tileAt(1)->isAtHome());
    EXPECT_EQ(g.host.count(FakeHost::Solved), 1);
}

TEST(GameScreenMouse, ButtonTrafficNeverReachesTheBoard) {
    TestGame g(4, 4, 1, 100);         // the button lies over column 1, the empty space's column
    EXPECT_EQ(g.press(150, 200), 0);  // idle: the board takes nothing
    g.playFromHome();
    const auto before = g.arrangement();
    EXPECT_EQ(g.press(150, 20), 2);
    g.screen->mouseEvent(msg::WM_MOUSEMOVE, msg::MK_LBUTTON, 150, 100);
    g.screen->mouseEvent(msg::WM_LBUTTONUP, 0, 150, 100);
    g.screen->mouseEvent(msg::WM_MOUSEMOVE, 0, 150, 100);
    EXPECT_EQ(g.arrangement(), before);
    EXPECT_EQ(g.screen->getMoves(), 0);
    EXPECT_EQ(g.host.count(FakeHost::Start), 1);
}

TEST(GameScreenKeys, ArrowsSlideOneTileOnlyWhilePlaying) {
    TestGame g;
    EXPECT_EQ(g.key(VK_DOWN), 0);
    g.playFromHome();
    EXPECT_EQ(g.key(VK_RIGHT), 0);  // no tile left of the empty space
    EXPECT_EQ(g.key(VK_UP), 0);     // nor below it
    EXPECT_EQ(g.key('A'), 0);
    EXPECT_EQ(g.screen->keyEvent(msg::WM_KEYUP, VK_DOWN, 1), 0);
    for (int k : {VK_DOWN, VK_LEFT, VK_RIGHT, VK_UP})
        EXPECT_EQ(g.key(k), 2);
    EXPECT_EQ(g.board().getState(), TileBoard::solved);
    EXPECT_EQ(g.key(VK_DOWN), 0);
    EXPECT_EQ(g.screen->getMoves(), 4);
}

}  // namespace
}  // namespace zolva
