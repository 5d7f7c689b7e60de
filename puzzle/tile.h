// One piece of the sliding puzzle. A tile always shows the same cell of the puzzle picture,
// its home cell, wherever in the grid it currently stands. It derives its rectangle from the
// picture's full size and the grid, stays one pixel narrower and shorter than its cell so
// the board's black background draws the grid lines, and copies its home cell's pixels
// when drawn. The board moves, hides and shows it; it takes no input of its own.
#pragma once

#include "framework/display_object.h"

namespace zolva {

class Tile : public DisplayObject {
public:
    // x, y: the home cell's top-left corner in the board.
    Tile(DisplayObject* parent, int x, int y, Picture* picture, int columns, int rows,
         int homeColumn, int homeRow);

    bool draw(Surface& target) override;
    virtual int getHomeColumn() const { return homeColumn; }
    virtual int getHomeRow() const { return homeRow; }
    virtual int getColumn() const { return column; }
    virtual int getRow() const { return row; }
    // Moves the tile into a cell, telling the parent about the area it leaves and the area
    // it now covers (unless hidden).
    virtual void placeAt(int column, int row);
    virtual void returnHome();
    virtual bool isAtHome() const;
    virtual void setup(int columns, int rows, int homeColumn, int homeRow);

    // Pixel edge of grid line `index` of `count` cells over `extent` pixels: cells share
    // the remainder so their sizes differ by at most one pixel.
    static int cellEdge(int index, int extent, int count);

protected:
    int pictureWidth() const;
    int pictureHeight() const;
    // Position and size for the current cell; assigned directly, nobody is told.
    void takeCellGeometry();

    int columns = 1;
    int rows = 1;
    int homeColumn = 0;
    int homeRow = 0;
    int column = 0;
    int row = 0;
};

}  // namespace zolva
