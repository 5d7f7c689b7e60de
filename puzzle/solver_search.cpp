#include "puzzle/solver_search.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <limits>

#include "puzzle/solver_pattern_tables.h"

namespace zolva::solver::detail {

namespace {

constexpr std::array<Move, 4> allMoves = {Move::slideLeft, Move::slideRight, Move::slideUp,
                                          Move::slideDown};

Move opposite(Move move) {
    return static_cast<Move>(static_cast<unsigned>(move) ^ 1u);
}

// Tiles of one line that already belong to it but stand in the wrong order must step out
// of the line and back: two extra moves each for all but the longest ordered run.
int lineConflict(const int* homes, int count) {
    if (count < 2) {
        return 0;
    }
    int longest = 0;
    std::array<int, 16> run{};
    for (int i = 0; i < count; ++i) {
        run[static_cast<std::size_t>(i)] = 1;
        for (int j = 0; j < i; ++j) {
            if (homes[j] < homes[i]) {
                run[static_cast<std::size_t>(i)] = std::max(run[static_cast<std::size_t>(i)],
                                                            run[static_cast<std::size_t>(j)] + 1);
            }
        }
        longest = std::max(longest, run[static_cast<std::size_t>(i)]);
    }
    return 2 * (count - longest);
}

class DistanceSearch {
public:
    DistanceSearch(const Arrangement& start, std::uint64_t budget)
        : columns(start.columns),
          rows(start.rows),
          board(start.cells),
          emptyCell(start.emptyCell),
          emptyTile(start.cells[static_cast<std::size_t>(start.emptyCell)]),
          budget(budget),
          conflicts(static_cast<std::size_t>(columns + rows)) {
        for (int cell = 0; cell < static_cast<int>(board.size()); ++cell) {
            manhattan += tileDistance(board[static_cast<std::size_t>(cell)], cell);
        }
        for (int line = 0; line < columns + rows; ++line) {
            conflicts[static_cast<std::size_t>(line)] = lineCost(line);
            conflictTotal += conflicts[static_cast<std::size_t>(line)];
        }
    }

    std::optional<std::vector<Move>> run() {
        int bound = manhattan + conflictTotal;
        for (;;) {
            nextBound = std::numeric_limits<int>::max();
            const Outcome outcome = descend(0, bound, std::nullopt);
            if (outcome == Outcome::found) {
                return plan;
            }
            if (outcome == Outcome::exhausted || nextBound == std::numeric_limits<int>::max()) {
                return std::nullopt;
            }
            bound = nextBound;
        }
    }

private:
    enum class Outcome { found, deeper, exhausted };

    int tileDistance(int tile, int cell) const {
        if (tile == emptyTile) {
            return 0;
        }
        return std::abs(tile % columns - cell % columns) +
               std::abs(tile / columns - cell / columns);
    }

    // Lines 0 .. rows - 1 are rows, the rest columns.
    int lineCost(int line) const {
        std::array<int, 16> homes{};
        int count = 0;
        const bool isRow = line < rows;
        const int length = isRow ? columns : rows;
        for (int k = 0; k < length; ++k) {
            const int cell = isRow ? line * columns + k : k * columns + (line - rows);
            const int tile = board[static_cast<std::size_t>(cell)];
            if (tile == emptyTile) {
                continue;
            }
            if (isRow ? tile / columns == line : tile % columns == line - rows) {
                homes[static_cast<std::size_t>(count++)] = isRow ? tile % columns : tile / columns;
            }
        }
        return lineConflict(homes.data(), count);
    }

    void refreshLine(int line) {
        const int fresh = lineCost(line);
        conflictTotal += fresh - conflicts[static_cast<std::size_t>(line)];
        conflicts[static_cast<std::size_t>(line)] = fresh;
    }

    // Moves the tile at `from` into the empty cell and keeps the estimate current. Only the
    // two lines across the slide can change their conflicts.
    void slide(int from) {
        const int to = emptyCell;
        const int tile = board[static_cast<std::size_t>(from)];
        manhattan += tileDistance(tile, to) - tileDistance(tile, from);
        std::swap(board[static_cast<std::size_t>(from)], board[static_cast<std::size_t>(to)]);
        emptyCell = from;
        if (from / columns == to / columns) {
            refreshLine(rows + from % columns);
            refreshLine(rows + to % columns);
        } else {
            refreshLine(from / columns);
            refreshLine(to / columns);
        }
    }

    Outcome descend(int depth, int bound, std::optional<Move> last) {
        const int estimate = manhattan + conflictTotal;
        if (depth + estimate > bound) {
            nextBound = std::min(nextBound, depth + estimate);
            return Outcome::deeper;
        }
        if (manhattan == 0) {
            return Outcome::found;
        }
        if (++nodes > budget) {
            return Outcome::exhausted;
        }
        for (Move move : allMoves) {
            if (last && move == opposite(*last)) {
                continue;
            }
            const int target = emptyAfter(columns, rows, emptyCell, move);
            if (target < 0) {
                continue;
            }
            const int back = emptyCell;
            slide(target);
            plan.push_back(move);
            const Outcome outcome = descend(depth + 1, bound, move);
            if (outcome != Outcome::deeper) {
                return outcome;
            }
            plan.pop_back();
            slide(back);
        }
        return Outcome::deeper;
    }

    const int columns;
    const int rows;
    std::vector<int> board;
    int emptyCell;
    const int emptyTile;
    const std::uint64_t budget;
    std::uint64_t nodes = 0;
    int manhattan = 0;
    std::vector<int> conflicts;
    int conflictTotal = 0;
    int nextBound = 0;
    std::vector<Move> plan;
};

// The 4x4 search. Each group is looked up twice: on the board as it is and on the board
// mirrored in its main diagonal, which keeps the empty corner in place. Both sums are lower
// bounds, so the larger one prunes.
class TableSearch {
public:
    TableSearch(const Arrangement& start, const PatternTables& tables) : tables(tables) {
        for (int cell = 0; cell < 16; ++cell) {
            const int tile = start.cells[static_cast<std::size_t>(cell)];
            board[static_cast<std::size_t>(cell)] = static_cast<std::uint8_t>(tile);
            if (tile != 15) {
                cellOf[static_cast<std::size_t>(tile)] = static_cast<std::uint8_t>(cell);
            }
        }
        emptyCell = start.emptyCell;
        for (int g = 0; g < tables.groupCount(); ++g) {
            plain[static_cast<std::size_t>(g)] = plainValue(g);
            mirrored[static_cast<std::size_t>(g)] = mirroredValue(g);
            plainTotal += plain[static_cast<std::size_t>(g)];
            mirroredTotal += mirrored[static_cast<std::size_t>(g)];
        }
    }

    std::optional<std::vector<Move>> run() {
        // No 4x4 board needs more than 80 moves; a bound past that means broken tables.
        constexpr int longestPlan = 80;
        int bound = estimate();
        while (bound <= longestPlan) {
            nextBound = std::numeric_limits<int>::max();
            if (descend(0, bound, 4)) {
                return plan;
            }
            bound = nextBound;
        }
        return std::nullopt;
    }

private:
    static int mirror(int cell) { return (cell % 4) * 4 + cell / 4; }

    int plainValue(int group) const {
        std::array<std::uint8_t, PatternTables::maxGroupSize> at{};
        const auto& members = tables.groups()[static_cast<std::size_t>(group)];
        for (std::size_t j = 0; j < members.size(); ++j) {
            at[j] = cellOf[static_cast<std::size_t>(members[j])];
        }
        return tables.lookup(group, at.data());
    }

    int mirroredValue(int group) const {
        std::array<std::uint8_t, PatternTables::maxGroupSize> at{};
        const auto& members = tables.groups()[static_cast<std::size_t>(group)];
        for (std::size_t j = 0; j < members.size(); ++j) {
            at[j] = static_cast<std::uint8_t>(
                mirror(cellOf[static_cast<std::size_t>(mirror(members[j]))]));
        }
        return tables.lookup(group, at.data());
    }

    // The plan's length has the parity of the empty space's distance from its home, so an
    // estimate of the other parity can be raised by one.
    int estimate() const {
        const int best = std::max(plainTotal, mirroredTotal);
        const int emptyDistance = (3 - emptyCell % 4) + (3 - emptyCell / 4);
        return best + ((best ^ emptyDistance) & 1);
    }

    void slide(int from) {
        const int tile = board[static_cast<std::size_t>(from)];
        std::swap(board[static_cast<std::size_t>(from)],
                  board[static_cast<std::size_t>(emptyCell)]);
        cellOf[static_cast<std::size_t>(tile)] = static_cast<std::uint8_t>(emptyCell);
        emptyCell = from;
        const int group = tables.groupOf(tile);
        const int fresh = plainValue(group);
        plainTotal += fresh - plain[static_cast<std::size_t>(group)];
        plain[static_cast<std::size_t>(group)] = fresh;
        const int mirroredGroup = tables.groupOf(mirror(tile));
        const int freshMirrored = mirroredValue(mirroredGroup);
        mirroredTotal += freshMirrored - mirrored[static_cast<std::size_t>(mirroredGroup)];
        mirrored[static_cast<std::size_t>(mirroredGroup)] = freshMirrored;
    }

    bool descend(int depth, int bound, unsigned last) {
        const int h = estimate();
        if (depth + h > bound) {
            nextBound = std::min(nextBound, depth + h);
            return false;
        }
        if (h == 0) {
            return true;
        }
        for (unsigned m = 0; m < 4; ++m) {
            if ((m ^ 1u) == last) {
                continue;
            }
            const int target = emptyAfter(4, 4, emptyCell, static_cast<Move>(m));
            if (target < 0) {
                continue;
            }
            const int back = emptyCell;
            slide(target);
            plan.push_back(static_cast<Move>(m));
            if (descend(depth + 1, bound, m)) {
                return true;
            }
            plan.pop_back();
            slide(back);
        }
        return false;
    }

    const PatternTables& tables;
    std::array<std::uint8_t, 16> board{};
    std::array<std::uint8_t, 15> cellOf{};
    int emptyCell = 15;
    std::array<int, 15> plain{};
    std::array<int, 15> mirrored{};
    int plainTotal = 0;
    int mirroredTotal = 0;
    int nextBound = 0;
    std::vector<Move> plan;
};

}  // namespace

Move moveTowards(int columns, int from, int to) {
    if (to == from + 1)
        return Move::slideLeft;
    if (to == from - 1)
        return Move::slideRight;
    if (to == from + columns)
        return Move::slideUp;
    return Move::slideDown;
}

int emptyAfter(int columns, int rows, int emptyCell, Move move) {
    const int column = emptyCell % columns;
    const int row = emptyCell / columns;
    switch (move) {
        case Move::slideLeft:
            return column + 1 < columns ? emptyCell + 1 : -1;
        case Move::slideRight:
            return column > 0 ? emptyCell - 1 : -1;
        case Move::slideUp:
            return row + 1 < rows ? emptyCell + columns : -1;
        case Move::slideDown:
            return row > 0 ? emptyCell - columns : -1;
    }
    return -1;
}

std::optional<std::vector<Move>> searchByDistance(const Arrangement& arrangement,
                                                  std::uint64_t nodeBudget) {
    return DistanceSearch(arrangement, nodeBudget).run();
}

std::optional<std::vector<Move>> searchWithTables(const Arrangement& arrangement,
                                                  const PatternTables& tables) {
    return TableSearch(arrangement, tables).run();
}

}  // namespace zolva::solver::detail
