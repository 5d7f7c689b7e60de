// The calling side of the GraphicsMagick module (magick_module.h): image loading for the
// formats Qt lacks or reads poorly (TGA variants, PCX, WMF, unusual BMPs). It only ever decodes
// bytes already in memory with a coder chosen by the caller, so GraphicsMagick never guesses a
// format from a name, never opens a path itself and never runs a helper program.
//
// GraphicsMagick itself lives in the module, loaded with QLibrary on first use; without it
// these formats are unreadable, like any other file the game cannot decode.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>

namespace zolva::imageio {

// Decodes `data` as the given coder ("TGA", "PCX", ...). False on any error or warning,
// or when the image is larger than image_limits.h allows. These coders always build the
// image at its full size, so the limits apply to that size; an image larger than
// `fitInside` (when valid) is then scaled down to fittedSize(its size, fitInside).
bool magickDecode(const QByteArray& data, const char* coder, QSize fitInside, QImage& out);

// Reads only the dimensions, under the same rules, and reports the size magickDecode
// delivers for the same `fitInside`.
bool magickPing(const QByteArray& data, const char* coder, QSize fitInside, QSize& out);

}  // namespace zolva::imageio
