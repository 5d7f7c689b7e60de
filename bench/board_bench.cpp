// What the player waits for on the board: one move and the repaint after it, against a
// repaint of the whole screen; a new deal; the number overlay; the Find Tile flash. Every
// benchmark draws into a damage-tracking framebuffer, as the window does, and reports the
// pixels it wrote as counters, so a regression in what gets repainted shows up even where
// the time is lost in noise.
#include <benchmark/benchmark.h>

#include <map>
#include <memory>
#include <utility>

#include "bench/bench_support.h"
#include "framework/image_loader.h"
#include "puzzle/tile.h"

namespace zolva::bench {

namespace {

long long cellArea(const TileBoard& board, int column, int row) {
    const int w = board.getWidth();
    const int h = board.getHeight();
    const int columns = board.getColumns();
    const int rows = board.getRows();
    return static_cast<long long>(Tile::cellEdge(column + 1, w, columns) -
                                  Tile::cellEdge(column, w, columns)) *
           (Tile::cellEdge(row + 1, h, rows) - Tile::cellEdge(row, h, rows));
}

// The tile above or below the gap, whichever exists, so the benchmark can move back and
// forth in one column for as long as it runs.
unsigned verticalMove(const TileBoard& board) {
    return board.getEmptyRow() > 0 ? TileBoard::slideDown : TileBoard::slideUp;
}

void BM_SlideAndDraw(benchmark::State& state, Layout layout) {
    ScreenRig& r = sharedRig(layout);
    TileBoard& board = r.board();

    // One move on its own first, to see exactly which pixels it writes.
    const int column = board.getEmptyColumn();
    const int row = board.getEmptyRow();
    const unsigned probe = verticalMove(board);
    const int neighbourRow = probe == TileBoard::slideDown ? row - 1 : row + 1;
    const long long twoCells = cellArea(board, column, row) + cellArea(board, column, neighbourRow);
    board.slideTile(probe);
    r.screen->draw(r.framebuffer);
    const std::vector<Rect> probeDamage = r.framebuffer.takeDamage();
    const long long probeSummed = summedArea(probeDamage);
    const long long probeDistinct = distinctArea(probeDamage);

    long long written = 0;
    for (auto _ : state) {
        board.slideTile(verticalMove(board));
        written += r.drawAndCount();
    }
    state.counters["px_per_move"] =
        benchmark::Counter(static_cast<double>(written), benchmark::Counter::kAvgIterations);
    state.counters["px_first_move"] = static_cast<double>(probeSummed);
    state.counters["px_distinct"] = static_cast<double>(probeDistinct);
    state.counters["px_two_cells"] = static_cast<double>(twoCells);
    state.counters["px_vs_two_cells"] =
        static_cast<double>(probeSummed) / static_cast<double>(twoCells);
    state.counters["rects_per_move"] = static_cast<double>(probeDamage.size());
}
BENCHMARK_CAPTURE(BM_SlideAndDraw, builtin_4x4, Layout::Builtin4x4);
BENCHMARK_CAPTURE(BM_SlideAndDraw, png2000_10x10, Layout::Large10x10);

void BM_FullRedraw(benchmark::State& state, Layout layout) {
    ScreenRig& r = sharedRig(layout);
    long long written = 0;
    for (auto _ : state) {
        r.screen->invalidateAll();
        written += r.drawAndCount();
    }
    state.counters["px_per_redraw"] =
        benchmark::Counter(static_cast<double>(written), benchmark::Counter::kAvgIterations);
}
BENCHMARK_CAPTURE(BM_FullRedraw, builtin_4x4, Layout::Builtin4x4);
BENCHMARK_CAPTURE(BM_FullRedraw, png2000_10x10, Layout::Large10x10);

// A new deal alone, and with the repaint that follows it.
void BM_Shuffle(benchmark::State& state, Layout layout) {
    ScreenRig& r = sharedRig(layout);
    for (auto _ : state) {
        r.board().shuffle();
    }
    r.drawAndCount();
}
BENCHMARK_CAPTURE(BM_Shuffle, png2000_10x10, Layout::Large10x10);

void BM_ShuffleAndDraw(benchmark::State& state, Layout layout) {
    ScreenRig& r = sharedRig(layout);
    long long written = 0;
    for (auto _ : state) {
        r.board().shuffle();
        written += r.drawAndCount();
    }
    state.counters["px_per_deal"] =
        benchmark::Counter(static_cast<double>(written), benchmark::Counter::kAvgIterations);
}
BENCHMARK_CAPTURE(BM_ShuffleAndDraw, png2000_10x10, Layout::Large10x10);

// One Show Numbers command and its repaint; iterations alternate on and off, and the run
// always ends with the numbers off so the other benchmarks see a clean picture.
void BM_NumbersToggleAndDraw(benchmark::State& state, Layout layout) {
    ScreenRig& r = sharedRig(layout);
    TileBoard& board = r.board();
    long long written = 0;
    for (auto _ : state) {
        board.setShowNumbers(!board.getShowNumbers());
        written += r.drawAndCount();
    }
    if (board.getShowNumbers()) {
        board.setShowNumbers(false);
        r.drawAndCount();
    }
    state.counters["px_per_toggle"] =
        benchmark::Counter(static_cast<double>(written), benchmark::Counter::kAvgIterations);
}
BENCHMARK_CAPTURE(BM_NumbersToggleAndDraw, builtin_4x4, Layout::Builtin4x4);
BENCHMARK_CAPTURE(BM_NumbersToggleAndDraw, png2000_10x10, Layout::Large10x10);

// The whole Find Tile command: the tile inverted and shown, then restored and shown.
void BM_FindTileFlash(benchmark::State& state, Layout layout) {
    ScreenRig& r = sharedRig(layout);
    TileBoard& board = r.board();
    const int index = board.getTileCount() / 2;
    long long written = 0;
    for (auto _ : state) {
        board.flashTile(index);
        written += r.drawAndCount();
        board.flashTile(index);
        written += r.drawAndCount();
    }
    state.counters["px_per_find"] =
        benchmark::Counter(static_cast<double>(written), benchmark::Counter::kAvgIterations);
}
BENCHMARK_CAPTURE(BM_FindTileFlash, builtin_4x4, Layout::Builtin4x4);
BENCHMARK_CAPTURE(BM_FindTileFlash, png2000_10x10, Layout::Large10x10);

}  // namespace

}  // namespace zolva::bench

int main(int argc, char** argv) {
    return zolva::bench::runBenchmarks(argc, argv);
}
