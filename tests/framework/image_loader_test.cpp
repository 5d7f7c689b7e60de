#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImageWriter>
#include <QTemporaryDir>
#include <cstdint>
#include <vector>

#include "framework/image_limits.h"
#include "framework/image_loader.h"
#include "image_file_test.h"
#include "support/sample_images.h"

namespace zolva {
namespace {

using imageio::loadImage;
using imageio::readImageSize;
using namespace zolva::sample;

class ImageLoader : public testing::ImageFileTest {
protected:
    static void expectRejected(const QString& file, const char* what = "") {
        QImage image;
        QSize size;
        EXPECT_FALSE(loadImage(file, image)) << file.toStdString() << " " << what;
        EXPECT_TRUE(image.isNull());
        // An intact header may still tell a size, but never an absurd one.
        if (readImageSize(file, size)) {
            EXPECT_TRUE(imageio::isAcceptableImageSize(size)) << what;
        }
    }
};

void expectPixels(const QImage& image, bool grey = false) {
    ASSERT_EQ(image.size(), QSize(3, 2));
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 3; ++x) {
            const QRgb want =
                grey ? qRgb(kGreys[y][x], kGreys[y][x], kGreys[y][x]) : kColours[y][x];
            EXPECT_EQ(image.pixel(x, y) & 0xFFFFFFu, want & 0xFFFFFFu) << x << "," << y;
        }
    }
}

TEST_F(ImageLoader, QtFormatsDecodeWithTheirHeaderSize) {
    const QImage source = pattern(37, 21);
    // WebP too: the desktop's own wallpapers come in it.
    for (const char* format : {"bmp", "png", "tif", "jpg", "webp"}) {
        const QImage loaded = loadChecked(write(QString("p.") + format, encoded(source, format)));
        ASSERT_EQ(loaded.size(), source.size()) << format;
        const int tolerance = QByteArray(format) == "jpg" || QByteArray(format) == "webp" ? 40 : 0;
        for (QPoint p : {QPoint(0, 0), QPoint(36, 0), QPoint(18, 10), QPoint(36, 20)}) {
            EXPECT_NEAR(qGreen(loaded.pixel(p)), qGreen(source.pixel(p)), tolerance) << format;
            EXPECT_NEAR(qRed(loaded.pixel(p)), qRed(source.pixel(p)), tolerance) << format;
        }
    }
    expectPixels(loadChecked(write("p.gif", gifFile(false))));
    // The format is told from the content, not the name.
    EXPECT_EQ(loadChecked(write("photo.png", encoded(source, "jpg"))).size(), source.size());
}

class TgaFiles : public ImageLoader, public ::testing::WithParamInterface<TgaVariant> {};

TEST_P(TgaFiles, DecodeToTheWrittenPixelsAndRejectTruncation) {
    const TgaVariant& v = GetParam();
    Bytes data = tgaFile(v);
    expectPixels(loadChecked(write("whole.tga", bytes(data))), (v.type & 7) == 3);
    data.resize(data.size() - (v.footer ? 26 : 0) - 2);
    expectRejected(write("cut.tga", bytes(data)));
}

INSTANTIATE_TEST_SUITE_P(Variants, TgaFiles, ::testing::ValuesIn(kTgaVariants),
                         [](const auto& info) { return std::string(info.param.label); });

TEST_F(ImageLoader, PcxAndWmfDecodeThroughTheFallback) {
    expectPixels(loadChecked(write("p.pcx", bytes(pcxFile(false)))));
    const QImage wmf = loadChecked(write("p.wmf", bytes(wmfFile())));
    ASSERT_EQ(wmf.size(), QSize(100, 50));
    EXPECT_EQ(wmf.pixel(50, 25) & 0xFFFFFFu, 0xFF0000u);
}

TEST_F(ImageLoader, TruncatedAndCorruptFilesAreRejected) {
    for (const char* format : {"bmp", "png", "tif", "jpg"}) {
        const QByteArray data = encoded(pattern(64, 48), format);
        for (double part : {0.9, 0.5, 0.05}) {
            expectRejected(write("cut", data.left(qsizetype(data.size() * part))), format);
        }
        QByteArray noisy = data;  // header kept, body overwritten
        for (qsizetype i = 60; i < noisy.size(); ++i) {
            noisy[i] = char((i * 7919) >> 3);
        }
        if (QByteArray(format) != "bmp") {  // any noise is a valid BMP body
            expectRejected(write("noisy", noisy), format);
        }
    }
    for (const QByteArray& whole : {gifFile(false), bytes(pcxFile(false)), bytes(wmfFile())}) {
        expectRejected(write("cut", whole.left(whole.size() * 2 / 3)));
        expectRejected(write("cut", whole.left(20)));
    }
}

TEST_F(ImageLoader, HeadersClaimingHugeImagesAreRefused) {
    Bytes bmp = {'B', 'M'};  // 20000 x 20000 at 24 bits, with 16 bytes of pixels
    for (std::uint32_t v : {70u, 0u, 54u, 40u, 20000u, 20000u, 0x180001u}) {
        put32(bmp, v);
    }
    bmp.resize(70, 0);
    expectRejected(write("huge.bmp", bytes(bmp)));
    // TGA's largest size, 65535 x 65535, plain and run-length encoded.
    Bytes tga(1000, 0x11);
    const std::uint8_t header[] = {0, 0, 2, 0,    0,    0,    0,    0,  0,
                                   0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 24, 0};
    std::copy(std::begin(header), std::end(header), tga.begin());
    expectRejected(write("huge.tga", bytes(tga)));
    tga[2] = 10;
    expectRejected(write("huge_rle.tga", bytes(tga)));
}

TEST_F(ImageLoader, NonImagesAreRejected) {
    expectRejected(write("empty.png", QByteArray()));
    expectRejected(write("text.png", "This is not a picture, just some words.\n"));
    expectRejected(write("zeros.tga", QByteArray(4096, '\0')));
    expectRejected(dir.path());
    expectRejected(dir.filePath("missing.png"));
    expectRejected(QString());
    const QString fifo = dir.filePath("pipe.png");
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    expectRejected(fifo);  // must not block waiting for a writer

    const QString locked = write("locked.png", encoded(pattern(4, 4), "png"));
    ASSERT_EQ(chmod(QFile::encodeName(locked).constData(), 0), 0);
    if (access(QFile::encodeName(locked).constData(), R_OK) == 0) {
        GTEST_SKIP() << "running with privileges that read any file";
    }
    expectRejected(locked);
}

// The test program carries the resources ":/bitmaps/42" (2 x 2, red and blue) and
// ":/bitmaps/shadow.xpm" (2 x 2, green). Bare names resolve into the temp dir.
TEST_F(ImageLoader, ResourcesComeFirstAndNumberedNamesAreNeverFiles) {
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    const QByteArray png = encoded(pattern(5, 5), "png");
    for (const char* name : {"#999", "#42", "shadow.xpm", "plain.png"}) {
        write(name, png);
    }
    EXPECT_EQ(imageio::resourceName(103), QString("#103"));
    QImage image;
    QSize size;
    EXPECT_FALSE(loadImage("#999", image));
    EXPECT_FALSE(readImageSize("#999", size));
    EXPECT_EQ(loadChecked("#42").pixel(1, 0) & 0xFFFFFFu, 0x0000FFu);
    EXPECT_EQ(loadChecked("shadow.xpm").size(), QSize(2, 2));
    EXPECT_EQ(loadChecked("plain.png").size(), QSize(5, 5));
    QDir::setCurrent(previous);
}

}  // namespace
}  // namespace zolva
