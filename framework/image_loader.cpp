#include "framework/image_loader.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <climits>
#include <optional>
#include <utility>

#include "framework/decoder_client.h"
#include "framework/file_name.h"
#include "framework/image_decoding.h"
#include "framework/image_limits.h"
#include "framework/picture_cache.h"

namespace zolva::imageio {

namespace {

const QString kResourcePrefix = QStringLiteral(":/bitmaps/");

constexpr int kMinimumFitSide = 150;

// Set once at start-up by the window and read by every load on the same GUI thread.
QSize gFitSize;
ShapeRule gShapeRule;

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

// The shape rule and then the fit size, on a decoded file. Each step is the one
// shapedSize and fittedSize foretell, so readImageSize can tell the result beforehand.
QImage reshape(QImage image) {
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

// Built-in bitmaps are ours: they are decoded right here, at their own size. They are named
// by number, by their name among the bitmaps, or by their full resource path.
bool openResource(const QString& name, QFile& file) {
    const QString path = name.startsWith(QLatin1Char(':'))
                             ? name
                             : kResourcePrefix + (isResourceId(name) ? name.mid(1) : name);
    file.setFileName(path);
    return QFileInfo(path).isFile() && file.open(QIODevice::ReadOnly);
}

// A picture file's pixels, kept from the decode that told its size until the surface is
// made, so that a file is decoded once, not twice; likewise a refusal, so that a hostile
// file costs one wait, not two. Only while it is the same file.
struct DecodedFile {
    QByteArray path;
    QSize fit;
    FileIdentity identity;
    QImage image;  // null: refused
};
std::optional<DecodedFile> gLastDecoded;

// From the pixels kept on disk when the file is still the one they came from, else from
// the decoder process, whose result is then kept.
bool decodeFresh(DecodedFile& decoded) {
    if (identifyFile(decoded.path, decoded.identity) &&
        readCachedPicture(decoded.path, decoded.fit, decoded.identity, decoded.image)) {
        return true;
    }
    if (!decodeInChild(decoded.path, decoded.fit, decoded.image, &decoded.identity)) {
        return false;
    }
    writeCachedPicture(decoded.path, decoded.fit, decoded.identity, decoded.image);
    return true;
}

bool decodeFile(const QString& name, QImage& out) {
    const QByteArray path = fileNameToBytes(name);
    const QSize fit = gFitSize;
    std::optional<DecodedFile> last = std::exchange(gLastDecoded, std::nullopt);
    FileIdentity now;
    if (last && last->path == path && last->fit == fit && identifyFile(path, now) &&
        now == last->identity) {
        if (last->image.isNull()) {
            return false;
        }
        out = std::move(last->image);
        return true;
    }
    DecodedFile decoded{path, fit, {}, {}};
    if (!decodeFresh(decoded)) {
        return false;
    }
    out = std::move(decoded.image);
    return true;
}

bool fileSize(const QString& name, QSize& out) {
    DecodedFile decoded{fileNameToBytes(name), gFitSize, {}, {}};
    gLastDecoded.reset();
    if (!decodeFresh(decoded)) {
        if (!lastDecodeCancelled() && identifyFile(decoded.path, decoded.identity)) {
            decoded.image = QImage();
            gLastDecoded = std::move(decoded);
        }
        return false;
    }
    out = decoded.image.size();
    gLastDecoded = std::move(decoded);
    return true;
}

}  // namespace

QString resourceName(int id) {
    return QStringLiteral("#") + QString::number(id);
}

bool loadImage(const QString& name, QImage& out) {
    if (name.isEmpty()) {
        return false;
    }
    QFile resource;
    if (openResource(name, resource)) {
        return decodeOpenImage(resource, SourceKind::BuiltIn, QSize(), out);
    }
    if (isResourceId(name) || name.startsWith(QLatin1Char(':'))) {
        return false;
    }
    QImage image;
    if (!decodeFile(name, image)) {
        return false;
    }
    out = shapes() ? reshape(std::move(image)) : std::move(image);
    return true;
}

bool readImageSize(const QString& name, QSize& out) {
    if (name.isEmpty()) {
        return false;
    }
    QFile resource;
    if (openResource(name, resource)) {
        return readOpenImageSize(resource, SourceKind::BuiltIn, QSize(), out);
    }
    if (isResourceId(name) || name.startsWith(QLatin1Char(':'))) {
        return false;
    }
    QSize size;
    if (!fileSize(name, size)) {
        return false;
    }
    out = shapes() ? fittedSize(shapedSize(size, gShapeRule), gFitSize) : size;
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
    return isAcceptableImageSize(width, height)
               ? QSize(static_cast<int>(width), static_cast<int>(height))
               : kept;
}

void setFitSize(QSize maxSize) {
    gFitSize = maxSize.isEmpty() ? QSize() : maxSize;
}

QSize fitSize() {
    return gFitSize;
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
