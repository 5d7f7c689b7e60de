#include "puzzle/solver_reduction.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "puzzle/solver_search.h"

namespace zolva::solver::detail {

namespace {

// The leftover block has at most nine cells; its search never gets near this.
constexpr std::uint64_t blockBudget = 5'000'000;

class Reducer {
public:
    explicit Reducer(const Arrangement& start)
        : columns(start.columns),
          rows(start.rows),
          cells(start.cells),
          emptyCell(start.emptyCell),
          locked(cells.size(), false) {}

    std::vector<Move> run() {
        while (rows - top > 3 || columns - left > 3) {
            const int height = rows - top;
            const int width = columns - left;
            if (width <= 3 || (height > 3 && height >= width)) {
                finishRow();
            } else {
                finishColumn();
            }
        }
        finishBlock();
        return plan;
    }

private:
    int cellCount() const { return static_cast<int>(cells.size()); }

    // The open cells next to `cell`, at most four.
    int openNeighbours(int cell, std::array<int, 4>& out) const {
        int count = 0;
        const int column = cell % columns;
        const int row = cell / columns;
        auto add = [&](int other) {
            if (!locked[static_cast<std::size_t>(other)]) {
                out[static_cast<std::size_t>(count++)] = other;
            }
        };
        if (column > 0)
            add(cell - 1);
        if (column + 1 < columns)
            add(cell + 1);
        if (row > 0)
            add(cell - columns);
        if (row + 1 < rows)
            add(cell + columns);
        return count;
    }

    void step(int to) {
        plan.push_back(moveTowards(columns, emptyCell, to));
        std::swap(cells[static_cast<std::size_t>(to)], cells[static_cast<std::size_t>(emptyCell)]);
        emptyCell = to;
    }

    int cellOf(int tile) const {
        return static_cast<int>(std::find(cells.begin(), cells.end(), tile) - cells.begin());
    }

    // Shortest walk of one tile to `dest` over open cells, searched over (tile cell, empty
    // cell) pairs so the empty space's detours around the tile are part of the search.
    void walkTile(int tile, int dest) {
        const int n = cellCount();
        const int start = cellOf(tile) * n + emptyCell;
        if (start / n == dest) {
            return;
        }
        cameFrom.assign(static_cast<std::size_t>(n * n), -1);
        queue.clear();
        queue.push_back(start);
        cameFrom[static_cast<std::size_t>(start)] = start;
        std::array<int, 4> next{};
        for (std::size_t head = 0; head < queue.size(); ++head) {
            const int state = queue[head];
            const int at = state / n;
            const int empty = state % n;
            const int count = openNeighbours(empty, next);
            for (int i = 0; i < count; ++i) {
                const int moved = next[static_cast<std::size_t>(i)];
                const int following = (moved == at ? empty : at) * n + moved;
                if (cameFrom[static_cast<std::size_t>(following)] != -1) {
                    continue;
                }
                cameFrom[static_cast<std::size_t>(following)] = state;
                if (following / n == dest) {
                    replay(following, start, n);
                    return;
                }
                queue.push_back(following);
            }
        }
    }

    void walkEmpty(int dest) {
        const int n = cellCount();
        cameFrom.assign(static_cast<std::size_t>(n), -1);
        queue.assign(1, emptyCell);
        cameFrom[static_cast<std::size_t>(emptyCell)] = emptyCell;
        std::array<int, 4> next{};
        for (std::size_t head = 0;
             head < queue.size() && cameFrom[static_cast<std::size_t>(dest)] == -1; ++head) {
            const int count = openNeighbours(queue[head], next);
            for (int i = 0; i < count; ++i) {
                const int cell = next[static_cast<std::size_t>(i)];
                if (cameFrom[static_cast<std::size_t>(cell)] == -1) {
                    cameFrom[static_cast<std::size_t>(cell)] = queue[head];
                    queue.push_back(cell);
                }
            }
        }
        if (cameFrom[static_cast<std::size_t>(dest)] != -1) {
            replay(dest, emptyCell, 1);
        }
    }

    // Follows cameFrom back from `last` to `first` and plays the empty space's cells forward.
    // States are tile cell * stride + empty cell; a plain cell when stride is 1.
    void replay(int last, int first, int stride) {
        std::vector<int> states;
        for (int state = last; state != first; state = cameFrom[static_cast<std::size_t>(state)]) {
            states.push_back(state);
        }
        for (auto it = states.rbegin(); it != states.rend(); ++it) {
            step(stride == 1 ? *it : *it % stride);
        }
    }

    // Both last tiles of a line: `first` goes to `second`'s home, `second` one cell further
    // out along `outward`, then the empty space comes round to `first`'s home and the pair
    // steps in. Once `first` is held, `first`'s home is a dead end: if `second` or the
    // empty space is caught in it with the other right outside, `second` cannot get past.
    // Then `second` is parked in the far corner, where holding it never cuts the open
    // cells in two, and `first` goes again, leaving `second` a clear way back.
    void finishPair(int first, int second, int outward) {
        if (cells[static_cast<std::size_t>(first)] == first &&
            cells[static_cast<std::size_t>(second)] == second) {
            return;
        }
        walkTile(first, second);
        if (!parkBeside(second, outward)) {
            const int corner = cellCount() - 1;
            walkTile(second, corner);
            hold(corner, true);
            walkTile(first, second);
            hold(corner, false);
            parkBeside(second, outward);
        }
        hold(second + outward, true);
        walkEmpty(first);
        hold(second, false);
        hold(second + outward, false);
        step(second);
        step(second + outward);
    }

    // Holds `second`'s home (with `first` in it) and walks tile `second` next to it.
    bool parkBeside(int second, int outward) {
        hold(second, true);
        walkTile(second, second + outward);
        if (cells[static_cast<std::size_t>(second + outward)] == second) {
            return true;
        }
        hold(second, false);
        return false;
    }

    void hold(int cell, bool held) { locked[static_cast<std::size_t>(cell)] = held; }

    void settle(int cell) {
        walkTile(cell, cell);
        locked[static_cast<std::size_t>(cell)] = true;
    }

    void finishRow() {
        const int base = top * columns;
        for (int column = left; column < columns - 2; ++column) {
            settle(base + column);
        }
        const int first = base + columns - 2;
        finishPair(first, first + 1, columns);
        locked[static_cast<std::size_t>(first)] = true;
        locked[static_cast<std::size_t>(first + 1)] = true;
        ++top;
    }

    void finishColumn() {
        for (int row = top; row < rows - 2; ++row) {
            settle(row * columns + left);
        }
        const int first = (rows - 2) * columns + left;
        finishPair(first, first + columns, 1);
        locked[static_cast<std::size_t>(first)] = true;
        locked[static_cast<std::size_t>(first + columns)] = true;
        ++left;
    }

    // Every tile left in the block belongs to it, so it is a small puzzle of its own.
    void finishBlock() {
        Arrangement block;
        block.columns = columns - left;
        block.rows = rows - top;
        for (int row = top; row < rows; ++row) {
            for (int column = left; column < columns; ++column) {
                const int cell = row * columns + column;
                const int tile = cells[static_cast<std::size_t>(cell)];
                block.cells.push_back((tile / columns - top) * block.columns +
                                      (tile % columns - left));
                if (cell == emptyCell) {
                    block.emptyCell = static_cast<int>(block.cells.size()) - 1;
                }
            }
        }
        const auto moves = searchByDistance(block, blockBudget);
        if (!moves) {
            return;
        }
        for (Move move : *moves) {
            step(emptyAfter(columns, rows, emptyCell, move));
        }
    }

    const int columns;
    const int rows;
    std::vector<int> cells;
    int emptyCell;
    std::vector<bool> locked;
    int top = 0;
    int left = 0;
    std::vector<Move> plan;
    std::vector<int> cameFrom;
    std::vector<int> queue;
};

}  // namespace

std::vector<Move> reductionPlan(const Arrangement& arrangement) {
    return Reducer(arrangement).run();
}

}  // namespace zolva::solver::detail
