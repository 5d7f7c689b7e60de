#include "reliability/hostile_files.h"

#include "support/sample_images.h"

#include <QBuffer>
#include <QImage>
#include <QImageWriter>
#include <algorithm>
#include <array>
#include <random>

namespace zolva::reliability {

namespace {

using namespace zolva::sample;

using WriterSetup = EncodeOptions;

// BMP with 8-bit run-length encoding: Qt's reader declines it, so it exercises the
// fallback decoder, and its length cannot be checked against its header.
Bytes bmpRle8File() {
    Bytes pixels = {0x03, 0x03, 0x00, 0x00,                    // bottom row: one run
                    0x00, 0x03, 0x00, 0x01, 0x02, 0x00, 0x00,  // top row: absolute, padded
                    0x00, 0x00, 0x01};                         // end of line, of bitmap
    Bytes b = {'B', 'M'};
    const std::uint32_t offset = 14 + 40 + 4 * 4;
    put32(b, offset + std::uint32_t(pixels.size()));
    put32(b, 0);
    put32(b, offset);
    for (std::uint32_t v : {40u, 3u, 2u}) {
        put32(b, v);
    }
    put16(b, 1);
    put16(b, 8);
    for (std::uint32_t v : {1u, std::uint32_t(pixels.size()), 2835u, 2835u, 4u, 0u}) {
        put32(b, v);
    }
    for (QRgb c : kPalette) {
        putRgb(b, c, true);
        b.push_back(0);
    }
    b.insert(b.end(), pixels.begin(), pixels.end());
    return b;
}

void add(std::vector<SeedFile>& out, const char* format, const char* label, QByteArray data) {
    out.push_back(SeedFile{QString::fromLatin1(format), QString::fromLatin1(label), data});
}

std::vector<SeedFile> allSeeds() {
    std::vector<SeedFile> s;
    // Small enough that a case decodes in well under a millisecond, large enough for JPEG
    // to have several blocks and for run-length and LZW coders to have something to do.
    const QImage rgb = pattern(32, 16);
    add(s, "bmp", "rgb24", encoded(rgb, "bmp"));
    add(s, "bmp", "argb32", encoded(pattern(32, 16, QImage::Format_ARGB32), "bmp"));
    add(s, "bmp", "indexed8", encoded(rgb.convertToFormat(QImage::Format_Indexed8), "bmp"));
    add(s, "bmp", "mono", encoded(rgb.convertToFormat(QImage::Format_Mono), "bmp"));
    add(s, "bmp", "rle8", bytes(bmpRle8File()));
    add(s, "gif", "plain", gifFile(false));
    add(s, "gif", "transparent", gifFile(true));
    add(s, "jpeg", "baseline", encoded(rgb, "jpeg"));
    add(s, "jpeg", "progressive", encoded(rgb, "jpeg", {.progressive = true}));
    add(s, "jpeg", "grey", encoded(rgb.convertToFormat(QImage::Format_Grayscale8), "jpeg"));
    add(s, "jpeg", "turned", encoded(rgb, "jpeg", {.turned = true}));
    add(s, "png", "rgb", encoded(rgb, "png"));
    add(s, "png", "alpha", encoded(pattern(32, 16, QImage::Format_ARGB32), "png"));
    add(s, "png", "indexed", encoded(rgb.convertToFormat(QImage::Format_Indexed8), "png"));
    add(s, "png", "grey16", encoded(rgb.convertToFormat(QImage::Format_Grayscale16), "png"));
    for (const TgaVariant& v : kTgaVariants) {
        add(s, "tga", v.label, bytes(tgaFile(v)));
    }
    add(s, "tiff", "plain", encoded(rgb, "tiff", {.compression = 0}));
    add(s, "tiff", "lzw", encoded(rgb, "tiff", {.compression = 1}));
    add(s, "tiff", "indexed", encoded(rgb.convertToFormat(QImage::Format_Indexed8), "tiff"));
    add(s, "tiff", "mono", encoded(rgb.convertToFormat(QImage::Format_Mono), "tiff"));
    add(s, "pcx", "palette8", bytes(pcxFile(false)));
    add(s, "pcx", "rgb24", bytes(pcxFile(true)));
    add(s, "wmf", "placeable", bytes(wmfFile()));
    return s;
}

// Values that sit on the edges of the integer types headers use for sizes, offsets and
// counts; where a decoder forgets a check, these are what get past it.
constexpr std::array<std::uint32_t, 13> kExtremes = {
    0u,      1u,       0x7Fu,       0x80u,       0xFFu,       0x7FFFu,    0x8000u,
    0xFFFFu, 0x10000u, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu, 0xFFFFFFFEu};

std::uint64_t splitMix(std::uint64_t x) {
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

class Mutator {
public:
    Mutator(std::uint32_t seed, std::uint64_t index) : random(splitMix(splitMix(seed) ^ index)) {}

    void mutate(QByteArray& d, QString& what) {
        const int count = 1 + int(below(4));
        for (int i = 0; i < count; ++i) {
            switch (below(6)) {
                case 0:
                    flipBit(d, what);
                    break;
                case 1:
                    setByte(d, what);
                    break;
                case 2:
                    truncate(d, what);
                    break;
                case 3:
                    duplicateChunk(d, what);
                    break;
                case 4:
                    removeChunk(d, what);
                    break;
                default:
                    overwriteField(d, what);
                    break;
            }
        }
    }

private:
    std::uint64_t below(std::uint64_t n) { return n == 0 ? 0 : random() % n; }

    // Where the interesting fields are: mostly the header, sometimes anywhere (chunk
    // headers, palettes and strip tables lie further in).
    qsizetype position(const QByteArray& d) {
        if (d.isEmpty()) {
            return 0;
        }
        const auto size = std::uint64_t(d.size());
        return qsizetype(below(4) != 0 ? below(std::min<std::uint64_t>(size, 64)) : below(size));
    }

    void flipBit(QByteArray& d, QString& what) {
        if (d.isEmpty()) {
            return;
        }
        const qsizetype at = position(d);
        const int bit = int(below(8));
        d[at] = char(d[at] ^ (1 << bit));
        what += QStringLiteral(" flip@%1.%2").arg(at).arg(bit);
    }

    void setByte(QByteArray& d, QString& what) {
        if (d.isEmpty()) {
            return;
        }
        const qsizetype at = position(d);
        const std::uint8_t value =
            below(2) != 0 ? std::uint8_t(kExtremes[below(5)]) : std::uint8_t(random());
        d[at] = char(value);
        what += QStringLiteral(" set@%1=%2").arg(at).arg(value);
    }

    void truncate(QByteArray& d, QString& what) {
        const qsizetype keep = qsizetype(below(std::uint64_t(d.size())));
        d.truncate(keep);
        what += QStringLiteral(" cut@%1").arg(keep);
    }

    // A run of up to 16 or 256 bytes of a non-empty file.
    std::pair<qsizetype, qsizetype> chunk(const QByteArray& d) {
        const qsizetype from = qsizetype(below(std::uint64_t(d.size())));
        const qsizetype length = 1 + qsizetype(below(std::uint64_t(std::min<qsizetype>(
                                         d.size() - from, below(2) != 0 ? 16 : 256))));
        return {from, length};
    }

    void duplicateChunk(QByteArray& d, QString& what) {
        if (d.isEmpty()) {
            return;
        }
        const auto [from, length] = chunk(d);
        const qsizetype to = qsizetype(below(std::uint64_t(d.size()) + 1));
        d.insert(to, d.mid(from, length));
        what += QStringLiteral(" dup[%1+%2]@%3").arg(from).arg(length).arg(to);
    }

    void removeChunk(QByteArray& d, QString& what) {
        if (d.isEmpty()) {
            return;
        }
        const auto [from, length] = chunk(d);
        d.remove(from, length);
        what += QStringLiteral(" del[%1+%2]").arg(from).arg(length);
    }

    void overwriteField(QByteArray& d, QString& what) {
        const qsizetype width = qsizetype(1) << below(3);  // 1, 2 or 4 bytes
        if (d.size() < width) {
            return;
        }
        qsizetype at = position(d);
        at = std::min(at, d.size() - width);
        const std::uint32_t value =
            below(8) != 0 ? kExtremes[below(kExtremes.size())] : std::uint32_t(random());
        const bool bigEndian = below(2) != 0;
        for (qsizetype i = 0; i < width; ++i) {
            const qsizetype shift = 8 * (bigEndian ? width - 1 - i : i);
            d[at + i] = char((value >> shift) & 0xFF);
        }
        what += QStringLiteral(" field%1%2@%3=%4")
                    .arg(width * 8)
                    .arg(bigEndian ? "be" : "le")
                    .arg(at)
                    .arg(value, 0, 16);
    }

    std::mt19937_64 random;
};

}  // namespace

QStringList seedFormats() {
    return {"bmp", "gif", "jpeg", "png", "tga", "tiff", "pcx", "wmf"};
}

std::vector<SeedFile> seedFiles(const QString& format) {
    std::vector<SeedFile> all = allSeeds();
    if (format.isEmpty()) {
        return all;
    }
    std::erase_if(all, [&](const SeedFile& s) { return s.format != format; });
    return all;
}

QByteArray mutatedCase(const std::vector<SeedFile>& seeds, std::uint32_t seed, std::uint64_t index,
                       QString* what) {
    if (seeds.empty()) {
        return {};
    }
    const SeedFile& base = seeds[index % seeds.size()];
    QByteArray data = base.bytes;
    QString description = base.format + QLatin1Char('/') + base.label + QLatin1Char(':');
    Mutator(seed, index).mutate(data, description);
    if (what != nullptr) {
        *what = description;
    }
    return data;
}

}  // namespace zolva::reliability
