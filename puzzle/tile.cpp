#include "puzzle/tile.h"

#include <algorithm>

#include "framework/picture.h"

namespace zolva {

Tile::Tile(DisplayObject* parent, int x, int y, Picture* picture, int columns, int rows,
           int homeColumn, int homeRow) {
    init(parent, x, y, picture);
    setup(columns, rows, homeColumn, homeRow);
}

int Tile::cellEdge(int index, int extent, int count) {
    return count > 0 ? index * extent / count : 0;
}

int Tile::pictureWidth() const {
    return picture != nullptr ? picture->width() : 0;
}

int Tile::pictureHeight() const {
    return picture != nullptr ? picture->height() : 0;
}

void Tile::takeCellGeometry() {
    const int pw = pictureWidth();
    const int ph = pictureHeight();
    x = cellEdge(column, pw, columns);
    y = cellEdge(row, ph, rows);
    // The missing pixel on the right and bottom is the grid line. A picture with fewer
    // pixels than the grid has cells would give a negative size; such a tile is empty.
    width = std::max(0, cellEdge(column + 1, pw, columns) - x - 1);
    height = std::max(0, cellEdge(row + 1, ph, rows) - y - 1);
}

void Tile::setup(int newColumns, int newRows, int newHomeColumn, int newHomeRow) {
    columns = newColumns;
    rows = newRows;
    homeColumn = newHomeColumn;
    homeRow = newHomeRow;
    column = homeColumn;
    row = homeRow;
    // Only the size comes from the cell here: the constructor's position already is the
    // home corner, and the board relies on that being left alone.
    const int pw = pictureWidth();
    const int ph = pictureHeight();
    width = std::max(0, cellEdge(column + 1, pw, columns) - cellEdge(column, pw, columns) - 1);
    height = std::max(0, cellEdge(row + 1, ph, rows) - cellEdge(row, ph, rows) - 1);
    markAllDirty();
}

void Tile::placeAt(int newColumn, int newRow) {
    column = newColumn;
    row = newRow;
    invalidate();  // the area the tile leaves
    takeCellGeometry();
    invalidate();  // the area it now covers
}

void Tile::returnHome() {
    placeAt(homeColumn, homeRow);
}

bool Tile::isAtHome() const {
    return column == homeColumn && row == homeRow;
}

bool Tile::draw(Surface& target) {
    if (!visible) {
        return true;
    }
    needsRedraw = false;
    if (!drawsSelf || dirtyRects.empty()) {
        return true;
    }
    // Always the home cell, never the animation frame: that is what keeps a number or a
    // flash painted on the picture with its tile wherever the tile stands.
    const int sourceX = cellEdge(homeColumn, pictureWidth(), columns);
    const int sourceY = cellEdge(homeRow, pictureHeight(), rows);
    for (const Rect& r : dirtyRects) {
        const Rect source{sourceX + r.left, sourceY + r.top, sourceX + r.right, sourceY + r.bottom};
        const int left = originX + x + r.left;
        const int top = originY + y + r.top;
        const Rect destination{left, top, left + r.width(), top + r.height()};
        if (!picture->blit(target, destination, source)) {
            // The rest of the list stays for the next attempt.
            return false;
        }
    }
    clearDirty();
    return true;
}

}  // namespace zolva
