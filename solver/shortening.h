// Shortens a plan after the fact. Each stretch of a few dozen moves is searched again for a
// shorter way between the same two boards: the planners place a few tiles at a time, and the
// seams between one lot and the next, or a detour that a later lot undoes, are where a
// plan wastes moves that no single placing search could see.
//
// Internal to the solver; callers use solver.h.
#pragma once

#include <cstdint>
#include <vector>

#include "solver/solver.h"

namespace zolva::solver::detail {

// `plan` must bring `start` home; it still does afterwards, in no more moves. The searches
// together expand at most about `nodeBudget` boards.
void shortenPlan(const Arrangement& start, std::vector<Move>& plan, std::uint64_t nodeBudget);

}  // namespace zolva::solver::detail
