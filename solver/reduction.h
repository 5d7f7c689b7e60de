// The planner for boards too big to search whole: it finishes the top row or the left
// column, whichever side is longer, fences it off and repeats on the smaller board until a
// 5x5 block is left, finished by the weighted search over the 5x5 tables, or a 4x4 block,
// finished by the shortest plan, or, without tables, at most 3x4 cells, solved optimally
// too. A line goes in a few tiles at a time, each lot placed by a short best-first search
// that also favours moves bringing the other tiles nearer home; finished tiles are never
// disturbed. Should a search give up, the line is finished the plain way:
// each tile walked home by a breadth-first search over its cell and the empty space's, and
// the last two of a line turned in together (park them one beyond their homes, then bring
// the empty space round so both step in). Most boards are reduced in a few styles (which
// line first, how many tiles at a time, how much the other tiles count) as time allows, and
// the one whose block looks cheapest is finished. Last, the whole plan is shortened stretch
// by stretch (see shortening.h).
//
// Internal to the solver; callers use solver.h.
#pragma once

#include <vector>

#include "solver/solver.h"

namespace zolva::solver {
class PatternTables;
class FiveByFiveTables;
}  // namespace zolva::solver

namespace zolva::solver::detail {

// The arrangement must be solvable, at least 2x2, with the empty space's home in the
// bottom-right cell. The result always reaches the goal. With 5x5 tables a board at least
// 5x5 is reduced to a 5x5 block, finished by the weighted search; with 4x4 tables, a 4x4
// block left over is finished by the shortest plan.
std::vector<Move> reductionPlan(const Arrangement& arrangement,
                                const PatternTables* tables = nullptr,
                                const FiveByFiveTables* fiveByFive = nullptr);

}  // namespace zolva::solver::detail
