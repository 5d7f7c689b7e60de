// The number overlay and the Find Tile flash: both paint on the shared picture and must
// come off again exactly.
#include <gtest/gtest.h>

#include "puzzle_fixtures.h"

namespace zolva {
namespace {

// Differences between two images inside an area; each must be an exact inversion, which
// is what XORing a pure white, unsmoothed glyph pixel gives.
struct Changes {
    int count = 0, top = 1 << 30, bottom = -1;
    bool allInverted = true;
};

Changes changesIn(const QImage& before, const QImage& after, const Rect& area) {
    Changes c;
    for (int y = area.top; y < area.bottom; ++y) {
        for (int x = area.left; x < area.right; ++x) {
            if (before.pixel(x, y) != after.pixel(x, y)) {
                ++c.count;
                c.top = std::min(c.top, y);
                c.bottom = std::max(c.bottom, y + 1);
                c.allInverted &= (before.pixel(x, y) ^ after.pixel(x, y)) == 0x00FFFFFFu;
            }
        }
    }
    return c;
}

class OverlayTest : public ::testing::Test {
protected:
    test::PictureFiles files;
    std::unique_ptr<Picture> picture = files.load(300, 300);
    const QImage original = test::patternImage(300, 300);
};

TEST_F(OverlayTest, NumbersComeOffBitForBit) {
    for (const auto& [columns, rows] : {std::pair{3, 3}, std::pair{5, 7}, std::pair{10, 4}}) {
        TileBoard board(nullptr, 0, 0, picture.get(), columns, rows, -1, 100, true);
        const QImage shown = test::pixelsOf(*picture);
        EXPECT_NE(shown, original);
        board.setShowNumbers(true);
        EXPECT_EQ(test::pixelsOf(*picture), shown) << "applied twice";
        board.setShowNumbers(false);
        EXPECT_EQ(test::pixelsOf(*picture), original) << columns << "x" << rows;
    }
}

TEST_F(OverlayTest, EachCellIsNumberedAtItsTopLeftInHalfTheCellHeight) {
    const int grids[][3] = {{3, 3, 50}, {4, 4, 37},   {6, 6, 25},
                            {8, 8, 18}, {10, 10, 15}, {3, 10, 15}};
    for (const auto& [columns, rows, h] : grids) {
        TileBoard board(nullptr, 0, 0, picture.get(), columns, rows, -1, 100, true);
        EXPECT_EQ(board.numberFontHeight(), h);
        const QImage shown = test::pixelsOf(*picture);
        for (int d = 0; d < columns * rows; ++d) {
            SCOPED_TRACE(testing::Message() << columns << "x" << rows << " cell " << d);
            const int x0 = d % columns * 300 / columns;
            const int y0 = d / columns * 300 / rows;
            const int x1 = (d % columns + 1) * 300 / columns;
            const int y1 = (d / columns + 1) * 300 / rows;
            const int textBottom = y0 + h + h / 4;
            const Changes digits = changesIn(original, shown, Rect{x0, y0, x0 + 2 * h, textBottom});
            EXPECT_GT(digits.count, 0);
            EXPECT_TRUE(digits.allInverted);
            EXPECT_GE(digits.bottom - digits.top, h / 2);  // digits of a font h pixels high
            EXPECT_LE(digits.bottom - digits.top, h);
            EXPECT_EQ(changesIn(original, shown, Rect{x0, textBottom, x1, y1}).count, 0);
        }
        board.setShowNumbers(false);
    }
}

TEST_F(OverlayTest, ResizeRedrawsTheNumbersForTheNewGrid) {
    TileBoard board(nullptr, 0, 0, picture.get(), 4, 4, -1, 100, true);
    board.resize(6, 5);
    auto reference = files.load(300, 300);
    TileBoard fresh(nullptr, 0, 0, reference.get(), 6, 5, -1, 100, true);
    EXPECT_EQ(test::pixelsOf(*picture), test::pixelsOf(*reference));
    board.setShowNumbers(false);
    EXPECT_EQ(test::pixelsOf(*picture), original);
}

TEST_F(OverlayTest, FlashInvertsTheWholeHomeCellUntilFlashedAgain) {
    TileBoard board(nullptr, 0, 0, picture.get(), 7, 3, -1, 100, false);
    board.flashTile(-1);
    board.flashTile(board.getTileCount());
    EXPECT_EQ(test::pixelsOf(*picture), original);
    board.flashTile(8);  // column 1, row 1: 43 x 100 pixels at (42, 100), grid line included
    const QImage flashed = test::pixelsOf(*picture);
    EXPECT_EQ(changesIn(original, flashed, Rect{0, 0, 300, 300}).count, 43 * 100);
    const Changes cell = changesIn(original, flashed, Rect{42, 100, 85, 200});
    EXPECT_EQ(cell.count, 43 * 100);
    EXPECT_TRUE(cell.allInverted);
    board.flashTile(8);
    EXPECT_EQ(test::pixelsOf(*picture), original);
}

TEST_F(OverlayTest, FlashReachesTheFramebufferWhereverTheTileStands) {
    TileBoard board(nullptr, 0, 0, picture.get(), 4, 4, -1, 100, false);
    ASSERT_TRUE(board.slideTile(TileBoard::slideLeft));  // tile 14 now in cell 12
    Surface framebuffer(300, 300);
    framebuffer.setTrackDamage(true);
    ASSERT_TRUE(board.draw(framebuffer));
    framebuffer.takeDamage();
    board.flashTile(13);
    ASSERT_TRUE(board.draw(framebuffer));
    EXPECT_EQ(framebuffer.takeDamage(), (std::vector<Rect>{{0, 225, 74, 299}}));
    QImage inverted = original.copy(75, 225, 74, 74);
    inverted.invertPixels();
    EXPECT_EQ(framebuffer.image().copy(0, 225, 74, 74), inverted);
}

TEST_F(OverlayTest, PictureWithoutPixelsOnlyTogglesTheFlag) {
    Picture unloadable(files.missing(), 300, 300, 1, 1, 1);
    TileBoard board(nullptr, 0, 0, &unloadable, 4, 4, -1, 100, true);
    ASSERT_EQ(unloadable.surface(), nullptr);
    EXPECT_TRUE(board.getShowNumbers());
    board.flashTile(3);
    board.resize(5, 5);
    board.setShowNumbers(false);
    EXPECT_FALSE(board.getShowNumbers());
}

}  // namespace
}  // namespace zolva
