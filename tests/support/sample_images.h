// Small image files written byte by byte, for the formats Qt cannot write itself (GIF,
// TGA in all its variants, PCX, WMF), shared by the loader's tests and the hostile-file
// runs. Every hand-written file holds the same 3 x 2 picture, kColours (greyscale ones its
// grey levels, kGreys), so a test can check the decoded pixels and not just success.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QRgb>
#include <cstdint>
#include <iosfwd>
#include <vector>

namespace zolva::sample {

using Bytes = std::vector<std::uint8_t>;

// The bottom row is uniform so that run-length encoders have a run to write.
extern const QRgb kColours[2][3];
extern const int kGreys[2][3];
// kColours as a palette: entry x of the top row, entry 3 for the bottom row.
extern const QRgb kPalette[4];

void put16(Bytes& b, unsigned v);
void put32(Bytes& b, std::uint32_t v);
void putRgb(Bytes& b, QRgb c, bool bgr);
QByteArray bytes(const Bytes& b);

// GIF89a; the second variant makes palette entry 1 transparent.
QByteArray gifFile(bool transparent);

struct TgaVariant {
    const char* label;
    int type;  // 1 colour-mapped, 2 true colour, 3 grey; +8 run-length encoded
    int depth;
    bool topLeft;
    bool footer;
};
extern const TgaVariant kTgaVariants[10];
void PrintTo(const TgaVariant& v, std::ostream* os);
Bytes tgaFile(const TgaVariant& v);

// 8-bit with its palette at the end, or 24-bit as three planes per line; run-length coded.
Bytes pcxFile(bool trueColour);
// A placeable metafile: a 100 x 50 frame filled by a red rectangle.
Bytes wmfFile(bool floodFill = false);

// A gradient over a fine checkerboard, which no coder stores in a few bytes; with alpha in
// ARGB32. Widths that are multiples of 32 leave even one-bit rows without the padding bytes
// Qt leaves uninitialised and some writers copy into the file, so files of them are the same
// every run.
QImage pattern(int w, int h, QImage::Format format = QImage::Format_RGB32);

// Qt's own writer, for the formats it can write; empty when it cannot.
struct EncodeOptions {
    int compression = -1;
    bool progressive = false;
    bool turned = false;  // stored a quarter turn clockwise, as a camera held sideways does
};
QByteArray encoded(const QImage& image, const char* format, EncodeOptions options = {});

}  // namespace zolva::sample
