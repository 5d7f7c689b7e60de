#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <cstdint>
#include <cstring>
#include <functional>

#include "framework/decoder_client.h"
#include "framework/picture_cache.h"
#include "image_file_test.h"

namespace zolva {
namespace {

QImage stripes(int w, int h, int seed) {
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            image.setPixel(x, y, qRgb((x * 7 + seed) % 256, (y * 11) % 256, (x + y + seed) % 256));
        }
    }
    return image;
}

class PictureCache : public testing::ImageFileTest {
protected:
    void SetUp() override {
        // The folder does not exist yet: the first write makes it.
        cacheFile = dir.filePath(QStringLiteral("cache/deeper/picture.pixels"));
        imageio::setPictureCacheFile(cacheFile);
    }
    void TearDown() override {
        imageio::setPictureCacheFile(QString());
        imageio::setFitSize(QSize());
    }

    QString writePng(const QString& name, const QImage& image) const {
        const QString path = dir.filePath(name);
        EXPECT_TRUE(image.save(path, "PNG"));
        return path;
    }

    // Loads `file` as a start does (its size, then its pixels) and says whether the decoder
    // process had to be started for it.
    bool loadStartsDecoder(const QString& file, const QImage& want) const {
        const int before = imageio::decodersStarted();
        const QImage got = loadChecked(file);
        EXPECT_EQ(got.convertToFormat(QImage::Format_RGB32), want) << file.toStdString();
        return imageio::decodersStarted() != before;
    }

    QByteArray kept() const {
        QFile f(cacheFile);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    void keep(const QByteArray& bytes) const {
        QFile f(cacheFile);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }

    QString cacheFile;
};

TEST_F(PictureCache, LaterLoadsReadTheKeptPixelsWhileFileAndFitStayTheSame) {
    const QImage first = stripes(37, 21, 0);
    const QString file = writePng(QStringLiteral("photo.png"), first);
    EXPECT_TRUE(loadStartsDecoder(file, first));
    ASSERT_FALSE(kept().isEmpty());
    EXPECT_FALSE(loadStartsDecoder(file, first));
    EXPECT_FALSE(loadStartsDecoder(file, first));

    // Another fit size is another picture.
    imageio::setFitSize(QSize(20, 20));
    const QImage fitted = [&] {
        QImage image;
        EXPECT_TRUE(imageio::loadImage(file, image));
        return image;
    }();
    EXPECT_EQ(fitted.size(), QSize(20, 11));
    imageio::setFitSize(QSize());
    EXPECT_TRUE(loadStartsDecoder(file, first));

    // The file changed under the same name.
    const QImage second = stripes(37, 22, 5);
    writePng(QStringLiteral("photo.png"), second);
    EXPECT_TRUE(loadStartsDecoder(file, second));
    EXPECT_FALSE(loadStartsDecoder(file, second));

    // Another file is never served the kept pixels, nor one by the same name elsewhere.
    const QString other = writePng(QStringLiteral("other.png"), first);
    EXPECT_TRUE(loadStartsDecoder(other, first));
}

TEST_F(PictureCache, DamagedOrForeignFilesAreMissesAndGetReplaced) {
    const QImage picture = stripes(19, 13, 3);
    const QString file = writePng(QStringLiteral("photo.png"), picture);
    ASSERT_TRUE(loadStartsDecoder(file, picture));
    const QByteArray good = kept();
    ASSERT_GT(good.size(), 19 * 13 * 4);

    const auto poke = [](QByteArray bytes, int at, std::uint32_t value) {
        std::memcpy(bytes.data() + at, &value, sizeof value);
        return bytes;
    };
    // The header: eight bytes of magic, then width, height, format and the path's length.
    const std::vector<std::pair<const char*, QByteArray>> damaged = {
        {"truncated", good.first(good.size() - 1)},
        {"longer", good + QByteArray(4, '\0')},
        {"empty", QByteArray()},
        {"magic", QByteArray("XOLVAPX1") + good.mid(8)},
        {"huge width", poke(good, 8, 0x7fffffffu)},
        {"wider", poke(good, 8, 20)},
        {"over the caps", poke(poke(good, 8, 30000), 12, 30000)},
        {"format", poke(good, 16, QImage::Format_Indexed8)},
        {"path length", poke(good, 20, 0xffffffffu)},
        {"a pixel",
         [&] {
             QByteArray bytes = good;
             bytes[bytes.size() - 2] = char(bytes[bytes.size() - 2] ^ 0x40);
             return bytes;
         }()},
    };
    for (const auto& [what, bytes] : damaged) {
        keep(bytes);
        EXPECT_TRUE(loadStartsDecoder(file, picture)) << what;
        EXPECT_EQ(kept(), good) << what << ": not replaced";
    }

    // A folder where the file should be, or none to write into: pictures still load.
    ASSERT_TRUE(QFile::remove(cacheFile));
    ASSERT_TRUE(QDir().mkpath(cacheFile));
    EXPECT_TRUE(loadStartsDecoder(file, picture));
    EXPECT_TRUE(loadStartsDecoder(file, picture));
}

}  // namespace
}  // namespace zolva
