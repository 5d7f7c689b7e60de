#include "solver/solver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <limits>
#include <random>
#include <set>
#include <tuple>

#include "solver/five_by_five_tables.h"
#include "solver/pattern_tables.h"
#include "solver/shortening.h"

namespace zolva::solver {
namespace {

Arrangement home(int columns, int rows, int emptyCell) {
    Arrangement a{columns, rows, {}, emptyCell};
    for (int i = 0; i < columns * rows; ++i) {
        a.cells.push_back(i);
    }
    return a;
}

// A uniformly shuffled board, made solvable by exchanging two tiles when it is not.
Arrangement randomBoard(int columns, int rows, int emptyHome, std::mt19937& random) {
    Arrangement a = home(columns, rows, 0);
    std::shuffle(a.cells.begin(), a.cells.end(), random);
    a.emptyCell =
        static_cast<int>(std::find(a.cells.begin(), a.cells.end(), emptyHome) - a.cells.begin());
    if (!isSolvable(a)) {
        const int first = a.emptyCell == 0 ? 1 : 0;
        const int second = a.emptyCell <= 1 ? 2 : 1;
        std::swap(a.cells[static_cast<std::size_t>(first)],
                  a.cells[static_cast<std::size_t>(second)]);
    }
    return a;
}

Arrangement scramble(Arrangement a, int moves, std::mt19937& random) {
    for (int done = 0; done < moves;) {
        const Arrangement next = apply(a, static_cast<Move>(random() % 4));
        if (!(next == a)) {
            a = next;
            ++done;
        }
    }
    return a;
}

// Plays a plan, failing on any blocked move; true when it ends in home order.
::testing::AssertionResult reachesGoal(Arrangement a, const std::vector<Move>& plan) {
    for (std::size_t i = 0; i < plan.size(); ++i) {
        const Arrangement next = apply(a, plan[i]);
        if (next == a) {
            return ::testing::AssertionFailure() << "move " << i << " is blocked";
        }
        a = next;
    }
    if (!isSolved(a)) {
        return ::testing::AssertionFailure() << "plan of " << plan.size() << " ends unsolved";
    }
    return ::testing::AssertionSuccess();
}

std::vector<int> corners(int columns, int rows) {
    return {0, columns - 1, columns * rows - columns, columns * rows - 1};
}

// Plain Manhattan-distance IDA*, written independently of the solver: the reference
// length for boards scrambled only a few moves.
struct ReferenceSearch {
    Arrangement a;
    int bound = 0;
    int next = 0;

    int distance() const {
        const int emptyTile = a.cells[static_cast<std::size_t>(a.emptyCell)];
        int total = 0;
        for (int cell = 0; cell < static_cast<int>(a.cells.size()); ++cell) {
            const int tile = a.cells[static_cast<std::size_t>(cell)];
            if (tile != emptyTile) {
                total += std::abs(tile % a.columns - cell % a.columns) +
                         std::abs(tile / a.columns - cell / a.columns);
            }
        }
        return total;
    }

    bool dive(int depth, int last) {
        const int h = distance();
        if (depth + h > bound) {
            next = std::min(next, depth + h);
            return false;
        }
        if (h == 0) {
            return true;
        }
        for (int m = 0; m < 4; ++m) {
            if ((m ^ 1) == last) {
                continue;
            }
            const Arrangement before = a;
            a = apply(a, static_cast<Move>(m));
            if (!(a == before) && dive(depth + 1, m)) {
                return true;
            }
            a = before;
        }
        return false;
    }

    int shortest() {
        for (bound = distance();; bound = next) {
            next = std::numeric_limits<int>::max();
            const Arrangement start = a;
            if (dive(0, -1)) {
                return bound;
            }
            a = start;
        }
    }
};

TEST(SolverRules, SlidesAreNamedAfterTheTileAndBlockedSlidesChangeNothing) {
    // Empty space in the top-right corner of a 4x4 board.
    const Arrangement start = home(4, 4, 3);
    EXPECT_EQ(apply(start, Move::slideLeft), start);
    EXPECT_EQ(apply(start, Move::slideDown), start);
    const Arrangement right = apply(start, Move::slideRight);
    EXPECT_EQ(right.emptyCell, 2);
    EXPECT_EQ(right.cells[3], 2);
    const Arrangement up = apply(start, Move::slideUp);
    EXPECT_EQ(up.emptyCell, 7);
    EXPECT_EQ(up.cells[3], 7);
    EXPECT_EQ(apply(start, static_cast<Move>(4)), start);
    EXPECT_EQ(apply(Arrangement{4, 4, {1, 2}, 0}, Move::slideLeft).cells.size(), 2u);
}

TEST(SolverRules, MalformedSolvedAndUnsolvableBoardsGetNoPlan) {
    EXPECT_FALSE(isWellFormed(Arrangement{3, 3, {0, 1, 2}, 0}));
    EXPECT_FALSE(isWellFormed(Arrangement{2, 2, {0, 1, 1, 3}, 0}));
    EXPECT_FALSE(isWellFormed(Arrangement{2, 2, {0, 1, 2, 3}, 4}));
    EXPECT_FALSE(isWellFormed(home(11, 3, 0)));
    Arrangement swapped = home(4, 4, 15);
    std::swap(swapped.cells[0], swapped.cells[1]);
    EXPECT_FALSE(isSolvable(swapped));
    EXPECT_TRUE(solve(swapped).empty());
    EXPECT_FALSE(nextMove(swapped));
    EXPECT_TRUE(solve(home(5, 7, 34)).empty());
    EXPECT_FALSE(nextMove(home(5, 7, 34)));
    // On a single line the tiles cannot pass each other, whatever the parity says.
    EXPECT_FALSE(isSolvable(Arrangement{4, 1, {2, 1, 0, 3}, 0}));
    const Arrangement line{5, 1, {0, 4, 1, 2, 3}, 1};
    EXPECT_TRUE(isSolvable(line));
    EXPECT_TRUE(reachesGoal(line, solve(line)));
    EXPECT_EQ(solve(line).size(), 3u);
}

// Index of a 3x3 arrangement among all 9! orders of its cells (Lehmer code).
int orderIndex(const std::vector<int>& cells) {
    int index = 0;
    for (std::size_t i = 0; i < cells.size(); ++i) {
        int smaller = 0;
        for (std::size_t j = i + 1; j < cells.size(); ++j) {
            smaller += cells[j] < cells[i] ? 1 : 0;
        }
        index = index * static_cast<int>(cells.size() - i) + smaller;
    }
    return index;
}

// The same 3x3 board seen in a mirror that takes `corner` to the bottom right.
Arrangement mirrored(const Arrangement& a, int corner) {
    auto flip = [&](int cell) {
        const int column = corner % 3 == 0 ? 2 - cell % 3 : cell % 3;
        const int row = corner / 3 == 0 ? 2 - cell / 3 : cell / 3;
        return row * 3 + column;
    };
    Arrangement out = a;
    for (int i = 0; i < 9; ++i) {
        out.cells[static_cast<std::size_t>(flip(i))] = flip(a.cells[static_cast<std::size_t>(i)]);
    }
    out.emptyCell = flip(a.emptyCell);
    return out;
}

// Every arrangement of the 3x3 board, by breadth-first search from the goal; other
// corners are looked up through a mirror. The solver's plans must be exactly as long, and
// its solvability test must agree with what the search reached.
TEST(SolverSmallBoards, ThreeByThreePlansAreShortestForEveryCorner) {
    std::vector<std::int8_t> distance(362880, -1);
    std::vector<Arrangement> frontier{home(3, 3, 8)};
    distance[static_cast<std::size_t>(orderIndex(frontier[0].cells))] = 0;
    std::vector<Arrangement> hardest;
    std::size_t reached = 1;
    for (int depth = 1; !frontier.empty(); ++depth) {
        std::vector<Arrangement> next;
        for (const Arrangement& a : frontier) {
            for (unsigned m = 0; m < 4; ++m) {
                const Arrangement b = apply(a, static_cast<Move>(m));
                auto& known = distance[static_cast<std::size_t>(orderIndex(b.cells))];
                if (known < 0) {
                    known = static_cast<std::int8_t>(depth);
                    next.push_back(b);
                }
            }
        }
        reached += next.size();
        if (!next.empty()) {
            hardest = next;
        }
        frontier.swap(next);
    }
    ASSERT_EQ(reached, 181440u);
    ASSERT_EQ(hardest.size(), 2u);

    std::mt19937 random(9);
    for (int corner : corners(3, 3)) {
        auto bfs = [&](const Arrangement& a) {
            return distance[static_cast<std::size_t>(orderIndex(mirrored(a, corner).cells))];
        };
        std::vector<Arrangement> sample{mirrored(hardest[0], corner), mirrored(hardest[1], corner)};
        for (int i = 0; i < 100; ++i) {
            sample.push_back(randomBoard(3, 3, corner, random));
            Arrangement odd = sample.back();
            std::swap(odd.cells[odd.emptyCell == 0 ? 1 : 0], odd.cells[odd.emptyCell == 8 ? 7 : 8]);
            EXPECT_EQ(isSolvable(odd), bfs(odd) >= 0);
        }
        for (const Arrangement& a : sample) {
            const std::vector<Move> plan = solve(a);
            ASSERT_TRUE(reachesGoal(a, plan)) << "corner " << corner;
            EXPECT_EQ(static_cast<int>(plan.size()), bfs(a)) << "corner " << corner;
            EXPECT_EQ(nextMove(a), plan.front());
        }
    }
}

// Small groups keep the tables cheap enough to build in a test; the search that reads
// them is the same whatever the grouping. The sizes differ so that every digit of a
// placement's index is exercised.
PatternTables::Groups smallGroups() {
    return {{0, 1, 2, 3, 7}, {4, 5, 8, 9, 12}, {6, 10, 11}, {13, 14}};
}

// Built once and shared: even small tables take a while under the sanitizers.
const std::shared_ptr<const PatternTables>& smallTables() {
    static const auto tables = PatternTables::build(smallGroups());
    return tables;
}

// Two partitions of three-tile groups only: every cell has twins in each, and they build
// in a moment.
PatternTables::Groups tripleGroups() {
    return {{0, 1, 2}, {3, 7, 11}, {4, 5, 8}, {6, 9, 10},  {12, 13, 14},
            {0, 4, 8}, {1, 2, 3},  {5, 6, 7}, {9, 10, 11}, {12, 13, 14}};
}

const std::shared_ptr<const PatternTables>& tripleTables() {
    static const auto tables = PatternTables::build(tripleGroups());
    return tables;
}

// Corners, edges and inside: the empty space may belong anywhere, and the plan must be a
// shortest one wherever it does, with one partition or the larger of several.
TEST(SolverFourByFour, TablePlansAreShortestForEveryHomeOfTheEmptySpace) {
    SolveOptions small, triples;
    small.tables = smallTables();
    triples.tables = tripleTables();
    ASSERT_TRUE(small.tables && triples.tables);
    std::mt19937 random(4);
    for (int emptyHome = 0; emptyHome < 16; ++emptyHome) {
        for (int depth : {1, 14, 20}) {
            const Arrangement a = scramble(home(4, 4, emptyHome), depth, random);
            const int shortest = ReferenceSearch{a}.shortest();
            for (const SolveOptions& options : {small, triples}) {
                const std::vector<Move> plan = solve(a, options);
                ASSERT_TRUE(reachesGoal(a, plan));
                EXPECT_EQ(static_cast<int>(plan.size()), shortest)
                    << "empty home " << emptyHome << " depth " << depth;
            }
        }
    }
}

// A pattern's count is the fewest moves of its own tiles that bring them home while the
// empty space roams free; a search over tiles and empty space together, written apart
// from the builder, must agree with every entry.
std::vector<int> exactCounts(const std::vector<int>& members, int emptyHome, int side = 4) {
    const std::size_t k = members.size();
    const int cellCount = side * side;
    auto encode = [&](const std::vector<int>& cells, int empty) {
        std::size_t code = static_cast<std::size_t>(empty);
        for (int cell : cells) {
            code = code * static_cast<std::size_t>(cellCount) + static_cast<std::size_t>(cell);
        }
        return code;
    };
    std::size_t states = static_cast<std::size_t>(cellCount);
    for (std::size_t j = 0; j < k; ++j) {
        states *= static_cast<std::size_t>(cellCount);
    }
    std::vector<int> cost(states, std::numeric_limits<int>::max());
    std::deque<std::pair<std::vector<int>, int>> queue{{members, emptyHome}};
    cost[encode(members, emptyHome)] = 0;
    while (!queue.empty()) {
        auto [cells, empty] = queue.front();
        queue.pop_front();
        const int here = cost[encode(cells, empty)];
        for (int step : {-side, side, -1, 1}) {
            const int to = empty + step;
            if (to < 0 || to >= cellCount ||
                ((step == 1 || step == -1) && to / side != empty / side)) {
                continue;
            }
            std::vector<int> moved = cells;
            const auto tile = std::find(moved.begin(), moved.end(), to);
            const int price = tile == moved.end() ? 0 : 1;
            if (tile != moved.end()) {
                *tile = empty;
            }
            int& known = cost[encode(moved, to)];
            if (here + price < known) {
                known = here + price;
                if (price == 0) {
                    queue.emplace_front(moved, to);
                } else {
                    queue.emplace_back(moved, to);
                }
            }
        }
    }
    // Fold the empty space away: a placement's count is its best over every empty cell.
    const std::size_t placements = states / static_cast<std::size_t>(cellCount);
    std::vector<int> best(placements, std::numeric_limits<int>::max());
    for (std::size_t code = 0; code < states; ++code) {
        best[code % placements] = std::min(best[code % placements], cost[code]);
    }
    return best;
}

// The small groups and their twins: a twin's count is made with the empty space going home
// to the cell its group gave up. And every group of the triples, where mirror images read
// one table: {12, 13, 14} is {0, 1, 2} upside down, {1, 2, 3} the same left-right.
TEST(SolverFourByFour, TablesHoldTheExactCountsOfAnIndependentSearch) {
    const auto tables = smallTables();
    const auto triples = tripleTables();
    ASSERT_TRUE(tables && triples);
    std::vector<std::tuple<const PatternTables*, int, int>> checks{{tables.get(), 2, 15},
                                                                   {tables.get(), 3, 15}};
    for (int cell = 0; cell < 15; ++cell) {
        const auto& splits = tables->partitions(cell);
        for (const std::vector<int>& split : splits) {
            for (int table : split) {
                if (table >= tables->groupCount()) {
                    checks.emplace_back(tables.get(), table, cell);
                }
            }
        }
        // Twins are made for the tiles of the small groups only.
        const std::set<int> small{6, 10, 11, 13, 14};
        EXPECT_EQ(splits.size(), small.count(cell)) << "cell " << cell;
    }
    ASSERT_EQ(checks.size(), 7u);
    for (int g = 0; g < triples->groupCount(); ++g) {
        checks.emplace_back(triples.get(), g, 15);
    }
    EXPECT_EQ(triples->excessTable(4), triples->excessTable(0));
    EXPECT_EQ(triples->excessTable(6), triples->excessTable(0));
    for (auto [tables, g, emptyHome] : checks) {
        const auto& members = tables->tilesOf(g);
        const std::vector<int> exact = exactCounts(members, emptyHome);
        int checked = 0;
        for (std::size_t code = 0; code < exact.size(); ++code) {
            std::uint8_t at[PatternTables::maxGroupSize];
            std::uint32_t used = 0;
            for (std::size_t j = members.size(); j-- > 0;) {
                at[members.size() - 1 - j] = static_cast<std::uint8_t>((code >> (4 * j)) & 0xf);
            }
            for (std::size_t j = 0; j < members.size(); ++j) {
                used |= 1u << at[j];
            }
            if (std::popcount(used) != static_cast<int>(members.size())) {
                continue;  // two tiles on one cell
            }
            ASSERT_EQ(tables->lookup(g, at), exact[code]) << "group " << g << " code " << code;
            ++checked;
        }
        EXPECT_EQ(checked, static_cast<int>(PatternTables::tableSize(members.size())));
    }
    std::uint8_t homeCells[16];
    for (int t = 0; t < 16; ++t) {
        homeCells[t] = static_cast<std::uint8_t>(t);
    }
    EXPECT_EQ(tables->estimate(homeCells), 0);
    EXPECT_EQ(tables->estimate(homeCells, 6), 0);
    EXPECT_FALSE(PatternTables::build({{0, 1}, {1, 2, 3}}));
    EXPECT_FALSE(PatternTables::build({{0, 1, 2}}));
    EXPECT_FALSE(PatternTables::build({{0, 1, 2, 3, 4, 5, 6}, {7, 8, 9, 10, 11, 12, 13, 14}}));
    PatternTables::Groups unfinished = smallGroups();
    unfinished.push_back({0, 1, 2});
    EXPECT_FALSE(PatternTables::build(unfinished));
}

// Farther than the reference can go, two different sets of tables must agree, and an
// optimal plan shortens by exactly one with each of its own moves. A corner, an edge and
// an inside cell, with the second look through the diagonal mirror and without it.
TEST(SolverFourByFour, DifferentTablesAgreeOnLongerPlans) {
    SolveOptions small, triples;
    small.tables = smallTables();
    triples.tables = tripleTables();
    ASSERT_TRUE(small.tables && triples.tables);
    std::mt19937 random(40);
    for (int emptyHome : {0, 2, 9}) {
        Arrangement far = scramble(home(4, 4, emptyHome), 70, random);
        std::vector<Move> longest = solve(far, small);
        ASSERT_TRUE(reachesGoal(far, longest));
        EXPECT_EQ(solve(far, triples).size(), longest.size()) << "empty home " << emptyHome;
        for (int step = 0; step < 2; ++step) {
            far = apply(far, longest.front());
            const std::vector<Move> rest = solve(far, triples);
            ASSERT_TRUE(reachesGoal(far, rest));
            EXPECT_EQ(rest.size() + 1, longest.size()) << "empty home " << emptyHome;
            longest = rest;
        }
    }
}

TEST(SolverFourByFour, WithoutTablesRandomBoardsStillReachTheGoal) {
    std::mt19937 random(12);
    SolveOptions fallback;
    fallback.ignoreInstalledTables = true;
    fallback.fallbackNodeBudget = 2000;
    for (int emptyHome : {0, 3, 6, 12, 14, 15}) {
        for (int i = 0; i < 2; ++i) {
            const Arrangement a = randomBoard(4, 4, emptyHome, random);
            EXPECT_TRUE(reachesGoal(a, solve(a, fallback)));
        }
        const Arrangement near = scramble(home(4, 4, emptyHome), 12, random);
        const std::vector<Move> plan = solve(near, fallback);
        EXPECT_TRUE(reachesGoal(near, plan));
        EXPECT_EQ(static_cast<int>(plan.size()), ReferenceSearch{near}.shortest());
    }
}

// The 5x5 tables of groups this small build in a moment; the search reads them just as it
// reads the real ones, and the sizes differ so that every digit width is exercised.
const std::shared_ptr<const FiveByFiveTables>& smallFiveByFiveTables() {
    static const auto tables = FiveByFiveTables::build({{0, 1, 2, 5},
                                                        {3, 4, 8, 9},
                                                        {6, 7, 10, 11},
                                                        {12, 13, 14},
                                                        {15, 16, 20},
                                                        {17, 21, 22},
                                                        {18, 19, 23}});
    return tables;
}

// The group by the empty corner is the one whose count depends most on where the empty
// space may roam; every placement's count must match the independent search.
TEST(SolverFiveByFive, TablesHoldTheExactCountsOfAnIndependentSearch) {
    const auto& tables = smallFiveByFiveTables();
    ASSERT_TRUE(tables);
    const std::vector<int> members = tables->groups().back();
    const std::vector<int> exact = exactCounts(members, 24, 5);
    int checked = 0;
    for (std::size_t code = 0; code < exact.size(); ++code) {
        const std::uint8_t at[] = {static_cast<std::uint8_t>(code / 625),
                                   static_cast<std::uint8_t>(code / 25 % 25),
                                   static_cast<std::uint8_t>(code % 25)};
        if (at[0] == at[1] || at[0] == at[2] || at[1] == at[2]) {
            continue;
        }
        ASSERT_EQ(tables->lookup(6, at), exact[code]) << "code " << code;
        ++checked;
    }
    EXPECT_EQ(checked, 25 * 24 * 23);
    EXPECT_FALSE(FiveByFiveTables::build({{0, 1, 2}, {2, 3}}));
    EXPECT_FALSE(FiveByFiveTables::build({{0, 1, 2, 3, 4, 5}}));
    EXPECT_FALSE(FiveByFiveTables::build({{0, 1, 2, 3, 4}, {5, 24}}));
}

// Weighted searches end with weight 1.5, so a plan is never longer than one and a half
// times the shortest; wherever the empty space belongs, and on larger boards, whose last
// 5x5 block the same search finishes, plans reach the goal.
TEST(SolverFiveByFive, PlansStayWithinTheWeightOfTheShortest) {
    SolveOptions options;
    options.fiveByFiveTables = smallFiveByFiveTables();
    options.ignoreInstalledTables = true;
    std::mt19937 random(25);
    for (int emptyHome : {24, 0, 12, 7}) {
        for (int depth : {16, 24}) {
            const Arrangement a = scramble(home(5, 5, emptyHome), depth, random);
            const std::vector<Move> plan = solve(a, options);
            ASSERT_TRUE(reachesGoal(a, plan)) << "empty home " << emptyHome;
            EXPECT_LE(2 * plan.size(), 3u * static_cast<unsigned>(ReferenceSearch{a}.shortest()))
                << "empty home " << emptyHome << " depth " << depth;
        }
    }
    for (auto [columns, rows, emptyHome] :
         {std::tuple{6, 6, 0}, {7, 5, 34}, {5, 9, 22}, {10, 10, 99}}) {
        const Arrangement a = scramble(home(columns, rows, emptyHome), 120, random);
        EXPECT_TRUE(reachesGoal(a, solve(a, options))) << columns << "x" << rows;
    }
}

TEST(SolverFiveByFive, SavedTablesLoadBackAndDamagedOrForeignFilesAreRefused) {
    const auto& tables = smallFiveByFiveTables();
    const std::filesystem::path path =
        std::filesystem::temp_directory_path() /
        ("zolva_tables_5x5_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    ASSERT_TRUE(tables->save(path.string()));
    const auto loaded = FiveByFiveTables::load(path.string());
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->groups(), tables->groups());
    EXPECT_EQ(loaded->bytes(), tables->bytes());
    std::mt19937 random(3);
    const Arrangement a = scramble(home(5, 5, 24), 30, random);
    SolveOptions first, second;
    first.fiveByFiveTables = tables;
    second.fiveByFiveTables = loaded;
    EXPECT_EQ(solve(a, first), solve(a, second));

    std::vector<char> good;
    {
        std::ifstream in(path, std::ios::binary);
        good.assign(std::istreambuf_iterator<char>(in), {});
    }
    auto refused = [&](const std::vector<char>& bytes) {
        std::ofstream(path, std::ios::binary | std::ios::trunc)
            .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return !FiveByFiveTables::load(path.string());
    };
    for (std::size_t at : {std::size_t{3}, std::size_t{13}, good.size() / 2, good.size() - 2}) {
        std::vector<char> bad = good;
        bad[at] = static_cast<char>(bad[at] ^ 0x10);
        EXPECT_TRUE(refused(bad)) << "byte " << at;
    }
    EXPECT_TRUE(refused(std::vector<char>(good.begin(), good.end() - 9)));
    ASSERT_TRUE(PatternTables::build(tripleGroups())->save(path.string()));
    EXPECT_FALSE(FiveByFiveTables::load(path.string()));
    std::filesystem::remove(path);
    EXPECT_FALSE(FiveByFiveTables::load(path.string()));
}

TEST(SolverLargeBoards, EverySizeAndCornerReachesTheGoal) {
    std::mt19937 random(77);
    SolveOptions noTables;
    noTables.ignoreInstalledTables = true;
    noTables.fallbackNodeBudget = 2000;
    for (int columns = 2; columns <= 10; ++columns) {  // two-wide boards included
        for (int rows = 2; rows <= 10; ++rows) {
            if (columns > 6 && rows > 6 && columns + rows < 20) {
                continue;  // reduced just as the smaller ones are, only longer
            }
            // Each size takes one corner, every corner a quarter of the sizes.
            const int corner = corners(columns, rows)[static_cast<std::size_t>(columns + rows) % 4];
            const Arrangement a = randomBoard(columns, rows, corner, random);
            EXPECT_TRUE(reachesGoal(a, solve(a, noTables)))
                << columns << "x" << rows << " corner " << corner;
        }
    }
}

// Larger boards are placed a few tiles at a time by searches. Walking one tile home after
// another, as when every search gives up, takes 3.3 times the Manhattan distance on these
// boards; the searches, weighing how soon each other tile's line comes, and the plan's
// shortening after them take about 1.9. With tables the last 4x4 block is searched whole.
TEST(SolverLargeBoards, SearchedPlansStayNearTheManhattanDistance) {
    SolveOptions noTables;
    noTables.ignoreInstalledTables = true;
    noTables.fallbackNodeBudget = 2000;
    std::mt19937 random(55);
    std::size_t moves = 0;
    int distance = 0;
    for (auto [columns, rows] : {std::pair{5, 5}, {6, 6}, {7, 4}, {4, 9}, {10, 10}}) {
        for (int corner : corners(columns, rows)) {
            if (columns == 10 && corner != 0) {
                continue;
            }
            const Arrangement a = randomBoard(columns, rows, corner, random);
            const std::vector<Move> plan = solve(a, noTables);
            ASSERT_TRUE(reachesGoal(a, plan)) << columns << "x" << rows << " corner " << corner;
            moves += plan.size();
            distance += ReferenceSearch{a}.distance();
        }
    }
    EXPECT_LT(static_cast<double>(moves), 2.05 * distance);

    // Up to 25 cells, and on boards four wide, several ways of reducing are tried and the
    // cheapest-looking finished.
    SolveOptions withTables;
    withTables.tables = smallTables();
    for (auto [columns, rows] : {std::pair{5, 5}, {6, 5}, {4, 7}}) {
        const Arrangement a = scramble(home(columns, rows, 0), 400, random);
        EXPECT_TRUE(reachesGoal(a, solve(a, withTables))) << columns << "x" << rows;
    }
}

// A plan with a needless loop in it (the empty space three times round a square, which puts
// every tile back) comes back no longer than the plan without it, and still arrives.
TEST(SolverLargeBoards, ShorteningCutsADetourOutOfAPlan) {
    std::mt19937 random(12);
    SolveOptions noTables;
    noTables.ignoreInstalledTables = true;
    const Arrangement a = randomBoard(6, 6, 35, random);
    const std::vector<Move> plan = solve(a, noTables);
    ASSERT_TRUE(reachesGoal(a, plan));

    // Somewhere past the first stretch, where the empty space has room right and below.
    Arrangement now = a;
    std::size_t at = 0;
    while (at < 40 || now.emptyCell % 6 == 5 || now.emptyCell / 6 == 5) {
        now = apply(now, plan[at++]);
    }
    std::vector<Move> detoured(plan.begin(), plan.begin() + static_cast<std::ptrdiff_t>(at));
    for (int round = 0; round < 3; ++round) {
        for (Move m : {Move::slideLeft, Move::slideUp, Move::slideRight, Move::slideDown}) {
            detoured.push_back(m);
        }
    }
    detoured.insert(detoured.end(), plan.begin() + static_cast<std::ptrdiff_t>(at), plan.end());
    ASSERT_TRUE(reachesGoal(a, detoured));

    detail::shortenPlan(a, detoured, 10'000'000);
    EXPECT_LE(detoured.size(), plan.size());
    EXPECT_TRUE(reachesGoal(a, detoured));
}

TEST(SolverLargeBoards, EmptySpaceHomeInsideTheGridReachesTheGoal) {
    std::mt19937 random(31);
    SolveOptions noTables;
    noTables.ignoreInstalledTables = true;
    noTables.fallbackNodeBudget = 2000;
    for (auto [columns, rows, emptyHome] :
         {std::tuple{4, 4, 6}, {5, 7, 17}, {10, 10, 45}, {3, 6, 7}}) {
        for (int i = 0; i < 3; ++i) {
            const Arrangement a = randomBoard(columns, rows, emptyHome, random);
            EXPECT_TRUE(reachesGoal(a, solve(a, noTables))) << columns << "x" << rows;
        }
    }
}

// Hints taken one at a time from fresh reduction plans can go round in circles; hints
// kept to one plan lead home in exactly its length, on every kind of board.
TEST(SolverGuide, FollowingOnePlanReachesTheGoalAndLeavingItAsksForANewOne) {
    std::mt19937 random(64);
    SolveOptions noTables;
    noTables.ignoreInstalledTables = true;
    SolveOptions fiveByFive = noTables;
    fiveByFive.fiveByFiveTables = smallFiveByFiveTables();
    for (auto [columns, rows] : {std::pair{3, 3}, {3, 4}, {5, 5}, {4, 7}, {10, 10}, {6, 5}}) {
        for (int corner : corners(columns, rows)) {
            // The weighted search's plans are followed too, on boards it solves quickly.
            const bool weighted = columns == 6;
            Arrangement now = weighted ? scramble(home(columns, rows, corner), 80, random)
                                       : randomBoard(columns, rows, corner, random);
            const std::vector<Move> plan = solve(now, weighted ? fiveByFive : noTables);
            Guide guide;
            guide.follow(now, plan);
            std::size_t steps = 0;
            while (!isSolved(now)) {
                const auto rest = guide.restFrom(now);
                ASSERT_TRUE(rest && !rest->empty()) << columns << "x" << rows << " step " << steps;
                ASSERT_EQ(rest->size(), plan.size() - steps);
                now = apply(now, rest->front());
                ++steps;
            }
            EXPECT_EQ(steps, plan.size());
            EXPECT_EQ(guide.restFrom(now), std::vector<Move>{});
        }
    }

    const Arrangement start = randomBoard(5, 5, 24, random);
    const std::vector<Move> plan = solve(start, noTables);
    Guide guide;
    guide.follow(start, plan);
    // One slide off the plan: the first move of the plan undone is still on it, any
    // other way out of the start is not.
    for (unsigned m = 0; m < 4; ++m) {
        const Arrangement off = apply(start, static_cast<Move>(m));
        if (!(off == start) && !(off == apply(start, plan.front()))) {
            EXPECT_FALSE(guide.restFrom(off));
        }
    }
    EXPECT_FALSE(guide.restFrom(home(4, 4, 15)));
    guide.forget();
    EXPECT_FALSE(guide.restFrom(start));
}

class SolverTableFiles : public ::testing::Test {
protected:
    void SetUp() override {
        path =
            std::filesystem::temp_directory_path() /
            ("zolva_tables_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        tables = smallTables();
        ASSERT_TRUE(tables);
        ASSERT_TRUE(tables->save(path.string()));
    }
    void TearDown() override { std::filesystem::remove(path); }

    std::vector<char> contents() const {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    void rewrite(const std::vector<char>& bytes) const {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }

    std::filesystem::path path;
    std::shared_ptr<const PatternTables> tables;
};

TEST_F(SolverTableFiles, ASavedFileLoadsBackAndSolvesTheSame) {
    const auto loaded = PatternTables::load(path.string());
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->groups(), tables->groups());
    std::mt19937 random(2);
    const Arrangement a = scramble(home(4, 4, 15), 16, random);
    SolveOptions first, second;
    first.tables = tables;
    second.tables = loaded;
    EXPECT_EQ(solve(a, first), solve(a, second));
}

TEST_F(SolverTableFiles, DamagedTruncatedOrMissingFilesAreRefused) {
    const std::vector<char> good = contents();
    for (std::size_t at : {std::size_t{0}, std::size_t{9}, good.size() / 2, good.size() - 1}) {
        std::vector<char> bad = good;
        bad[at] = static_cast<char>(bad[at] ^ 0x40);
        rewrite(bad);
        EXPECT_FALSE(PatternTables::load(path.string())) << "byte " << at;
    }
    rewrite(std::vector<char>(good.begin(), good.end() - 100));
    EXPECT_FALSE(PatternTables::load(path.string()));
    rewrite({});
    EXPECT_FALSE(PatternTables::load(path.string()));
    std::vector<char> longer = good;
    longer.push_back(0);
    rewrite(longer);
    EXPECT_FALSE(PatternTables::load(path.string()));
    std::filesystem::remove(path);
    EXPECT_FALSE(PatternTables::load(path.string()));
    EXPECT_FALSE(PatternTables::load((path / "nowhere").string()));
}

TEST_F(SolverTableFiles, SavingReplacesTheFileAndLeavesNoPartOnFailure) {
    const auto other = tripleTables();
    ASSERT_TRUE(other);
    ASSERT_TRUE(other->save(path.string()));
    const auto loaded = PatternTables::load(path.string());
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->groups(), other->groups());
    const auto folder = path.parent_path();
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        EXPECT_EQ(entry.path().string().find(path.filename().string() + ".part"), std::string::npos)
            << entry.path();
    }
    EXPECT_FALSE(tables->save((path / "inside-a-file").string()));
    EXPECT_EQ(PatternTables::load(path.string())->groups(), other->groups());
}

TEST(SolverInstalledTables, SolveUsesInstalledTablesUntilRemoved) {
    const auto tables = smallTables();
    installPatternTables(tables);
    EXPECT_EQ(installedPatternTables(), tables);
    std::mt19937 random(8);
    const Arrangement a = scramble(home(4, 4, 12), 18, random);
    EXPECT_EQ(static_cast<int>(solve(a).size()), ReferenceSearch{a}.shortest());
    installPatternTables(nullptr);
    EXPECT_FALSE(installedPatternTables());
}

}  // namespace
}  // namespace zolva::solver
