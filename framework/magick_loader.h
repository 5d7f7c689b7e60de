// The GraphicsMagick side of image loading, for the formats Qt lacks or reads poorly
// (TGA variants, PCX, WMF, unusual BMPs). It only ever decodes bytes already in memory
// with a coder chosen by the caller, so GraphicsMagick never guesses a format from a
// name, never opens a path itself and never runs a helper program. Its resource limits
// keep a lying header from claiming unbounded memory or disk.
//
// GraphicsMagick itself lives in a module loaded on first use (magick_module.h); without
// the module these formats are unreadable, like any other file the game cannot decode.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>

namespace zolva::imageio {

// The largest image either decoder may produce, in pixels and per side.
inline constexpr qint64 kMaxImagePixels = qint64{64} * 1024 * 1024;
inline constexpr int kMaxImageSide = 32767;

inline bool isAcceptableImageSize(const QSize& size) {
    return size.width() > 0 && size.height() > 0 && size.width() <= kMaxImageSide &&
           size.height() <= kMaxImageSide &&
           qint64{size.width()} * size.height() <= kMaxImagePixels;
}

// Decodes `data` as the given coder ("TGA", "PCX", ...). False on any error or warning,
// or when the image is larger than the limits above. These coders always build the image
// at its full size, so the limits apply to that size; an image larger than `fitInside`
// (when valid) is then scaled down to fittedSize(its size, fitInside).
bool magickDecode(const QByteArray& data, const char* coder, QSize fitInside, QImage& out);

// Reads only the dimensions, under the same rules, and reports the size magickDecode
// delivers for the same `fitInside`.
bool magickPing(const QByteArray& data, const char* coder, QSize fitInside, QSize& out);

}  // namespace zolva::imageio
