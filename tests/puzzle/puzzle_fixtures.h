// Pictures and checks the puzzle tests share. The test picture has a distinct colour at
// every pixel, so a tile copied from the wrong place cannot go unnoticed.
#pragma once

#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <memory>
#include <vector>

#include "framework/picture.h"
#include "framework/surface.h"
#include "puzzle/tile.h"
#include "puzzle/tile_board.h"

namespace zolva::test {

inline QImage patternImage(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            image.setPixel(x, y, qRgb(x & 0xFF, y & 0xFF, ((x >> 8) << 4) | (y >> 8)));
        }
    }
    return image;
}

// Patterned PNGs in a folder that lives as long as the object.
class PictureFiles {
public:
    QString write(int w, int h) {
        const QString path = dir_.filePath(QString::number(count_++) + ".png");
        patternImage(w, h).save(path, "PNG");
        return path;
    }
    QString missing() const { return dir_.filePath("none.png"); }
    std::unique_ptr<Picture> load(int w, int h) {
        return std::make_unique<Picture>(write(w, h), 1, 1, 1);
    }

private:
    QTemporaryDir dir_;
    int count_ = 0;
};

inline QImage pixelsOf(const Picture& p) {
    return p.surface() ? p.surface()->image().copy() : QImage();
}

inline Rect boundsOf(const DisplayObject& o) {
    return Rect{o.getX(), o.getY(), o.getX() + o.getWidth(), o.getY() + o.getHeight()};
}

// What a board at (0, 0) must show, composed without the display tree.
inline QImage expectedFrame(const TileBoard& board, const QImage& picture) {
    QImage frame(board.getWidth(), board.getHeight(), QImage::Format_RGB32);
    frame.fill(Qt::black);
    QPainter painter(&frame);
    for (int i = 0; i < board.getTileCount(); ++i) {
        const Tile* t = board.tileAt(i);
        if (t->isVisible()) {
            const int hx = t->getHomeColumn() * board.getWidth() / board.getColumns();
            const int hy = t->getHomeRow() * board.getHeight() / board.getRows();
            painter.drawImage(QPoint(t->getX(), t->getY()), picture,
                              QRect(hx, hy, t->getWidth(), t->getHeight()));
        }
    }
    return frame;
}

}  // namespace zolva::test
