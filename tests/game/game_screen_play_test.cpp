#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <string_view>

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
