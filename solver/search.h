// The optimal searches behind the solver: iterative-deepening A* over a whole board. One
// search guides itself by Manhattan distance plus linear conflicts and works on any board
// and any goal cell of the empty space; the other reads the 4x4 pattern tables and needs
// the board reflected so that the empty space's home is a cell the tables cover.
//
// Both are admissible, so the first plan either finds is a shortest one. Internal to the
// solver; callers use solver.h.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "solver/solver.h"

namespace zolva::solver {

class PatternTables;

namespace detail {

// Nothing when the search expanded more than nodeBudget nodes without finding a plan.
std::optional<std::vector<Move>> searchByDistance(const Arrangement& arrangement,
                                                  std::uint64_t nodeBudget);

// The arrangement must be a solvable 4x4 board whose empty space belongs in a cell for
// which the tables have a partition.
std::optional<std::vector<Move>> searchWithTables(const Arrangement& arrangement,
                                                  const PatternTables& tables);

// Shared by the searches and the planners: the move that takes the empty space from cell
// `from` to the neighbouring cell `to`.
Move moveTowards(int columns, int from, int to);
// The cell the empty space moves to, or -1 when the slide is blocked.
int emptyAfter(int columns, int rows, int emptyCell, Move move);

}  // namespace detail
}  // namespace zolva::solver
