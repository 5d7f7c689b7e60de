#include "solver/solver.h"

#include <algorithm>
#include <cstdlib>
#include <mutex>
#include <unordered_map>

#include "solver/five_by_five_tables.h"
#include "solver/pattern_tables.h"
#include "solver/reduction.h"
#include "solver/search.h"

namespace zolva::solver {

namespace {

constexpr int largestSide = 10;
// Boards of up to nine cells have at most 181,440 arrangements; their search always ends
// long before this and the budget only guards against a mistake elsewhere.
constexpr std::uint64_t smallBoardBudget = 200'000'000;

// Never destroyed: a worker thread may still be solving, or installing tables it has just
// built, while the program exits, and must not find the lock or the tables torn down.
struct Installed {
    std::mutex guard;
    std::shared_ptr<const PatternTables> tables;
    std::shared_ptr<const FiveByFiveTables> fiveByFive;
};
Installed& installed() {
    static Installed* const state = new Installed;
    return *state;
}

std::size_t at(int index) {
    return static_cast<std::size_t>(index);
}

bool hasShape(const Arrangement& a) {
    return a.columns >= 1 && a.rows >= 1 && a.cells.size() == at(a.columns * a.rows) &&
           a.emptyCell >= 0 && a.emptyCell < a.columns * a.rows;
}

// Mirroring the board left-right and/or top-bottom; every corner maps onto the bottom-right
// one, so the planners only know that one. Applying the same mirror again undoes it.
struct Mirror {
    bool columns = false;
    bool rows = false;

    int cell(const Arrangement& a, int index) const {
        const int column = index % a.columns;
        const int row = index / a.columns;
        return (this->rows ? a.rows - 1 - row : row) * a.columns +
               (this->columns ? a.columns - 1 - column : column);
    }

    Arrangement apply(const Arrangement& a) const {
        Arrangement out = a;
        for (int i = 0; i < static_cast<int>(a.cells.size()); ++i) {
            out.cells[at(cell(a, i))] = cell(a, a.cells[at(i)]);
        }
        out.emptyCell = cell(a, a.emptyCell);
        return out;
    }

    Move move(Move m) const {
        const bool horizontal = m == Move::slideLeft || m == Move::slideRight;
        if ((horizontal && columns) || (!horizontal && rows)) {
            return static_cast<Move>(static_cast<unsigned>(m) ^ 1u);
        }
        return m;
    }
};

std::shared_ptr<const PatternTables> tablesFor(const SolveOptions& options) {
    if (options.tables || options.ignoreInstalledTables) {
        return options.tables;
    }
    return installedPatternTables();
}

// A shortest plan for a 4x4 board, wherever its empty space belongs: reflected so that the
// empty space's home falls on the cell with the most partitions, counting those the search
// reads through the diagonal mirror, or searched by distance alone within the node budget.
std::optional<std::vector<Move>> shortestFourByFour(const Arrangement& a,
                                                    const SolveOptions& options) {
    if (const auto tables = tablesFor(options)) {
        const int home = a.cells[at(a.emptyCell)];
        std::size_t most = 0;
        Mirror best;
        for (const Mirror mirror :
             {Mirror{}, Mirror{true, false}, Mirror{false, true}, Mirror{true, true}}) {
            const int cell = mirror.cell(a, home);
            const std::size_t looks = tables->partitions(cell).size() +
                                      tables->partitions(cell % 4 * 4 + cell / 4).size();
            if (!tables->partitions(cell).empty() && looks > most) {
                most = looks;
                best = mirror;
            }
        }
        if (most > 0) {
            if (auto plan = detail::searchWithTables(best.apply(a), *tables)) {
                std::transform(plan->begin(), plan->end(), plan->begin(),
                               [&](Move m) { return best.move(m); });
                return plan;
            }
        }
    }
    return detail::searchByDistance(a, options.fallbackNodeBudget);
}

std::shared_ptr<const FiveByFiveTables> fiveByFiveTablesFor(const SolveOptions& options) {
    if (options.fiveByFiveTables || options.ignoreInstalledTables) {
        return options.fiveByFiveTables;
    }
    return installedFiveByFiveTables();
}

// A board whose empty space has its home in the bottom-right cell.
std::vector<Move> planFromCorner(const Arrangement& a, const SolveOptions& options) {
    return detail::reductionPlan(a, tablesFor(options).get(), fiveByFiveTablesFor(options).get());
}

// The empty space's home is not a corner (the board allows any cell). Walk it from the
// goal to the bottom-right corner and call the board found there the goal: renaming tiles
// by their cells in it turns it back into home order, which the planners know how to
// reach. Walking the empty space back home afterwards finishes the real goal.
std::vector<Move> planFromInside(const Arrangement& a, const SolveOptions& options) {
    Arrangement target{a.columns, a.rows, {}, a.cells[at(a.emptyCell)]};
    for (int i = 0; i < a.columns * a.rows; ++i) {
        target.cells.push_back(i);
    }
    std::vector<Move> homeward;
    while (target.emptyCell % a.columns != a.columns - 1) {
        target = apply(target, Move::slideLeft);
        homeward.push_back(Move::slideRight);
    }
    while (target.emptyCell / a.columns != a.rows - 1) {
        target = apply(target, Move::slideUp);
        homeward.push_back(Move::slideDown);
    }
    std::vector<int> renamed(a.cells.size());
    for (int cell = 0; cell < static_cast<int>(target.cells.size()); ++cell) {
        renamed[at(target.cells[at(cell)])] = cell;
    }
    Arrangement relabelled = a;
    for (int& tile : relabelled.cells) {
        tile = renamed[at(tile)];
    }
    std::vector<Move> plan = planFromCorner(relabelled, options);
    plan.insert(plan.end(), homeward.rbegin(), homeward.rend());
    return plan;
}

// The reduction places one tile after another and sometimes undoes a step of the last one,
// so its plans can pass the same arrangement twice. Cutting every such loop leaves a
// shorter plan that never repeats itself, which Solve plays faster and which a Guide can
// follow without ever being sent back round a loop.
struct CellsHash {
    std::size_t operator()(const std::vector<int>& cells) const {
        std::size_t hash = 0xcbf29ce484222325ull;
        for (int tile : cells) {
            hash = (hash ^ static_cast<std::size_t>(tile)) * 0x100000001b3ull;
        }
        return hash;
    }
};

std::vector<Move> withoutDetours(Arrangement a, std::vector<Move> plan) {
    std::unordered_map<std::vector<int>, std::size_t, CellsHash> stepAt{{a.cells, 0}};
    std::vector<std::vector<int>> trail{a.cells};
    std::vector<Move> kept;
    for (Move move : plan) {
        a = apply(std::move(a), move);
        const auto [seen, fresh] = stepAt.emplace(a.cells, kept.size() + 1);
        if (fresh) {
            kept.push_back(move);
            trail.push_back(a.cells);
            continue;
        }
        const std::size_t back = seen->second;
        while (trail.size() > back + 1) {
            stepAt.erase(trail.back());
            trail.pop_back();
        }
        kept.resize(back);
    }
    return kept;
}

}  // namespace

bool isWellFormed(const Arrangement& a) {
    if (!hasShape(a) || a.columns > largestSide || a.rows > largestSide) {
        return false;
    }
    std::vector<bool> seen(a.cells.size(), false);
    for (int tile : a.cells) {
        if (tile < 0 || tile >= static_cast<int>(a.cells.size()) || seen[at(tile)]) {
            return false;
        }
        seen[at(tile)] = true;
    }
    return true;
}

bool isSolved(const Arrangement& a) {
    if (!isWellFormed(a)) {
        return false;
    }
    for (int i = 0; i < static_cast<int>(a.cells.size()); ++i) {
        if (a.cells[at(i)] != i) {
            return false;
        }
    }
    return true;
}

// Every slide swaps the empty space with a neighbour: one transposition of the
// arrangement and one step of the empty space. So the permutation's parity always equals
// the parity of the empty space's distance from home, and on boards at least two wide
// that is also enough. On a single line the tiles can never pass each other.
bool isSolvable(const Arrangement& a) {
    if (!isWellFormed(a)) {
        return false;
    }
    const int emptyTile = a.cells[at(a.emptyCell)];
    if (a.columns == 1 || a.rows == 1) {
        int previous = -1;
        for (int tile : a.cells) {
            if (tile != emptyTile) {
                if (tile < previous) {
                    return false;
                }
                previous = tile;
            }
        }
        return true;
    }
    std::vector<bool> visited(a.cells.size(), false);
    int swaps = 0;
    for (std::size_t start = 0; start < a.cells.size(); ++start) {
        for (std::size_t i = start; !visited[i]; i = at(a.cells[i])) {
            visited[i] = true;
            if (i != start) {
                ++swaps;
            }
        }
    }
    const int distance = std::abs(a.emptyCell % a.columns - emptyTile % a.columns) +
                         std::abs(a.emptyCell / a.columns - emptyTile / a.columns);
    return (swaps - distance) % 2 == 0;
}

std::vector<Move> solve(const Arrangement& a) {
    return solve(a, SolveOptions{});
}

std::vector<Move> solve(const Arrangement& a, const SolveOptions& options) {
    if (!isSolvable(a) || isSolved(a)) {
        return {};
    }
    if (a.cells.size() <= 9 || a.columns == 1 || a.rows == 1) {
        return detail::searchByDistance(a, smallBoardBudget).value_or(std::vector<Move>{});
    }
    if (a.columns == 4 && a.rows == 4) {
        if (auto plan = shortestFourByFour(a, options)) {
            return *plan;
        }
    }
    const int home = a.cells[at(a.emptyCell)];
    const int homeColumn = home % a.columns;
    const int homeRow = home / a.columns;
    const bool corner =
        (homeColumn == 0 || homeColumn == a.columns - 1) && (homeRow == 0 || homeRow == a.rows - 1);
    if (!corner) {
        return withoutDetours(a, planFromInside(a, options));
    }
    const Mirror mirror{homeColumn == 0, homeRow == 0};
    std::vector<Move> plan = planFromCorner(mirror.apply(a), options);
    std::transform(plan.begin(), plan.end(), plan.begin(), [&](Move m) { return mirror.move(m); });
    return withoutDetours(a, std::move(plan));
}

std::optional<Move> nextMove(const Arrangement& a) {
    const std::vector<Move> plan = solve(a);
    if (plan.empty()) {
        return std::nullopt;
    }
    return plan.front();
}

void Guide::follow(Arrangement from, std::vector<Move> moves) {
    start = std::move(from);
    plan = std::move(moves);
}

void Guide::forget() {
    start = {};
    plan.clear();
}

std::optional<std::vector<Move>> Guide::restFrom(const Arrangement& now) const {
    if (!hasShape(start) || now.columns != start.columns || now.rows != start.rows) {
        return std::nullopt;
    }
    Arrangement along = start;
    for (std::size_t step = 0;; ++step) {
        if (along == now) {
            return std::vector<Move>(plan.begin() + static_cast<std::ptrdiff_t>(step), plan.end());
        }
        if (step == plan.size()) {
            return std::nullopt;
        }
        along = apply(std::move(along), plan[step]);
    }
}

Arrangement apply(Arrangement a, Move move) {
    if (!hasShape(a)) {
        return a;
    }
    const int target = detail::emptyAfter(a.columns, a.rows, a.emptyCell, move);
    if (target >= 0) {
        std::swap(a.cells[at(target)], a.cells[at(a.emptyCell)]);
        a.emptyCell = target;
    }
    return a;
}

void installPatternTables(std::shared_ptr<const PatternTables> tables) {
    const std::lock_guard lock(installed().guard);
    installed().tables = std::move(tables);
}

std::shared_ptr<const PatternTables> installedPatternTables() {
    const std::lock_guard lock(installed().guard);
    return installed().tables;
}

void installFiveByFiveTables(std::shared_ptr<const FiveByFiveTables> tables) {
    const std::lock_guard lock(installed().guard);
    installed().fiveByFive = std::move(tables);
}

std::shared_ptr<const FiveByFiveTables> installedFiveByFiveTables() {
    const std::lock_guard lock(installed().guard);
    return installed().fiveByFive;
}

}  // namespace zolva::solver
