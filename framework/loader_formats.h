// Recognises image formats from their first bytes and checks that a file holds as much
// data as its header promises. Qt's readers happily return half-decoded pictures for
// truncated JPEG and BMP files, and GraphicsMagick guesses formats from names; both are
// kept honest by deciding here, from the bytes alone, what a file is and whether it is
// whole. Pure functions over byte arrays, so they can be tested without any decoder.
#pragma once

#include <QByteArray>
#include <QByteArrayView>

namespace zolva::imageio {

enum class ImageKind { Unknown, Bmp, Gif, Jpeg, Png, Tiff, Tga, Pcx, Wmf, Webp };

// The 26-byte trailer that newer TGA files end with.
inline constexpr int kTgaFooterSize = 26;

// `head` is the start of the file (at least the first 64 bytes when there are that many),
// `tail` its last kTgaFooterSize bytes, `fileSize` its length.
ImageKind sniffImageKind(QByteArrayView head, QByteArrayView tail, qint64 fileSize);

// False when the file evidently stops short of its image data: a JPEG without its end
// marker after the scan, an uncompressed BMP shorter than its rows, a GIF without its
// trailer. Formats without such a check count as whole; their decoders report truncation.
bool looksComplete(ImageKind kind, QByteArrayView data);

// How many bytes from the start of a JPEG are searched for its frame and first scan
// headers. Camera files put their EXIF and colour profiles there; a file whose first scan
// starts later is simply not treated as decodable in one pass.
inline constexpr qint64 kJpegLayoutSearchBytes = qint64{1024} * 1024;

// True when the JPEG starting in `head` is sequential (baseline, extended or arithmetic)
// with all its components in a single interleaved first scan. Only such a file is decoded
// by libjpeg one band of rows at a time; progressive and multi-scan files make it keep
// the coefficients of the whole full-size image until the last scan. False when the
// headers do not lie within `head`.
bool jpegDecodesInOnePass(QByteArrayView head);

// The GraphicsMagick coder name for the formats handed to it, empty for the others.
const char* magickCoderName(ImageKind kind);

}  // namespace zolva::imageio
