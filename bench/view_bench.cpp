// What the player sees of a move: the frames of a slide gliding into place, and a move
// shown at 100% and at 200% zoom. The glide's frames are measured against the draw of the
// slide itself; the zoomed move against the same move at 100%, each in a real view on the
// offscreen platform, painted through the toolkit as on screen.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <algorithm>
#include <map>
#include <memory>

#include "app/game_view.h"
#include "app/resources/art.h"
#include "app/slide_animation.h"
#include "bench/bench_support.h"
#include "framework/image_loader.h"
#include "framework/surface.h"

namespace zolva::bench {

namespace {

long long regionArea(const QRegion& region) {
    long long total = 0;
    for (const QRect& r : region) {
        total += static_cast<long long>(r.width()) * r.height();
    }
    return total;
}

// The longest run the board allows: every tile between the far end of the empty space's
// row and the empty space. Slides it and draws; returns the pixels the draw wrote.
long long slideLongestRun(ScreenRig& rig) {
    TileBoard& board = rig.board();
    const bool toLeft = board.getEmptyColumn() < board.getColumns() / 2;
    const unsigned direction = toLeft ? TileBoard::slideLeft : TileBoard::slideRight;
    while (board.slideTile(direction)) {
    }
    return rig.drawAndCount();
}

// One frame of a glide, at the display's 60 frames a second. The run glides to and fro
// through the middle of its way, one frame's time apart, so every iteration is a real
// frame. Counters: the pixels of the largest frame of a whole glide and of the draw of the
// slide it follows (both the longest run the board has).
void BM_GlideFrame(benchmark::State& state, Layout layout) {
    ScreenRig& r = sharedRig(layout);
    SlideAnimation slide;
    slide.follow(r.board(), r.framebuffer.image(), true);
    const long long slideDraw = slideLongestRun(r);
    slide.follow(r.board(), r.framebuffer.image(), true);
    if (!slide.isRunning()) {
        state.SkipWithError("no glide started");
        return;
    }
    const QImage& frame = r.framebuffer.image();
    constexpr int kFrameMs = 16;
    long long largest = 0;
    long long frames = 0;
    for (int at = kFrameMs; at < SlideAnimation::durationMs; at += kFrameMs) {
        largest = std::max(largest, regionArea(slide.advance(at, frame)));
        ++frames;
    }
    long long presented = 0;
    int at = kFrameMs;
    int step = kFrameMs;
    for (auto _ : state) {
        presented += regionArea(slide.advance(at, frame));
        if (at + step >= SlideAnimation::durationMs || at + step <= 0) {
            step = -step;
        }
        at += step;
    }
    state.counters["frames_per_glide"] = static_cast<double>(frames);
    state.counters["px_frame_max"] = static_cast<double>(largest);
    state.counters["px_slide_draw"] = static_cast<double>(slideDraw);
    state.counters["px_frame_avg"] =
        benchmark::Counter(static_cast<double>(presented), benchmark::Counter::kAvgIterations);
}
BENCHMARK_CAPTURE(BM_GlideFrame, builtin_4x4, Layout::Builtin4x4);
BENCHMARK_CAPTURE(BM_GlideFrame, png2000_10x10, Layout::Large10x10);

// The draw of that same longest slide, to set a frame's time against.
void BM_LongestSlideAndDraw(benchmark::State& state, Layout layout) {
    ScreenRig& r = sharedRig(layout);
    for (auto _ : state) {
        benchmark::DoNotOptimize(slideLongestRun(r));
    }
}
BENCHMARK_CAPTURE(BM_LongestSlideAndDraw, builtin_4x4, Layout::Builtin4x4);
BENCHMARK_CAPTURE(BM_LongestSlideAndDraw, png2000_10x10, Layout::Large10x10);

// One arrow-key move in a shown view at a zoom, painted: the tree's draw, the zoomed
// repaint of what it wrote, the toolkit's paint. Counters: the view pixels repainted for
// one move and the pixels of the whole view.
void BM_MoveAtZoom(benchmark::State& state) {
    const int percent = static_cast<int>(state.range(0));
    ScreenRig& r = sharedRig(Layout::Builtin4x4);
    GameView view;
    view.setGameScreen(r.screen.get());
    view.setZoom(percent);
    view.show();
    QApplication::processEvents();
    TileBoard& board = r.board();
    long long presented = 0;
    long long largest = 0;
    for (auto _ : state) {
        board.slideTile(board.getEmptyRow() > 0 ? TileBoard::slideDown : TileBoard::slideUp);
        view.drawScreen();
        const long long area = regionArea(view.lastDamage());
        QApplication::processEvents();
        presented += area;
        largest = std::max(largest, area);
    }
    state.counters["px_per_move"] =
        benchmark::Counter(static_cast<double>(presented), benchmark::Counter::kAvgIterations);
    state.counters["px_move_max"] = static_cast<double>(largest);
    state.counters["px_window"] = static_cast<double>(view.width()) * view.height();
    // The shared screen goes back to drawing into its own framebuffer, brought up to date.
    r.screen->invalidateAll();
    r.drawAndCount();
}
BENCHMARK(BM_MoveAtZoom)->Arg(100)->Arg(150)->Arg(200)->Arg(300);

}  // namespace

}  // namespace zolva::bench

int main(int argc, char** argv) {
    if (!zolva::bench::parseBenchmarkArguments(argc, argv)) {
        return 1;
    }
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    zolva::bench::runParsedBenchmarks();
    return 0;
}
