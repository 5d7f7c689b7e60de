// The built-in puzzle picture: a seaside village at dusk. Night falls on the left (moon,
// stars, a lighthouse), the sun sets on the right, and the colours run across both axes so
// that even a 30-pixel tile carries its own hue. Every shape is placed by hand or by a
// fixed-seed generator: the picture must come out identical on every run.
#include <QPainter>

#include "tools/art_generator/art_painter.h"
#include "tools/art_generator/puzzle_picture_parts.h"

namespace zolva::art {

QImage paintPuzzlePicture() {
    QImage image(picture::kSize, picture::kSize, QImage::Format_RGB32);
    picture::paintSky(image);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    picture::paintCoast(p);
    picture::paintLand(p);
    return image;
}

}  // namespace zolva::art
