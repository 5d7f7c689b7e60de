// Changing to a large photo, measured against the one thing that cannot be avoided: a
// single plain decode of the same file. Anything the picture adds on top (reading the
// header for the size, a second decode, copying the pixels around) shows up as the
// distance between the two.
#include <benchmark/benchmark.h>

#include <QImage>
#include <QImageReader>
#include <QSize>
#include <QString>
#include <memory>

#include "bench/bench_support.h"
#include "framework/image_loader.h"

namespace zolva::bench {

namespace {

// 6000 x 4000 is what a 24-megapixel camera writes.
const QString& photo() {
    static const QString path = photoLikeJpeg(6000, 4000, 90);
    return path;
}

void requireSuccess(benchmark::State& state, bool ok) {
    if (!ok) {
        state.SkipWithError("the photo could not be loaded");
    }
}

void BM_PlainDecode(benchmark::State& state) {
    const QString& path = photo();
    for (auto _ : state) {
        QImageReader reader(path);
        QImage image = reader.read();
        requireSuccess(state, !image.isNull());
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_PlainDecode)->Unit(benchmark::kMillisecond);

void BM_ReplaceImage(benchmark::State& state) {
    const QString& path = photo();
    Picture picture(imageio::resourceName(103), 300, 300, 1, 1, 1);
    picture.createSurface();
    for (auto _ : state) {
        requireSuccess(state, picture.replaceImage(path));
    }
}
BENCHMARK(BM_ReplaceImage)->Unit(benchmark::kMillisecond);

// What the Custom Picture command runs: the board goes home, takes the new cell geometry
// and the screen lays itself out again; the numbers are off, as by default.
void BM_ChangePicture(benchmark::State& state) {
    const QString& path = photo();
    ScreenRig rig(imageio::resourceName(103), 4, 4);
    for (auto _ : state) {
        requireSuccess(state, rig.screen->changePicture(path));
    }
}
BENCHMARK(BM_ChangePicture)->Unit(benchmark::kMillisecond);

// The same with the numbers on: the overlay is painted onto the new picture as well.
void BM_ChangePictureNumbersOn(benchmark::State& state) {
    const QString& path = photo();
    ScreenRig rig(imageio::resourceName(103), 4, 4);
    rig.screen->setShowNumber(true);
    for (auto _ : state) {
        requireSuccess(state, rig.screen->changePicture(path));
    }
}
BENCHMARK(BM_ChangePictureNumbersOn)->Unit(benchmark::kMillisecond);

// What the window does on a 1920 x 1080 screen: every file is brought down to fit the
// screen while it is decoded, which for a one-pass JPEG lets libjpeg skip most of the work.
const QSize kFullHdFit(1880, 960);

class FitSizeScope {
public:
    explicit FitSizeScope(QSize fit) { imageio::setFitSize(fit); }
    ~FitSizeScope() { imageio::setFitSize(QSize()); }
    FitSizeScope(const FitSizeScope&) = delete;
    FitSizeScope& operator=(const FitSizeScope&) = delete;
};

void BM_ChangePictureFitted(benchmark::State& state) {
    const QString& path = photo();
    FitSizeScope fit(kFullHdFit);
    ScreenRig rig(imageio::resourceName(103), 4, 4);
    for (auto _ : state) {
        requireSuccess(state, rig.screen->changePicture(path));
    }
    state.counters["width"] = rig.picture->width();
    state.counters["height"] = rig.picture->height();
}
BENCHMARK(BM_ChangePictureFitted)->Unit(benchmark::kMillisecond);

// The scaled decode on its own, as Qt's reader does it, for the fitted change to compare with.
void BM_PlainScaledDecode(benchmark::State& state) {
    const QString& path = photo();
    const QSize target = imageio::fittedSize(QSize(6000, 4000), kFullHdFit);
    for (auto _ : state) {
        QImageReader reader(path);
        reader.setScaledSize(target);
        QImage image = reader.read();
        requireSuccess(state, !image.isNull());
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_PlainScaledDecode)->Unit(benchmark::kMillisecond);

// A player's picture at start-up: size from the header, then the surface.
void BM_NewPictureFromFile(benchmark::State& state) {
    const QString& path = photo();
    for (auto _ : state) {
        Picture picture(path, 1, 1, 1);
        requireSuccess(state, picture.createSurface());
    }
}
BENCHMARK(BM_NewPictureFromFile)->Unit(benchmark::kMillisecond);

// Only the header: what the size-taking constructor costs on its own.
void BM_PictureSizeOnly(benchmark::State& state) {
    const QString& path = photo();
    for (auto _ : state) {
        Picture picture(path, 1, 1, 1);
        requireSuccess(state, picture.width() == 6000);
    }
}
BENCHMARK(BM_PictureSizeOnly)->Unit(benchmark::kMillisecond);

}  // namespace

}  // namespace zolva::bench

int main(int argc, char** argv) {
    return zolva::bench::runBenchmarks(argc, argv);
}
