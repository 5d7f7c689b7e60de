// The one rule for whether a sliding puzzle can be played back home.
#pragma once

#include <vector>

namespace zolva {

// Whether slides can bring every tile home. `homes` lists, cell by cell in reading order,
// the home cell of the tile standing there, the empty space's own tile included, on a grid
// `columns` wide; the empty space is in `emptyCell`. Anything but a permutation of the
// cells of a whole grid is never solvable.
bool canSlideHome(int columns, const std::vector<int>& homes, int emptyCell);

}  // namespace zolva
