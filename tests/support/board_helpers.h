// Reading and arranging a board by its tiles' home cells, for tests that need a game in a
// known order.
#pragma once

#include "puzzle/tile.h"
#include "puzzle/tile_board.h"

namespace zolva::testing {

// The home cell index of a tile, counted row by row.
inline int homeCell(const Tile& tile, int columns) {
    return tile.getHomeRow() * columns + tile.getHomeColumn();
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
