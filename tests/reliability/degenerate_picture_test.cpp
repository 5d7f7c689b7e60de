// Pictures that decode but make poor puzzles: a single pixel, and strips two pixels wide
// or high, cut into grids with more cells than pixels. They must stay playable (cells of
// no size are still cells) without a division by zero or an out-of-range pixel, which the
// sanitizers would catch; a picture wider than the loader accepts must be refused and the
// game must carry on without it.
#include <gtest/gtest.h>

#include <QImage>
#include <QTemporaryDir>

#include "framework/events.h"
#include "framework/picture.h"
#include "framework/surface.h"
#include "game/game_test_support.h"
#include "puzzle/tile.h"
#include "reliability/soak.h"

// Test names and failure messages show sizes as sizes, not as bytes.
static void PrintTo(const QSize& size, std::ostream* os) {
    *os << size.width() << "x" << size.height();
}

namespace zolva::reliability {
namespace {

const QSize kDegenerate[] = {QSize(1, 1), QSize(2, 9000), QSize(9000, 2)};

class DegeneratePicture : public ::testing::TestWithParam<QSize> {
protected:
    QString write(QSize size, const char* name = "p.png") {
        QImage image(size, QImage::Format_RGB32);
        image.fill(qRgb(12, 34, 56));
        image.setPixel(size.width() - 1, size.height() - 1, qRgb(250, 1, 2));
        const QString path = dir.filePath(name);
        EXPECT_TRUE(image.save(path));
        return path;
    }
    QTemporaryDir dir;
};

std::string sizeName(QSize s) {
    return std::to_string(s.width()) + "x" + std::to_string(s.height());
}

TEST_P(DegeneratePicture, LoadsAndCutsIntoFramesOfWhateverSizeIsLeft) {
    const QSize size = GetParam();
    for (auto [columns, rows] : {std::pair{1, 1}, {3, 3}, {10, 10}, {10, 3}}) {
        Picture picture(write(size), columns, rows, columns * rows);
        ASSERT_EQ(QSize(picture.width(), picture.height()), size);
        ASSERT_TRUE(picture.createSurface());
        EXPECT_EQ(picture.frameWidth(), size.width() / columns);
        EXPECT_EQ(picture.frameHeight(), size.height() / rows);
        Surface target(50, 50);
        for (int f = 0; f < columns * rows; ++f) {
            const int left = (f % columns) * picture.frameWidth();
            const int top = (f / columns) * picture.frameHeight();
            const Rect source{left, top, left + picture.frameWidth(), top + picture.frameHeight()};
            EXPECT_TRUE(picture.blit(target, Rect{0, 0, source.width(), source.height()}, source));
        }
    }
}

TEST_P(DegeneratePicture, SwapsWithOrdinaryPicturesBothWays) {
    const QString odd = write(GetParam());
    const QString plain = write(QSize(30, 20), "plain.png");
    Picture picture(plain, 10, 10, 100);
    ASSERT_TRUE(picture.createSurface());
    ASSERT_TRUE(picture.replaceImage(odd));
    EXPECT_EQ(picture.surface()->image().size(), GetParam());
    EXPECT_EQ(picture.surface()->image().pixel(GetParam().width() - 1, GetParam().height() - 1) &
                  0xFFFFFFu,
              0xFA0102u);
    ASSERT_TRUE(picture.replaceImage(plain));
    EXPECT_EQ(QSize(picture.width(), picture.height()), QSize(30, 20));
}

// Random play with every option, switching between the odd picture and a plain one, under
// the soak's invariants.
TEST_P(DegeneratePicture, GamesOnItStayPlayable) {
    const SoakReport report = runSoak(99, 6000, GetParam(), QSize(40, 30));
    EXPECT_EQ(report.failure, "");
    EXPECT_GT(report.slides, 500u);
    EXPECT_GT(report.solves, 0u);
}

TEST_P(DegeneratePicture, TheWholeGameFitsAroundIt) {
    const QString path = write(GetParam());
    test::SpriteSheets sheets;
    Picture picture(path, 1, 1, 1);
    test::FakeHost host;
    for (auto [columns, rows] : {std::pair{3, 3}, {10, 10}}) {
        GameScreen screen(nullptr, 0, 0, &picture, columns, rows, 100, 100, true,
                          sheets.digits.get(), 4, sheets.buttons.get(), &host);
        const TileBoard& board = *screen.getBoard();
        EXPECT_EQ(board.getWidth(), GetParam().width());
        EXPECT_GE(screen.getWidth(), board.getWidth() + 20);
        screen.newGame();
        ASSERT_EQ(board.getState(), TileBoard::playing);
        // Keys do not depend on pixels: the empty space sits in the last column, so a
        // slide to the right is always possible.
        EXPECT_EQ(screen.keyEvent(msg::WM_KEYDOWN, msg::VK_RIGHT, 1), msg::kConsumed);
        EXPECT_EQ(screen.getMoves(), 1);
        // Presses on every pixel of the board and around it.
        for (int y = -2; y < std::min(board.getHeight(), 40) + 2; ++y) {
            for (int x = -2; x < std::min(board.getWidth(), 40) + 2; ++x) {
                screen.mouseEvent(msg::WM_LBUTTONDOWN, msg::MK_LBUTTON, board.getX() + x,
                                  board.getY() + y);
            }
        }
        for (int i = 0; i < board.getTileCount(); ++i) {
            screen.flashTile(i);
        }
        Surface frame(screen.getWidth(), screen.getHeight());
        EXPECT_TRUE(screen.draw(frame));
        screen.setShowNumber(false);
        EXPECT_TRUE(screen.draw(frame));
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, DegeneratePicture, ::testing::ValuesIn(kDegenerate),
                         [](const auto& info) { return sizeName(info.param); });

TEST(RefusedPicture, TheGameCarriesOnWithTheOldOne) {
    // Wider than any side the loader accepts: every change to it is refused. (The game
    // never starts on a picture that does not load: it falls back to the built-in one.)
    const SoakReport report = runSoak(5, 4000, QSize(40, 30), QSize(40000, 2));
    EXPECT_EQ(report.failure, "");
    EXPECT_GT(report.refusedPictures, 0u);
    EXPECT_GT(report.slides, 500u);
}

}  // namespace
}  // namespace zolva::reliability
