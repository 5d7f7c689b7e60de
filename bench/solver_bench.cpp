// Solver timings and plan lengths: building the 4x4 tables and reading them back from the
// cache; the optimal 4x4 hint for each kind of home of the empty space (spread of CPU times
// over a fixed set of random boards); plans for larger boards against a lower bound.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <random>

#include <time.h>

#include "solver/five_by_five_tables.h"
#include "solver/pattern_tables.h"
#include "solver/solver.h"

namespace {

using zolva::solver::Arrangement;
using zolva::solver::FiveByFiveTables;
using zolva::solver::PatternTables;

// A uniformly random solvable board whose empty space belongs in `emptyHome` (the last
// cell unless given).
Arrangement randomBoard(int columns, int rows, std::mt19937& random, int emptyHome = -1) {
    Arrangement a{columns, rows, {}, 0};
    for (int i = 0; i < columns * rows; ++i) {
        a.cells.push_back(i);
    }
    std::shuffle(a.cells.begin(), a.cells.end(), random);
    if (emptyHome < 0) {
        emptyHome = columns * rows - 1;
    }
    a.emptyCell =
        static_cast<int>(std::find(a.cells.begin(), a.cells.end(), emptyHome) - a.cells.begin());
    if (!zolva::solver::isSolvable(a)) {
        const int first = a.emptyCell == 0 ? 1 : 0;
        const int second = a.emptyCell <= 1 ? 2 : 1;
        std::swap(a.cells[static_cast<std::size_t>(first)],
                  a.cells[static_cast<std::size_t>(second)]);
    }
    return a;
}

// CPU time of this thread, which a busy machine does not inflate the way it does wall time.
double threadMillis() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

// Mean, median, 99th percentile and largest of per-board times, as counters.
void reportSpread(benchmark::State& state, std::vector<double> millis) {
    std::sort(millis.begin(), millis.end());
    double sum = 0;
    for (double m : millis) {
        sum += m;
    }
    state.counters["mean_ms"] = sum / static_cast<double>(millis.size());
    state.counters["median_ms"] = millis[millis.size() / 2];
    state.counters["p99_ms"] = millis[(millis.size() * 99 + 99) / 100 - 1];
    state.counters["max_ms"] = millis.back();
}

const std::shared_ptr<const PatternTables>& defaultTables() {
    static const auto tables = PatternTables::build();
    return tables;
}

const std::shared_ptr<const FiveByFiveTables>& fiveByFiveTables() {
    static const auto tables = FiveByFiveTables::build();
    return tables;
}

void BM_BuildTables(benchmark::State& state) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(PatternTables::build());
    }
}
BENCHMARK(BM_BuildTables)->Unit(benchmark::kMillisecond)->Iterations(1);

// Every start after the first reads the tables back from the cache instead of building.
void BM_LoadTables(benchmark::State& state) {
    const std::string path =
        (std::filesystem::temp_directory_path() / "zolva_bench_tables").string();
    defaultTables()->save(path);
    for (auto _ : state) {
        benchmark::DoNotOptimize(PatternTables::load(path));
    }
    std::filesystem::remove(path);
}
BENCHMARK(BM_LoadTables)->Unit(benchmark::kMillisecond);

// The 5x5 tables, built on two threads as the game builds them, and read back.
void BM_BuildFiveByFiveTables(benchmark::State& state) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(FiveByFiveTables::build());
    }
    state.counters["table_mb"] = static_cast<double>(fiveByFiveTables()->bytes()) / (1 << 20);
}
BENCHMARK(BM_BuildFiveByFiveTables)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

void BM_LoadFiveByFiveTables(benchmark::State& state) {
    const std::string path =
        (std::filesystem::temp_directory_path() / "zolva_bench_tables_5x5").string();
    fiveByFiveTables()->save(path);
    for (auto _ : state) {
        benchmark::DoNotOptimize(FiveByFiveTables::load(path));
    }
    std::filesystem::remove(path);
}
BENCHMARK(BM_LoadFiveByFiveTables)->Unit(benchmark::kMillisecond);

// One iteration solves 100 random boards with the empty space's home in the cell given (a
// corner, an edge or inside) and reports the spread of CPU times as counters.
void BM_Hint4x4(benchmark::State& state) {
    zolva::solver::installPatternTables(defaultTables());
    std::mt19937 random(2024);
    std::vector<Arrangement> boards;
    for (int i = 0; i < 100; ++i) {
        boards.push_back(randomBoard(4, 4, random, static_cast<int>(state.range(0))));
    }
    std::vector<double> millis;
    for (auto _ : state) {
        millis.clear();
        for (const Arrangement& a : boards) {
            const double start = threadMillis();
            benchmark::DoNotOptimize(zolva::solver::nextMove(a));
            millis.push_back(threadMillis() - start);
        }
    }
    reportSpread(state, millis);
    state.counters["table_mb"] = static_cast<double>(defaultTables()->bytes()) / (1 << 20);
}
BENCHMARK(BM_Hint4x4)->Arg(15)->Arg(13)->Arg(5)->Unit(benchmark::kMillisecond)->Iterations(1);

// The Manhattan distance plus the linear conflicts: a lower bound on any plan, worked out
// here apart from the solver, against which plan lengths are measured.
int lowerBound(const Arrangement& a) {
    const int emptyTile = a.cells[static_cast<std::size_t>(a.emptyCell)];
    int total = 0;
    for (int cell = 0; cell < static_cast<int>(a.cells.size()); ++cell) {
        const int tile = a.cells[static_cast<std::size_t>(cell)];
        if (tile != emptyTile) {
            total += std::abs(tile % a.columns - cell % a.columns) +
                     std::abs(tile / a.columns - cell / a.columns);
        }
    }
    // In each line, the tiles that belong to it but are out of order beyond its longest
    // ordered run must leave the line and come back.
    auto conflicts = [&](bool row, int line) {
        std::vector<int> homes;
        const int length = row ? a.columns : a.rows;
        for (int k = 0; k < length; ++k) {
            const int cell = row ? line * a.columns + k : k * a.columns + line;
            const int tile = a.cells[static_cast<std::size_t>(cell)];
            if (tile != emptyTile && (row ? tile / a.columns == line : tile % a.columns == line)) {
                homes.push_back(row ? tile % a.columns : tile / a.columns);
            }
        }
        std::vector<int> run(homes.size(), 1);
        int longest = 0;
        for (std::size_t i = 0; i < homes.size(); ++i) {
            for (std::size_t j = 0; j < i; ++j) {
                if (homes[j] < homes[i]) {
                    run[i] = std::max(run[i], run[j] + 1);
                }
            }
            longest = std::max(longest, run[i]);
        }
        return 2 * (static_cast<int>(homes.size()) - longest);
    };
    for (int row = 0; row < a.rows; ++row) {
        total += conflicts(true, row);
    }
    for (int column = 0; column < a.columns; ++column) {
        total += conflicts(false, column);
    }
    return total;
}

// One iteration plans for a fixed set of random boards of one size with the default 4x4
// and 5x5 tables installed; counters give the mean of plan length / lower bound and the
// spread of times.
void BM_PlanLarge(benchmark::State& state) {
    zolva::solver::installPatternTables(defaultTables());
    zolva::solver::installFiveByFiveTables(fiveByFiveTables());
    const int columns = static_cast<int>(state.range(0));
    const int rows = static_cast<int>(state.range(1));
    std::mt19937 random(static_cast<unsigned>(columns * 100 + rows));
    std::vector<Arrangement> boards;
    for (int i = 0; i < static_cast<int>(state.range(2)); ++i) {
        boards.push_back(randomBoard(columns, rows, random));
    }
    std::vector<double> millis;
    double ratios = 0;
    for (auto _ : state) {
        millis.clear();
        ratios = 0;
        for (const Arrangement& a : boards) {
            const double start = threadMillis();
            const auto plan = zolva::solver::solve(a);
            millis.push_back(threadMillis() - start);
            ratios += static_cast<double>(plan.size()) / lowerBound(a);
        }
    }
    reportSpread(state, millis);
    state.counters["ratio"] = ratios / static_cast<double>(boards.size());
}
BENCHMARK(BM_PlanLarge)
    ->Args({5, 5, 100})
    ->Args({6, 6, 50})
    ->Args({8, 8, 30})
    ->Args({10, 10, 30})
    ->Args({7, 4, 30})
    ->Args({3, 9, 30})
    ->Args({10, 6, 30})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
