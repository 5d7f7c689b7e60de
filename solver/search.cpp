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

// The 4x4 search. Each group is looked up twice: on the board as it is and on the board
// mirrored in its main diagonal, whose empty space belongs in the mirror image of its home
// (when the tables have no partition for that cell, the second look is at the board as it
// is). Both sums are lower bounds, so the larger one prunes. A node's children are all
// scored, their table entries fetched together, before the search descends into any of them.
class TableSearch {
public:
    TableSearch(const Arrangement& start, const PatternTables& tables)
        : emptyTile(static_cast<std::uint8_t>(start.cells[at(start.emptyCell)])) {
        const int imageHome = emptyTile % 4 * 4 + emptyTile / 4;
        const bool mirrors = !tables.partition(imageHome).empty();
        for (int cell = 0; cell < 16; ++cell) {
            const int col = cell % 4;
            const int row = cell / 4;
            mirror[at(cell)] = static_cast<std::uint8_t>(mirrors ? col * 4 + row : cell);
            // Indexed by Move: the cell whose tile slides into the empty space.
            neighbour[at(cell)] = {col < 3 ? cell + 1 : -1, col > 0 ? cell - 1 : -1,
                                   row < 3 ? cell + 4 : -1, row > 0 ? cell - 4 : -1};
            for (int other = 0; other < 16; ++other) {
                distance[at(cell)][at(other)] =
                    static_cast<std::int8_t>(std::abs(col - other % 4) + std::abs(row - other / 4));
            }
        }
        prepareLook(tables, tables.partition(emptyTile), plainGroupOf, plainShift, plainTable);
        prepareLook(tables, tables.partition(mirror[emptyTile]), mirroredGroupOf, mirroredShift,
                    mirroredTable);
        for (int cell = 0; cell < 16; ++cell) {
            const int tile = start.cells[at(cell)];
            board[at(cell)] = static_cast<std::uint8_t>(tile);
            if (tile != emptyTile) {
                place(tile, cell);
                manhattan += distance[at(tile)][at(cell)];
            }
        }
        emptyCell = start.emptyCell;
        groupCount = static_cast<int>(tables.partition(emptyTile).size());
        for (int g = 0; g < groupCount; ++g) {
            plain[at(g)] = PatternTables::excessIn(plainTable[at(g)], plainIndex[at(g)]);
            mirrored[at(g)] = PatternTables::excessIn(mirroredTable[at(g)], mirroredIndex[at(g)]);
            plainTotal += plain[at(g)];
            mirroredTotal += mirrored[at(g)];
        }
    }

    std::optional<std::vector<Move>> run() {
        // No 4x4 board needs more than about 80 moves; a bound far past that means broken
        // tables.
        constexpr int longestPlan = 100;
        int bound = estimate(manhattan, plainTotal, mirroredTotal);
        if (bound == 0) {
            return plan;
        }
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
    static std::size_t at(int index) { return static_cast<std::size_t>(index); }

    // The Manhattan sum always has the parity of the plan's length and the excess counts
    // double, so the estimate needs no parity step of its own.
    static int estimate(int distanceSum, int plainExcess, int mirroredExcess) {
        return distanceSum + 2 * std::max(plainExcess, mirroredExcess);
    }

    static void prepareLook(const PatternTables& tables, const std::vector<int>& split,
                            std::array<std::uint8_t, 16>& groupOf,
                            std::array<std::uint8_t, 16>& shift,
                            std::array<const std::uint8_t*, 15>& table) {
        for (std::size_t g = 0; g < split.size(); ++g) {
            const auto& members = tables.tilesOf(split[g]);
            for (std::size_t j = 0; j < members.size(); ++j) {
                shift[at(members[j])] =
                    static_cast<std::uint8_t>(PatternTables::digitShift(j, members.size()));
                groupOf[at(members[j])] = static_cast<std::uint8_t>(g);
            }
            table[g] = tables.excessTable(split[g]);
        }
    }

    // Puts the tile's cell into both index sets: its own group's on the plain board, and
    // its mirror image's group on the mirrored board.
    void place(int tile, int cell) {
        const std::size_t shift = plainShift[at(tile)];
        std::size_t& own = plainIndex[plainGroupOf[at(tile)]];
        own = (own & ~(std::size_t{0xf} << shift)) | (std::size_t(cell) << shift);
        const int image = mirror[at(tile)];
        const std::size_t imageShift = mirroredShift[at(image)];
        std::size_t& other = mirroredIndex[mirroredGroupOf[at(image)]];
        other = (other & ~(std::size_t{0xf} << imageShift)) |
                (std::size_t{mirror[at(cell)]} << imageShift);
    }

    struct Child {
        int from;
        unsigned move;
        int plainGroup;
        int mirroredGroup;
        std::size_t plainIndex;
        std::size_t mirroredIndex;
    };

    bool descend(int depth, int bound, unsigned last) {
        std::array<Child, 4> children;  // filled before read; zeroing costs a third of the time
        int count = 0;
        for (unsigned m = 0; m < 4; ++m) {
            const int from = neighbour[at(emptyCell)][m];
            if ((m ^ 1u) == last || from < 0) {
                continue;
            }
            const int tile = board[at(from)];
            const int image = mirror[at(tile)];
            Child& child = children[at(count++)];
            child.from = from;
            child.move = m;
            child.plainGroup = plainGroupOf[at(tile)];
            child.mirroredGroup = mirroredGroupOf[at(image)];
            // Only the sliding tile's digit changes, by the distance it travels.
            child.plainIndex =
                plainIndex[at(child.plainGroup)] +
                ((std::size_t(emptyCell) - std::size_t(from)) << plainShift[at(tile)]);
            child.mirroredIndex =
                mirroredIndex[at(child.mirroredGroup)] +
                ((std::size_t{mirror[at(emptyCell)]} - std::size_t{mirror[at(from)]})
                 << mirroredShift[at(image)]);
            // Ask for both entries now, so that the children's misses overlap.
            __builtin_prefetch(plainTable[at(child.plainGroup)] + child.plainIndex / 2);
            __builtin_prefetch(mirroredTable[at(child.mirroredGroup)] + child.mirroredIndex / 2);
        }
        for (int i = 0; i < count; ++i) {
            const Child& child = children[at(i)];
            const int tile = board[at(child.from)];
            const int plainExcess =
                PatternTables::excessIn(plainTable[at(child.plainGroup)], child.plainIndex);
            const int mirroredExcess = PatternTables::excessIn(
                mirroredTable[at(child.mirroredGroup)], child.mirroredIndex);
            const int plainSum = plainTotal - plain[at(child.plainGroup)] + plainExcess;
            const int mirroredSum =
                mirroredTotal - mirrored[at(child.mirroredGroup)] + mirroredExcess;
            const int distanceSum =
                manhattan + distance[at(tile)][at(emptyCell)] - distance[at(tile)][at(child.from)];
            const int h = estimate(distanceSum, plainSum, mirroredSum);
            if (depth + 1 + h > bound) {
                nextBound = std::min(nextBound, depth + 1 + h);
                continue;
            }
            plan.push_back(static_cast<Move>(child.move));
            if (h == 0) {
                return true;
            }
            const Undo undo{emptyCell,
                            manhattan,
                            plain[at(child.plainGroup)],
                            mirrored[at(child.mirroredGroup)],
                            plainIndex[at(child.plainGroup)],
                            mirroredIndex[at(child.mirroredGroup)]};
            board[at(emptyCell)] = static_cast<std::uint8_t>(tile);
            board[at(child.from)] = emptyTile;
            emptyCell = child.from;
            manhattan = distanceSum;
            plain[at(child.plainGroup)] = plainExcess;
            mirrored[at(child.mirroredGroup)] = mirroredExcess;
            plainTotal = plainSum;
            mirroredTotal = mirroredSum;
            plainIndex[at(child.plainGroup)] = child.plainIndex;
            mirroredIndex[at(child.mirroredGroup)] = child.mirroredIndex;
            if (descend(depth + 1, bound, child.move)) {
                return true;
            }
            plan.pop_back();
            plainTotal += undo.plain - plainExcess;
            mirroredTotal += undo.mirrored - mirroredExcess;
            plain[at(child.plainGroup)] = undo.plain;
            mirrored[at(child.mirroredGroup)] = undo.mirrored;
            plainIndex[at(child.plainGroup)] = undo.plainIndex;
            mirroredIndex[at(child.mirroredGroup)] = undo.mirroredIndex;
            manhattan = undo.manhattan;
            emptyCell = undo.emptyCell;
            board[at(child.from)] = static_cast<std::uint8_t>(tile);
            board[at(emptyCell)] = emptyTile;
        }
        return false;
    }

    struct Undo {
        int emptyCell;
        int manhattan;
        int plain;
        int mirrored;
        std::size_t plainIndex;
        std::size_t mirroredIndex;
    };

    const std::uint8_t emptyTile;
    std::array<std::uint8_t, 16> mirror{};
    std::array<std::array<int, 4>, 16> neighbour{};
    std::array<std::array<std::int8_t, 16>, 16> distance{};
    std::array<std::uint8_t, 16> plainShift{};
    std::array<std::uint8_t, 16> plainGroupOf{};
    std::array<const std::uint8_t*, 15> plainTable{};
    std::array<std::uint8_t, 16> mirroredShift{};
    std::array<std::uint8_t, 16> mirroredGroupOf{};
    std::array<const std::uint8_t*, 15> mirroredTable{};
    int groupCount = 0;
    std::array<std::uint8_t, 16> board{};
    int emptyCell = 15;
    int manhattan = 0;
    std::array<std::size_t, 15> plainIndex{};
    std::array<std::size_t, 15> mirroredIndex{};
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
