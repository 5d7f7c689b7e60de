#include "framework/image_decoding.h"

#include <QBuffer>
#include <QImageReader>
#include <algorithm>
#include <cmath>

#include "framework/image_limits.h"
#include "framework/image_loader.h"
#include "framework/loader_formats.h"
#include "framework/magick_module_client.h"

namespace zolva::imageio {

namespace {

// Qt refuses to allocate more than this for one image.
constexpr int kQtAllocationLimitMb = static_cast<int>(kMaxImageBytes / (1024 * 1024));
constexpr qint64 kHeadBytes = 64;

void applyQtLimits() {
    static const bool applied = [] {
        QImageReader::setAllocationLimit(kQtAllocationLimitMb);
        return true;
    }();
    (void)applied;
}

// Recognises the format of an opened file from its own bytes, and refuses one larger
// than any picture we accept could need.
bool sniffOpen(QFile& file, ImageKind& kind) {
    const qint64 size = file.size();
    if (size <= 0 || size > kMaxFileBytes || !file.seek(0)) {
        return false;
    }
    const QByteArray head = file.read(kHeadBytes);
    QByteArray tail;
    if (size >= kTgaFooterSize && file.seek(size - kTgaFooterSize)) {
        tail = file.read(kTgaFooterSize);
    }
    if (!file.seek(0)) {
        return false;
    }
    kind = sniffImageKind(head, tail, size);
    return true;
}

// The Qt reader meant for a file of this kind.
const char* qtFormatFor(ImageKind kind) {
    switch (kind) {
        case ImageKind::Bmp:
            return "bmp";
        case ImageKind::Gif:
            return "gif";
        case ImageKind::Jpeg:
            return "jpeg";
        case ImageKind::Png:
            return "png";
        case ImageKind::Tiff:
            return "tiff";
        case ImageKind::Tga:
            return "tga";
        case ImageKind::Webp:
            return "webp";
        default:
            return nullptr;
    }
}

// Points the reader at the one Qt reader meant for the file's kind, so that no other
// plugin (icons, animations, vector art) is ever loaded for a player's file, and says whether that
// reader takes the file. Qt's TGA reader only knows plain true-colour files and declines
// the rest, which then go to GraphicsMagick. A built-in bitmap may be in any format Qt
// recognises.
bool qtMayRead(ImageKind kind, SourceKind source, QImageReader& reader) {
    reader.setAutoTransform(true);
    if (source == SourceKind::BuiltIn && kind == ImageKind::Unknown) {
        reader.setDecideFormatFromContent(true);
        return !reader.format().isEmpty();
    }
    const char* format = qtFormatFor(kind);
    if (format == nullptr) {
        return false;
    }
    // Without this, Qt would load every image plugin installed to ask each whether it
    // knows the file, for formats Qt reads itself.
    reader.setAutoDetectImageFormat(false);
    reader.setDecideFormatFromContent(false);
    reader.setFormat(format);
    return reader.canRead();
}

bool turnsSideways(const QImageReader& reader) {
    return reader.transformation().testFlag(QImageIOHandler::TransformationRotate90);
}

// The header's size as the player will see it; invalid when the header does not tell.
QSize uprightSize(const QImageReader& reader) {
    QSize size = reader.size();
    if (size.isValid() && turnsSideways(reader)) {
        size.transpose();
    }
    return size;
}

// Whether Qt's reader shrinks this file while decoding it rather than after. Qt's JPEG
// reader asks libjpeg for the nearest n/8 scale, and libjpeg then builds only that
// smaller image, but only for files it can decode in one pass.
bool shrinksWhileDecoding(ImageKind kind, const QImageReader& reader, QByteArrayView head) {
    return kind == ImageKind::Jpeg && reader.format() == "jpeg" &&
           reader.supportsOption(QImageIOHandler::ScaledSize) && jpegDecodesInOnePass(head);
}

// The size libjpeg decodes to before Qt smooths it down to `target`: the smallest n/8 of
// the full size (n from 1 to 8) that is not below the target, as Qt's JPEG reader asks.
QSize jpegScaleStep(QSize full, QSize target) {
    const double ratio =
        std::min(double(full.width()) / target.width(), double(full.height()) / target.height());
    const qint64 eighths = std::clamp<qint64>(static_cast<qint64>(std::ceil(8 / ratio)), 1, 8);
    return QSize(static_cast<int>((full.width() * eighths + 7) / 8),
                 static_cast<int>((full.height() * eighths + 7) / 8));
}

// The one rule deciding how large a file's image comes out, or whether it is refused.
// loadImage and readImageSize both go through it, so they always agree.
//
// The 64-Mpx pixel limit bounds the memory one decode may take. Most decoders (PNG, BMP,
// GIF, TIFF, progressive JPEG, everything GraphicsMagick reads) build the image at its
// full size and only then shrink it to the fit size, so for them the limit applies to
// the size in the header, fit or no fit. A one-pass JPEG is different: asked for a
// smaller image, libjpeg decodes at a reduced scale band by band and the full-size image
// never exists. With a fit size set, such a JPEG is therefore judged by what is actually
// held: the reduced-scale image and the fitted result must stay within 64 Mpx. The header
// then may claim up to four times the limit (still at most 32767 per side), which bounds
// the decoding time of a small file claiming a huge picture; the file size cap applies
// as always. This is what makes a 100-Mpx camera photo usable once the fit size is set.
template <typename ShrinksWhileDecoding>
bool planDecode(QSize upright, QSize fit, ShrinksWhileDecoding shrinksWhileDecoding,
                QSize& decoded) {
    if (upright.width() <= 0 || upright.height() <= 0 || upright.width() > kMaxImageSide ||
        upright.height() > kMaxImageSide) {
        return false;
    }
    const QSize fitted = fittedSize(upright, fit);
    if (!isAcceptableImageSize(upright)) {
        if (fitted == upright ||
            qint64{upright.width()} * upright.height() > kMaxShrunkJpegPixels ||
            !isAcceptableImageSize(jpegScaleStep(upright, fitted)) || !shrinksWhileDecoding()) {
            return false;
        }
    }
    decoded = fitted;
    return true;
}

// For readers that cannot tell the size beforehand and so decode at full size anyway.
QImage shrinkToFit(QImage image, QSize fit) {
    const QSize fitted = fittedSize(image.size(), fit);
    if (fitted == image.size()) {
        return image;
    }
    return image.scaled(fitted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

}  // namespace

bool decodeOpenImage(QFile& file, SourceKind source, QSize fit, QImage& out,
                     const ImageAllocator& allocate) {
    applyQtLimits();
    ImageKind kind = ImageKind::Unknown;
    if (!sniffOpen(file, kind)) {
        return false;
    }
    // One read into memory: the sniffing, Qt and GraphicsMagick all see the same bytes.
    const QByteArray data = file.readAll();
    if (data.size() != file.size() || !looksComplete(kind, data)) {
        return false;
    }
    QBuffer buffer;
    buffer.setData(data);
    if (!buffer.open(QIODevice::ReadOnly)) {
        return false;
    }
    QImageReader reader(&buffer);
    if (qtMayRead(kind, source, reader)) {
        const QSize upright = uprightSize(reader);
        QImage image;
        if (upright.isValid()) {
            const QByteArrayView head = QByteArrayView(data).first(
                std::min<qsizetype>(data.size(), kJpegLayoutSearchBytes));
            QSize decoded;
            if (!planDecode(
                    upright, fit, [&] { return shrinksWhileDecoding(kind, reader, head); },
                    decoded)) {
                return false;  // a header this absurd is not handed to a second decoder either
            }
            if (decoded != upright) {
                // The scaled size is taken in the file's own orientation; Qt turns the
                // image upright afterwards.
                reader.setScaledSize(turnsSideways(reader) ? decoded.transposed() : decoded);
            }
            if (allocate && !turnsSideways(reader)) {
                // Qt's JPEG and PNG readers fill an image of the right size and format in
                // place; for any other they make their own.
                image = allocate(decoded);
            }
            if (reader.read(&image) && image.size() == decoded) {
                out = std::move(image);
                return true;
            }
        } else if (reader.read(&image) && isAcceptableImageSize(image.size())) {
            out = shrinkToFit(std::move(image), fit);
            return true;
        }
    }
    return magickDecode(data, magickCoderName(kind), fit, out);
}

bool readOpenImageSize(QFile& file, SourceKind source, QSize fit, QSize& out) {
    applyQtLimits();
    ImageKind kind = ImageKind::Unknown;
    if (!sniffOpen(file, kind)) {
        return false;
    }
    QImageReader reader(&file);
    if (qtMayRead(kind, source, reader)) {
        const QSize upright = uprightSize(reader);
        if (upright.isValid()) {
            // Only the headers before the first scan are read, and only when they matter.
            return planDecode(
                upright, fit,
                [&] {
                    if (!file.seek(0)) {
                        return false;
                    }
                    return shrinksWhileDecoding(kind, reader, file.read(kJpegLayoutSearchBytes));
                },
                out);
        }
        // A reader that cannot tell the size from the header has to decode.
        QImage image;
        if (!file.seek(0) || !decodeOpenImage(file, source, fit, image, {})) {
            return false;
        }
        out = image.size();
        return true;
    }
    const char* coder = magickCoderName(kind);
    if (coder == nullptr || !file.seek(0)) {
        return false;
    }
    const QByteArray data = file.readAll();
    return data.size() == file.size() && magickPing(data, coder, fit, out);
}

// Here rather than beside the fit size itself, as the decoder process needs it too.
QSize fittedSize(QSize imageSize, QSize maxSize) {
    if (maxSize.isEmpty() || imageSize.isEmpty() ||
        (imageSize.width() <= maxSize.width() && imageSize.height() <= maxSize.height())) {
        return imageSize;
    }
    // Integer arithmetic, rounding half up, so every caller gets the very same pixels; the
    // products stay below 2^63 for any int sizes.
    const qint64 w = imageSize.width();
    const qint64 h = imageSize.height();
    const qint64 maxW = maxSize.width();
    const qint64 maxH = maxSize.height();
    if (maxW * h <= maxH * w) {  // the width is the tighter fit
        return QSize(maxSize.width(),
                     static_cast<int>(std::max<qint64>(1, (2 * h * maxW + w) / (2 * w))));
    }
    return QSize(static_cast<int>(std::max<qint64>(1, (2 * w * maxH + h) / (2 * h))),
                 maxSize.height());
}

}  // namespace zolva::imageio
