// The puzzle solver: plans the slides that bring an arrangement home, for the hint and for
// anything else that wants to finish a board. It works on a plain value copy of the
// arrangement and knows nothing of Qt or the display tree, so a caller may run it on any
// thread while the board keeps playing.
//
// Plans are optimal on boards of at most nine cells, on one-line boards and on the 4x4 board
// when pattern tables are available (see PatternTables), wherever the empty space belongs.
// Without tables a 4x4 board is still searched optimally, but only up to a node budget. A 5x5
// board with its own tables (see FiveByFiveTables) gets a near-shortest plan from a weighted
// search over the whole board. Larger boards are reduced a row or column at a time by short
// searches until a 5x5 block (with those tables), a 4x4 block (with the 4x4 tables) or a 3x4
// or 3x3 one is left, which is then finished the same way; the plan is then searched again,
// a stretch at a time, for shorter ways between the same boards: quick, always arriving,
// and near-shortest rather than shortest.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace zolva::solver {

class PatternTables;
class FiveByFiveTables;

// cells[i] is the home cell index of the tile standing in cell i. The empty cell holds the
// missing tile, so the empty space's own home is cells[emptyCell]. The goal is home order:
// cells[i] == i for every i, which also puts the empty space back in its home cell.
struct Arrangement {
    int columns = 0;
    int rows = 0;
    std::vector<int> cells;
    int emptyCell = 0;

    bool operator==(const Arrangement&) const = default;
};

// Named after the way the tile moves into the empty space, exactly as the board's
// slideTile: slideLeft takes the tile to the right of the empty space.
enum class Move : unsigned { slideLeft = 0, slideRight = 1, slideUp = 2, slideDown = 3 };

struct SolveOptions {
    // Tables for the optimal 4x4 search, also used for the last 4x4 block of a larger
    // board. When empty, the ones handed to installPatternTables are used, unless
    // ignoreInstalledTables is set.
    std::shared_ptr<const PatternTables> tables;
    // Tables for the 5x5 search, which also finishes the last 5x5 block of a larger board;
    // when empty, the ones handed to installFiveByFiveTables, unless ignoreInstalledTables.
    std::shared_ptr<const FiveByFiveTables> fiveByFiveTables;
    bool ignoreInstalledTables = false;
    // How many nodes the table-less 4x4 search may expand before it gives up on the
    // shortest plan and returns a reduction plan instead: about a tenth of a second.
    std::uint64_t fallbackNodeBudget = 300'000;
};

// Sizes 1 to 10 each way, cells a permutation of 0 .. columns * rows - 1, and the empty cell
// inside the grid. Everything else in this header treats a malformed arrangement as
// unsolvable.
bool isWellFormed(const Arrangement& arrangement);
bool isSolved(const Arrangement& arrangement);
// Whether slides can bring the arrangement home: the one rule, which the shuffle also deals
// by.
bool isSolvable(const Arrangement& arrangement);

// A plan that reaches the goal; empty when the arrangement is solved, unsolvable or
// malformed. Always terminates.
std::vector<Move> solve(const Arrangement& arrangement);
std::vector<Move> solve(const Arrangement& arrangement, const SolveOptions& options);

// The first move of the plan: the hint. Nothing when there is nothing to do.
std::optional<Move> nextMove(const Arrangement& arrangement);

// Holds on to one plan so that whoever follows it is led all the way home. Plans from the
// row and column reduction are not consistent with each other: the plan from a position
// one step along an earlier plan may go another way, and taking every hint from a fresh
// plan can lead round in circles for ever. Shortest plans have no such trouble, but
// keeping them saves the search as well.
class Guide {
public:
    void follow(Arrangement start, std::vector<Move> plan);
    void forget();
    // The rest of the plan from `now` when `now` lies on it (empty at its end); nothing
    // when it does not, and a fresh plan is needed.
    std::optional<std::vector<Move>> restFrom(const Arrangement& now) const;

private:
    Arrangement start;
    std::vector<Move> plan;
};

// The arrangement after one slide; a blocked slide leaves it unchanged.
Arrangement apply(Arrangement arrangement, Move move);

// The tables every later solve uses for 4x4 boards unless told otherwise. Safe to call from
// the thread that built them while other threads solve; null uninstalls them.
void installPatternTables(std::shared_ptr<const PatternTables> tables);
std::shared_ptr<const PatternTables> installedPatternTables();
// The same for the 5x5 tables, which larger boards use as well.
void installFiveByFiveTables(std::shared_ptr<const FiveByFiveTables> tables);
std::shared_ptr<const FiveByFiveTables> installedFiveByFiveTables();

}  // namespace zolva::solver
