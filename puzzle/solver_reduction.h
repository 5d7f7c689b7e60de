// The quick planner for boards too big to search: it finishes the top row or the left
// column, whichever side is longer, fences it off and repeats on the smaller board until at
// most 3x3 cells remain, which are then solved optimally. Each tile is walked home by a
// breadth-first search over the tile's cell together with the empty space's, restricted to
// the cells not yet finished, so finished tiles are never disturbed. The last two tiles of
// a line go in together with the usual turn: park them one beyond their homes, then bring
// the empty space round so both step in.
//
// Internal to the solver; callers use solver.h.
#pragma once

#include <vector>

#include "puzzle/solver.h"

namespace zolva::solver::detail {

// The arrangement must be solvable, at least 2x2, with the empty space's home in the
// bottom-right cell. The result always reaches the goal.
std::vector<Move> reductionPlan(const Arrangement& arrangement);

}  // namespace zolva::solver::detail
