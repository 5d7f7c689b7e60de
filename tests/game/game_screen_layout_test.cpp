#include <gtest/gtest.h>

#include "game/digit_counter.h"
#include "tests/game/game_test_support.h"

namespace zolva {
namespace {

// Screen width and height, x of the button, the time counter and the board. The moves
// counter stays at (10, 10), the bar at y 10 and the board at y 46 in every layout.
using Layout = std::array<int, 5>;

Layout layoutOf(const GameScreen& s) {
    EXPECT_EQ(s.getMovesCounter()->getX() + s.getNewGameButton()->getY() +
                  s.getTimeCounter()->getY() + s.getBoard()->getY(),
              10 + 10 + 10 + 46);
    return {s.getWidth(), s.getHeight(), s.getNewGameButton()->getX(), s.getTimeCounter()->getX(),
            s.getBoard()->getX()};
}

TEST(GameScreenLayout, FollowsThePictureWidth) {
    const std::pair<std::array<int, 2>, Layout> cases[] = {
        {{300, 300}, {320, 356, 147, 258, 10}},
        {{150, 100}, {170, 156, 72, 108, 10}},  // exactly as wide as the bar
        {{120, 90}, {170, 146, 72, 108, 25}},   // narrower: centred under the bar
        {{121, 90}, {170, 146, 72, 108, 24}},
    };
    for (const auto& [size, layout] : cases) {
        test::TestGame game(4, 4, -1, 100, size[0], size[1]);
        EXPECT_EQ(layoutOf(*game.screen), layout);
        const GameScreen& s = *game.screen;
        EXPECT_EQ((std::array{s.getChild(0), s.getChild(1), s.getChild(2), s.getChild(3)}),
                  (std::array<DisplayObject*, 4>{s.getNewGameButton(), s.getBoard(),
                                                 s.getMovesCounter(), s.getTimeCounter()}));
    }
}

TEST(GameScreenLayout, ChangePictureLaysOutAgainWhateverTheResult) {
    test::TestGame game;
    game.screen->newGame();
    EXPECT_TRUE(game.screen->changePicture(game.sheets.write("narrow.png", 120, 90)));
    EXPECT_EQ(layoutOf(*game.screen), (Layout{170, 146, 72, 108, 25}));
    EXPECT_TRUE(game.screen->changePicture(game.sheets.write("wide.png", 300, 300)));
    EXPECT_EQ(layoutOf(*game.screen), (Layout{320, 356, 147, 258, 10}));
    EXPECT_FALSE(game.screen->changePicture(game.sheets.dir.filePath("missing.png")));
    EXPECT_EQ(layoutOf(*game.screen), (Layout{320, 356, 147, 258, 10}));
}

}  // namespace
}  // namespace zolva
