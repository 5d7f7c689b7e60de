// Dealing games: known deals from a known generator state, and solvable deals with the gap
// in its corner for every grid, corner and seed; the solvability rule's own edges.
#include <gtest/gtest.h>

#include <ctime>
#include <utility>

#include "puzzle/random_generator.h"
#include "puzzle_fixtures.h"
#include "solver/solver.h"

namespace zolva {
namespace {

using Swaps = std::vector<std::pair<int, int>>;

// Watches the exchanges a deal makes.
class RecordingBoard : public TileBoard {
public:
    using TileBoard::TileBoard;
    void swapTiles(int first, int second) override {
        swaps.emplace_back(first, second);
        TileBoard::swapTiles(first, second);
    }
    Swaps swaps;
};

Swaps dealOf(const std::vector<int>& partners, const Swaps& after) {
    Swaps swaps;
    for (std::size_t i = 0; i < partners.size(); ++i) {
        swaps.emplace_back(static_cast<int>(i), partners[i]);
    }
    swaps.insert(swaps.end(), after.begin(), after.end());
    return swaps;
}

std::vector<int> tileNumbers(const TileBoard& board) {
    std::vector<int> numbers = board.arrangement().cells;
    for (int& n : numbers) {
        ++n;
    }
    return numbers;
}

class ShuffleTest : public ::testing::Test {
protected:
    test::PictureFiles files;
    std::unique_ptr<Picture> picture = files.load(300, 300);
};

TEST_F(ShuffleTest, KnownStateDealsKnownArrangements) {
    const auto before = static_cast<std::uint32_t>(std::time(nullptr));
    RecordingBoard four(nullptr, 0, 0, picture.get(), 4, 4, -1, 100, false);
    EXPECT_GE(random::getState(), before);  // seeded from the clock by building
    EXPECT_LE(random::getState(), static_cast<std::uint32_t>(std::time(nullptr)));

    random::setState(1);
    four.shuffle();
    // Tile 13 ends the pass in cell 3 and goes back to its corner; the parity is even.
    EXPECT_EQ(four.swaps,
              dealOf({0, 9, 3, 12, 9, 7, 5, 14, 13, 11, 2, 13, 11, 8, 4, 0}, {{3, 12}}));
    EXPECT_EQ(tileNumbers(four),
              (std::vector<int>{16, 10, 11, 9, 6, 7, 8, 15, 5, 12, 4, 3, 13, 14, 2, 1}));

    RecordingBoard three(nullptr, 0, 0, picture.get(), 3, 3, -1, 100, false);
    ASSERT_TRUE(three.checkSolved());
    random::setState(1);
    three.shuffle();
    // 1 3 6 8 5 2 7 4 9 cannot be solved, so the two cells after the gap change places.
    EXPECT_EQ(three.swaps, dealOf({0, 5, 1, 7, 5, 4, 3, 8, 7}, {{3, 6}, {7, 8}}));
    EXPECT_EQ(tileNumbers(three), (std::vector<int>{1, 3, 6, 8, 5, 2, 7, 9, 4}));
    EXPECT_FALSE(three.tileWithHome(6)->isVisible());  // shown while solved, hidden again
    EXPECT_EQ(three.getState(), TileBoard::playing);
}

TEST_F(ShuffleTest, EveryDealIsSolvableWithTheGapInItsCorner) {
    const int corners[][2] = {{-1, 100}, {100, 100}, {-1, -1}, {100, -1}};
    std::uint32_t seed = 7;
    for (int columns = 3; columns <= 10; ++columns) {
        for (int rows = 3; rows <= 10; ++rows) {
            TileBoard board(nullptr, 0, 0, picture.get(), columns, rows, -1, 100, false);
            for (const auto& corner : corners) {
                board.setEmptySpace(corner[0], corner[1]);
                const int gap =
                    (corner[1] < 0 ? 0 : rows - 1) * columns + (corner[0] < 0 ? 0 : columns - 1);
                for (int deal = 0; deal < 6; ++deal) {
                    random::setState(seed = seed * 2654435761u + 12345u);
                    board.shuffle();
                    SCOPED_TRACE(testing::Message() << columns << "x" << rows << " gap " << gap);
                    ASSERT_EQ(board.getState(), TileBoard::playing);
                    ASSERT_EQ(board.getEmptyRow() * columns + board.getEmptyColumn(), gap);
                    ASSERT_EQ(board.tileAt(gap), board.tileWithHome(gap));
                    for (int i = 0; i < board.getTileCount(); ++i) {
                        const Tile* tile = board.tileAt(i);
                        ASSERT_EQ(tile->isVisible(), i != gap);
                        ASSERT_EQ(tile->getRow() * columns + tile->getColumn(), i);
                    }
                    ASSERT_TRUE(solver::isSolvable(board.arrangement()));
                }
            }
        }
    }
}

// The cases a deal never makes: a gap away from its home, boards of one line, and lists
// that are not a board at all.
TEST(SolvabilityRule, GapAwayFromHomeLinesAndMalformedBoards) {
    using solver::isSolvable;
    // 2x2 with the gap (tile 3) in cell 2: one slide from home, and its mirror image is not.
    EXPECT_TRUE(isSolvable({2, 2, {0, 1, 3, 2}, 2}));
    EXPECT_FALSE(isSolvable({2, 2, {1, 0, 3, 2}, 2}));
    // 3x3 with the gap two slides from home, through a rotation of three tiles.
    EXPECT_TRUE(isSolvable({3, 3, {0, 1, 2, 3, 4, 5, 8, 6, 7}, 6}));
    EXPECT_FALSE(isSolvable({3, 3, {0, 1, 2, 3, 4, 5, 8, 7, 6}, 6}));
    // On one line only the order of the other tiles counts, wherever the gap is.
    EXPECT_TRUE(isSolvable({4, 1, {0, 3, 1, 2}, 1}));
    EXPECT_FALSE(isSolvable({4, 1, {1, 0, 3, 2}, 2}));
    EXPECT_TRUE(isSolvable({1, 3, {2, 0, 1}, 0}));
    EXPECT_FALSE(isSolvable({1, 3, {2, 1, 0}, 0}));
    // Repeated, missing or out-of-range homes, a ragged grid, a gap off the board.
    EXPECT_FALSE(isSolvable({2, 2, {0, 0, 2, 3}, 3}));
    EXPECT_FALSE(isSolvable({2, 2, {0, 1, 2, 4}, 3}));
    EXPECT_FALSE(isSolvable({2, 2, {0, 1, 2}, 2}));
    EXPECT_FALSE(isSolvable({2, 2, {0, 1, 2, 3}, 4}));
    EXPECT_FALSE(isSolvable({0, 0, {}, 0}));
}

}  // namespace
}  // namespace zolva
