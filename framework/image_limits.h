// The largest pictures the game agrees to decode, whichever decoder reads them (Qt's
// readers, the GraphicsMagick module, the decoder process) and however the pixels come
// back. A lying header must not be able to claim more memory, disk or time than these.
#pragma once

#include <QSize>
#include <QtGlobal>

namespace zolva::imageio {

// The largest image any decoder may produce, in pixels and per side.
inline constexpr qint64 kMaxImagePixels = qint64{64} * 1024 * 1024;
inline constexpr int kMaxImageSide = 32767;
// The same image at four bytes a pixel, as every decoder delivers it.
inline constexpr qint64 kMaxImageBytes = kMaxImagePixels * 4;

// An encoded file never needs more bytes than the largest image it may decode to, so a
// bigger one is refused before anything is read. This holds with a fit size too: even a
// 200-Mpx camera JPEG is a fraction of it.
inline constexpr qint64 kMaxFileBytes = kMaxImageBytes;

// The most pixels a JPEG may claim when it is shrunk while decoding, so that the full-size
// image never exists. Enough for the 200-Mpx sensors of current phones.
inline constexpr qint64 kMaxShrunkJpegPixels = kMaxImagePixels * 4;

// What GraphicsMagick may read of a file's uncompressed input; no legitimate picture comes
// close to it.
inline constexpr qint64 kMaxMagickReadBytes = qint64{512} * 1024 * 1024;

// Takes the sides as wide numbers, so that sizes read from a file are judged before they
// are narrowed to a QSize.
inline bool isAcceptableImageSize(qint64 width, qint64 height) {
    return width > 0 && height > 0 && width <= kMaxImageSide && height <= kMaxImageSide &&
           width * height <= kMaxImagePixels;
}

inline bool isAcceptableImageSize(const QSize& size) {
    return isAcceptableImageSize(size.width(), size.height());
}

}  // namespace zolva::imageio
