#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include "framework/image_loader.h"
#include "framework/picture.h"

namespace zolva {
namespace {

constexpr std::uint32_t kWhite = 0xFFFFFF;

std::uint32_t rgb(const Surface& s, int x, int y) {
    return s.image().pixel(x, y) & 0xFFFFFFu;
}

// Distinct colour per pixel, so misplaced pixels show.
std::uint32_t colourAt(int x, int y) {
    return static_cast<std::uint32_t>(0x100000 + y * 0x100 + x * 3);
}

class PictureTest : public ::testing::Test {
protected:
    QString writePng(const QString& name, int w, int h) {
        QImage image(w, h, QImage::Format_RGB32);
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                image.setPixel(x, y, 0xFF000000u | colourAt(x, y));
            }
        }
        const QString file = dir.filePath(name);
        EXPECT_TRUE(image.save(file, "png"));
        return file;
    }

    QTemporaryDir dir;
};

TEST_F(PictureTest, FrameGeometryIgnoresRemainders) {
    EXPECT_EQ(Picture("#104", 143, 23, 11, 1, 11).frameWidth(), 13);
    const Picture third("x", 100, 40, 3, 2, 6);
    EXPECT_EQ(third.frameWidth(), 33);
    EXPECT_EQ(third.frameHeight(), 20);
    // A grid of no cells counts as one instead of dividing by zero.
    const Picture degenerate("x", 100, 40, 0, 0, 1);
    EXPECT_EQ(degenerate.frameWidth(), 100);
    EXPECT_EQ(degenerate.frameHeight(), 40);
    EXPECT_EQ(degenerate.columns(), 1);
}

TEST_F(PictureTest, SizeFromTheFileAndNoSurfaceUntilAsked) {
    const Picture sized(writePng("a.png", 30, 12), 3, 2, 6);
    EXPECT_EQ(sized.width(), 30);
    EXPECT_EQ(sized.height(), 12);
    EXPECT_EQ(sized.frameWidth(), 10);
    EXPECT_EQ(sized.frameHeight(), 6);
    EXPECT_EQ(sized.surface(), nullptr);

    Picture missing(dir.filePath("gone.png"), 1, 1, 1);
    EXPECT_EQ(missing.width(), 0);
    EXPECT_EQ(missing.height(), 0);
    EXPECT_FALSE(missing.createSurface());
    EXPECT_EQ(missing.surface(), nullptr);
}

TEST_F(PictureTest, SheetIsWhiteWhereTheImageDoesNotReach) {
    Picture larger(writePng("small.png", 4, 3), 6, 5, 1, 1, 1);
    ASSERT_TRUE(larger.createSurface());
    const Surface& s = *larger.surface();
    ASSERT_EQ(s.width(), 6);
    ASSERT_EQ(s.height(), 5);
    EXPECT_EQ(rgb(s, 0, 0), colourAt(0, 0));
    EXPECT_EQ(rgb(s, 3, 2), colourAt(3, 2));
    EXPECT_EQ(rgb(s, 4, 0), kWhite);
    EXPECT_EQ(rgb(s, 0, 3), kWhite);
    EXPECT_EQ(rgb(s, 5, 4), kWhite);

    Picture smaller(writePng("big.png", 8, 8), 3, 2, 1, 1, 1);
    ASSERT_TRUE(smaller.createSurface());
    ASSERT_EQ(smaller.surface()->width(), 3);
    EXPECT_EQ(rgb(*smaller.surface(), 2, 1), colourAt(2, 1));

    // Transparent pixels show the white sheet, not black.
    QImage image(2, 1, QImage::Format_ARGB32);
    image.setPixel(0, 0, 0x00000000u);
    image.setPixel(1, 0, 0xFF123456u);
    ASSERT_TRUE(image.save(dir.filePath("alpha.png"), "png"));
    Picture alpha(dir.filePath("alpha.png"), 1, 1, 1);
    ASSERT_TRUE(alpha.createSurface());
    EXPECT_EQ(rgb(*alpha.surface(), 0, 0), kWhite);
    EXPECT_EQ(rgb(*alpha.surface(), 1, 0), 0x123456u);
}

TEST_F(PictureTest, SecondCreateSurfaceDoesNotLoadAgain) {
    const QString file = writePng("once.png", 5, 5);
    Picture picture(file, 1, 1, 1);
    ASSERT_TRUE(picture.createSurface());
    const Surface* first = picture.surface();
    ASSERT_TRUE(QFile::remove(file));
    EXPECT_TRUE(picture.createSurface());
    EXPECT_EQ(picture.surface(), first);
}

TEST_F(PictureTest, ReplaceTakesTheNewSizeButKeepsNameAndGridAndAFailedOneKeepsEverything) {
    const QString original = writePng("first.png", 20, 10);
    Picture picture(original, 2, 2, 3);
    ASSERT_TRUE(picture.createSurface());
    const Surface* before = picture.surface();
    EXPECT_FALSE(picture.replaceImage(dir.filePath("nothing.png")));
    EXPECT_EQ(picture.surface(), before);
    EXPECT_EQ(rgb(*picture.surface(), 19, 9), colourAt(19, 9));
    EXPECT_EQ(picture.width(), 20);
    EXPECT_EQ(picture.height(), 10);
    EXPECT_EQ(picture.frameWidth(), 10);
    EXPECT_EQ(picture.frameHeight(), 5);

    ASSERT_TRUE(picture.replaceImage(writePng("second.png", 31, 7)));
    EXPECT_EQ(picture.name(), original);
    EXPECT_EQ(picture.width(), 31);
    EXPECT_EQ(picture.height(), 7);
    EXPECT_EQ(picture.frameWidth(), 15);
    EXPECT_EQ(picture.frameHeight(), 3);
    EXPECT_EQ(picture.columns(), 2);
    EXPECT_EQ(picture.frameCount(), 3);
    ASSERT_NE(picture.surface(), nullptr);
    EXPECT_EQ(picture.surface()->width(), 31);
    EXPECT_EQ(rgb(*picture.surface(), 30, 6), colourAt(30, 6));
}

TEST_F(PictureTest, BlitCopiesFramesAndHonoursTheColourKey) {
    Surface target(4, 4);
    Picture picture(writePng("sheet.png", 4, 2), 2, 1, 2);
    EXPECT_FALSE(picture.blit(target, Rect{0, 0, 2, 2}, Rect{0, 0, 2, 2}));
    ASSERT_TRUE(picture.createSurface());
    ASSERT_TRUE(picture.blit(target, Rect{1, 1, 3, 3}, Rect{2, 0, 4, 2}));
    EXPECT_EQ(rgb(target, 1, 1), colourAt(2, 0));
    EXPECT_EQ(rgb(target, 2, 2), colourAt(3, 1));

    // With the colour of one pixel as key, that pixel leaves the target untouched.
    Picture keyed("k", 1, 1, 1);
    keyed.setup(writePng("key.png", 2, 1), 2, 1, 1, 1, 1, true, colourAt(0, 0), colourAt(0, 0));
    ASSERT_TRUE(keyed.createSurface());
    Surface black(2, 1);
    ASSERT_TRUE(keyed.blit(black, Rect{0, 0, 2, 1}, Rect{0, 0, 2, 1}));
    EXPECT_EQ(rgb(black, 0, 0), 0u);
    EXPECT_EQ(rgb(black, 1, 0), colourAt(1, 0));
}

// With a fit size the board simply gets a smaller picture: every size the picture reports
// is the fitted one, and only the player's files shrink.
TEST_F(PictureTest, LargeFilesArriveFittedAndBuiltInsDoNot) {
    const QString large = writePng("large.png", 600, 400);
    imageio::setFitSize({300, 300});
    Picture picture(large, 2, 2, 4);
    EXPECT_EQ(picture.width(), 300);
    EXPECT_EQ(picture.height(), 200);
    EXPECT_EQ(picture.frameWidth(), 150);
    EXPECT_EQ(picture.frameHeight(), 100);
    EXPECT_EQ(picture.name(), large);
    ASSERT_TRUE(picture.createSurface());
    EXPECT_EQ(picture.surface()->width(), 300);
    EXPECT_EQ(picture.surface()->height(), 200);
    // Shrunk, not cut off: the file's red byte turns from 0x10 to 0x11 at row 256, so the
    // bottom of a crop would still show 0x10.
    EXPECT_EQ(rgb(*picture.surface(), 299, 199) >> 16, 0x11u);

    ASSERT_TRUE(picture.replaceImage(writePng("tall.png", 100, 900)));
    EXPECT_EQ(picture.name(), large);
    EXPECT_EQ(picture.width(), 33);
    EXPECT_EQ(picture.height(), 300);
    EXPECT_EQ(picture.frameHeight(), 150);
    EXPECT_EQ(picture.surface()->height(), 300);

    imageio::setFitSize({1, 1});
    Picture builtIn("#42", 1, 1, 1);  // the test program's 2 x 2 bitmap
    EXPECT_EQ(builtIn.width(), 2);
    ASSERT_TRUE(builtIn.replaceImage("#42"));
    EXPECT_EQ(builtIn.surface()->width(), 2);
    imageio::setFitSize(QSize());
}

}  // namespace
}  // namespace zolva
