// A picture of our own for the tests: a gradient in which every tile of any grid differs, so
// a moved or inverted tile shows.
#pragma once

#include <QDir>
#include <QImage>
#include <QString>

namespace zolva::testing {

// Writes the gradient as `folder`/`name` (PNG by its suffix) and returns the path; empty
// when it cannot be written.
inline QString writeGradientImage(const QString& folder, const QString& name, int width,
                                  int height) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            image.setPixel(x, y, qRgb(x * 255 / width, y * 255 / height, (x + y) % 64 + 96));
        }
    }
    const QString path = QDir(folder).filePath(name);
    return image.save(path) ? path : QString();
}

}  // namespace zolva::testing
