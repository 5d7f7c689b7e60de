#include "framework/loader_formats.h"

#include <cstdint>
#include <initializer_list>

namespace zolva::imageio {

namespace {

std::uint32_t byteAt(QByteArrayView d, qsizetype i) {
    return static_cast<std::uint8_t>(d[i]);
}

std::uint32_t le16(QByteArrayView d, qsizetype i) {
    return byteAt(d, i) | (byteAt(d, i + 1) << 8);
}

std::uint32_t le32(QByteArrayView d, qsizetype i) {
    return le16(d, i) | (le16(d, i + 2) << 16);
}

std::uint32_t be16(QByteArrayView d, qsizetype i) {
    return (byteAt(d, i) << 8) | byteAt(d, i + 1);
}

bool startsWith(QByteArrayView d, QByteArrayView magic) {
    return d.size() >= magic.size() && d.first(magic.size()) == magic;
}

bool isTgaFooter(QByteArrayView tail) {
    // "TRUEVISION-XFILE." and its terminating zero, after two 4-byte offsets.
    static constexpr char kSignature[] = "TRUEVISION-XFILE.";
    return tail.size() == kTgaFooterSize &&
           tail.sliced(8) == QByteArrayView(kSignature, sizeof(kSignature));
}

qint64 tgaBytesPerEntry(std::uint32_t bits) {
    return (static_cast<qint64>(bits) + 7) / 8;
}

// TGA has no magic number, so the header has to be plausible field by field. A file that
// passes is also long enough to hold its id text and palette.
bool looksLikeTgaHeader(QByteArrayView h, qint64 fileSize) {
    if (h.size() < 18) {
        return false;
    }
    const std::uint32_t idLength = byteAt(h, 0);
    const std::uint32_t mapType = byteAt(h, 1);
    const std::uint32_t type = byteAt(h, 2);
    const std::uint32_t mapLength = le16(h, 5);
    const std::uint32_t mapDepth = byteAt(h, 7);
    const std::uint32_t width = le16(h, 12);
    const std::uint32_t height = le16(h, 14);
    const std::uint32_t depth = byteAt(h, 16);
    const std::uint32_t descriptor = byteAt(h, 17);
    auto oneOf = [](std::uint32_t v, std::initializer_list<std::uint32_t> set) {
        for (std::uint32_t s : set) {
            if (v == s) {
                return true;
            }
        }
        return false;
    };
    if (mapType > 1 || width == 0 || height == 0 || (descriptor & 0xC0) != 0) {
        return false;
    }
    if (mapType == 1 && (mapLength == 0 || !oneOf(mapDepth, {15, 16, 24, 32}))) {
        return false;
    }
    switch (type & ~8u) {
        case 1:  // colour-mapped, plain or run-length encoded
            if (mapType != 1 || !oneOf(depth, {8, 16})) {
                return false;
            }
            break;
        case 2:  // true colour
            if (!oneOf(depth, {15, 16, 24, 32})) {
                return false;
            }
            break;
        case 3:  // greyscale
            if (!oneOf(depth, {8, 16})) {
                return false;
            }
            break;
        default:
            return false;
    }
    const qint64 palette = mapType == 1 ? mapLength * tgaBytesPerEntry(mapDepth) : 0;
    return fileSize > 18 + static_cast<qint64>(idLength) + palette;
}

bool looksLikePcx(QByteArrayView h, qint64 fileSize) {
    if (h.size() < 12 || fileSize <= 128 || byteAt(h, 0) != 0x0A) {
        return false;
    }
    const std::uint32_t version = byteAt(h, 1);
    const std::uint32_t encoding = byteAt(h, 2);
    const std::uint32_t bits = byteAt(h, 3);
    return (version <= 5 && version != 1) && encoding <= 1 &&
           (bits == 1 || bits == 2 || bits == 4 || bits == 8) && le16(h, 8) >= le16(h, 4) &&
           le16(h, 10) >= le16(h, 6);
}

bool looksLikeWmf(QByteArrayView h) {
    if (h.size() >= 4 && le32(h, 0) == 0x9AC6CDD7u) {
        return true;  // the "placeable" header with its own magic
    }
    if (h.size() < 6) {
        return false;
    }
    const std::uint32_t kind = le16(h, 0);
    const std::uint32_t version = le16(h, 4);
    return (kind == 1 || kind == 2) && le16(h, 2) == 9 && (version == 0x0100 || version == 0x0300);
}

bool jpegComplete(QByteArrayView d) {
    // Walk the marker segments up to the first scan, then expect the end-of-image marker
    // somewhere after it: entropy-coded data never holds an unstuffed 0xFF 0xD9, while an
    // embedded thumbnail before the scan may.
    qsizetype pos = 2;
    while (pos + 4 <= d.size()) {
        if (byteAt(d, pos) != 0xFF) {
            return false;
        }
        const std::uint32_t marker = byteAt(d, pos + 1);
        if (marker == 0xFF) {
            ++pos;
            continue;
        }
        if (marker == 0xD9) {
            return false;
        }
        if (marker == 0xDA) {
            return d.sliced(pos + 2).indexOf(QByteArrayView("\xFF\xD9", 2)) >= 0;
        }
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            pos += 2;
            continue;
        }
        const std::uint32_t length = be16(d, pos + 2);
        if (length < 2) {
            return false;
        }
        pos += 2 + static_cast<qsizetype>(length);
    }
    return false;
}

// Start-of-frame markers of the sequential processes libjpeg decodes scan by scan: baseline,
// extended Huffman and extended arithmetic.
bool isSequentialFrame(std::uint32_t marker) {
    return marker == 0xC0 || marker == 0xC1 || marker == 0xC9;
}

bool isFrameMarker(std::uint32_t marker) {
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

bool bmpComplete(QByteArrayView d) {
    if (d.size() < 26) {
        return false;
    }
    const qint64 dataOffset = le32(d, 10);
    const std::uint32_t headerSize = le32(d, 14);
    qint64 width = 0;
    qint64 height = 0;
    std::uint32_t bits = 0;
    std::uint32_t compression = 0;
    if (headerSize == 12) {
        width = le16(d, 18);
        height = le16(d, 20);
        bits = le16(d, 24);
    } else if (headerSize >= 40 && d.size() >= 34) {
        width = static_cast<std::int32_t>(le32(d, 18));
        height = static_cast<std::int32_t>(le32(d, 22));
        bits = le16(d, 28);
        compression = le32(d, 30);
    } else {
        return false;
    }
    // Only rows of fixed length can be measured; run-length and embedded JPEG/PNG data
    // are left to the decoder.
    if (compression != 0 && compression != 3 && compression != 6) {
        return true;
    }
    if (width <= 0 || height == 0 || bits == 0 || bits > 32) {
        return false;
    }
    const qint64 rowBytes = (width * bits + 31) / 32 * 4;
    const qint64 rows = height < 0 ? -height : height;
    // With one row no longer than the file, the product stays far from overflowing.
    return rowBytes <= d.size() && dataOffset + rowBytes * rows <= d.size();
}

bool gifComplete(QByteArrayView d) {
    // The trailer byte ends every whole GIF; tolerate padding some writers add after it.
    qsizetype end = d.size();
    while (end > 0 && byteAt(d, end - 1) == 0) {
        --end;
    }
    return end > 13 && byteAt(d, end - 1) == 0x3B;
}

bool tgaComplete(QByteArrayView d) {
    if (d.size() < 18) {
        return false;
    }
    const std::uint32_t type = byteAt(d, 2);
    if (type > 3) {
        return true;  // run-length encoded: only the decoder can tell
    }
    const qint64 palette = byteAt(d, 1) == 1 ? le16(d, 5) * tgaBytesPerEntry(byteAt(d, 7)) : 0;
    const qint64 pixels = static_cast<qint64>(le16(d, 12)) * le16(d, 14);
    return 18 + byteAt(d, 0) + palette + pixels * tgaBytesPerEntry(byteAt(d, 16)) <= d.size();
}

}  // namespace

ImageKind sniffImageKind(QByteArrayView head, QByteArrayView tail, qint64 fileSize) {
    if (fileSize <= 0 || head.isEmpty()) {
        return ImageKind::Unknown;
    }
    if (isTgaFooter(tail) && looksLikeTgaHeader(head, fileSize)) {
        return ImageKind::Tga;
    }
    if (startsWith(head, "BM")) {
        return ImageKind::Bmp;
    }
    if (startsWith(head, "GIF87a") || startsWith(head, "GIF89a")) {
        return ImageKind::Gif;
    }
    if (startsWith(head, QByteArrayView("\xFF\xD8\xFF", 3))) {
        return ImageKind::Jpeg;
    }
    if (startsWith(head, QByteArrayView("\x89PNG\r\n\x1A\n", 8))) {
        return ImageKind::Png;
    }
    if (startsWith(head, QByteArrayView("II*\0", 4)) ||
        startsWith(head, QByteArrayView("MM\0*", 4))) {
        return ImageKind::Tiff;
    }
    if (startsWith(head, "RIFF") && head.size() >= 12 && head.sliced(8, 4) == "WEBP") {
        return ImageKind::Webp;
    }
    if (looksLikeWmf(head)) {
        return ImageKind::Wmf;
    }
    if (looksLikePcx(head, fileSize)) {
        return ImageKind::Pcx;
    }
    if (looksLikeTgaHeader(head, fileSize)) {
        return ImageKind::Tga;
    }
    return ImageKind::Unknown;
}

bool looksComplete(ImageKind kind, QByteArrayView data) {
    switch (kind) {
        case ImageKind::Jpeg:
            return jpegComplete(data);
        case ImageKind::Bmp:
            return bmpComplete(data);
        case ImageKind::Gif:
            return gifComplete(data);
        case ImageKind::Tga:
            return tgaComplete(data);
        default:
            return true;
    }
}

bool jpegDecodesInOnePass(QByteArrayView head) {
    if (!startsWith(head, QByteArrayView("\xFF\xD8", 2))) {
        return false;
    }
    std::uint32_t frame = 0;
    std::uint32_t frameComponents = 0;
    qsizetype pos = 2;
    while (pos + 4 <= head.size()) {
        if (byteAt(head, pos) != 0xFF) {
            return false;
        }
        const std::uint32_t marker = byteAt(head, pos + 1);
        if (marker == 0xFF) {
            ++pos;
            continue;
        }
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD9)) {
            return false;  // no stand-alone markers belong before the first scan
        }
        const std::uint32_t length = be16(head, pos + 2);
        if (length < 2) {
            return false;
        }
        if (isFrameMarker(marker)) {
            // After the marker: Lf (2 bytes), P (1), Y (2), X (2), then the component count.
            if (frame != 0 || length < 8 || pos + 10 > head.size()) {
                return false;
            }
            frame = marker;
            frameComponents = byteAt(head, pos + 9);
        } else if (marker == 0xDA) {
            return pos + 5 <= head.size() && isSequentialFrame(frame) && frameComponents > 0 &&
                   byteAt(head, pos + 4) == frameComponents;
        }
        pos += 2 + static_cast<qsizetype>(length);
    }
    return false;
}

const char* magickCoderName(ImageKind kind) {
    switch (kind) {
        case ImageKind::Tga:
            return "TGA";
        case ImageKind::Pcx:
            return "PCX";
        case ImageKind::Wmf:
            return "WMF";
        case ImageKind::Bmp:
            return "BMP";
        default:
            return nullptr;
    }
}

}  // namespace zolva::imageio
