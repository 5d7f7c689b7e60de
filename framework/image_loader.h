// Turns a picture source into pixels. A source is either a built-in bitmap (looked up
// among the program's own resources by name, or by number as "#103"), decoded here, or the
// path of an image file, decoded in the decoder process (decoder_client.h) because hostile
// files must never crash the game, hang it or make it allocate without bound. A path is
// the file name's bytes as file_name.h carries them. Every failure is a false result.
// Photos far larger than the screen can be brought down to a process-wide fit size while
// they are decoded, so the board never outgrows the screen.
#pragma once

#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>

namespace zolva::imageio {

// "#<id>": the name of a built-in bitmap given by number. Such a name is only ever
// looked up among the resources, never opened as a file.
QString resourceName(int id);

// Decodes the whole image. False (and `out` untouched) when neither a resource nor a
// readable image file has that name.
bool loadImage(const QString& name, QImage& out);

// The image's size, so that a picture whose surface is made later is decoded only once: a
// built-in bitmap's from its header, a file's by decoding it and keeping the pixels (or
// the refusal) for the next loadImage of the same unchanged file. False when the image
// cannot be read. Always the size loadImage would decode to under the same fit size.
bool readImageSize(const QString& name, QSize& out);

// The box every image FILE is shrunk to fit into, keeping its aspect ratio; images that
// already fit are left alone, and built-in bitmaps are never touched. An invalid or empty
// size means no limit, which is the default. Set it before pictures are loaded: a picture
// keeps the size it was given when it was made.
void setFitSize(QSize maxSize);
// The current fit size; QSize() when there is no limit.
QSize fitSize();

// The size an image of `imageSize` is shrunk to so that it fits inside `maxSize`, aspect
// ratio kept and each side at least 1 pixel; `imageSize` itself when it already fits or
// when `maxSize` is invalid or empty. The single rounding rule every decode path uses.
QSize fittedSize(QSize imageSize, QSize maxSize);

// What a program may make of the shape of every image FILE before the fit size applies:
// one more than `maxAspect` times as wide as it is high (or high as wide) keeps only its
// middle, at exactly that ratio; then one whose shorter side is under `minShortSide` is
// scaled up smoothly until that side is `minShortSide` long. Zero turns a step off, and
// both are off by default; built-in bitmaps are never touched. Like the fit size, set it
// before pictures are loaded.
struct ShapeRule {
    int minShortSide = 0;
    int maxAspect = 0;
};
void setShapeRule(ShapeRule rule);
ShapeRule shapeRule();

// The middle part of an image of `imageSize` that the rule keeps: all of it when it is
// within the ratio or the ratio is 0.
QRect shapeCrop(QSize imageSize, int maxAspect);
// The size an image of `imageSize` has once cropped and scaled up by the rule (before any
// fit size). An enlargement past the decoder's pixel limit is not made.
QSize shapedSize(QSize imageSize, ShapeRule rule);

// The largest picture that fits on a screen whose available area is
// `availableScreenArea` once `chrome` (frame, menu and counter bars, margins) is taken
// off, never below 150 x 150 so that even a tiny screen still gets a playable board.
QSize fitSizeForScreen(QSize availableScreenArea, QSize chrome);

}  // namespace zolva::imageio
