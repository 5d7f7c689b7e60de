#include <gtest/gtest.h>

#include <functional>
#include <tuple>
#include <utility>

#include "game/digit_counter.h"
#include "puzzle/random_generator.h"
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
    // The last pixel of the empty row: the three tiles between slide, one move each.
    EXPECT_EQ(g.press(309, 308), 2);
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

TEST(GameScreenMouse, OnlyPressesOnTheBoardSlideTiles) {
    // Empty space top right on a fine grid and bottom right on a coarse one: every press
    // below lines up with the empty cell's row or column.
    for (const auto& [columns, emptyX, emptyY] : {std::tuple{10, 100, -1}, {4, 100, 100}}) {
        TestGame g(columns, columns, emptyX, emptyY);
        g.playFromHome();
        const auto before = g.arrangement();
        const TileBoard& b = g.board();
        const int left = b.getX(), top = b.getY(), right = left + b.getWidth() - 1,
                  bottom = top + b.getHeight() - 1;
        const int emptyMidX = left + b.getEmptyColumn() * b.getWidth() / columns + 2;
        const int emptyMidY = top + b.getEmptyRow() * b.getHeight() / columns + 2;
        const DigitCounter& seconds = *g.screen->getTimeCounter();
        const int time = seconds.getX() + seconds.getWidth() - 3;
        // The seconds counter, the margins round the board, just off each edge.
        for (const auto& [px, py] : {std::pair{time, 12},
                                     {emptyMidX, 0},
                                     {emptyMidX, top - 1},
                                     {emptyMidX, bottom + 1},
                                     {emptyMidX, bottom + 9},
                                     {left - 1, emptyMidY},
                                     {0, emptyMidY},
                                     {right + 1, emptyMidY},
                                     {right + 9, emptyMidY}}) {
            EXPECT_EQ(g.press(px, py), 0) << px << "," << py;
        }
        EXPECT_EQ(g.arrangement(), before);
        EXPECT_EQ(g.screen->getMoves(), 0);
        // The board's outermost pixels are still the board.
        EXPECT_EQ(g.press(emptyMidX, emptyY < 0 ? bottom : top), 2);
        EXPECT_EQ(g.screen->getMoves(), columns - 1);
    }
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

TEST(GameScreenUndo, TakesBackWholeRunsCountingEveryTileMovedBack) {
    TestGame g;  // 4 x 4, empty space bottom left
    random::setState(11);
    g.screen->newGame();
    const auto start = g.arrangement();
    EXPECT_FALSE(g.screen->canUndo());
    EXPECT_EQ(g.pressCell(3, 3), 2);  // a run of three
    const auto afterRun = g.arrangement();
    EXPECT_EQ(g.key(VK_DOWN), 2);
    EXPECT_TRUE(g.screen->undo());
    EXPECT_EQ(g.arrangement(), afterRun);
    EXPECT_TRUE(g.screen->undo());  // the whole run at once
    EXPECT_EQ(g.arrangement(), start);
    EXPECT_EQ(g.screen->getMoves(), 8);
    EXPECT_FALSE(g.screen->undo());
    EXPECT_TRUE(g.screen->redo());
    EXPECT_EQ(g.arrangement(), afterRun);
    EXPECT_EQ(g.screen->getMoves(), 11);
    EXPECT_TRUE(g.screen->canRedo());
    g.key(VK_DOWN);  // a new move forgets what Redo had
    EXPECT_FALSE(g.screen->canRedo());

    // A new game and every option change forget both lists.
    const std::function<void(GameScreen&)> resets[] = {
        [](GameScreen& s) { s.newGame(); },
        [](GameScreen& s) { s.setShowNumber(true); },
        [](GameScreen& s) { s.setDimensions(4, 4); },
    };
    for (const auto& reset : resets) {
        g.screen->newGame();
        g.pressCell(3, 3);
        g.key(VK_DOWN);
        g.screen->undo();
        reset(*g.screen);
        EXPECT_FALSE(g.screen->canUndo() || g.screen->canRedo());
    }
    EXPECT_FALSE(g.screen->redo());

    // Taking a move back onto the finished picture solves it like any other move.
    g.playFromHome();
    g.key(VK_DOWN);
    EXPECT_TRUE(g.screen->undo());
    EXPECT_EQ(g.board().getState(), TileBoard::solved);
    EXPECT_EQ(g.screen->getMoves(), 2);
    EXPECT_EQ(g.host.count(FakeHost::Solved), 1);
    EXPECT_FALSE(g.screen->canUndo());  // the game is over
}

}  // namespace
}  // namespace zolva
