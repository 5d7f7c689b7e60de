#include "solver/search.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <limits>

#include "solver/pattern_tables.h"

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

// The 4x4 search. Every partition of the tables is looked up on the board as it is, and
// every partition made for the mirror image of the home on the board mirrored in its main
// diagonal, whose empty space belongs there. Each sum is a lower bound, so the largest one
// prunes. A node's children are all scored, their table entries fetched together, before
// the search descends into any of them.
class TableSearch {
public:
    TableSearch(const Arrangement& start, const PatternTables& tables)
        : emptyTile(static_cast<std::uint8_t>(start.cells[at(start.emptyCell)])) {
        std::array<std::uint8_t, 16> mirror{};
        std::array<std::uint8_t, 16> same{};
        for (int cell = 0; cell < 16; ++cell) {
            const int col = cell % 4;
            const int row = cell / 4;
            mirror[at(cell)] = static_cast<std::uint8_t>(col * 4 + row);
            same[at(cell)] = static_cast<std::uint8_t>(cell);
            // Indexed by Move: the cell whose tile slides into the empty space.
            neighbour[at(cell)] = {col < 3 ? cell + 1 : -1, col > 0 ? cell - 1 : -1,
                                   row < 3 ? cell + 4 : -1, row > 0 ? cell - 4 : -1};
            for (int other = 0; other < 16; ++other) {
                distance[at(cell)][at(other)] =
                    static_cast<std::int8_t>(std::abs(col - other % 4) + std::abs(row - other / 4));
            }
        }
        for (const std::vector<int>& split : tables.partitions(emptyTile)) {
            addLook(tables, split, same);
        }
        for (const std::vector<int>& split : tables.partitions(mirror[emptyTile])) {
            addLook(tables, split, mirror);
        }
        for (int cell = 0; cell < 16; ++cell) {
            const int tile = start.cells[at(cell)];
            board[at(cell)] = static_cast<std::uint8_t>(tile);
            if (tile == emptyTile) {
                continue;
            }
            manhattan += distance[at(tile)][at(cell)];
            for (int l = 0; l < lookCount; ++l) {
                Look& look = looks[at(l)];
                const int g = look.groupOf[at(tile)];
                look.index[at(g)] |= std::size_t{look.cellsAs[at(g)][at(cell)]}
                                     << look.shift[at(tile)];
            }
        }
        emptyCell = start.emptyCell;
        // What the search touches at every node, laid out by tile and by slot (a look's
        // group) so that a child's looks come from a few cache lines.
        for (int l = 0; l < lookCount; ++l) {
            const Look& look = looks[at(l)];
            for (int g = 0; g < look.groups; ++g) {
                const std::size_t slot = at(l * 15 + g);
                slotTable[slot] = look.table[at(g)];
                slotIndex[slot] = static_cast<std::uint32_t>(look.index[at(g)]);
                slotExcess[slot] = PatternTables::excessIn(slotTable[slot], slotIndex[slot]);
                total[at(l)] += slotExcess[slot];
            }
            for (int tile = 0; tile < 16; ++tile) {
                slotOf[at(tile)][at(l)] =
                    static_cast<std::uint8_t>(l * 15 + look.groupOf[at(tile)]);
                for (std::size_t m = 0; m < 4; ++m) {
                    stepOf[at(tile)][m][at(l)] = static_cast<std::uint32_t>(look.step[at(tile)][m]);
                }
            }
        }
    }

    std::optional<std::vector<Move>> run() {
        switch (lookCount) {
            case 1:
                return deepen<1>();
            case 2:
                return deepen<2>();
            case 3:
                return deepen<3>();
            case 4:
                return deepen<4>();
            case 5:
                return deepen<5>();
            case 6:
                return deepen<6>();
            case 7:
                return deepen<7>();
            case 8:
                return deepen<8>();
            default:
                return std::nullopt;
        }
    }

private:
    static constexpr int mostLooks = 8;

    static std::size_t at(int index) { return static_cast<std::size_t>(index); }

    // One partition seen on the board as it is or mirrored. The arrays by tile are for
    // tiles of the real board, already carried through the mirror.
    struct Look {
        std::array<std::uint8_t, 16> groupOf{};
        std::array<std::uint8_t, 16> shift{};
        // By group: the cell each cell of the real board stands for in the group's table.
        std::array<std::array<std::uint8_t, 16>, 15> cellsAs{};
        // What a move adds to the index of the moving tile's group, by tile and move.
        std::array<std::array<std::size_t, 4>, 16> step{};
        std::array<const std::uint8_t*, 15> table{};
        std::array<std::size_t, 15> index{};
        int groups = 0;
    };

    // Past mostLooks the further partitions are left out, which only weakens the bound.
    void addLook(const PatternTables& tables, const std::vector<int>& split,
                 const std::array<std::uint8_t, 16>& cellAs) {
        if (lookCount == mostLooks) {
            return;
        }
        Look& look = looks[at(lookCount++)];
        look.groups = static_cast<int>(split.size());
        for (std::size_t g = 0; g < split.size(); ++g) {
            const auto& members = tables.tilesOf(split[g]);
            for (std::size_t j = 0; j < members.size(); ++j) {
                // The tile that stands on the real board where this member stands on the
                // board the look sees: the mirror is its own inverse.
                const int tile = cellAs[at(members[j])];
                look.shift[at(tile)] =
                    static_cast<std::uint8_t>(PatternTables::digitShift(j, members.size()));
                look.groupOf[at(tile)] = static_cast<std::uint8_t>(g);
            }
            look.table[g] = tables.excessTable(split[g]);
            for (std::size_t cell = 0; cell < 16; ++cell) {
                look.cellsAs[g][cell] = tables.cellMap(split[g])[cellAs[cell]];
            }
        }
        // Only the sliding tile's digit changes, by the distance it travels as its table
        // sees it; through any mirror that depends on the move alone, so cell 5, where
        // every move is open, stands for all.
        for (int tile = 0; tile < 16; ++tile) {
            if (tile == emptyTile) {
                continue;
            }
            const auto& seen = look.cellsAs[look.groupOf[at(tile)]];
            for (std::size_t m = 0; m < 4; ++m) {
                const int from = neighbour[5][m];
                look.step[at(tile)][m] = (std::size_t{seen[5]} - std::size_t{seen[at(from)]})
                                         << look.shift[at(tile)];
            }
        }
    }

    template <int Looks>
    std::optional<std::vector<Move>> deepen() {
        // No 4x4 board needs more than about 80 moves; a bound far past that means broken
        // tables.
        constexpr int longestPlan = 100;
        int best = 0;
        for (int l = 0; l < Looks; ++l) {
            best = std::max(best, total[at(l)]);
        }
        int bound = manhattan + 2 * best;
        if (bound == 0) {
            return plan;
        }
        while (bound <= longestPlan) {
            nextBound = std::numeric_limits<int>::max();
            if (descend<Looks>(0, bound, 4)) {
                return plan;
            }
            bound = nextBound;
        }
        return std::nullopt;
    }

    template <int Looks>
    struct Child {
        int from;
        unsigned move;
        std::array<std::uint8_t, Looks> slot;
        std::array<std::uint32_t, Looks> index;
    };

    // The Manhattan sum always has the parity of the plan's length and the excess counts
    // double, so the estimate needs no parity step of its own.
    template <int Looks>
    bool descend(int depth, int bound, unsigned last) {
        std::array<Child<Looks>, 4> children;  // filled before read; zeroing costs a third
        int count = 0;
        for (unsigned m = 0; m < 4; ++m) {
            const int from = neighbour[at(emptyCell)][m];
            if ((m ^ 1u) == last || from < 0) {
                continue;
            }
            const int tile = board[at(from)];
            Child<Looks>& child = children[at(count++)];
            child.from = from;
            child.move = m;
            const auto& slots = slotOf[at(tile)];
            const auto& steps = stepOf[at(tile)][m];
            for (int l = 0; l < Looks; ++l) {
                const std::size_t slot = slots[at(l)];
                child.slot[at(l)] = static_cast<std::uint8_t>(slot);
                child.index[at(l)] = slotIndex[slot] + steps[at(l)];
                // Ask for every entry now, so that the children's misses overlap.
                __builtin_prefetch(slotTable[slot] + child.index[at(l)] / 2);
            }
        }
        for (int i = 0; i < count; ++i) {
            const Child<Looks>& child = children[at(i)];
            const int tile = board[at(child.from)];
            std::array<int, Looks> excess;
            std::array<int, Looks> sum;
            int best = 0;
            for (int l = 0; l < Looks; ++l) {
                const std::size_t slot = child.slot[at(l)];
                excess[at(l)] = PatternTables::excessIn(slotTable[slot], child.index[at(l)]);
                sum[at(l)] = total[at(l)] - slotExcess[slot] + excess[at(l)];
                best = std::max(best, sum[at(l)]);
            }
            const int distanceSum =
                manhattan + distance[at(tile)][at(emptyCell)] - distance[at(tile)][at(child.from)];
            const int h = distanceSum + 2 * best;
            if (depth + 1 + h > bound) {
                nextBound = std::min(nextBound, depth + 1 + h);
                continue;
            }
            plan.push_back(static_cast<Move>(child.move));
            if (h == 0) {
                return true;
            }
            std::array<int, Looks> oldExcess;
            std::array<std::uint32_t, Looks> oldIndex;
            for (int l = 0; l < Looks; ++l) {
                const std::size_t slot = child.slot[at(l)];
                oldExcess[at(l)] = slotExcess[slot];
                oldIndex[at(l)] = slotIndex[slot];
                slotExcess[slot] = excess[at(l)];
                slotIndex[slot] = child.index[at(l)];
                total[at(l)] = sum[at(l)];
            }
            const int back = emptyCell;
            const int oldManhattan = manhattan;
            board[at(emptyCell)] = static_cast<std::uint8_t>(tile);
            board[at(child.from)] = emptyTile;
            emptyCell = child.from;
            manhattan = distanceSum;
            if (descend<Looks>(depth + 1, bound, child.move)) {
                return true;
            }
            plan.pop_back();
            for (int l = 0; l < Looks; ++l) {
                const std::size_t slot = child.slot[at(l)];
                total[at(l)] += oldExcess[at(l)] - excess[at(l)];
                slotExcess[slot] = oldExcess[at(l)];
                slotIndex[slot] = oldIndex[at(l)];
            }
            manhattan = oldManhattan;
            emptyCell = back;
            board[at(child.from)] = static_cast<std::uint8_t>(tile);
            board[at(emptyCell)] = emptyTile;
        }
        return false;
    }

    const std::uint8_t emptyTile;
    std::array<std::array<int, 4>, 16> neighbour{};
    std::array<std::array<std::int8_t, 16>, 16> distance{};
    std::array<Look, mostLooks> looks{};
    int lookCount = 0;
    std::array<std::array<std::uint8_t, mostLooks>, 16> slotOf{};
    std::array<std::array<std::array<std::uint32_t, mostLooks>, 4>, 16> stepOf{};
    std::array<const std::uint8_t*, mostLooks * 15> slotTable{};
    std::array<std::uint32_t, mostLooks * 15> slotIndex{};
    std::array<int, mostLooks * 15> slotExcess{};
    std::array<int, mostLooks> total{};
    std::array<std::uint8_t, 16> board{};
    int emptyCell = 15;
    int manhattan = 0;
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
