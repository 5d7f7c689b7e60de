#include "framework/image_loader.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>

#include "framework/loader_formats.h"
#include "framework/magick_loader.h"

namespace zolva::imageio {

namespace {

const QString kResourcePrefix = QStringLiteral(":/bitmaps/");

// Qt refuses to allocate more than this for one image; it matches the pixel limit of the
// GraphicsMagick side at four bytes per pixel.
constexpr int kQtAllocationLimitMb = static_cast<int>(kMaxImagePixels * 4 / (1024 * 1024));
// An encoded file never needs more bytes than the largest image it may decode to, so a
// bigger one is refused before anything is read.
constexpr qint64 kMaxFileBytes = kMaxImagePixels * 4;
constexpr qint64 kHeadBytes = 64;

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
    // Photos carry their camera orientation; the player expects to see them upright. The
    // size reader below applies the same rule so both agree.
    reader.setAutoTransform(true);
    reader.setDecideFormatFromContent(true);
}

bool loadFromPath(const QString& path, QImage& out) {
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
        const QSize declared = reader.size();
        if (declared.isValid() && !isAcceptableImageSize(declared)) {
            return false;  // a header this absurd is not handed to a second decoder either
        }
        QImage image;
        if (reader.read(&image) && isAcceptableImageSize(image.size())) {
            out = std::move(image);
            return true;
        }
    }
    return magickDecode(data, magickCoderName(kind), out);
}

bool sizeFromPath(const QString& path, QSize& out) {
    QFile file;
    ImageKind kind = ImageKind::Unknown;
    if (!openSource(path, file, kind)) {
        return false;
    }
    QImageReader reader(&file);
    prepareReader(reader);
    if (qtMayRead(kind, reader.format())) {
        QSize size = reader.size();
        if (size.isValid()) {
            if (reader.transformation().testFlag(QImageIOHandler::TransformationRotate90)) {
                size.transpose();
            }
            if (!isAcceptableImageSize(size)) {
                return false;
            }
            out = size;
            return true;
        }
        // A reader that cannot tell the size from the header has to decode.
        QImage image;
        if (!loadFromPath(path, image)) {
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
    return data.size() == file.size() && magickPing(data, coder, out);
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
        return loadFromPath(kResourcePrefix + name.mid(1), out);
    }
    return loadFromPath(kResourcePrefix + name, out) || loadFromPath(name, out);
}

bool readImageSize(const QString& name, QSize& out) {
    if (name.isEmpty()) {
        return false;
    }
    applyQtLimits();
    if (isResourceId(name)) {
        return sizeFromPath(kResourcePrefix + name.mid(1), out);
    }
    return sizeFromPath(kResourcePrefix + name, out) || sizeFromPath(name, out);
}

}  // namespace zolva::imageio
