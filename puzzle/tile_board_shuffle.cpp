// Dealing a game: the shuffle and the parity test that keeps every deal solvable.
#include <vector>

#include "puzzle/random_generator.h"
#include "puzzle/tile.h"
#include "puzzle/tile_board.h"

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
    if (!isSolvable()) {
        const int f = (e + 1) % n;
        const int g = (f + 1) % n;
        swapTiles(f, g);
    }

    state = playing;
    invalidate();
}

bool TileBoard::isSolvable() const {
    // Counting inversions on a grid widened to an even width makes one rule serve odd and
    // even widths alike while the missing tile is home; the extra column holds fixed
    // points, which add an even number of inversions.
    const int w = columns % 2 == 0 ? columns : columns + 1;
    std::vector<int> values(static_cast<std::size_t>(rows * w));
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < w; ++c) {
            int value = 0;
            if (c >= columns) {
                value = r * w + c;
            } else if (c == emptyColumn && r == emptyRow) {
                value = -1;
            } else {
                const Tile* tile = tiles[static_cast<std::size_t>(r * columns + c)];
                value = tile->getHomeRow() * w + tile->getHomeColumn();
            }
            values[static_cast<std::size_t>(r * w + c)] = value;
        }
    }
    int inversions = 0;
    for (std::size_t p = 0; p < values.size(); ++p) {
        if (values[p] < 0) {
            continue;
        }
        for (std::size_t q = p + 1; q < values.size(); ++q) {
            if (values[q] >= 0 && values[p] > values[q]) {
                ++inversions;
            }
        }
    }
    return inversions % 2 == 0;
}

}  // namespace zolva
