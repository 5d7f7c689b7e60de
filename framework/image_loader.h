// Turns a picture source into pixels. A source is either a built-in bitmap (looked up
// among the program's own resources by name, or by number as "#103") or the path of an
// image file whose format is recognised from its content. Qt's readers come first; the
// formats they lack or read poorly (TGA variants, PCX, WMF) fall back to GraphicsMagick.
// Every failure is a false result: hostile files must never crash the game or make it
// allocate without bound.
#pragma once

#include <QImage>
#include <QSize>
#include <QString>

namespace zolva::imageio {

// "#<id>": the name of a built-in bitmap given by number. Such a name is only ever
// looked up among the resources, never opened as a file.
QString resourceName(int id);

// Decodes the whole image. False (and `out` untouched) when neither a resource nor a
// readable image file has that name.
bool loadImage(const QString& name, QImage& out);

// The image's size, from its header where the format allows, so that a picture whose
// surface is made later is decoded only once. False when the image cannot be read.
bool readImageSize(const QString& name, QSize& out);

}  // namespace zolva::imageio
