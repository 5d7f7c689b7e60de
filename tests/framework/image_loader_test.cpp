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

#include "framework/image_loader.h"

namespace zolva {
namespace {

using imageio::loadImage;
using imageio::readImageSize;
using Bytes = std::vector<std::uint8_t>;

// The hand-written files below all hold this 3 x 2 picture (greyscale ones its grey
// levels). The bottom row is uniform so that run-length encoders have a run to write.
const QRgb kColours[2][3] = {{qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255)},
                             {qRgb(200, 100, 50), qRgb(200, 100, 50), qRgb(200, 100, 50)}};
const int kGreys[2][3] = {{10, 128, 250}, {77, 77, 77}};
// kColours as a palette: entry x of the top row, entry 3 for the bottom row.
const QRgb kPalette[4] = {kColours[0][0], kColours[0][1], kColours[0][2], kColours[1][0]};

// GIF89a with kPalette; the LZW stream (min code size 2) puts a clear code before every
// pair of pixel codes, so the code width never grows past three bits.
const QByteArray kGif = QByteArray::fromHex(
    "474946383961 0300 0200 810000 FF0000 00FF00 0000FF C86432"
    "2C 0000 0000 0300 0200 00 02 04 44A8712B 00 3B");

void put16(Bytes& b, unsigned v) {
    b.insert(b.end(), {std::uint8_t(v & 0xFF), std::uint8_t((v >> 8) & 0xFF)});
}
void put32(Bytes& b, std::uint32_t v) {
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}
void putRgb(Bytes& b, QRgb c, bool bgr) {
    const auto r = std::uint8_t(qRed(c)), g = std::uint8_t(qGreen(c)), bl = std::uint8_t(qBlue(c));
    b.insert(b.end(), {bgr ? bl : r, g, bgr ? r : bl});
}
QByteArray bytes(const Bytes& b) {
    return QByteArray(reinterpret_cast<const char*>(b.data()), qsizetype(b.size()));
}

QImage pattern(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            image.setPixel(x, y, qRgb(x * 255 / w, y * 255 / h, (x + y) % 2 ? 40 : 210));
        }
    }
    return image;
}

QByteArray encoded(const QImage& image, const char* format) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(QImageWriter(&buffer, format).write(image)) << format;
    return buffer.data();
}

class ImageLoader : public ::testing::Test {
protected:
    QString write(const QString& name, const QByteArray& data) const {
        QFile f(dir.filePath(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(data);
        return f.fileName();
    }
    // Loads `file` and checks that the size told beforehand is the size decoded.
    static QImage loadChecked(const QString& file) {
        QImage image;
        QSize size;
        EXPECT_TRUE(loadImage(file, image)) << file.toStdString();
        EXPECT_TRUE(readImageSize(file, size)) << file.toStdString();
        EXPECT_EQ(size, image.size()) << file.toStdString();
        return image;
    }
    static void expectRejected(const QString& file, const char* what = "") {
        QImage image;
        QSize size;
        EXPECT_FALSE(loadImage(file, image)) << file.toStdString() << " " << what;
        EXPECT_TRUE(image.isNull());
        // An intact header may still tell a size, but never an absurd one.
        if (readImageSize(file, size)) {
            EXPECT_LE(qint64{size.width()} * size.height(), 64 * 1024 * 1024) << what;
        }
    }

    QTemporaryDir dir;
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
    for (const char* format : {"bmp", "png", "tif", "jpg"}) {
        const QImage loaded = loadChecked(write(QString("p.") + format, encoded(source, format)));
        ASSERT_EQ(loaded.size(), source.size()) << format;
        const int tolerance = QByteArray(format) == "jpg" ? 40 : 0;
        for (QPoint p : {QPoint(0, 0), QPoint(36, 0), QPoint(18, 10), QPoint(36, 20)}) {
            EXPECT_NEAR(qGreen(loaded.pixel(p)), qGreen(source.pixel(p)), tolerance) << format;
            EXPECT_NEAR(qRed(loaded.pixel(p)), qRed(source.pixel(p)), tolerance) << format;
        }
    }
    expectPixels(loadChecked(write("p.gif", kGif)));
    // The format is told from the content, not the name.
    EXPECT_EQ(loadChecked(write("photo.png", encoded(source, "jpg"))).size(), source.size());
}

struct TgaVariant {
    const char* label;
    int type;  // 1 colour-mapped, 2 true colour, 3 grey; +8 run-length encoded
    int depth;
    bool topLeft;
    bool footer;
};

void PrintTo(const TgaVariant& v, std::ostream* os) {
    *os << v.label;
}

Bytes tgaFile(const TgaVariant& v) {
    const int kind = v.type & 7;
    Bytes b = {0, std::uint8_t(kind == 1), std::uint8_t(v.type), 0, 0};
    put16(b, kind == 1 ? 4 : 0);
    b.push_back(kind == 1 ? 24 : 0);
    put32(b, 0);
    put16(b, 3);
    put16(b, 2);
    b.push_back(std::uint8_t(v.depth));
    b.push_back(std::uint8_t((v.topLeft ? 0x20 : 0) | (v.depth == 32 ? 8 : 0)));
    for (int i = 0; kind == 1 && i < 4; ++i) {
        putRgb(b, kPalette[i], true);
    }
    for (int i = 0; i < 2; ++i) {
        const int y = v.topLeft ? i : 1 - i;
        const bool rle = v.type & 8;
        if (rle) {
            b.push_back(y == 0 ? 2 : 0x82);  // varied row raw, uniform row as one run
        }
        for (int x = 0; x < (rle && y == 1 ? 1 : 3); ++x) {
            if (kind == 1) {
                b.push_back(std::uint8_t(y == 1 ? 3 : x));
            } else if (kind == 3) {
                b.push_back(std::uint8_t(kGreys[y][x]));
            } else {
                putRgb(b, kColours[y][x], true);
                if (v.depth == 32) {
                    b.push_back(255);
                }
            }
        }
    }
    if (v.footer) {
        put32(b, 0);
        put32(b, 0);
        const char signature[] = "TRUEVISION-XFILE.";
        b.insert(b.end(), signature, signature + sizeof signature);
    }
    return b;
}

const TgaVariant kTgaVariants[] = {
    {"truecolour24_bottom", 2, 24, false, false},
    {"truecolour24_top_footer", 2, 24, true, true},
    {"truecolour32_bottom_footer", 2, 32, false, true},
    {"truecolour32_top", 2, 32, true, false},
    {"rle24_bottom", 10, 24, false, false},
    {"rle32_top_footer", 10, 32, true, true},
    {"mapped_bottom", 1, 8, false, false},
    {"mapped_rle_top_footer", 9, 8, true, true},
    {"grey_top", 3, 8, true, false},
    {"grey_rle_bottom_footer", 11, 8, false, true},
};

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

// An 8-bit run-length encoded PCX with its 256-entry palette at the end.
Bytes pcxFile() {
    // Built from a zeroed header rather than grown from a short list: GCC 12 warns falsely
    // about growing a small vector with resize().
    Bytes b(65, 0);
    const std::uint8_t start[] = {0x0A, 5, 1, 8, 0, 0, 0, 0, 2, 0, 1, 0};
    std::copy(std::begin(start), std::end(start), b.begin());
    b.push_back(1);  // planes
    put16(b, 4);     // bytes per line: always even, so one pad byte here
    b.resize(128, 0);
    b.insert(b.end(), {0, 1, 2, 0, 0xC3, 3, 0, 0x0C});
    for (int i = 0; i < 256; ++i) {
        putRgb(b, kPalette[std::min(i, 3)], false);
    }
    return b;
}

// A placeable metafile: a 100 x 50 unit frame at 72 units per inch, filled by a red
// rectangle drawn without an outline.
Bytes wmfFile() {
    Bytes b;
    put32(b, 0x9AC6CDD7u);
    for (unsigned v : {0, 0, 0, 100, 50, 72, 0, 0}) {
        put16(b, v);
    }
    unsigned checksum = 0;
    for (size_t i = 0; i < b.size(); i += 2) {
        checksum ^= b[i] | (b[i + 1] << 8);
    }
    put16(b, checksum);
    const std::vector<std::vector<unsigned>> records = {
        {0x020B, 0, 0},          {0x020C, 50, 100}, {0x02FC, 0, 0x00FF, 0, 0}, {0x012D, 0},
        {0x02FA, 5, 0, 0, 0, 0}, {0x012D, 1},       {0x041B, 50, 100, 0, 0},   {0x0000}};
    unsigned words = 9;
    for (const auto& r : records) {
        words += 2 + unsigned(r.size());
    }
    for (unsigned v : {1u, 9u, 0x0300u, words & 0xFFFF, words >> 16, 2u, 8u, 0u, 0u}) {
        put16(b, v);
    }
    for (const auto& r : records) {
        put32(b, 2 + unsigned(r.size()));
        for (unsigned w : r) {
            put16(b, w);
        }
    }
    return b;
}

TEST_F(ImageLoader, PcxAndWmfDecodeThroughTheFallback) {
    expectPixels(loadChecked(write("p.pcx", bytes(pcxFile()))));
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
    for (const QByteArray& whole : {kGif, bytes(pcxFile()), bytes(wmfFile())}) {
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
    Bytes tga = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 24, 0};
    tga.resize(1000, 0x11);
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
