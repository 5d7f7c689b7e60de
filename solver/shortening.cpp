#include "solver/shortening.h"

#include <algorithm>
#include <array>
#include <cstdlib>

#include "solver/search.h"

namespace zolva::solver::detail {

namespace {

// Moves in a stretch searched again, how far the stretch moves on when its search finds
// nothing, and the boards one stretch's search may expand. Longer stretches find more but
// cost more: the search deepens to one move short of the stretch, and the cost grows with
// how much longer the stretch is than the distance its tiles travel.
constexpr std::size_t stretchLength = 36;
constexpr std::size_t stretchStep = 4;
constexpr std::uint64_t stretchBudget = 100'000;

// Walks the plan with the board as it stands at the start of the stretch in hand.
class Shortener {
public:
    Shortener(const Arrangement& start, std::uint64_t nodeBudget)
        : columns(start.columns),
          rows(start.rows),
          cells(static_cast<std::size_t>(start.columns * start.rows)),
          budgetLeft(nodeBudget) {
        const int n = columns * rows;
        neighbours.assign(static_cast<std::size_t>(n), {-1, -1, -1, -1});
        distances.resize(static_cast<std::size_t>(n * n));
        for (int cell = 0; cell < n; ++cell) {
            auto& list = neighbours[static_cast<std::size_t>(cell)];
            std::size_t count = 0;
            const int column = cell % columns;
            const int row = cell / columns;
            if (column > 0)
                list[count++] = cell - 1;
            if (column + 1 < columns)
                list[count++] = cell + 1;
            if (row > 0)
                list[count++] = cell - columns;
            if (row + 1 < rows)
                list[count++] = cell + columns;
            for (int other = 0; other < n; ++other) {
                distances[static_cast<std::size_t>(cell * n + other)] = static_cast<std::uint8_t>(
                    std::abs(column - other % columns) + std::abs(row - other / columns));
            }
        }
        for (int cell = 0; cell < n; ++cell) {
            cells[static_cast<std::size_t>(cell)] =
                static_cast<std::uint8_t>(start.cells[static_cast<std::size_t>(cell)]);
        }
        emptyCell = start.emptyCell;
        targetOf.resize(static_cast<std::size_t>(n));
    }

    // Replaces stretches of the plan with shorter ways between the same boards, until the
    // plan or the budget runs out.
    void run(std::vector<Move>& plan) {
        std::size_t at = 0;
        while (at + 2 < plan.size() && budgetLeft > 0) {
            const std::size_t length = std::min(stretchLength, plan.size() - at);
            const int estimate = aimAt(plan, at, length);
            const int longest = static_cast<int>(length);
            if (longest - estimate >= 2 && shorterWay(estimate, longest)) {
                std::vector<Move> better;
                int empty = emptyCell;
                for (int cell : path) {
                    better.push_back(moveTowards(columns, empty, cell));
                    empty = cell;
                }
                const auto first = plan.begin() + static_cast<std::ptrdiff_t>(at);
                plan.erase(first, first + static_cast<std::ptrdiff_t>(length));
                plan.insert(plan.begin() + static_cast<std::ptrdiff_t>(at), better.begin(),
                            better.end());
                continue;  // the stretch from here now reaches further
            }
            const std::size_t step = std::min(stretchStep, plan.size() - at);
            for (std::size_t i = 0; i < step; ++i) {
                play(cells, emptyCell, plan[at + i]);
            }
            at += step;
        }
    }

private:
    void play(std::vector<std::uint8_t>& board, int& empty, Move move) const {
        const int to = emptyAfter(columns, rows, empty, move);
        std::swap(board[static_cast<std::size_t>(to)], board[static_cast<std::size_t>(empty)]);
        empty = to;
    }

    // Sets the target to the board `length` moves of the plan on from `at`, and returns how
    // far the tiles now are from their cells there: the fewest moves that could reach it.
    int aimAt(const std::vector<Move>& plan, std::size_t at, std::size_t length) {
        std::vector<std::uint8_t>& target = scratch;
        target = cells;
        int targetEmpty = emptyCell;
        for (std::size_t i = 0; i < length; ++i) {
            play(target, targetEmpty, plan[at + i]);
        }
        for (std::size_t cell = 0; cell < target.size(); ++cell) {
            targetOf[target[cell]] = static_cast<std::uint8_t>(cell);
        }
        const std::uint8_t emptyTile = cells[static_cast<std::size_t>(emptyCell)];
        int estimate = 0;
        for (std::size_t cell = 0; cell < cells.size(); ++cell) {
            if (cells[cell] != emptyTile) {
                estimate += distance(static_cast<int>(cell), targetOf[cells[cell]]);
            }
        }
        return estimate;
    }

    int distance(int from, int to) const {
        return distances[static_cast<std::size_t>(from * columns * rows + to)];
    }

    // Iterative deepening from the board now to the target, in fewer than `longest` moves.
    bool shorterWay(int estimate, int longest) {
        std::uint64_t expanded = 0;
        for (int bound = estimate; bound < longest; bound += 2) {
            path.clear();
            limit = bound;
            nodes = 0;
            const bool found = deepen(emptyCell, -1, 0, estimate);
            expanded += nodes;
            if (found || nodes >= stretchBudget || expanded >= stretchBudget) {
                budgetLeft -= std::min(budgetLeft, expanded);
                return found;
            }
        }
        budgetLeft -= std::min(budgetLeft, expanded);
        return false;
    }

    bool deepen(int empty, int previous, int moves, int estimate) {
        if (estimate == 0) {
            return true;
        }
        if (++nodes >= stretchBudget) {
            return false;
        }
        for (int from : neighbours[static_cast<std::size_t>(empty)]) {
            if (from < 0) {
                break;
            }
            if (from == previous) {
                continue;
            }
            const std::uint8_t tile = cells[static_cast<std::size_t>(from)];
            const int next =
                estimate - distance(from, targetOf[tile]) + distance(empty, targetOf[tile]);
            if (moves + 1 + next > limit) {
                continue;
            }
            std::swap(cells[static_cast<std::size_t>(from)],
                      cells[static_cast<std::size_t>(empty)]);
            path.push_back(from);
            const bool found = deepen(from, empty, moves + 1, next);
            if (found) {
                std::swap(cells[static_cast<std::size_t>(from)],
                          cells[static_cast<std::size_t>(empty)]);
                return true;
            }
            path.pop_back();
            std::swap(cells[static_cast<std::size_t>(from)],
                      cells[static_cast<std::size_t>(empty)]);
            if (nodes >= stretchBudget) {
                return false;
            }
        }
        return false;
    }

    const int columns;
    const int rows;
    std::vector<std::uint8_t> cells;
    int emptyCell = 0;
    std::vector<std::uint8_t> targetOf;  // the target's cell of each tile
    std::vector<std::uint8_t> scratch;
    std::vector<std::array<int, 4>> neighbours;  // -1 after the last
    std::vector<std::uint8_t> distances;
    std::vector<int> path;
    int limit = 0;
    std::uint64_t nodes = 0;
    std::uint64_t budgetLeft;
};

}  // namespace

void shortenPlan(const Arrangement& start, std::vector<Move>& plan, std::uint64_t nodeBudget) {
    Shortener(start, nodeBudget).run(plan);
}

}  // namespace zolva::solver::detail
