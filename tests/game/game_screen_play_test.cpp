#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>
#include <string_view>

#include "framework/surface.h"
#include "puzzle/random_generator.h"
#include "tests/game/game_test_support.h"

namespace zolva {
namespace {

using test::FakeHost;
using test::TestGame;

TEST(GameScreenClock, RunsFromNewGameToTheSolveWhichIsReportedOnce) {
    TestGame g;
    g.host.tick(*g.screen);  // not started yet
    g.playFromHome();
    g.host.tick(*g.screen, 3);
    g.key(msg::VK_DOWN);
    g.key(msg::VK_UP);
    EXPECT_EQ(g.host.calls,
              (std::vector{FakeHost::Start, FakeHost::Stop, FakeHost::Beep, FakeHost::Solved}));
    EXPECT_TRUE(g.board().tileAt(12)->isVisible());
    g.host.tick(*g.screen);
    EXPECT_EQ(g.screen->getTime(), 4);
    EXPECT_EQ(g.screen->getMoves(), 2);

    random::setState(7);
    g.clickNewGame();  // the button still works after a solve
    EXPECT_EQ(g.board().getState(), TileBoard::playing);
    EXPECT_EQ(g.screen->getMoves(), 0);
    EXPECT_EQ(g.screen->getTime(), 1);
    EXPECT_EQ(g.host.calls.back(), FakeHost::Start);

    for (int i = 0; i < 5001; ++i) {
        g.key(msg::VK_DOWN);
        g.key(msg::VK_UP);
    }
    g.host.tick(*g.screen, 10000);
    EXPECT_EQ(g.screen->getMoves(), 9999);
    EXPECT_EQ(g.screen->getTime(), 9999);
}

TEST(GameScreenOptions, ChangesStopTheGameAndZeroTheCounters) {
    const std::function<void(GameScreen&)> changes[] = {
        [](GameScreen& s) { s.setEmptyCorner(100, -1); },
        [](GameScreen& s) { s.setDimensions(6, 5); },
        [](GameScreen& s) { EXPECT_FALSE(s.changePicture("/nonexistent/picture.png")); },
    };
    for (const auto& change : changes) {
        TestGame g;
        g.screen->newGame();
        g.host.tick(*g.screen, 2);
        change(*g.screen);
        EXPECT_EQ(g.host.calls.back(), FakeHost::Stop);
        EXPECT_EQ(g.screen->getMoves(), 0);
        EXPECT_EQ(g.screen->getTime(), 0);
        EXPECT_EQ(g.board().getState(), TileBoard::idle);
        for (int k : {msg::VK_LEFT, msg::VK_RIGHT, msg::VK_UP, msg::VK_DOWN}) {
            EXPECT_EQ(g.key(k), 0);
        }
    }
}

// Random presses, drags, keys, undos, redos, ticks and draws on random grids. After every event the
// arrangement must be a permutation with each tile where it thinks it is, the missing tile
// hidden unless solved, one report per solve, and the moves counter up by exactly the
// number of tiles that changed cell: each accepted step moves one tile by one cell, so a
// double count or a counted refusal shows.
TEST(GameScreenSoak, RandomInputKeepsTheBoardAndCountersConsistent) {
    TestGame g;
    Surface target(400, 400);
    std::mt19937 rng(20240611);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution(lo, hi)(rng); };
    for (int round = 0; round < 40; ++round) {
        g.screen->setDimensions(pick(2, 11), pick(2, 11));
        g.screen->setEmptyCorner(pick(-2, 12), pick(-2, 12));  // clamped into the grid
        random::setState(static_cast<std::uint32_t>(rng()));
        g.clickNewGame();
        TileBoard& b = g.board();
        const Tile* missing = b.tileAt(b.getEmptyRow() * b.getColumns() + b.getEmptyColumn());
        for (int event = 0; event < 500; ++event) {
            const auto before = g.arrangement();
            const int moves = g.screen->getMoves(), starts = g.host.count(FakeHost::Start);
            const int reports = g.host.count(FakeHost::Solved);
            const bool wasPlaying = b.getState() == TileBoard::playing;
            const int px = pick(0, g.screen->getWidth() + 20);
            const int py = pick(0, g.screen->getHeight() + 20);
            switch (pick(0, 8)) {
                case 0:
                case 1:
                    g.press(px, py);
                    break;
                case 2:
                    g.screen->mouseEvent(msg::WM_MOUSEMOVE, pick(0, 1), px, py);
                    break;
                case 3:
                    g.screen->mouseEvent(msg::WM_LBUTTONUP, 0, px, py);
                    break;
                case 4:
                    g.key(pick(msg::VK_LEFT - 1, msg::VK_DOWN + 1));
                    break;
                case 5:
                    g.host.tick(*g.screen);
                    break;
                case 6:
                    g.screen->undo();
                    break;
                case 7:
                    g.screen->redo();
                    break;
                default:
                    ASSERT_TRUE(g.screen->draw(target));
            }
            const auto after = g.arrangement();
            std::vector<bool> seen(after.size());
            int moved = 0;
            for (int i = 0; i < b.getTileCount(); ++i) {
                const Tile* t = b.tileAt(i);
                ASSERT_EQ(t->getRow() * b.getColumns() + t->getColumn(), i);
                ASSERT_FALSE(seen[static_cast<std::size_t>(after[i])]);
                seen[static_cast<std::size_t>(after[i])] = true;
                moved += after[i] != before[i] && t != missing;
                ASSERT_EQ(t->isVisible(), t != missing || b.getState() == TileBoard::solved);
            }
            if (g.host.count(FakeHost::Start) == starts) {  // not a click on the button
                ASSERT_EQ(g.screen->getMoves() - moves, std::min(moved, 9999 - moves));
                const bool solvedNow = wasPlaying && b.getState() == TileBoard::solved;
                ASSERT_EQ(g.host.count(FakeHost::Solved), reports + solvedNow);
            }
        }
    }
}

// A 3 x 3 game with a known deal played to the end along a shortest solution: single
// steps with the arrow keys, each run of two with one press on the far tile.
TEST(GameScreenGame, WholeGameIsSolvedAndReportedOnce) {
    TestGame g(3, 3);
    random::setState(1);
    g.clickNewGame();
    ASSERT_EQ(g.arrangement(), (std::vector{0, 2, 5, 7, 4, 1, 6, 8, 3}));
    const std::string solution = "LLDRURDLLURDLDRUUR";
    const int keys[] = {msg::VK_LEFT, msg::VK_RIGHT, msg::VK_UP, msg::VK_DOWN};
    const int dx[] = {1, -1, 0, 0}, dy[] = {0, 0, 1, -1};
    for (std::size_t i = 0; i < solution.size(); ++i) {
        const auto d = std::string_view("LRUD").find(solution[i]);
        if (solution[i + 1] == solution[i]) {
            ++i;
            EXPECT_EQ(g.pressCell(g.board().getEmptyColumn() + 2 * dx[d],
                                  g.board().getEmptyRow() + 2 * dy[d]),
                      2);
        } else {
            EXPECT_EQ(g.key(keys[d]), 2);
        }
    }
    EXPECT_EQ(g.board().getState(), TileBoard::solved);
    EXPECT_EQ(g.screen->getMoves(), 18);
    EXPECT_EQ(g.host.count(FakeHost::Solved), 1);
    EXPECT_EQ(g.host.count(FakeHost::Beep), 1);
}

}  // namespace
}  // namespace zolva
