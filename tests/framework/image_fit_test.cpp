#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>
#include <QImageWriter>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdint>

#include "framework/image_loader.h"
#include "framework/loader_formats.h"
#include "image_file_test.h"
#include "support/sample_images.h"

namespace zolva {
namespace {

using imageio::fittedSize;
using imageio::loadImage;
using imageio::readImageSize;
using imageio::setFitSize;

const QRgb kRed = qRgb(220, 20, 20);
const QRgb kBlue = qRgb(20, 20, 220);

// Left half red, right half blue (in grey: light, then dark, so that the red channel
// tells the halves apart either way). A crop instead of a shrink shows one colour only.
QImage halves(int w, int h, bool grey = false) {
    QImage image(w, h, grey ? QImage::Format_Grayscale8 : QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        if (grey) {
            std::uint8_t* row = image.scanLine(y);
            std::fill(row, row + w / 2, 220);
            std::fill(row + w / 2, row + w, 20);
        } else {
            auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
            std::fill(row, row + w / 2, kRed);
            std::fill(row + w / 2, row + w, kBlue);
        }
    }
    return image;
}

QByteArray encoded(const QImage& image, const char* format, bool progressive = false) {
    return sample::encoded(image, format, {.progressive = progressive});
}

// Adds the EXIF block a camera held a quarter turn clockwise writes: orientation 6. Qt's
// writer turns the pixels itself rather than write this tag, so it is added by hand.
QByteArray turnedClockwise(QByteArray jpeg) {
    return jpeg.insert(2, QByteArray::fromHex("FFE10022 457869660000 49492A0008000000 0100"
                                              "1201 0300 01000000 0600 0000 00000000"));
}

// Rewrites a JPEG's frame header to claim another size. libjpeg fills the scans that the
// short data lacks, so this stands in for a huge photo without building one.
QByteArray claimingSize(QByteArray jpeg, int w, int h) {
    for (qsizetype pos = 2; pos + 9 < jpeg.size();) {
        const auto marker = std::uint8_t(jpeg[pos + 1]);
        if (marker == 0xC0 || marker == 0xC2) {
            jpeg[pos + 5] = char(h >> 8);
            jpeg[pos + 6] = char(h);
            jpeg[pos + 7] = char(w >> 8);
            jpeg[pos + 8] = char(w);
            return jpeg;
        }
        pos += 2 + (std::uint8_t(jpeg[pos + 2]) << 8 | std::uint8_t(jpeg[pos + 3]));
    }
    ADD_FAILURE() << "no frame header";
    return jpeg;
}

void put16(QByteArray& b, int v) {
    b.append(char(v & 0xFF)).append(char(v >> 8));
}

// Colour-mapped TGA and 8-bit PCX, both index 0 (red) left and 1 (blue) right; neither
// is a format Qt decodes itself.
QByteArray mappedTga(int w, int h) {
    QByteArray b("\0\1\1\0\0", 5);
    put16(b, 2);
    b.append(char(24)).append(4, '\0');
    put16(b, w);
    put16(b, h);
    b.append(char(8)).append(char(0x20));
    b.append("\x14\x14\xDC\xDC\x14\x14", 6);  // BGR
    for (int i = 0; i < w * h; ++i) {
        b.append(char(i % w >= w / 2));
    }
    return b.append(QByteArray(8, '\0')).append("TRUEVISION-XFILE.", 18);
}

QByteArray pcx(int w, int h) {
    QByteArray b("\x0A\x05\x01\x08\0\0\0\0", 8);
    put16(b, w - 1);
    put16(b, h - 1);
    b.append(53, '\0').append(char(1));
    put16(b, w);  // w even, so no padding byte
    b.resize(128, '\0');
    for (int i = 0; i < w * h; ++i) {
        b.append(char(i % w >= w / 2));
    }
    b.append(char(0x0C)).append("\xDC\x14\x14\x14\x14\xDC", 6);
    return b.append(QByteArray(768 - 6, '\0'));
}

class FitSize : public testing::ImageFileTest {
protected:
    void TearDown() override {
        setFitSize(QSize());
        imageio::setShapeRule({});
    }

    static void expectRefused(const QString& file) {
        QImage image;
        QSize size;
        EXPECT_FALSE(loadImage(file, image));
        EXPECT_FALSE(readImageSize(file, size)) << size.width() << "x" << size.height();
    }
    static void expectHalves(const QImage& image, int tolerance) {
        const int y = image.height() / 2;
        EXPECT_NEAR(qRed(image.pixel(1, y)), 220, tolerance);
        EXPECT_NEAR(qRed(image.pixel(image.width() - 2, y)), 20, tolerance);
    }
};

TEST(FitRule, ShrinksInsideTheBoxRoundingHalfUp) {
    const QSize box(1200, 900);
    EXPECT_EQ(fittedSize({6000, 4000}, box), QSize(1200, 800));
    EXPECT_EQ(fittedSize({1000, 5000}, box), QSize(180, 900));
    EXPECT_EQ(fittedSize({1200, 900}, box), QSize(1200, 900));
    EXPECT_EQ(fittedSize({640, 480}, box), QSize(640, 480));  // never enlarged
    EXPECT_EQ(fittedSize({4, 3}, {2, 2}), QSize(2, 2));       // 1.5 rounds up
    EXPECT_EQ(fittedSize({32767, 1}, {100, 100}), QSize(100, 1));
    EXPECT_EQ(fittedSize({1, 32767}, {100, 100}), QSize(1, 100));
    for (QSize none : {QSize(), QSize(0, 900), QSize(1200, -1)}) {
        EXPECT_EQ(fittedSize({6000, 4000}, none), QSize(6000, 4000));
        setFitSize(none);
        EXPECT_EQ(imageio::fitSize(), QSize());
    }
    setFitSize(box);
    EXPECT_EQ(imageio::fitSize(), box);
    setFitSize(QSize());
}

TEST(FitRule, ScreenFitTakesTheChromeOffButKeepsAPlayableMinimum) {
    using imageio::fitSizeForScreen;
    EXPECT_EQ(fitSizeForScreen({1920, 1040}, {40, 110}), QSize(1880, 930));
    EXPECT_EQ(fitSizeForScreen({320, 240}, {40, 110}), QSize(280, 150));
    EXPECT_EQ(fitSizeForScreen({100, 100}, {40, 110}), QSize(150, 150));
    EXPECT_EQ(fitSizeForScreen(QSize(), QSize()), QSize(150, 150));
    EXPECT_EQ(fitSizeForScreen({1000, 800}, {-5, -5}), QSize(1000, 800));
}

TEST(FitRule, OnlySingleScanSequentialJpegsDecodeInOnePass) {
    const QImage image = halves(64, 32);
    const QByteArray baseline = encoded(image, "jpg");
    EXPECT_TRUE(imageio::jpegDecodesInOnePass(baseline));
    EXPECT_FALSE(imageio::jpegDecodesInOnePass(encoded(image, "jpg", true)));
    EXPECT_FALSE(imageio::jpegDecodesInOnePass(baseline.left(baseline.indexOf("\xFF\xDA"))));
    EXPECT_FALSE(imageio::jpegDecodesInOnePass(encoded(image, "png")));
}

TEST_F(FitSize, LargeFilesShrinkToTheSizeTheHeaderForetells) {
    const QString photo = write("photo.jpg", encoded(halves(6000, 4000, true), "jpg"));
    const QString tall = write("tall.png", encoded(halves(1000, 5000), "png"));
    const QString small = write("small.png", encoded(halves(300, 200), "png"));
    QSize size;
    ASSERT_TRUE(readImageSize(photo, size));
    EXPECT_EQ(size, QSize(6000, 4000));  // no fit size: untouched
    EXPECT_EQ(loadChecked(tall).size(), QSize(1000, 5000));

    setFitSize({1200, 900});
    const QImage shrunk = loadChecked(photo);
    EXPECT_EQ(shrunk.size(), QSize(1200, 800));
    expectHalves(shrunk, 12);
    EXPECT_EQ(loadChecked(tall).size(), QSize(180, 900));
    expectHalves(loadChecked(tall), 2);
    EXPECT_EQ(loadChecked(small), halves(300, 200));
}

TEST_F(FitSize, CameraOrientationIsAppliedBeforeFitting) {
    // Stored 800 x 400, shown 400 x 800; fitting the stored size instead gives 600 x 300.
    const QString file = write("turned.jpg", turnedClockwise(encoded(halves(800, 400), "jpg")));
    for (QSize fit : {QSize(), QSize(600, 500)}) {
        setFitSize(fit);
        const QImage image = loadChecked(file);
        ASSERT_EQ(image.size(), fit.isValid() ? QSize(250, 500) : QSize(400, 800));
        // The quarter turn brings the stored left (red) half to the top.
        EXPECT_NEAR(qRed(image.pixel(image.width() / 2, 10)), 220, 12);
        EXPECT_NEAR(qRed(image.pixel(image.width() / 2, image.height() - 10)), 20, 12);
    }
}

TEST_F(FitSize, FallbackFormatsShrinkToTheSizeTheyReport) {
    setFitSize({120, 90});
    for (const QString& file :
         {write("m.tga", mappedTga(300, 100)), write("p.pcx", pcx(300, 100))}) {
        const QImage image = loadChecked(file);
        EXPECT_EQ(image.size(), QSize(120, 40)) << file.toStdString();
        expectHalves(image, 2);
    }
}

// The test program carries ":/bitmaps/42" and ":/bitmaps/shadow.xpm", both 2 x 2.
TEST_F(FitSize, BuiltInBitmapsAreNeverShrunk) {
    setFitSize({1, 1});
    for (const char* name : {"#42", "shadow.xpm", ":/bitmaps/42"}) {
        EXPECT_EQ(loadChecked(name).size(), QSize(2, 2)) << name;
    }
    EXPECT_EQ(loadChecked(write("five.png", encoded(halves(5, 5), "png"))).size(), QSize(1, 1));
}

TEST_F(FitSize, HugeJpegsAreUsableOnlyWhenDecodedSmall) {
    const QImage tile = halves(32, 16);
    const QString huge = write("huge.jpg", claimingSize(encoded(tile, "jpg"), 12000, 8400));
    const QString layered =
        write("layered.jpg", claimingSize(encoded(tile, "jpg", true), 12000, 8400));
    const QString absurd = write("absurd.jpg", claimingSize(encoded(tile, "jpg"), 20000, 20000));
    const QString wide = write("wide.jpg", claimingSize(encoded(tile, "jpg"), 40000, 100));
    expectRefused(huge);  // 100 Mpx at full size is over the limit
    // Decoding succeeds although Qt would refuse to allocate the full-size image.
    setFitSize({1200, 900});
    EXPECT_EQ(loadChecked(huge).size(), QSize(1200, 840));
    for (const QString& file : {layered, absurd, wide}) {
        expectRefused(file);
    }
    setFitSize({11000, 8000});  // the shrunk image itself would be over the limit
    expectRefused(huge);
}

TEST(ShapeRule, CropsExtremeShapesToTheRatioThenEnlargesSmallOnes) {
    using imageio::shapedSize;
    const imageio::ShapeRule rule{300, 3};
    EXPECT_EQ(shapedSize({16, 16}, rule), QSize(300, 300));
    EXPECT_EQ(shapedSize({6000, 400}, rule), QSize(1200, 400));
    EXPECT_EQ(shapedSize({900, 100}, rule), QSize(900, 300));  // cut to 300 x 100 first
    EXPECT_EQ(shapedSize({299, 1000}, rule), QSize(300, 900));
    EXPECT_EQ(shapedSize({300, 900}, rule), QSize(300, 900));  // exactly 3:1 stays whole
    EXPECT_EQ(shapedSize({640, 480}, rule), QSize(640, 480));
    EXPECT_EQ(shapedSize({16, 16}, {}), QSize(16, 16));
    EXPECT_EQ(shapedSize({1, 32767}, {300, 0}), QSize(1, 32767));  // too big to enlarge
    EXPECT_EQ(imageio::shapeCrop({1000, 100}, 3), QRect(350, 0, 300, 100));
}

TEST_F(FitSize, FilesTakeTheShapeRuleBeforeTheFitAndBuiltInArtNever) {
    const QString tiny = write("tiny.png", encoded(halves(16, 16), "png"));
    const QString strip = write("strip.png", encoded(halves(1800, 100), "png"));
    imageio::setShapeRule({300, 3});
    EXPECT_EQ(loadChecked(tiny).size(), QSize(300, 300));
    expectHalves(loadChecked(tiny), 2);
    // The middle 300 x 100 is kept: still red on the left and blue on the right.
    EXPECT_EQ(loadChecked(strip).size(), QSize(900, 300));
    expectHalves(loadChecked(strip), 2);
    setFitSize({600, 600});
    EXPECT_EQ(loadChecked(strip).size(), QSize(600, 200));
    EXPECT_EQ(loadChecked("#42").size(), QSize(2, 2));
}

}  // namespace
}  // namespace zolva
