#include "support/sample_images.h"

#include <QBuffer>
#include <QImageWriter>
#include <algorithm>
#include <iterator>

namespace zolva::sample {

// The hand-written files hold this 3 x 2 picture; the uniform bottom row gives the
// run-length encoders a run to write.
const QRgb kColours[2][3] = {{qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255)},
                             {qRgb(200, 100, 50), qRgb(200, 100, 50), qRgb(200, 100, 50)}};
const int kGreys[2][3] = {{10, 128, 250}, {77, 77, 77}};
const QRgb kPalette[4] = {kColours[0][0], kColours[0][1], kColours[0][2], kColours[1][0]};

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

// GIF89a with kPalette; the LZW stream (min code size 2) puts a clear code before every
// pair of pixel codes, so the code width never grows past three bits. The second variant
// adds a graphic control extension that makes palette entry 1 transparent.
QByteArray gifFile(bool transparent) {
    const QByteArray screen =
        QByteArray::fromHex("474946383961 0300 0200 810000 FF0000 00FF00 0000FF C86432");
    const QByteArray control = QByteArray::fromHex("21F904 01 0000 01 00");
    const QByteArray image = QByteArray::fromHex("2C 0000 0000 0300 0200 00 02 04 44A8712B 00 3B");
    return screen + (transparent ? control : QByteArray()) + image;
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

// PCX run-length coding: a byte with the two top bits set is a count, so such values
// always travel as a run, even a run of one.
void putPcxLine(Bytes& b, const Bytes& line) {
    for (std::size_t i = 0; i < line.size();) {
        std::size_t run = 1;
        while (i + run < line.size() && line[i + run] == line[i] && run < 63) {
            ++run;
        }
        if (run > 1 || line[i] >= 0xC0) {
            b.push_back(std::uint8_t(0xC0 | run));
        }
        b.push_back(line[i]);
        i += run;
    }
}

// 8-bit with a 256-entry palette at the end, or 24-bit as three planes per line. Lines
// are always an even number of bytes, so each carries one pad byte here.
Bytes pcxFile(bool trueColour) {
    const int planes = trueColour ? 3 : 1;
    // Built from a zeroed header rather than grown from a short list: GCC 12 warns falsely
    // about growing a small vector with resize().
    Bytes b(65, 0);
    const std::uint8_t start[] = {0x0A, 5, 1, 8, 0, 0, 0, 0, 2, 0, 1, 0};
    std::copy(std::begin(start), std::end(start), b.begin());
    b.push_back(std::uint8_t(planes));
    put16(b, 4);
    b.resize(128, 0);
    for (int y = 0; y < 2; ++y) {
        for (int plane = 0; plane < planes; ++plane) {
            Bytes line;
            for (int x = 0; x < 3; ++x) {
                const QRgb c = kColours[y][x];
                const int channel = plane == 0 ? qRed(c) : plane == 1 ? qGreen(c) : qBlue(c);
                line.push_back(std::uint8_t(trueColour ? channel : (y == 1 ? 3 : x)));
            }
            line.push_back(0);
            putPcxLine(b, line);
        }
    }
    if (!trueColour) {
        b.push_back(0x0C);
        for (int i = 0; i < 256; ++i) {
            putRgb(b, kPalette[std::min(i, 3)], false);
        }
    }
    return b;
}

// A placeable metafile: a 100 x 50 unit frame at 72 units per inch, filled by a red
// rectangle drawn without an outline; then, if asked, flood-filled from its middle.
Bytes wmfFile(bool floodFill) {
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
    std::vector<std::vector<unsigned>> records = {
        {0x020B, 0, 0},          {0x020C, 50, 100}, {0x02FC, 0, 0x00FF, 0, 0}, {0x012D, 0},
        {0x02FA, 5, 0, 0, 0, 0}, {0x012D, 1},       {0x041B, 50, 100, 0, 0}};
    records.push_back(floodFill ? std::vector<unsigned>{0x0419, 0x00FF, 0, 25, 50}
                                : std::vector<unsigned>{0x0000});
    if (floodFill) {
        records.push_back({0x0000});
    }
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

void PrintTo(const TgaVariant& v, std::ostream* os) {
    *os << v.label;
}

QImage pattern(int w, int h, QImage::Format format) {
    QImage image(w, h, QImage::Format_ARGB32);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            image.setPixel(x, y,
                           qRgba(x * 255 / w, y * 255 / h, (x + y) % 2 ? 40 : 210,
                                 format == QImage::Format_ARGB32 ? (x * 37) % 256 : 255));
        }
    }
    return image.convertToFormat(format);
}

QByteArray encoded(const QImage& image, const char* format, EncodeOptions options) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (options.compression >= 0) {
        writer.setCompression(options.compression);
    }
    writer.setProgressiveScanWrite(options.progressive);
    if (options.turned) {
        writer.setTransformation(QImageIOHandler::TransformationRotate90);
    }
    return writer.write(image) ? buffer.data() : QByteArray();
}

}  // namespace zolva::sample
