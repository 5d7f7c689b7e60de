// Reading and arranging a board by its tiles' home cells, for tests that need a game in a
// known order.
#pragma once

#include <vector>

#include "puzzle/tile.h"
#include "puzzle/tile_board.h"

namespace zolva::testing {

// The home cell index of a tile, counted row by row.
inline int homeCell(const Tile& tile, int columns) {
    return tile.getHomeRow() * columns + tile.getHomeColumn();
}

// The home cell index of the tile in each cell.
inline std::vector<int> homeArrangement(const TileBoard& board) {
    return board.arrangement().cells;
}

// Swaps every tile back into its home cell; the board's state is left as it was.
inline void putEveryTileHome(TileBoard& board) {
    for (int cell = 0; cell < board.getTileCount(); ++cell) {
        for (int other = cell; other < board.getTileCount(); ++other) {
            if (homeCell(*board.tileAt(other), board.getColumns()) == cell) {
                board.swapTiles(cell, other);
                break;
            }
        }
    }
}

}  // namespace zolva::testing
