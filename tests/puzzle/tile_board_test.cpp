// Tile geometry, the board's grid and empty space, slides, picture changes, and how much of
// the framebuffer each change repaints.
#include <gtest/gtest.h>

#include <algorithm>

#include "puzzle_fixtures.h"

namespace zolva {
namespace {

// Stands in for the game screen: counts the changes the board reports upwards.
class CountingParent : public DisplayObject {
public:
    CountingParent() { init(nullptr, 0, 0, nullptr); }
    void childChanged(DisplayObject*) override { ++reports; }
    int reports = 0;
};

class TileBoardTest : public ::testing::Test {
protected:
    void SetUp() override { framebuffer.setTrackDamage(true); }

    // Every tile home, the one at the empty space hidden and all others shown.
    static void expectHomeOrder(const TileBoard& board) {
        const int gap = board.getEmptyRow() * board.getColumns() + board.getEmptyColumn();
        for (int i = 0; i < board.getTileCount(); ++i) {
            EXPECT_EQ(board.tileAt(i), board.tileWithHome(i)) << i;
            EXPECT_TRUE(board.tileAt(i)->isAtHome()) << i;
            EXPECT_EQ(board.tileAt(i)->isVisible(), i != gap) << i;
        }
    }

    test::PictureFiles files;
    std::unique_ptr<Picture> picture = files.load(300, 300);
    Surface framebuffer{300, 300};
};

TEST_F(TileBoardTest, TilesAreOnePixelSmallerThanUnevenCells) {
    TileBoard board(nullptr, 0, 0, picture.get(), 7, 3, -1, 100, false);
    const int lefts[] = {0, 42, 85, 128, 171, 214, 257};
    for (int c = 0; c < 7; ++c) {
        EXPECT_EQ(board.tileWithHome(c)->getX(), lefts[c]);
        EXPECT_EQ(board.tileWithHome(c)->getWidth(), c == 0 ? 41 : 42);
        EXPECT_EQ(board.tileWithHome(c + 7)->getY(), 100);
        EXPECT_EQ(board.tileWithHome(c + 7)->getHeight(), 99);
    }
    // From a 43-pixel cell into a 42-pixel one: narrower, still copied from home.
    Tile* tile = board.tileWithHome(1);
    tile->placeAt(0, 0);
    EXPECT_FALSE(tile->isAtHome());
    EXPECT_EQ(test::boundsOf(*tile), (Rect{0, 0, 41, 99}));
    tile->setVisible(false);
    EXPECT_TRUE(tile->draw(framebuffer));
    EXPECT_TRUE(framebuffer.damage().empty());
    tile->setVisible(true);
    ASSERT_TRUE(tile->draw(framebuffer));
    EXPECT_EQ(framebuffer.image().copy(0, 0, 41, 99), test::pixelsOf(*picture).copy(42, 0, 41, 99));
    tile->returnHome();
    EXPECT_EQ(test::boundsOf(*tile), (Rect{42, 0, 84, 99}));
}

TEST_F(TileBoardTest, SizesAreClampedAndEmptySpaceSettingsKeepTheirMeaning) {
    TileBoard board(nullptr, 0, 0, picture.get(), 2, 11, -1, 100, false);
    EXPECT_EQ(board.getColumns() * 100 + board.getRows(), 310);
    EXPECT_EQ(board.getChildCount(), 31);
    EXPECT_EQ(board.getChild(0), board.getBackground());

    board.resize(4, 4);
    EXPECT_EQ(board.getEmptyColumn() * 10 + board.getEmptyRow(), 3);
    EXPECT_FALSE(board.tileWithHome(12)->isVisible());  // tile number 13
    expectHomeOrder(board);
    board.shuffle();
    board.resize(8, 8);
    EXPECT_EQ(board.getState(), TileBoard::idle);
    EXPECT_EQ(board.getEmptyColumn() * 10 + board.getEmptyRow(), 7);
    EXPECT_EQ(board.getEmptyRowSetting(), 100);
    EXPECT_FALSE(board.tileWithHome(56)->isVisible());  // tile number 57
    expectHomeOrder(board);

    board.setEmptySpace(2, 1);  // inside the grid: a cell of its own, not a corner
    EXPECT_EQ(board.getEmptyColumn() * 10 + board.getEmptyRow(), 21);
    board.shuffle();
    board.setEmptySpace(100, -1);
    EXPECT_EQ(board.getState(), TileBoard::idle);
    EXPECT_TRUE(board.tileWithHome(10)->isVisible());
    expectHomeOrder(board);
    ASSERT_TRUE(board.changePicture(files.write(200, 160)));
    EXPECT_EQ(board.getEmptyColumn() * 10 + board.getEmptyRow(), 70);
    expectHomeOrder(board);
}

TEST_F(TileBoardTest, SlidesRefuseBlockedAndUnknownDirections) {
    TileBoard board(nullptr, 0, 0, picture.get(), 4, 4, 100, -1, false);
    const std::vector<int> home = board.arrangement().cells;
    for (unsigned refused : {0u, 3u, 4u, 0xFFFFFFFFu}) {  // left and down are blocked
        EXPECT_FALSE(board.slideTile(refused)) << refused;
    }
    board.swapTiles(-1, 4);  // bad indexes are ignored, never written through
    board.swapTiles(4, 16);
    EXPECT_EQ(board.arrangement().cells, home);

    ASSERT_TRUE(board.slideTile(TileBoard::slideRight));
    EXPECT_EQ(board.getEmptyColumn(), 2);
    EXPECT_EQ(board.tileAt(3), board.tileWithHome(2));
    EXPECT_EQ(board.tileWithHome(2)->getColumn(), 3);
    EXPECT_FALSE(board.checkSolved());
    EXPECT_EQ(board.getState(), TileBoard::idle);

    ASSERT_TRUE(board.slideTile(TileBoard::slideLeft));
    EXPECT_TRUE(board.checkSolved());
    EXPECT_EQ(board.getState(), TileBoard::solved);
    EXPECT_TRUE(board.tileWithHome(3)->isVisible());
}

TEST_F(TileBoardTest, SingleSlideRepaintsOnlyTheTwoCells) {
    TileBoard board(nullptr, 0, 0, picture.get(), 4, 4, -1, 100, false);
    ASSERT_TRUE(board.draw(framebuffer));
    framebuffer.takeDamage();
    ASSERT_TRUE(board.slideTile(TileBoard::slideLeft));  // tile 14 from (1, 3) into (0, 3)
    ASSERT_TRUE(board.draw(framebuffer));
    const std::vector<Rect> damage = framebuffer.takeDamage();
    const Rect left{0, 225, 74, 299};
    const Rect right{75, 225, 149, 299};
    for (const Rect& r : damage) {
        EXPECT_TRUE(r == left || r == right) << r.left << "," << r.top;
    }
    EXPECT_EQ(std::count(damage.begin(), damage.end(), right), 1);  // uncovered: black
    EXPECT_EQ(framebuffer.image(), test::expectedFrame(board, test::pixelsOf(*picture)));
}

TEST_F(TileBoardTest, ShuffleReachesTheTargetAsOneWholeBoardRedraw) {
    CountingParent screen;
    TileBoard board(&screen, 0, 0, picture.get(), 5, 4, 100, 100, false);
    ASSERT_TRUE(board.draw(framebuffer));
    framebuffer.takeDamage();
    board.shuffle();
    EXPECT_EQ(screen.reports, 1);  // the swaps themselves stay inside the board
    ASSERT_TRUE(board.draw(framebuffer));
    const std::vector<Rect> damage = framebuffer.takeDamage();
    ASSERT_EQ(damage.size(), 20u);  // the background once, then each visible tile once
    EXPECT_EQ(damage.front(), (Rect{0, 0, 300, 300}));
    for (int i = 0; i < 20; ++i) {
        const Tile& tile = *board.tileAt(i);
        EXPECT_EQ(std::count(damage.begin(), damage.end(), test::boundsOf(tile)),
                  tile.isVisible() ? 1 : 0);
    }
    EXPECT_EQ(framebuffer.image(), test::expectedFrame(board, test::pixelsOf(*picture)));
}

TEST_F(TileBoardTest, UnloadablePictureResetsTheBoardButKeepsTheOverlay) {
    TileBoard board(nullptr, 0, 0, picture.get(), 4, 4, -1, 100, true);
    board.shuffle();
    const QImage before = test::pixelsOf(*picture);
    EXPECT_FALSE(board.changePicture(files.missing()));
    EXPECT_EQ(board.getState(), TileBoard::idle);
    expectHomeOrder(board);
    EXPECT_TRUE(board.getShowNumbers());
    EXPECT_EQ(test::pixelsOf(*picture), before);
    board.setShowNumbers(false);
    EXPECT_EQ(test::pixelsOf(*picture), test::patternImage(300, 300));
}

TEST_F(TileBoardTest, PictureOfAnotherSizeReshapesTheWholeBoard) {
    TileBoard board(nullptr, 0, 0, picture.get(), 4, 3, -1, 100, true);
    board.shuffle();
    ASSERT_TRUE(board.changePicture(files.write(203, 150)));
    EXPECT_EQ(test::boundsOf(board), (Rect{0, 0, 203, 150}));
    EXPECT_EQ(test::boundsOf(*board.getBackground()), (Rect{0, 0, 203, 150}));
    expectHomeOrder(board);
    EXPECT_EQ(test::boundsOf(*board.tileWithHome(5)), (Rect{50, 50, 100, 99}));
    EXPECT_EQ(test::boundsOf(*board.tileWithHome(11)), (Rect{152, 100, 202, 149}));
    // The new picture carries a fresh overlay, which comes off to leave the plain image.
    EXPECT_NE(test::pixelsOf(*picture), test::patternImage(203, 150));
    board.setShowNumbers(false);
    EXPECT_EQ(test::pixelsOf(*picture), test::patternImage(203, 150));
}

TEST_F(TileBoardTest, PicturesSmallerThanTheGridGiveEmptyTiles) {
    auto tiny = files.load(5, 4);
    TileBoard board(nullptr, 0, 0, tiny.get(), 10, 10, -1, 100, true);
    for (int i = 0; i < board.getTileCount(); ++i) {
        EXPECT_GE(std::min(board.tileAt(i)->getWidth(), board.tileAt(i)->getHeight()), 0);
    }
    board.shuffle();
    EXPECT_TRUE(board.draw(framebuffer));
    board.setShowNumbers(false);
    EXPECT_EQ(test::pixelsOf(*tiny), test::patternImage(5, 4));
}

}  // namespace
}  // namespace zolva
