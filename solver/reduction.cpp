#include "solver/reduction.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <memory>
#include <optional>
#include <queue>
#include <span>

#include "solver/five_by_five_tables.h"
#include "solver/pattern_tables.h"
#include "solver/search.h"
#include "solver/shortening.h"
#include "solver/weighted_search.h"

namespace zolva::solver::detail {

namespace {

// The leftover block has at most nine cells; its search never gets near this.
constexpr std::uint64_t blockBudget = 5'000'000;
// A 3x4 block is searched whole too, a search that gives up leaving it to be reduced to
// 3x3. One that uses all of this takes some 50 ms, so of a board three wide, which is
// reduced in several styles, only the first may; the others get the second figure.
constexpr std::uint64_t narrowBlockBudget = 300'000;
constexpr std::uint64_t laterNarrowBlockBudget = 100'000;
// A line is placed a few tiles at a time; the last tiles of a line, which need the turn
// into the corner, are placed together.
constexpr int lastTilesTogether = 4;
// On lines of at least this many tiles the last lot's search may also end with the line's
// last two tiles ready to turn in (see placeLine); on shorter lines that did worse. What it
// adds for the last tile while the one before it stands home, and the moves it counts for
// the turn itself.
constexpr std::size_t turnedFrom = 7;
constexpr int pairPenalty = 16;
constexpr int turnMoves = 4;
// States a placing search may reach; how many times a lot's search may start again from the
// board nearest its goal that the last one reached (see placeLine) before the lot falls
// back on a narrower search; and the states that one may reach.
constexpr std::size_t boardBudget = 15'000;
constexpr int placingRounds = 10;
constexpr std::size_t placementBudget = 30'000;

// How a reduction goes about it: the tiles a search places at once before a line's last
// ones, which line goes first when the open part is square, and what a step nearer home is
// worth for the tiles not being placed (see restWeight).
struct Style {
    int tilesAtOnce = 3;
    bool columnFirst = false;
    std::array<int, 4> restWeights{8, 6, 5, 3};
};

// Small boards have time to be reduced in each of these styles; the one whose 4x4 block
// looks cheapest, by the moves so far and the tables' estimate, is finished.
constexpr std::array<Style, 4> styles{Style{3, false}, Style{3, true}, Style{2, false},
                                      Style{2, true}};
constexpr std::size_t triedUpTo = 25;  // cells
// Boards three or four tiles wide or tall are quick to reduce, so they are reduced in each
// of these: three wide whole (lines of three, then a 3x4 block), the shortest plan winning;
// four wide to the 4x4 block, the one that looks cheapest being finished. Only the weights
// differ: such lines go in as one lot, and the open part is never square, so the other
// choices do not matter.
constexpr std::array<Style, 4> narrowStyles{
    Style{3, false, {8, 6, 5, 3}}, Style{3, false, {4, 4, 4, 4}}, Style{3, false, {10, 7, 5, 4}},
    Style{3, false, {6, 6, 4, 2}}};
// Boards larger than 5x5, with the 5x5 tables, are reduced to the 5x5 block in each of
// these in turn while the placing searches' work (see cheapestReduction) allows, and the
// block that looks cheapest is finished: every style on 6x6, two or three on most boards
// of about 60 cells, one on 10x10, which keeps the slowest plans near an eighth of a
// second.
constexpr std::array<Style, 4> largeStyles{
    Style{3, false, {8, 6, 5, 3}}, Style{3, true, {10, 7, 5, 4}}, Style{2, false, {6, 6, 4, 2}},
    Style{3, true, {8, 6, 5, 3}}};
constexpr std::size_t largeStylesWork = 35'000'000;
// Boards a plan's shortening may expand in all (see shortening.h): a few hundredths of a
// second.
constexpr std::uint64_t shorteningBudget = 2'000'000;

// One weighted 5x5 search: the weight in eighths and the boards it may hold.
struct Attempt {
    int weight;
    std::size_t boards;
};
// Weight 2 nearly always finds a plan within a few thousand boards; the tighter weights
// after it, which look only at boards that could lead to a shorter plan, shorten it by a
// tenth or more. A 5x5 board has a second for its plan (these take a third of one at most,
// about 4 million boards a second), the 5x5 block of a larger board a share of a quarter
// second, which leaves out weight 1.5: it shortened those plans by about one move in 200.
// A million boards take about 40 MB while they are searched.
const std::vector<Attempt> wholeBoardAttempts{{16, 400'000}, {14, 800'000}, {12, 1'000'000}};
const std::vector<Attempt> blockAttempts{{16, 300'000}, {14, 300'000}};

// The boards a placing search has reached, by their 64-bit keys: open addressing over a
// table kept between searches, so a search neither allocates per board nor starts by
// growing one. A search holds at most its budget of keys, under half the table.
class KeySet {
public:
    void clear() {
        if (slots.empty()) {
            slots.resize(std::size_t{1} << bits);
        }
        std::fill(slots.begin(), slots.end(), free);
    }

    // False when the key was there already.
    bool insert(std::uint64_t key) {
        const std::size_t mask = slots.size() - 1;
        // Packed cells are far from random, so they are spread before they pick a slot.
        for (std::size_t i = (key * 0x9e3779b97f4a7c15ull) >> (64 - bits);; i = (i + 1) & mask) {
            if (slots[i] == key) {
                return false;
            }
            if (slots[i] == free) {
                slots[i] = key;
                return true;
            }
        }
    }

private:
    static constexpr int bits = std::bit_width(2 * (std::max(boardBudget, placementBudget) + 4));
    // Packed cells never set the top bit, and a hash is all ones once in 2^64 boards.
    static constexpr std::uint64_t free = ~std::uint64_t{0};
    std::vector<std::uint64_t> slots;
};

// Adds the boards a search reached to a running count, however the search ends.
template <typename Nodes>
struct CountOnExit {
    std::size_t& count;
    const Nodes& nodes;
    ~CountOnExit() { count += nodes.size(); }
};

class Reducer {
public:
    Reducer(const Arrangement& start, const PatternTables* tables, Style style = {},
            std::uint64_t narrowBudget = narrowBlockBudget)
        : columns(start.columns),
          rows(start.rows),
          cells(start.cells),
          emptyCell(start.emptyCell),
          locked(cells.size(), false),
          tables(tables),
          style(style),
          narrowBudget(narrowBudget) {}

    std::vector<Move> run() {
        if (tables && reduceToBlock() && finishWithTables()) {
            return plan;
        }
        while (rows - top > 3 || columns - left > 3) {
            if (isNarrowBlock() && finishNarrowBlock()) {
                return plan;
            }
            finishLine();
        }
        finishBlock();
        return plan;
    }

    // Reduces the board until a side x side block is left; false when the board is
    // narrower. The longer side goes first, so a board at least 5x5 always comes to 5x5.
    bool reduceToBlock(int side = 4) {
        while (rows - top > 3 || columns - left > 3) {
            if (rows - top == side && columns - left == side) {
                return true;
            }
            if (isNarrowBlock()) {
                return false;
            }
            finishLine();
        }
        return false;
    }

    // Three by four cells, the most a plain search finishes optimally in good time: the
    // last block of boards three wide or tall, or four wide without the 4x4 tables.
    bool isNarrowBlock() const { return (rows - top) * (columns - left) == 12; }

    // The weighted searches in turn, each allowed the boards given: a loose weight finds a
    // plan with few boards, a tighter one may then find a shorter plan, looking only at
    // boards that could lead to one.
    bool finishWithFiveByFive(const FiveByFiveTables& large, const std::vector<Attempt>& attempts) {
        const Arrangement rest = block();
        std::optional<std::vector<Move>> best;
        for (const Attempt& attempt : attempts) {
            const int bound = best ? static_cast<int>(best->size()) : 1 << 30;
            if (auto moves = searchFiveByFive(rest, large, attempt.weight, attempt.boards, bound)) {
                best = std::move(moves);
            }
        }
        if (best) {
            play(*best);
        }
        return best.has_value();
    }

    // The moves so far and the tables' estimate for the 4x4 block left.
    int projectedLength() const {
        const Arrangement rest = block();
        std::array<std::uint8_t, 16> cellOfTile{};
        for (int cell = 0; cell < 16; ++cell) {
            cellOfTile[static_cast<std::size_t>(rest.cells[static_cast<std::size_t>(cell)])] =
                static_cast<std::uint8_t>(cell);
        }
        return static_cast<int>(plan.size()) + tables->estimate(cellOfTile.data());
    }

    // The moves so far and the 5x5 tables' estimate for the 5x5 block left.
    int projectedLength(const FiveByFiveTables& large) const {
        const Arrangement rest = block();
        std::array<std::uint8_t, FiveByFiveTables::cellCount> cellOfTile{};
        for (int cell = 0; cell < FiveByFiveTables::cellCount; ++cell) {
            cellOfTile[static_cast<std::size_t>(rest.cells[static_cast<std::size_t>(cell)])] =
                static_cast<std::uint8_t>(cell);
        }
        int length = static_cast<int>(plan.size());
        for (std::size_t group = 0; group < large.groups().size(); ++group) {
            std::array<std::uint8_t, FiveByFiveTables::maxGroupSize> positions{};
            const auto& members = large.groups()[group];
            for (std::size_t j = 0; j < members.size(); ++j) {
                positions[j] = cellOfTile[static_cast<std::size_t>(members[j])];
            }
            length += large.lookup(static_cast<int>(group), positions.data());
        }
        return length;
    }

    // Boards the placing searches have reached so far, the measure of the work done.
    std::size_t boardsSearched() const { return searched; }

    bool finishWithTables() {
        const auto moves = searchWithTables(block(), *tables);
        if (moves) {
            play(*moves);
        }
        return moves.has_value();
    }

    const std::vector<Move>& moves() const { return plan; }

private:
    enum class Placing { placed, nearer, stuck };

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

    // Places `line` (cells in order, the last one at the corner) a few tiles at a time,
    // holding each lot once it is home. False when a search gave up; the tiles already held
    // are home, and the fixed moves can finish the line from there. `outward` is the step
    // from the line's last cell to the cell beyond it: on a long line the last lot's search
    // may instead end with the last tile there and the one before it in the last tile's
    // home, whence both turn in as finishPair does, whichever looks nearer.
    bool placeLine(const std::vector<int>& line, int outward) {
        std::size_t done = 0;
        while (done < line.size()) {
            std::size_t count = line.size() - done;
            if (count > static_cast<std::size_t>(lastTilesTogether)) {
                count = std::min<std::size_t>(count - lastTilesTogether,
                                              static_cast<std::size_t>(style.tilesAtOnce));
            }
            const std::vector<int> tiles(line.begin() + static_cast<std::ptrdiff_t>(done),
                                         line.begin() + static_cast<std::ptrdiff_t>(done + count));
            homing.clear();
            for (int tile : tiles) {
                homing.push_back(homingCosts(tile));
            }
            turn.outward = 0;
            if (done + count == line.size() && line.size() >= turnedFrom) {
                turn.outward = outward;
                turn.firstCost = homingCosts(line.back());
                turn.secondCost = homingCosts(line.back() + outward);
            }
            if (!placeInRounds(tiles) && !placeTogether(tiles)) {
                return false;
            }
            for (int tile : tiles) {
                hold(tile, true);
            }
            done += count;
        }
        return true;
    }

    // A search that gives up has mostly come nearer: its board nearest the goal is kept and
    // the search starts again from there, as long as each round gets nearer. Searches that
    // gave up used to take two thirds of the placing work, all of it thrown away.
    bool placeInRounds(const std::vector<int>& tiles) {
        for (int round = 0; round < placingRounds; ++round) {
            switch (placeOnBoard(tiles)) {
                case Placing::placed:
                    return true;
                case Placing::nearer:
                    break;
                case Placing::stuck:
                    return false;
            }
        }
        return false;
    }

    // Best-first search to a board with `tiles` at home over their cells and the empty
    // space's alone (seven bits each), all other open tiles being alike to it. The estimate
    // adds up each tile's homing cost: not a lower bound, since one errand of the empty space
    // may serve two tiles, but close, and it leads the search straight there.
    bool placeTogether(const std::vector<int>& tiles) {
        const std::size_t k = tiles.size();
        std::array<int, 8> where{};
        for (std::size_t i = 0; i < k; ++i) {
            where[i] = cellOf(tiles[i]);
        }
        auto pack = [k](const std::array<int, 8>& at, int empty) {
            std::uint64_t key = static_cast<std::uint64_t>(empty);
            for (std::size_t i = 0; i < k; ++i) {
                key = key << 7 | static_cast<std::uint64_t>(at[i]);
            }
            return key;
        };
        auto unpack = [k](std::uint64_t key, std::array<int, 8>& at) {
            for (std::size_t i = k; i-- > 0;) {
                at[i] = static_cast<int>(key & 0x7f);
                key >>= 7;
            }
            return static_cast<int>(key);
        };
        const int n = cellCount();
        auto estimate = [&](const std::array<int, 8>& at, int empty) {
            int total = 0;
            for (std::size_t i = 0; i < k; ++i) {
                total += homing[i][static_cast<std::size_t>(at[i] * n + empty)];
            }
            return total;
        };

        struct Node {
            std::uint64_t key;
            std::uint32_t parent;
            int cost;
        };
        std::vector<Node> nodes;
        const CountOnExit counted{searched, nodes};
        seen.clear();
        using Entry = std::pair<long, std::uint32_t>;  // -(priority), node
        std::priority_queue<Entry> open;
        auto reach = [&](std::uint64_t key, std::uint32_t parent, int cost, int h) {
            if (!seen.insert(key)) {
                return;
            }
            const auto index = static_cast<std::uint32_t>(nodes.size());
            nodes.push_back({key, parent, cost});
            // Ties go to the deeper state, which is nearer the goal.
            const long priority = (static_cast<long>(cost + h) << 16) - cost;
            open.emplace(-priority, index);
        };
        reach(pack(where, emptyCell), 0, 0, estimate(where, emptyCell));
        std::array<int, 4> next{};
        while (!open.empty() && nodes.size() < placementBudget) {
            const std::uint32_t current = open.top().second;
            open.pop();
            const Node node = nodes[current];
            const int empty = unpack(node.key, where);
            if (estimate(where, empty) == 0) {
                playPath(nodes, current,
                         [k](const Node& at) { return static_cast<int>(at.key >> (7 * k)); });
                return true;
            }
            const int count = openNeighbours(empty, next);
            for (int n = 0; n < count; ++n) {
                const int to = next[static_cast<std::size_t>(n)];
                std::array<int, 8> moved = where;
                for (std::size_t i = 0; i < k; ++i) {
                    if (moved[i] == to) {
                        moved[i] = empty;
                    }
                }
                reach(pack(moved, to), current, node.cost + 1, estimate(moved, to));
            }
        }
        return false;
    }

    // The same search over whole boards, with every other open tile's cost to get home
    // (loneTileMoves) added to the estimate, weighted by how soon its line comes (see
    // restWeight). Of the ways to place the tiles, one that leaves the rest of the board
    // nearer home wins: the empty space's errands push other tiles homeward as they go, and
    // later lines start ahead. When the budget runs out, the path to the board nearest the
    // goal by the lot's estimate is played if that is nearer than the start.
    Placing placeOnBoard(const std::vector<int>& tiles) {
        const int n = cellCount();
        const std::size_t k = tiles.size();
        // Tile -> 1 + its place in `tiles`, 0 for the rest.
        std::vector<std::uint8_t> wanted(static_cast<std::size_t>(n), 0);
        for (std::size_t i = 0; i < k; ++i) {
            wanted[static_cast<std::size_t>(tiles[i])] = static_cast<std::uint8_t>(i + 1);
        }
        struct Node {
            std::uint32_t parent;
            std::int16_t empty;
            std::int16_t cost;
            int placing;  // the placed tiles' Manhattan distance
            int rest;     // every other open tile's loneTileMoves, weighted by restWeight
            std::array<std::uint8_t, 8> at;  // the placed tiles' cells
        };
        std::vector<Node> nodes;
        const CountOnExit counted{searched, nodes};
        std::vector<std::uint8_t>& boards = boardStore;  // n cells per node
        boards.clear();
        seen.clear();
        using Entry = std::pair<long, std::uint32_t>;
        std::priority_queue<Entry> open;

        // With a turn, the last two tiles count by pairEstimate.
        const std::size_t straight = turn.outward ? k - 2 : k;
        auto estimate = [&](const Node& node) {
            int total = 0;
            for (std::size_t i = 0; i < straight; ++i) {
                total += homing[i][static_cast<std::size_t>(node.at[i] * n + node.empty)];
            }
            if (turn.outward) {
                total += pairEstimate(tiles[k - 2], tiles[k - 1], node.at[k - 2], node.at[k - 1],
                                      node.empty);
            }
            return total;
        };
        auto turned = [&](const Node& node) {
            const int second = tiles[k - 1];
            if (!turn.outward || node.at[k - 2] != second ||
                node.at[k - 1] != second + turn.outward) {
                return false;
            }
            for (std::size_t i = 0; i < straight; ++i) {
                if (node.at[i] != tiles[i]) {
                    return false;
                }
            }
            return true;
        };
        // A move counts 16 and the lot's estimate half as much, since it counts the empty
        // space's way to each tile anew (at full weight the larger boards' plans were some
        // 7 % longer). The rest's weights are sixteenths of a move for each of the
        // moves loneTileMoves counts, so a tile of the next line that gets a step nearer home
        // is worth about two moves.
        auto push = [&](std::uint64_t hash, const Node& node, const std::uint8_t* board) {
            if (!seen.insert(hash)) {
                return;
            }
            const auto index = static_cast<std::uint32_t>(nodes.size());
            nodes.push_back(node);
            boards.insert(boards.end(), board, board + n);
            const int h = estimate(node);
            const long priority =
                (static_cast<long>(8 * (2 * node.cost + h) + node.rest) << 16) - node.cost;
            open.emplace(-priority, index);
        };

        std::vector<std::uint8_t> board(static_cast<std::size_t>(n));
        Node start{0, static_cast<std::int16_t>(emptyCell), 0, 0, 0, {}};
        std::uint64_t hash = 0;
        for (int cell = 0; cell < n; ++cell) {
            const int tile = cells[static_cast<std::size_t>(cell)];
            board[static_cast<std::size_t>(cell)] = static_cast<std::uint8_t>(tile);
            hash ^= zobrist(cell, tile);
            if (wanted[static_cast<std::size_t>(tile)]) {
                start.at[wanted[static_cast<std::size_t>(tile)] - 1u] =
                    static_cast<std::uint8_t>(cell);
            }
            if (cell != emptyCell && !locked[static_cast<std::size_t>(cell)]) {
                if (wanted[static_cast<std::size_t>(tile)]) {
                    start.placing += distance(cell, tile);
                } else {
                    start.rest += restWeight(tile) * loneTileMoves(cell, tile);
                }
            }
        }
        push(hash, start, board.data());
        std::vector<std::uint64_t> hashes{hash};
        auto playTo = [&](std::uint32_t last) {
            playPath(nodes, last, [](const Node& at) { return static_cast<int>(at.empty); });
        };
        std::uint32_t nearest = 0;
        int nearestEstimate = estimate(start);
        std::array<int, 4> next{};
        while (!open.empty() && nodes.size() < boardBudget) {
            const std::uint32_t current = open.top().second;
            open.pop();
            const Node node = nodes[current];
            if (node.placing == 0 || turned(node)) {
                playTo(current);
                if (node.placing != 0) {
                    turnIn(std::vector<int>(tiles.begin(), tiles.end() - 2), tiles[k - 2],
                           tiles[k - 1]);
                }
                return Placing::placed;
            }
            if (const int h = estimate(node); h < nearestEstimate) {
                nearest = current;
                nearestEstimate = h;
            }
            std::copy_n(boards.begin() + static_cast<std::ptrdiff_t>(current) * n, n,
                        board.begin());
            const int empty = node.empty;
            const int count = openNeighbours(empty, next);
            for (int i = 0; i < count; ++i) {
                const int from = next[static_cast<std::size_t>(i)];
                const int tile = board[static_cast<std::size_t>(from)];
                Node child = node;
                child.parent = current;
                child.empty = static_cast<std::int16_t>(from);
                child.cost = static_cast<std::int16_t>(node.cost + 1);
                if (const int slot = wanted[static_cast<std::size_t>(tile)]) {
                    child.placing += distance(empty, tile) - distance(from, tile);
                    child.at[static_cast<std::size_t>(slot - 1)] = static_cast<std::uint8_t>(empty);
                } else {
                    child.rest +=
                        restWeight(tile) * (loneTileMoves(empty, tile) - loneTileMoves(from, tile));
                }
                const int emptyTile = board[static_cast<std::size_t>(empty)];
                const std::uint64_t childHash = hashes[current] ^ zobrist(from, tile) ^
                                                zobrist(empty, emptyTile) ^ zobrist(empty, tile) ^
                                                zobrist(from, emptyTile);
                std::swap(board[static_cast<std::size_t>(from)],
                          board[static_cast<std::size_t>(empty)]);
                const std::size_t before = nodes.size();
                push(childHash, child, board.data());
                if (nodes.size() != before) {
                    hashes.push_back(childHash);
                }
                std::swap(board[static_cast<std::size_t>(from)],
                          board[static_cast<std::size_t>(empty)]);
            }
        }
        if (nearest == 0) {
            return Placing::stuck;
        }
        playTo(nearest);
        return Placing::nearer;
    }

    // The moves that bring a lone tile from `cell` home to `tile` in open space, the empty
    // space starting beside it where it serves best: five for each step along a row or
    // column, as the empty space goes round the tile each time, but three for each step of
    // a diagonal, where the tile's turns spare most of that. Where the placing searches
    // once counted Manhattan distance, a tile off in one direction now counts over one and
    // a half times what a tile as far off diagonally does, as its own placing will find;
    // plans on the larger boards came out a twentieth shorter.
    int loneTileMoves(int cell, int tile) const {
        const int dx = std::abs(cell % columns - tile % columns);
        const int dy = std::abs(cell / columns - tile / columns);
        const int most = std::max(dx, dy);
        const int least = std::min(dx, dy);
        if (most == 0) {
            return 0;
        }
        return 5 * most + least - 4 + (most == least ? 2 : 0);
    }

    // What a move fewer in loneTileMoves is worth to the placing searches for a tile not
    // being placed, in sixteenths of a move, by how many lines stand before its own. A tile
    // whose line comes soon is worth more: its own placing will have to walk it home unless
    // the errands before it have brought it nearer. A tile that stays out long is worth
    // less, since it will likely be pushed about again. Lines are rows while more than
    // three rows are open, and columns likewise.
    int restWeight(int tile) const {
        constexpr int later = 3;
        const int rowsBefore = rows - top > 3 ? tile / columns - top : later;
        const int columnsBefore = columns - left > 3 ? tile % columns - left : later;
        return style
            .restWeights[static_cast<std::size_t>(std::min({rowsBefore, columnsBefore, later}))];
    }

    // The last two tiles of a line, `first` at `a` and `second` at `b`: the moves to bring
    // both home, or to get them ready to turn in and turn them.
    int pairEstimate(int first, int second, int a, int b, int empty) const {
        const int n = cellCount();
        const std::size_t k = homing.size();
        const auto index = [n, empty](int cell) {
            return static_cast<std::size_t>(cell * n + empty);
        };
        int straight = homing[k - 2][index(a)] + homing[k - 1][index(b)];
        // Once the first stands home, the second gets home only by moving it out again.
        if (a == first && b != second) {
            straight += pairPenalty;
        }
        const int turning = turn.firstCost[index(a)] + turn.secondCost[index(b)] + turnMoves;
        return std::min(straight, turning);
    }

    // The lot's other tiles are home, `first` stands in `second`'s home and `second` one
    // beyond it: the empty space comes round to `first`'s home and both step in.
    void turnIn(const std::vector<int>& others, int first, int second) {
        for (int tile : others) {
            hold(tile, true);
        }
        hold(second, true);
        hold(second + turn.outward, true);
        walkEmpty(first);
        hold(second, false);
        hold(second + turn.outward, false);
        step(second);
        step(second + turn.outward);
    }

    static std::uint64_t zobrist(int cell, int tile) {
        std::uint64_t x = static_cast<std::uint64_t>(cell * 128 + tile + 1) * 0x9e3779b97f4a7c15ull;
        x ^= x >> 31;
        x *= 0xbf58476d1ce4e5b9ull;
        return x ^ (x >> 29);
    }

    // Plays a placing search's path from its start to node `last`, each node's empty cell
    // given by `emptyOf`.
    template <typename Nodes, typename EmptyOf>
    void playPath(const Nodes& nodes, std::uint32_t last, EmptyOf emptyOf) {
        std::vector<int> empties;
        for (std::uint32_t i = last; i != 0; i = nodes[i].parent) {
            empties.push_back(emptyOf(nodes[i]));
        }
        for (auto it = empties.rbegin(); it != empties.rend(); ++it) {
            step(*it);
        }
    }

    // For one tile, the fewest moves that bring it home from every cell with the empty space
    // in every other open cell: cost[tileCell * n + emptyCell]. Worked out backwards from
    // the tile at home, over open cells only, with every other tile taken as movable.
    std::vector<std::uint16_t> homingCosts(int tile) const {
        const int n = cellCount();
        constexpr std::uint16_t far = 0xffff;
        std::vector<std::uint16_t> cost(static_cast<std::size_t>(n * n), far);
        std::vector<int> frontier;
        for (int empty = 0; empty < n; ++empty) {
            if (empty != tile && !locked[static_cast<std::size_t>(empty)]) {
                cost[static_cast<std::size_t>(tile * n + empty)] = 0;
                frontier.push_back(tile * n + empty);
            }
        }
        std::array<int, 4> next{};
        for (std::size_t head = 0; head < frontier.size(); ++head) {
            const int state = frontier[head];
            const int at = state / n;
            const int empty = state % n;
            const int count = openNeighbours(empty, next);
            for (int i = 0; i < count; ++i) {
                const int moved = next[static_cast<std::size_t>(i)];
                const int before = (moved == at ? empty : at) * n + moved;
                auto& known = cost[static_cast<std::size_t>(before)];
                if (known == far) {
                    known = static_cast<std::uint16_t>(cost[static_cast<std::size_t>(state)] + 1);
                    frontier.push_back(before);
                }
            }
        }
        return cost;
    }

    int distance(int from, int to) const {
        return std::abs(from % columns - to % columns) + std::abs(from / columns - to / columns);
    }

    void finishRow() {
        const int base = top * columns;
        std::vector<int> line;
        for (int column = left; column < columns; ++column) {
            line.push_back(base + column);
        }
        placeLine(line, columns);
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
        std::vector<int> line;
        for (int row = top; row < rows; ++row) {
            line.push_back(row * columns + left);
        }
        placeLine(line, 1);
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
        const auto moves = searchByDistance(block(), blockBudget);
        if (moves) {
            play(*moves);
        }
    }

    // Nothing is played when the search gives up; the block is then reduced further.
    bool finishNarrowBlock() {
        const auto moves = searchByDistance(block(), narrowBudget);
        if (moves) {
            play(*moves);
        }
        return moves.has_value();
    }

    void finishLine() {
        const int height = rows - top;
        const int width = columns - left;
        if (width <= 3 ||
            (height > 3 && (height > width || (height == width && !style.columnFirst)))) {
            finishRow();
        } else {
            finishColumn();
        }
    }

    void play(const std::vector<Move>& moves) {
        for (Move move : moves) {
            step(emptyAfter(columns, rows, emptyCell, move));
        }
    }

    Arrangement block() const {
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
        return block;
    }

    const int columns;
    const int rows;
    std::vector<int> cells;
    int emptyCell;
    std::vector<bool> locked;
    int top = 0;
    int left = 0;
    const PatternTables* tables;
    const Style style;
    const std::uint64_t narrowBudget;  // see finishNarrowBlock
    // homingCosts of the tiles being placed.
    std::vector<std::vector<std::uint16_t>> homing;
    std::vector<Move> plan;
    // For the last lot of a long line: the step from the line's last cell to the cell beyond
    // it (0 when the lot does not turn) and the homing costs of the two tiles to the cells
    // from which they turn in (see placeLine).
    struct Turn {
        int outward = 0;
        std::vector<std::uint16_t> firstCost;
        std::vector<std::uint16_t> secondCost;
    } turn;
    std::size_t searched = 0;  // see boardsSearched
    // The placing searches' store of boards reached and their keys, kept between searches.
    std::vector<std::uint8_t> boardStore;
    KeySet seen;
    std::vector<int> cameFrom;
    std::vector<int> queue;
};

// Reduces the board to a side x side block in each style in turn, while the placing
// searches' work stays within `budget` cells (each board they reach is a copy of every
// cell), and keeps the reduction whose block looks cheapest to finish by `projected`. Null
// when the board is too narrow.
template <typename Projection>
std::unique_ptr<Reducer> cheapestReduction(const Arrangement& arrangement,
                                           const PatternTables* tables,
                                           std::span<const Style> tried, int side,
                                           std::size_t budget, Projection projected) {
    std::unique_ptr<Reducer> best;
    int bestLength = 0;
    std::size_t searched = 0;
    for (std::size_t done = 1; done <= tried.size(); ++done) {
        auto reducer = std::make_unique<Reducer>(arrangement, tables, tried[done - 1]);
        if (!reducer->reduceToBlock(side)) {
            break;
        }
        searched += reducer->boardsSearched() * arrangement.cells.size();
        const int length = projected(*reducer);
        if (!best || length < bestLength) {
            best = std::move(reducer);
            bestLength = length;
        }
        // The next style is taken to cost what the ones so far did on average.
        if (searched + searched / done > budget) {
            break;
        }
    }
    return best;
}

std::vector<Move> reduce(const Arrangement& arrangement, const PatternTables* tables,
                         const FiveByFiveTables* fiveByFive) {
    const std::size_t cellCount = arrangement.cells.size();
    if (fiveByFive && arrangement.columns >= 5 && arrangement.rows >= 5) {
        const bool whole = cellCount == 25;
        auto best = cheapestReduction(
            arrangement, tables, whole ? std::span<const Style>(styles).first(1) : largeStyles, 5,
            largeStylesWork,
            [&](const Reducer& reducer) { return reducer.projectedLength(*fiveByFive); });
        if (best) {
            if (best->finishWithFiveByFive(*fiveByFive,
                                           whole ? wholeBoardAttempts : blockAttempts)) {
                return best->moves();
            }
            return best->run();  // on from the 5x5 block, as without the tables
        }
    }
    const bool fourWide = std::min(arrangement.columns, arrangement.rows) == 4;
    if (tables && (cellCount <= triedUpTo || fourWide)) {
        auto best =
            cheapestReduction(arrangement, tables, fourWide ? narrowStyles : styles, 4,
                              std::numeric_limits<std::size_t>::max(),
                              [](const Reducer& reducer) { return reducer.projectedLength(); });
        if (best && best->finishWithTables()) {
            return best->moves();
        }
    }
    if (std::min(arrangement.columns, arrangement.rows) == 3) {
        std::vector<Move> best;
        for (const Style& style : narrowStyles) {
            auto plan = Reducer(arrangement, tables, style,
                                best.empty() ? narrowBlockBudget : laterNarrowBlockBudget)
                            .run();
            if (best.empty() || plan.size() < best.size()) {
                best = std::move(plan);
            }
        }
        return best;
    }
    return Reducer(arrangement, tables).run();
}

}  // namespace

std::vector<Move> reductionPlan(const Arrangement& arrangement, const PatternTables* tables,
                                const FiveByFiveTables* fiveByFive) {
    std::vector<Move> plan = reduce(arrangement, tables, fiveByFive);
    // A whole 5x5 board's plan comes from one weighted search and has its time spent.
    if (!(fiveByFive && arrangement.columns == 5 && arrangement.rows == 5)) {
        shortenPlan(arrangement, plan, shorteningBudget);
    }
    return plan;
}

}  // namespace zolva::solver::detail
