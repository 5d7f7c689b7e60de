// The 5x5 search: weighted A* over whole boards, guided by the 5x5 pattern tables (the larger
// of their counts on the board and on its mirror image in the main diagonal). Ordering the
// boards by moves so far plus `weight` times the estimate finds a plan at most `weight`
// times the shortest, in a small fraction of the time a shortest plan would take; in
// practice the plans come out far closer than that.
//
// Internal to the solver; callers use solver.h.
#pragma once

#include <cstddef>
#include <optional>
#include <vector>

#include "solver/solver.h"

namespace zolva::solver {

class FiveByFiveTables;

namespace detail {

// The arrangement must be a solvable 5x5 board whose empty space belongs in the
// bottom-right cell. Weights are in eighths (12 is 1.5). Boards that cannot lead to a plan
// shorter than `shorterThan` moves are left out. Nothing when the search held more than
// `boardBudget` boards without reaching the goal, or there is no such plan.
std::optional<std::vector<Move>> searchFiveByFive(const Arrangement& arrangement,
                                                  const FiveByFiveTables& tables, int weightEighths,
                                                  std::size_t boardBudget,
                                                  int shorterThan = 1 << 30);

}  // namespace detail
}  // namespace zolva::solver
