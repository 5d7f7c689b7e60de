// Solver timings: the optimal 4x4 hint with the default tables (median and 99th
// percentile over a fixed set of random boards), building those tables and reading them
// back from the cache, and the plan for a random 10x10 board.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <random>

#include "puzzle/solver.h"
#include "puzzle/solver_pattern_tables.h"

namespace {

using zolva::solver::Arrangement;
using zolva::solver::PatternTables;

Arrangement randomBoard(int columns, int rows, std::mt19937& random) {
    Arrangement a{columns, rows, {}, 0};
    for (int i = 0; i < columns * rows; ++i) {
        a.cells.push_back(i);
    }
    std::shuffle(a.cells.begin(), a.cells.end(), random);
    const int emptyHome = columns * rows - 1;
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

const std::shared_ptr<const PatternTables>& defaultTables() {
    static const auto tables = PatternTables::build();
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

// One iteration solves all the boards and reports the spread as counters (milliseconds).
void BM_Hint4x4(benchmark::State& state) {
    zolva::solver::installPatternTables(defaultTables());
    std::mt19937 random(2024);
    std::vector<Arrangement> boards;
    for (int i = 0; i < 100; ++i) {
        boards.push_back(randomBoard(4, 4, random));
    }
    std::vector<double> millis;
    for (auto _ : state) {
        millis.clear();
        for (const Arrangement& a : boards) {
            const auto start = std::chrono::steady_clock::now();
            benchmark::DoNotOptimize(zolva::solver::nextMove(a));
            millis.push_back(
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                    .count());
        }
    }
    std::sort(millis.begin(), millis.end());
    state.counters["median_ms"] = millis[millis.size() / 2];
    state.counters["p99_ms"] = millis[millis.size() * 99 / 100];
    state.counters["max_ms"] = millis.back();
}
BENCHMARK(BM_Hint4x4)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_Plan10x10(benchmark::State& state) {
    std::mt19937 random(10);
    const Arrangement a = randomBoard(10, 10, random);
    for (auto _ : state) {
        benchmark::DoNotOptimize(zolva::solver::solve(a));
    }
}
BENCHMARK(BM_Plan10x10)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
