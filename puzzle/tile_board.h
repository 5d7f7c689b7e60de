// The puzzle itself: cuts one picture into a columns x rows grid of tiles (3 to 10 each
// way), keeps the arrangement, the empty space and the game state, slides single tiles,
// tells when the picture is whole, deals solvable shuffles, and paints the tile-number
// overlay and the Find Tile flash onto the picture with reversible XOR operations.
//
// Children: child 0 is the black background, child i + 1 the tile whose home cell is i, an
// order that never changes. The empty space is a cell holding the hidden "missing" tile.
#pragma once

#include <QImage>
#include <QString>
#include <vector>

#include "framework/color_rect.h"
#include "framework/display_object.h"
#include "solver/solver.h"

namespace zolva {

class Tile;

class TileBoard : public DisplayObject {
public:
    enum BoardState : int { idle = 0, shuffling = 1, playing = 2, solved = 3 };
    enum SlideDirection : unsigned { slideLeft = 0, slideRight = 1, slideUp = 2, slideDown = 3 };

    TileBoard(DisplayObject* parent, int x, int y, Picture* picture, int columns, int rows,
              int emptyColumnSetting, int emptyRowSetting, bool showNumbers);
    ~TileBoard() override;

    void childChanged(DisplayObject* child) override;
    bool draw(Surface& target) override;
    virtual int getEmptyColumnSetting() const { return emptyColumnSetting; }
    virtual int getEmptyRowSetting() const { return emptyRowSetting; }
    virtual void setEmptySpace(int columnSetting, int rowSetting);
    virtual int getEmptyColumn() const { return emptyColumn; }
    virtual int getEmptyRow() const { return emptyRow; }
    virtual int getColumns() const { return columns; }
    virtual int getRows() const { return rows; }
    virtual void resize(int columns, int rows);
    virtual bool getShowNumbers() const { return showNumbers; }
    virtual void setShowNumbers(bool flag);
    virtual void shuffle();
    virtual bool slideTile(unsigned direction);
    virtual bool checkSolved();
    virtual BoardState getState() const { return state; }
    virtual void flashTile(int index);
    // source: a picture source as the image loader accepts it (built-in name or file path).
    virtual bool changePicture(const QString& source);
    virtual void build(int columns, int rows, int columnSetting, int rowSetting, bool showNumbers);
    virtual void swapTiles(int first, int second);

    // Read access for the game screen and tests: the tile standing in a cell, and the
    // tile with a home cell index (child index + 1).
    int getTileCount() const { return tileCount; }
    // The arrangement as the solver reads it: each cell's tile by its home index, and the
    // empty cell. The one conversion between the board and its plans.
    solver::Arrangement arrangement() const;
    Tile* tileAt(int cellIndex) const { return tiles[static_cast<std::size_t>(cellIndex)]; }
    Tile* tileWithHome(int homeIndex) const;
    ColorRect* getBackground() const { return background; }
    // Pixel height of the overlay's numbers: half the smaller cell side of the board.
    int numberFontHeight() const;

protected:
    // A setting of -1 or 100 means the first or last column or row whatever the grid size;
    // it is kept as given and turned into a cell only here.
    static int clampSetting(int setting, int count);
    static int clampDimension(int count);
    void placeEmptySpaceFromSettings();
    int emptyIndex() const { return emptyRow * columns + emptyColumn; }
    // Makes tileCount tiles in home order after the background, as children and in tiles.
    void makeTiles();
    // Every tile home, tiles[] in home order again, the missing tile at the empty space
    // hidden.
    void returnTilesHome();
    // XORs the number pattern of the current grid onto the picture; false when the picture
    // has no pixels to paint on.
    bool applyNumberPattern();
    QImage numberPattern() const;
    // Drops background rectangles that a visible tile is about to copy over in full.
    void skipCoveredBackground();

    ColorRect* background = nullptr;  // owned through children[0]
    std::vector<Tile*> tiles;         // entry i: the tile in cell i; owned through children
    int tileCount = 0;
    int columns = 0;
    int rows = 0;
    int emptyColumnSetting = 0;
    int emptyRowSetting = 0;
    int emptyColumn = 0;
    int emptyRow = 0;
    bool showNumbers = false;
    BoardState state = idle;
};

}  // namespace zolva
