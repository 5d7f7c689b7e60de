#include "framework/image_loader.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <algorithm>
#include <climits>
#include <cmath>

#include "framework/loader_formats.h"
#include "framework/magick_loader.h"

namespace zolva::imageio {

namespace {

const QString kResourcePrefix = QStringLiteral(":/bitmaps/");

// Qt refuses to allocate more than this for one image; it matches the pixel limit of the
// GraphicsMagick side at four bytes per pixel.
constexpr int kQtAllocationLimitMb = static_cast<int>(kMaxImagePixels * 4 / (1024 * 1024));
// An encoded file never needs more bytes than the largest image it may decode to, so a
// bigger one is refused before anything is read. This holds with a fit size too: even a
// 200-Mpx camera JPEG is a fraction of it.
constexpr qint64 kMaxFileBytes = kMaxImagePixels * 4;
constexpr qint64 kHeadBytes = 64;
// The most pixels a JPEG may claim when it is shrunk while decoding (see planDecode).
// Enough for the 200-Mpx sensors of current phones.
constexpr qint64 kMaxShrunkJpegPixels = kMaxImagePixels * 4;
constexpr int kMinimumFitSide = 150;

// Set once at start-up by the window and read by every load on the same GUI thread.
QSize gFitSize;
ShapeRule gShapeRule;

void applyQtLimits() {
    static const bool applied = [] {
        QImageReader::setAllocationLimit(kQtAllocationLimitMb);
        return true;
    }();
    (void)applied;
}

bool isResourceId(const QString& name) {
    if (name.size() < 2 || name.front() != QLatin1Char('#')) {
        return false;
    }
    for (qsizetype i = 1; i < name.size(); ++i) {
        if (name.at(i) < QLatin1Char('0') || name.at(i) > QLatin1Char('9')) {
            return false;
        }
    }
    return true;
}

// Built-in art is drawn at the size the layout expects and is never shrunk; only the
// player's own files are.
QSize fitFor(const QString& path) {
    return path.startsWith(QLatin1Char(':')) ? QSize() : gFitSize;
}

bool isBuiltIn(const QString& path) {
    return path.startsWith(QLatin1Char(':'));
}

// The shape rule and then the fit size, on a decoded file. Each step is the one
// shapedSize and fittedSize foretell, so readImageSize can tell the result beforehand.
QImage reshape(QImage image, const QString& path) {
    if (isBuiltIn(path)) {
        return image;
    }
    const QRect kept = shapeCrop(image.size(), gShapeRule.maxAspect);
    if (kept.size() != image.size()) {
        image = image.copy(kept);
    }
    const QSize enlarged = shapedSize(image.size(), ShapeRule{gShapeRule.minShortSide, 0});
    if (enlarged != image.size()) {
        image = image.scaled(enlarged, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    const QSize fitted = fittedSize(image.size(), gFitSize);
    if (fitted != image.size()) {
        image = image.scaled(fitted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    return image;
}

bool shapes() {
    return gShapeRule.minShortSide > 0 || gShapeRule.maxAspect > 0;
}

// Opens a file or resource for reading and recognises its format from its own bytes.
bool openSource(const QString& path, QFile& file, ImageKind& kind) {
    // Directories, pipes and devices are never pictures; opening a pipe would even block.
    if (!QFileInfo(path).isFile()) {
        return false;
    }
    file.setFileName(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return false;
    }
    const qint64 size = file.size();
    if (size <= 0 || size > kMaxFileBytes) {
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

// Whether Qt gets the first try. Qt's ICO reader mistakes some footer-less TGA files for
// icons, and its TGA reader only knows plain true-colour files, so a TGA goes to Qt only
// when Qt's own TGA reader recognised it.
bool qtMayRead(ImageKind kind, const QByteArray& qtFormat) {
    if (qtFormat.isEmpty()) {
        return false;
    }
    return kind != ImageKind::Tga || qtFormat == "tga";
}

void prepareReader(QImageReader& reader) {
    // Photos carry their camera orientation; the player expects to see them upright. Sizes
    // are always taken upright too, so that the fit applies to what the player sees.
    reader.setAutoTransform(true);
    reader.setDecideFormatFromContent(true);
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

bool loadFromPath(const QString& path, QSize fit, QImage& out) {
    QFile file;
    ImageKind kind = ImageKind::Unknown;
    if (!openSource(path, file, kind)) {
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
    prepareReader(reader);
    if (qtMayRead(kind, reader.format())) {
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

bool sizeFromPath(const QString& path, QSize fit, QSize& out) {
    QFile file;
    ImageKind kind = ImageKind::Unknown;
    if (!openSource(path, file, kind)) {
        return false;
    }
    QImageReader reader(&file);
    prepareReader(reader);
    if (qtMayRead(kind, reader.format())) {
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
        if (!loadFromPath(path, fit, image)) {
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

}  // namespace

QString resourceName(int id) {
    return QStringLiteral("#") + QString::number(id);
}

bool loadImage(const QString& name, QImage& out) {
    if (name.isEmpty()) {
        return false;
    }
    applyQtLimits();
    if (isResourceId(name)) {
        return loadFromPath(kResourcePrefix + name.mid(1), QSize(), out);
    }
    if (loadFromPath(kResourcePrefix + name, QSize(), out)) {
        return true;
    }
    QImage image;
    if (!loadFromPath(name, fitFor(name), image)) {
        return false;
    }
    out = shapes() ? reshape(std::move(image), name) : std::move(image);
    return true;
}

bool readImageSize(const QString& name, QSize& out) {
    if (name.isEmpty()) {
        return false;
    }
    applyQtLimits();
    if (isResourceId(name)) {
        return sizeFromPath(kResourcePrefix + name.mid(1), QSize(), out);
    }
    if (sizeFromPath(kResourcePrefix + name, QSize(), out)) {
        return true;
    }
    QSize size;
    if (!sizeFromPath(name, fitFor(name), size)) {
        return false;
    }
    out = shapes() && !isBuiltIn(name) ? fittedSize(shapedSize(size, gShapeRule), gFitSize) : size;
    return true;
}

void setShapeRule(ShapeRule rule) {
    gShapeRule = rule;
}

ShapeRule shapeRule() {
    return gShapeRule;
}

QRect shapeCrop(QSize imageSize, int maxAspect) {
    const qint64 w = imageSize.width();
    const qint64 h = imageSize.height();
    if (maxAspect <= 0 || w <= 0 || h <= 0) {
        return QRect(QPoint(0, 0), imageSize);
    }
    if (w > maxAspect * h) {
        const auto kept = static_cast<int>(maxAspect * h);
        return QRect(static_cast<int>((w - kept) / 2), 0, kept, static_cast<int>(h));
    }
    if (h > maxAspect * w) {
        const auto kept = static_cast<int>(maxAspect * w);
        return QRect(0, static_cast<int>((h - kept) / 2), static_cast<int>(w), kept);
    }
    return QRect(QPoint(0, 0), imageSize);
}

QSize shapedSize(QSize imageSize, ShapeRule rule) {
    const QSize kept = shapeCrop(imageSize, rule.maxAspect).size();
    const qint64 w = kept.width();
    const qint64 h = kept.height();
    const qint64 shortSide = std::min(w, h);
    if (shortSide <= 0 || shortSide >= rule.minShortSide) {
        return kept;
    }
    // Rounding half up, like the fit.
    const qint64 target = rule.minShortSide;
    const qint64 width = w <= h ? target : (2 * w * target + h) / (2 * h);
    const qint64 height = w <= h ? (2 * h * target + w) / (2 * w) : target;
    if (width > kMaxImageSide || height > kMaxImageSide) {
        return kept;
    }
    const QSize enlarged(static_cast<int>(width), static_cast<int>(height));
    return isAcceptableImageSize(enlarged) ? enlarged : kept;
}

void setFitSize(QSize maxSize) {
    gFitSize = maxSize.isEmpty() ? QSize() : maxSize;
}

QSize fitSize() {
    return gFitSize;
}

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

QSize fitSizeForScreen(QSize availableScreenArea, QSize chrome) {
    auto side = [](int available, int taken) {
        const qint64 left = qint64{available} - std::max(taken, 0);
        return static_cast<int>(std::clamp<qint64>(left, kMinimumFitSide, INT_MAX));
    };
    return QSize(side(availableScreenArea.width(), chrome.width()),
                 side(availableScreenArea.height(), chrome.height()));
}

}  // namespace zolva::imageio
