// The built-in art as the game loads it from its resources: the sizes the pictures are cut
// by, whether the frames show what the counters and the button rely on, whether every tile
// of the puzzle picture can be placed by eye, and whether the committed files are still
// what the art generator draws.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QResource>
#include <QTemporaryDir>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "app/resources/art.h"
#include "game/sprite_sheets.h"

namespace zolva {
namespace {

QImage loadArt(const QString& path) {
    initArt();
    QImage image(path);
    return image.convertToFormat(QImage::Format_ARGB32);
}

QImage frameOf(const QImage& strip, int frame, int frameWidth) {
    return strip.copy(frame * frameWidth, 0, frameWidth, strip.height());
}

// Mean absolute difference per colour channel, 0 to 255: how different two equally sized
// patches look, pixel for pixel.
double meanDifference(const QImage& a, const QImage& b) {
    double sum = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                   std::abs(qBlue(p) - qBlue(q));
        }
    }
    return sum / (3.0 * a.width() * a.height());
}

// Qt's blending may round a unit or two differently on another CPU's vector code; any real
// change to the drawing moves pixels much further than that.
constexpr int kRoundingSlack = 2;

int pixelsThatDiffer(const QImage& a, const QImage& b) {
    int count = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            if (std::abs(qRed(p) - qRed(q)) > kRoundingSlack ||
                std::abs(qGreen(p) - qGreen(q)) > kRoundingSlack ||
                std::abs(qBlue(p) - qBlue(q)) > kRoundingSlack ||
                std::abs(qAlpha(p) - qAlpha(q)) > kRoundingSlack) {
                ++count;
            }
        }
    }
    return count;
}

double brightness(QRgb p) {
    return (qRed(p) + qGreen(p) + qBlue(p)) / 3.0;
}

// ---------------------------------------------------------------------------------------
// What the resources hold

TEST(EmbeddedArt, BitmapsHaveTheSizesThePicturesAreCutBy) {
    initArt();
    initArt();  // the application and a test may both call it
    const auto size = [](const SpriteSheet& sheet) { return QSize(sheet.width, sheet.height); };
    EXPECT_EQ(loadArt(bitmapResource(103)).size(), size(kBuiltinPictureSheet));
    EXPECT_EQ(loadArt(bitmapResource(104)).size(), size(kDigitSheet));
    EXPECT_EQ(loadArt(bitmapResource(105)).size(), size(kButtonSheet));
}

TEST(EmbeddedArt, BitmapsAreUncompressedTwentyFourBitBmps) {
    // No initArt() here: linking zolva_art must be enough for the resources to be there.
    for (const int id : {103, 104, 105}) {
        // Read on every start before the first frame: neither the file nor the resource
        // may need inflating.
        EXPECT_EQ(QResource(bitmapResource(id)).compressionAlgorithm(), QResource::NoCompression)
            << id;
        QFile file(bitmapResource(id));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << id;
        const QByteArray bytes = file.readAll();
        ASSERT_GT(bytes.size(), 34) << id;
        EXPECT_TRUE(bytes.startsWith("BM")) << id;
        // The info header: bits per pixel at byte 28, compression (0: none) at byte 30.
        EXPECT_EQ(bytes.at(28), 24) << id << ": not RGB without alpha";
        EXPECT_EQ(bytes.mid(30, 4), QByteArray(4, '\0')) << id << ": compressed";
    }
}

TEST(EmbeddedArt, IconIsThereAtEverySizeWithTransparentCorners) {
    for (const int size : kIconSizes) {
        QImage icon(iconResource(size));
        ASSERT_FALSE(icon.isNull()) << size;
        EXPECT_EQ(icon.size(), QSize(size, size));
        EXPECT_TRUE(icon.hasAlphaChannel()) << size;
        // The tray has rounded corners: the corner pixel shows the desktop through (all
        // but a trace of antialiasing at the smallest size).
        EXPECT_LT(qAlpha(icon.convertToFormat(QImage::Format_ARGB32).pixel(0, 0)), 16) << size;
    }
}

// ---------------------------------------------------------------------------------------
// Digit strip: eleven 13 x 23 frames, digits 0 to 9 then a minus sign

constexpr int kDigitWidth = 13;

bool isLitSegment(QRgb p) {
    return qRed(p) > 150 && qGreen(p) < 100;
}

int litPixels(const QImage& frame) {
    int count = 0;
    for (int y = 0; y < frame.height(); ++y) {
        for (int x = 0; x < frame.width(); ++x) {
            count += isLitSegment(frame.pixel(x, y)) ? 1 : 0;
        }
    }
    return count;
}

TEST(DigitStrip, EveryFrameShowsADifferentFigure) {
    const QImage strip = loadArt(bitmapResource(104));
    for (int a = 0; a < 11; ++a) {
        for (int b = a + 1; b < 11; ++b) {
            EXPECT_NE(frameOf(strip, a, kDigitWidth), frameOf(strip, b, kDigitWidth))
                << "frames " << a << " and " << b;
        }
    }
}

TEST(DigitStrip, EachDigitLightsItsSevenSegmentPattern) {
    // Probes in the middle of segments a to g, and which of them each figure lights: a
    // swapped 2 and 5 or a 6 without its top bar are all distinct frames, yet wrong.
    const QPoint probes[7] = {{6, 2}, {10, 6}, {10, 16}, {6, 20}, {2, 16}, {2, 6}, {6, 11}};
    const char* const patterns[11] = {"abcdef", "bc",  "abdeg",   "abcdg",  "bcfg", "acdfg",
                                      "acdefg", "abc", "abcdefg", "abcdfg", "g"};
    const QImage strip = loadArt(bitmapResource(104));
    for (int f = 0; f < 11; ++f) {
        const QImage frame = frameOf(strip, f, kDigitWidth);
        for (int segment = 0; segment < 7; ++segment) {
            const bool expected = std::strchr(patterns[f], 'a' + segment) != nullptr;
            EXPECT_EQ(isLitSegment(frame.pixel(probes[segment])), expected)
                << "frame " << f << " segment " << char('a' + segment);
        }
    }
}

TEST(DigitStrip, LitAreaFollowsTheSegmentCount) {
    const QImage strip = loadArt(bitmapResource(104));
    std::vector<int> lit;
    for (int f = 0; f < 11; ++f) {
        lit.push_back(litPixels(frameOf(strip, f, kDigitWidth)));
    }
    // 8 lights all seven segments, the minus sign one; 1, 7 and 4 light two, three, four.
    for (int f = 0; f < 11; ++f) {
        if (f != 8) {
            EXPECT_GT(lit[8], lit[f]) << "frame " << f;
        }
        if (f != 10) {
            EXPECT_LT(lit[10], lit[f]) << "frame " << f;
        }
    }
    EXPECT_LT(lit[1], lit[7]);
    EXPECT_LT(lit[7], lit[4]);
}

TEST(DigitStrip, UnlitSegmentsAreFaintAndDigitsDoNotTouch) {
    const QImage strip = loadArt(bitmapResource(104));
    const QImage one = frameOf(strip, 1, kDigitWidth);
    const QImage eight = frameOf(strip, 8, kDigitWidth);
    int ghosts = 0;
    for (int y = 0; y < one.height(); ++y) {
        for (int x = 0; x < one.width(); ++x) {
            if (isLitSegment(eight.pixel(x, y)) && !isLitSegment(one.pixel(x, y))) {
                // A segment of 8 that 1 leaves dark must still be faintly there.
                const QRgb p = one.pixel(x, y);
                EXPECT_GT(qRed(p), 20) << x << "," << y;
                EXPECT_LT(qRed(p), 120) << x << "," << y;
                ++ghosts;
            }
        }
    }
    EXPECT_GT(ghosts, 50);
    // Black edges on every frame keep neighbouring digits of a counter apart.
    for (int f = 0; f < 11; ++f) {
        const QImage frame = frameOf(strip, f, kDigitWidth);
        for (int y = 0; y < frame.height(); ++y) {
            EXPECT_EQ(frame.pixel(0, y), qRgb(0, 0, 0)) << "frame " << f;
            EXPECT_EQ(frame.pixel(kDigitWidth - 1, y), qRgb(0, 0, 0)) << "frame " << f;
        }
    }
}

// ---------------------------------------------------------------------------------------
// Button strip: five 26 x 26 frames, of which 0, 1 and 2 are normal, hover and pressed

constexpr int kButtonSize = 26;

// Average brightness of the bevel along the top and left edges minus that along the
// bottom and right: positive for a raised button lit from the top left.
double bevelLight(const QImage& frame) {
    double topLeft = 0;
    double bottomRight = 0;
    for (int i = 3; i < kButtonSize - 3; ++i) {
        topLeft += brightness(frame.pixel(i, 1)) + brightness(frame.pixel(1, i));
        bottomRight += brightness(frame.pixel(i, kButtonSize - 2)) +
                       brightness(frame.pixel(kButtonSize - 2, i));
    }
    return (topLeft - bottomRight) / (2.0 * (kButtonSize - 6));
}

TEST(ButtonStrip, AllFiveFramesDiffer) {
    const QImage strip = loadArt(bitmapResource(105));
    for (int a = 0; a < 5; ++a) {
        for (int b = a + 1; b < 5; ++b) {
            EXPECT_GT(
                meanDifference(frameOf(strip, a, kButtonSize), frameOf(strip, b, kButtonSize)), 2.0)
                << "frames " << a << " and " << b;
        }
    }
}

TEST(ButtonStrip, OnlyThePressedFrameIsSunken) {
    const QImage strip = loadArt(bitmapResource(105));
    for (int f = 0; f < 5; ++f) {
        const double light = bevelLight(frameOf(strip, f, kButtonSize));
        if (f == 2) {
            EXPECT_LT(light, -60.0) << "frame " << f;
        } else {
            EXPECT_GT(light, 60.0) << "frame " << f;
        }
    }
}

TEST(ButtonStrip, PressedFaceIsTheNormalFaceMovedDownRight) {
    // Pressing must not change the expression, only push it in by a pixel.
    const QImage strip = loadArt(bitmapResource(105));
    const QImage normal = frameOf(strip, 0, kButtonSize);
    const QImage pressed = frameOf(strip, 2, kButtonSize);
    const QRect face(4, 4, 18, 18);
    EXPECT_EQ(pixelsThatDiffer(normal.copy(face), pressed.copy(face.translated(1, 1))), 0);
    EXPECT_GT(pixelsThatDiffer(normal.copy(face), pressed.copy(face)), 20);
}

TEST(ButtonStrip, YellowFaceOnGreyButton) {
    const QImage strip = loadArt(bitmapResource(105));
    for (int f = 0; f < 5; ++f) {
        const QImage frame = frameOf(strip, f, kButtonSize);
        const QRgb forehead = frame.pixel(13, 7);
        EXPECT_GT(qRed(forehead), 200) << "frame " << f;
        EXPECT_GT(qGreen(forehead), 160) << "frame " << f;
        EXPECT_LT(qBlue(forehead), 80) << "frame " << f;
        const QRgb face = frame.pixel(4, 4);
        EXPECT_EQ(qRed(face), qGreen(face)) << "frame " << f;
        EXPECT_EQ(qGreen(face), qBlue(face)) << "frame " << f;
    }
}

// ---------------------------------------------------------------------------------------
// Puzzle picture: every tile must be placeable by eye, down to the 10 x 10 grid

TEST(PuzzlePicture, EveryTileOfTheFinestGridLooksDifferent) {
    const QImage picture = loadArt(bitmapResource(103));
    constexpr int kGrid = 10;
    constexpr int kCell = 30;
    std::vector<QImage> cells;
    for (int i = 0; i < kGrid * kGrid; ++i) {
        cells.push_back(picture.copy((i % kGrid) * kCell, (i / kGrid) * kCell, kCell, kCell));
    }
    // Eight levels out of 255 on average over the whole tile is a plainly visible change
    // for flat sky; tiles with shapes in them differ by far more.
    for (int a = 0; a < kGrid * kGrid; ++a) {
        for (int b = a + 1; b < kGrid * kGrid; ++b) {
            EXPECT_GT(meanDifference(cells[a], cells[b]), 8.0)
                << "tiles (" << a % kGrid << "," << a / kGrid << ") and (" << b % kGrid << ","
                << b / kGrid << ")";
        }
    }
}

TEST(PuzzlePicture, CornerTilesAreNotAlike) {
    // Any corner may be the empty one; the tile shown there once solved must stand out.
    const QImage picture = loadArt(bitmapResource(103));
    for (const int grid : {3, 4, 6, 8}) {
        const int cell = 300 / grid;
        const QPoint corners[] = {
            {0, 0}, {300 - cell, 0}, {0, 300 - cell}, {300 - cell, 300 - cell}};
        for (int a = 0; a < 4; ++a) {
            for (int b = a + 1; b < 4; ++b) {
                EXPECT_GT(meanDifference(picture.copy(QRect(corners[a], QSize(cell, cell))),
                                         picture.copy(QRect(corners[b], QSize(cell, cell)))),
                          20.0)
                    << grid << "x" << grid << " corners " << a << " and " << b;
            }
        }
    }
}

// ---------------------------------------------------------------------------------------
// The committed files against a fresh run of the generator

TEST(ArtGenerator, FreshRunMatchesTheCommittedArt) {
    QTemporaryDir out;
    ASSERT_TRUE(out.isValid());
    ASSERT_EQ(QProcess::execute(QStringLiteral(ZOLVA_ART_TOOL), {out.path()}), 0);

    std::vector<std::pair<QString, QString>> pairs = {
        {"103.bmp", bitmapResource(103)},
        {"104.bmp", bitmapResource(104)},
        {"105.bmp", bitmapResource(105)},
    };
    for (const int size : kIconSizes) {
        pairs.emplace_back(QStringLiteral("zolva-puzzle-%1.png").arg(size), iconResource(size));
    }
    for (const auto& [fresh, committed] : pairs) {
        const QImage drawn = loadArt(QDir(out.path()).filePath(fresh));
        const QImage shipped = loadArt(committed);
        ASSERT_EQ(drawn.size(), shipped.size()) << fresh.toStdString();
        EXPECT_EQ(pixelsThatDiffer(drawn, shipped), 0)
            << fresh.toStdString() << " differs: run the regenerate-art target and commit";
    }

    QFile freshSvg(QDir(out.path()).filePath("zolva-puzzle.svg"));
    QFile committedSvg(QStringLiteral(ZOLVA_ART_SOURCE_DIR "/icons/zolva-puzzle.svg"));
    ASSERT_TRUE(freshSvg.open(QIODevice::ReadOnly));
    ASSERT_TRUE(committedSvg.open(QIODevice::ReadOnly));
    EXPECT_EQ(freshSvg.readAll(), committedSvg.readAll())
        << "zolva-puzzle.svg differs: run the regenerate-art target and commit";
}

}  // namespace
}  // namespace zolva
