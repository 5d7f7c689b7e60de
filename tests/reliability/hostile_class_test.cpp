// One file of each kind that broke the game when pictures were decoded in its own
// process, each made here, byte by byte: every one must be refused, with the picture on
// show left exactly as it was. What the decoder process then suffers is bounded by its
// limits; the game's own memory and time never see it.
#include <gtest/gtest.h>

#include <zlib.h>
#include <QBuffer>
#include <QFile>
#include <QImageWriter>
#include <QTemporaryDir>
#include <QtEndian>
#include <functional>

#include "framework/image_loader.h"
#include "framework/picture.h"
#include "support/sample_images.h"

namespace zolva {
namespace {

QByteArray chunk(const char* type, const QByteArray& data) {
    QByteArray out(4, '\0');
    qToBigEndian<quint32>(quint32(data.size()), out.data());
    const QByteArray body = QByteArray(type, 4) + data;
    out += body;
    QByteArray crc(4, '\0');
    qToBigEndian<quint32>(
        quint32(crc32(0, reinterpret_cast<const Bytef*>(body.constData()), uInt(body.size()))),
        crc.data());
    return out + crc;
}

QByteArray be32(quint32 v) {
    QByteArray out(4, '\0');
    qToBigEndian(v, out.data());
    return out;
}

QByteArray encoded(const QImage& image, const char* format, bool progressive = false) {
    return sample::encoded(image, format, {.progressive = progressive});
}

QImage smallPicture() {
    QImage image(16, 16, QImage::Format_RGB32);
    image.fill(qRgb(20, 140, 60));
    return image;
}

// 1 x 1 pixel after a thousand compressed text chunks of 4 MB each.
QByteArray pngTextBomb() {
    const QByteArray text = QByteArray("k") + '\0' + '\0' +
                            qCompress(QByteArray(4 << 20, 'z')).mid(4);  // zlib stream only
    QByteArray png("\x89PNG\r\n\x1A\n", 8);
    png += chunk("IHDR", be32(1) + be32(1) + QByteArray("\x08\x02\x00\x00\x00", 5));
    for (int i = 0; i < 1000; ++i) {
        png += chunk("zTXt", text);
    }
    png += chunk("IDAT", qCompress(QByteArray("\x00\x10\x20\x30", 4)).mid(4));
    return png + chunk("IEND", {});
}

QByteArray mng(const QByteArray& body) {
    QByteArray file("\x8AMNG\r\n\x1A\n", 8);
    file += chunk("MHDR", be32(1) + be32(1) + be32(1) + QByteArray(16, '\0'));
    return file + body + chunk("MEND", {});
}

// A LOOP whose iteration count never runs out, around one frame.
QByteArray mngEndlessLoop() {
    const QByteArray png = encoded(smallPicture(), "png").mid(8);
    return mng(chunk("LOOP", QByteArray(1, '\0') + be32(0x7FFFFFFF)) + png +
               chunk("ENDL", QByteArray(1, '\0')));
}

// A 1 x 1 animation whose frame claims 30000 x 30000.
QByteArray mngHugeFrame() {
    QByteArray png = encoded(smallPicture(), "png").mid(8);
    qToBigEndian<quint32>(30000, png.data() + 8);
    qToBigEndian<quint32>(30000, png.data() + 12);
    return mng(png);
}

// A progressive JPEG claiming 8192 x 8192 whose scans repeat thousands of times: every one
// is run over the whole image.
QByteArray jpegEndlessScans() {
    QByteArray jpeg = encoded(smallPicture(), "jpeg", true);
    const qsizetype frame = jpeg.indexOf("\xFF\xC2");
    const qsizetype scans = jpeg.indexOf("\xFF\xDA");
    const qsizetype end = jpeg.lastIndexOf("\xFF\xD9");
    if (frame < 0 || scans < 0 || end < scans) {
        ADD_FAILURE() << "no progressive JPEG to start from";
        return {};
    }
    qToBigEndian<quint16>(8192, jpeg.data() + frame + 5);
    qToBigEndian<quint16>(8192, jpeg.data() + frame + 7);
    return jpeg.left(end) + jpeg.mid(scans, end - scans).repeated(3000) + jpeg.mid(end);
}

struct HostileFile {
    const char* label;
    std::function<QByteArray()> make;
};

const HostileFile kHostileFiles[] = {
    {"png-text-bomb", pngTextBomb},
    {"mng-endless-loop", mngEndlessLoop},
    {"mng-huge-frame", mngHugeFrame},
    {"jpeg-endless-scans", jpegEndlessScans},
    {"wmf-flood-fill", [] { return sample::bytes(sample::wmfFile(true)); }},
};

class HostileClasses : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(smallPicture().save(dir.filePath("shown.png")));
        shown = std::make_unique<Picture>(dir.filePath("shown.png"), 2, 2, 4);
        ASSERT_TRUE(shown->createSurface());
    }

    QString write(const QString& name, const QByteArray& data) {
        QFile f(dir.filePath(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        EXPECT_EQ(f.write(data), data.size());
        return f.fileName();
    }

    // Refused for a new picture and as a replacement, the picture on show untouched.
    void expectRefused(const QString& file, const char* label) {
        const QImage before = shown->surface()->image();
        Picture fresh(file, 1, 1, 1);
        EXPECT_FALSE(fresh.createSurface()) << label;
        EXPECT_FALSE(shown->replaceImage(file)) << label;
        EXPECT_EQ(shown->surface()->image(), before) << label;
        EXPECT_EQ(shown->width(), 16) << label;
    }

    QTemporaryDir dir;
    std::unique_ptr<Picture> shown;
};

TEST_F(HostileClasses, EachIsRefusedWithinTheLimits) {
    for (const HostileFile& hostile : kHostileFiles) {
        expectRefused(write(hostile.label, hostile.make()), hostile.label);
    }
}

// Formats a Qt plugin happens to read but the game never offered are refused by content,
// whatever the name; WebP, which wallpapers come in, is read.
TEST_F(HostileClasses, OnlyTheOfferedFormatsAndWebpAreRead) {
    for (const char* format : {"ico", "xpm", "ppm", "pbm", "xbm", "wbmp", "icns"}) {
        if (QImageWriter::supportedImageFormats().contains(format)) {
            expectRefused(write(QStringLiteral("a.png"), encoded(smallPicture(), format)), format);
        }
    }
    expectRefused(write("b.png", "<svg xmlns='http://www.w3.org/2000/svg' width='9' height='9'/>"),
                  "svg");
    QImage webp;
    EXPECT_TRUE(imageio::loadImage(write("c.png", encoded(smallPicture(), "webp")), webp));
    EXPECT_EQ(webp.size(), QSize(16, 16));
    EXPECT_NEAR(qGreen(webp.pixel(3, 3)), 140, 8);
}

}  // namespace
}  // namespace zolva
