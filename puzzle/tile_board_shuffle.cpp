// Dealing a game: the shuffle, kept playable by the solver's solvability rule.
#include "puzzle/random_generator.h"
#include "puzzle/tile.h"
#include "puzzle/tile_board.h"
#include "solver/solver.h"

namespace zolva {

void TileBoard::shuffle() {
    state = shuffling;
    // After a solved game the missing tile is showing; it must vanish before the deal.
    tiles[static_cast<std::size_t>(emptyIndex())]->setVisible(false);

    const int n = tileCount;
    for (int i = 0; i < n; ++i) {
        // Results are 15 bits, so this maps evenly enough onto 0..n-1 without overflow.
        const int j = random::next() * columns * rows / 32768;
        swapTiles(i, j);
    }

    placeEmptySpaceFromSettings();
    const int e = emptyIndex();
    for (int k = 0; k < n; ++k) {
        if (!tiles[static_cast<std::size_t>(k)]->isVisible()) {
            swapTiles(k, e);
            break;
        }
    }

    // With the gap in its corner, swapping two other tiles flips the parity; n is at least
    // 9, so neither of the two cells after the gap is the gap itself.
    if (!solver::isSolvable(arrangement())) {
        const int f = (e + 1) % n;
        const int g = (f + 1) % n;
        swapTiles(f, g);
    }

    state = playing;
    invalidate();
}

}  // namespace zolva
