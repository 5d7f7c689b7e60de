// The GraphicsMagick module: the decoding behind magick_module_client.h, built as a library
// of its own (zolva-magick.so) that is loaded when a file Qt cannot read first comes.
#include "framework/magick_module.h"

#include <Magick++.h>

#include <QSysInfo>
#include <exception>
#include <string>

#include "framework/image_limits.h"

namespace zolva::imageio {

namespace {

// GraphicsMagick keeps 16 bits per channel and four channels per pixel in its cache.
constexpr qint64 kCacheBytesPerPixel = 8;
constexpr qint64 kCacheSlackBytes = qint64{64} * 1024 * 1024;

// Decoding runs on bytes in memory, so GraphicsMagick only needs temporary files (for
// coders that cannot read from memory) and its own configuration. It must never start a
// helper program or fetch a URL on behalf of a file the player picked.
MagickPassFail allowOnlyLocalFiles(const MagickLib::ConfirmAccessMode mode, const char* /*path*/,
                                   MagickLib::ExceptionInfo* /*exception*/) {
    return mode == MagickLib::FileReadConfirmAccessMode ||
                   mode == MagickLib::FileWriteConfirmAccessMode
               ? MagickPass
               : MagickFail;
}

bool initialise() {
    MagickLib::ExceptionInfo exception;
    MagickLib::GetExceptionInfo(&exception);
    // The game owns its signal handling; GraphicsMagick's handlers would only get in the way.
    const bool ready = MagickLib::InitializeMagickEx(nullptr, MAGICK_OPT_NO_SIGNAL_HANDER,
                                                     &exception) == MagickPass;
    MagickLib::DestroyExceptionInfo(&exception);
    if (!ready) {
        return false;
    }
    using MagickLib::SetMagickResourceLimit;
    const qint64 cacheBytes = kMaxImagePixels * kCacheBytesPerPixel + kCacheSlackBytes;
    SetMagickResourceLimit(MagickLib::PixelsResource, kMaxImagePixels);
    SetMagickResourceLimit(MagickLib::WidthResource, kMaxImageSide);
    SetMagickResourceLimit(MagickLib::HeightResource, kMaxImageSide);
    SetMagickResourceLimit(MagickLib::MemoryResource, cacheBytes);
    SetMagickResourceLimit(MagickLib::MapResource, cacheBytes);
    // A pixel cache spilled to disk would let a lying header fill the disk instead.
    SetMagickResourceLimit(MagickLib::DiskResource, 0);
    SetMagickResourceLimit(MagickLib::ReadResource, kMaxMagickReadBytes);
    MagickLib::MagickSetConfirmAccessHandler(allowOnlyLocalFiles);
    return true;
}

bool ensureInitialised() {
    static const bool ready = initialise();
    return ready;
}

// Prepares an image object that decodes with exactly the given coder and stops after the
// first frame.
void prepare(Magick::Image& image, const char* coder) {
    image.quiet(false);
    image.magick(coder);
    image.subImage(0);
    image.subRange(1);
}

bool acceptableSize(const Magick::Image& image, QSize& size) {
    if (!isAcceptableImageSize(qint64{image.columns()}, qint64{image.rows()})) {
        return false;
    }
    size = QSize(static_cast<int>(image.columns()), static_cast<int>(image.rows()));
    return true;
}

bool copyPixels(Magick::Image& image, QImage& out) {
    QSize size;
    if (!acceptableSize(image, size)) {
        return false;
    }
    QImage pixels(size, QImage::Format_ARGB32);
    if (pixels.isNull()) {
        return false;
    }
    // ARGB32 is a native-endian 32-bit word per pixel, so its byte order in memory depends
    // on the machine.
    const std::string map = QSysInfo::ByteOrder == QSysInfo::LittleEndian ? "BGRA" : "ARGB";
    image.write(0, 0, image.columns(), image.rows(), map, Magick::CharPixel, pixels.bits());
    if (!image.matte()) {
        // Every alpha byte is 0xFF, which is exactly what RGB32 expects.
        pixels.reinterpretAsFormat(QImage::Format_RGB32);
    }
    out = std::move(pixels);
    return true;
}

// Scales by area averaging: every source pixel counts towards the result, so fine detail
// blends instead of vanishing row by row as it would with sampling.
bool scaleTo(Magick::Image& image, const QSize& target) {
    if (image.columns() == static_cast<unsigned>(target.width()) &&
        image.rows() == static_cast<unsigned>(target.height())) {
        return true;
    }
    if (!image.matte()) {
        // The colour-mapped TGA coder leaves stray opacity values in images without alpha,
        // and averaging weighs each colour by its opacity: the result came out black.
        image.opacity(OpaqueOpacity);
        image.matte(false);
    }
    Magick::Geometry geometry(static_cast<unsigned>(target.width()),
                              static_cast<unsigned>(target.height()));
    geometry.aspect(true);  // the exact size, already worked out with the aspect ratio kept
    image.scale(geometry);
    return image.columns() == static_cast<unsigned>(target.width()) &&
           image.rows() == static_cast<unsigned>(target.height());
}

bool decode(const QByteArray& data, const char* coder, QSize fitInside, FitFunction fittedSize,
            QImage& out) {
    if (coder == nullptr || fittedSize == nullptr || data.isEmpty() || !ensureInitialised()) {
        return false;
    }
    try {
        const Magick::Blob blob(data.constData(), static_cast<size_t>(data.size()));
        Magick::Image probe;
        prepare(probe, coder);
        // Learn the size before committing any memory to the pixels.
        probe.ping(blob);
        QSize size;
        if (!acceptableSize(probe, size)) {
            return false;
        }
        Magick::Image image;
        prepare(image, coder);
        image.read(blob);
        if (!acceptableSize(image, size) || !scaleTo(image, fittedSize(size, fitInside))) {
            return false;
        }
        return copyPixels(image, out);
    } catch (const std::exception&) {
        // Magick::Warning included: a decoder that had to guess produced a guess, not
        // the picture.
        return false;
    } catch (...) {
        return false;
    }
}

bool ping(const QByteArray& data, const char* coder, QSize fitInside, FitFunction fittedSize,
          QSize& out) {
    if (coder == nullptr || fittedSize == nullptr || data.isEmpty() || !ensureInitialised()) {
        return false;
    }
    try {
        const Magick::Blob blob(data.constData(), static_cast<size_t>(data.size()));
        Magick::Image image;
        prepare(image, coder);
        image.ping(blob);
        QSize size;
        if (!acceptableSize(image, size)) {
            return false;
        }
        out = fittedSize(size, fitInside);
        return true;
    } catch (...) {
        return false;
    }
}

const MagickModule module{kMagickModuleVersion, decode, ping};

}  // namespace
}  // namespace zolva::imageio

extern "C" __attribute__((visibility("default"))) const zolva::imageio::MagickModule*
zolva_magick_module() {
    return &zolva::imageio::module;
}
