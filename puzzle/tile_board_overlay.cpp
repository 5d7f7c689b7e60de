// Painting on the puzzle picture itself: the tile-number overlay and the Find Tile flash.
// Both are XORs, so applying one twice restores the picture bit for bit, and because each
// tile copies its home cell, what is painted travels with the tile.
#include <QFont>
#include <QPainter>
#include <algorithm>

#include "framework/picture.h"
#include "framework/surface.h"
#include "puzzle/tile.h"
#include "puzzle/tile_board.h"

namespace zolva {

namespace {

constexpr QRgb kRgbBits = 0x00FFFFFFu;

// The picture's pixels, or null when there is nothing to paint on.
QImage* paintablePixels(Picture* picture) {
    Surface* surface = picture != nullptr ? picture->surface() : nullptr;
    if (surface == nullptr || surface->isNull() || surface->image().depth() != 32) {
        return nullptr;
    }
    return &surface->image();
}

}  // namespace

int TileBoard::numberFontHeight() const {
    return std::min(height / rows, width / columns) / 2;
}

QImage TileBoard::numberPattern() const {
    QImage pattern(std::max(width, 0), std::max(height, 0), QImage::Format_RGB32);
    if (pattern.isNull()) {
        return pattern;
    }
    pattern.fill(Qt::black);
    const int h = numberFontHeight();
    if (h <= 0) {
        // Cells of one or two pixels have no room for text; an all-black pattern keeps
        // on and off symmetric.
        return pattern;
    }

    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(h);
    font.setWeight(QFont::Normal);
    // Smoothed edges would blend grey into the pattern; only pure white pixels invert
    // cleanly, and the same glyph pixels must come off again.
    font.setStyleHint(QFont::SansSerif, QFont::NoAntialias);

    QPainter painter(&pattern);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setRenderHint(QPainter::TextAntialiasing, false);
    painter.setFont(font);
    painter.setPen(Qt::white);
    for (int d = 0; d < tileCount; ++d) {
        const int x0 = Tile::cellEdge(d % columns, width, columns);
        const int y0 = Tile::cellEdge(d / columns, height, rows);
        painter.drawText(QRect(x0, y0, width, height),
                         Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip, QString::number(d + 1));
    }
    return pattern;
}

bool TileBoard::applyNumberPattern() {
    QImage* pixels = paintablePixels(picture);
    if (pixels == nullptr) {
        return false;
    }
    const QImage pattern = numberPattern();
    const int w = std::min(pattern.width(), pixels->width());
    const int h = std::min(pattern.height(), pixels->height());
    for (int py = 0; py < h; ++py) {
        auto* dst = reinterpret_cast<QRgb*>(pixels->scanLine(py));
        const auto* src = reinterpret_cast<const QRgb*>(pattern.constScanLine(py));
        for (int px = 0; px < w; ++px) {
            dst[px] ^= src[px] & kRgbBits;
        }
    }
    return true;
}

void TileBoard::setShowNumbers(bool flag) {
    if (flag == showNumbers) {
        return;
    }
    // The flag follows the request even when there is nothing to paint on.
    showNumbers = flag;
    if (applyNumberPattern()) {
        invalidate();
    }
}

void TileBoard::flashTile(int index) {
    if (index < 0 || index >= tileCount) {
        return;
    }
    QImage* pixels = paintablePixels(picture);
    if (pixels == nullptr) {
        return;
    }
    // The whole home cell, grid-line strip included, so a second call undoes it exactly.
    const int c = index % columns;
    const int r = index / columns;
    const int x0 = std::max(0, Tile::cellEdge(c, width, columns));
    const int x1 = std::min(pixels->width(), Tile::cellEdge(c + 1, width, columns));
    const int y0 = std::max(0, Tile::cellEdge(r, height, rows));
    const int y1 = std::min(pixels->height(), Tile::cellEdge(r + 1, height, rows));
    for (int py = y0; py < y1; ++py) {
        auto* line = reinterpret_cast<QRgb*>(pixels->scanLine(py));
        for (int px = x0; px < x1; ++px) {
            line[px] ^= kRgbBits;
        }
    }
    needsRedraw = true;
    // The tile showing that cell may stand anywhere; it alone needs to be copied again.
    children[static_cast<std::size_t>(index) + 1]->invalidateAll();
    if (parent != nullptr) {
        parent->childChanged(this);
    }
}

}  // namespace zolva
