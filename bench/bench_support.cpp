#include "bench/bench_support.h"

#include <benchmark/benchmark.h>

#include <QByteArray>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <QRegion>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>

#include "app/resources/art.h"
#include "framework/image_loader.h"

namespace zolva::bench {

namespace {

// The bottom-right corner, as the menu's Empty Space command stores it.
constexpr int kLastCell = 100;
constexpr int kCounterDigits = 4;

QImage makeGradient(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    // A fixed-seed generator: every run encodes the same bytes, so file sizes and decode
    // times compare across runs.
    std::uint32_t state = 12345u;
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            state = state * 1664525u + 1013904223u;
            const int noise = static_cast<int>((state >> 24) & 0x1Fu) - 16;
            const int r = std::clamp(x * 255 / width + noise, 0, 255);
            const int g = std::clamp(y * 255 / height + noise, 0, 255);
            const int b = std::clamp((x + y) * 255 / (width + height) - noise, 0, 255);
            line[x] = qRgb(r, g, b);
        }
    }
    return image;
}

QString writeOnce(const QString& fileName, int width, int height, const char* format, int quality) {
    const QString path = QDir(scratchDirectory()).filePath(fileName);
    if (QFileInfo::exists(path)) {
        return path;
    }
    QImageWriter writer(path, format);
    writer.setQuality(quality);
    if (!writer.write(makeGradient(width, height))) {
        std::fprintf(stderr, "cannot write %s: %s\n", qPrintable(path),
                     qPrintable(writer.errorString()));
        std::exit(2);
    }
    return path;
}

}  // namespace

const QString& scratchDirectory() {
    static QTemporaryDir directory;
    static const QString path = directory.path();
    return path;
}

QString gradientPng(int width, int height) {
    return writeOnce(QStringLiteral("gradient-%1x%2.png").arg(width).arg(height), width, height,
                     "png", -1);
}

QString photoLikeJpeg(int width, int height, int quality) {
    return writeOnce(QStringLiteral("photo-%1x%2-q%3.jpg").arg(width).arg(height).arg(quality),
                     width, height, "jpeg", quality);
}

long long summedArea(const std::vector<Rect>& damage) {
    long long total = 0;
    for (const Rect& r : damage) {
        total += static_cast<long long>(r.width()) * r.height();
    }
    return total;
}

long long distinctArea(const std::vector<Rect>& damage) {
    QRegion region;
    for (const Rect& r : damage) {
        region += QRect(r.left, r.top, r.width(), r.height());
    }
    long long total = 0;
    for (const QRect& r : region) {
        total += static_cast<long long>(r.width()) * r.height();
    }
    return total;
}

ScreenRig::ScreenRig(const QString& pictureName, int columns, int rows)
    : digits(imageio::resourceName(104), 143, 23, 11, 1, 11),
      buttons(imageio::resourceName(105), 130, 26, 5, 1, 5) {
    // The built-in picture's size is known, as the window knows it; a file's comes from
    // its header.
    if (pictureName == imageio::resourceName(103)) {
        picture = std::make_unique<Picture>(pictureName, 300, 300, 1, 1, 1);
    } else {
        picture = std::make_unique<Picture>(pictureName, 1, 1, 1);
    }
    screen =
        std::make_unique<GameScreen>(nullptr, 0, 0, picture.get(), columns, rows, kLastCell,
                                     kLastCell, false, &digits, kCounterDigits, &buttons, nullptr);
    framebuffer = Surface(screen->getWidth(), screen->getHeight());
    framebuffer.setTrackDamage(true);
    if (picture->surface() == nullptr || !screen->draw(framebuffer)) {
        std::fprintf(stderr, "cannot draw a screen over %s\n", qPrintable(pictureName));
        std::exit(2);
    }
    framebuffer.takeDamage();
}

long long ScreenRig::drawAndCount() {
    if (!screen->draw(framebuffer)) {
        std::fprintf(stderr, "draw failed\n");
        std::exit(2);
    }
    return summedArea(framebuffer.takeDamage());
}

ScreenRig& sharedRig(Layout layout) {
    static std::map<Layout, std::unique_ptr<ScreenRig>> rigs;
    auto& slot = rigs[layout];
    if (!slot) {
        slot = layout == Layout::Builtin4x4
                   ? std::make_unique<ScreenRig>(imageio::resourceName(103), 4, 4)
                   : std::make_unique<ScreenRig>(gradientPng(2000, 2000), 10, 10);
        slot->board().shuffle();
        slot->drawAndCount();
    }
    return *slot;
}

bool parseBenchmarkArguments(int& argc, char** argv) {
    // Nothing here needs a display; the fonts of the number overlay still need a
    // QGuiApplication, and the offscreen platform gives one without an X server.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    benchmark::Initialize(&argc, argv);
    return !benchmark::ReportUnrecognizedArguments(argc, argv);
}

void runParsedBenchmarks() {
    initArt();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
}

int runBenchmarks(int argc, char** argv) {
    if (!parseBenchmarkArguments(argc, argv)) {
        return 1;
    }
    int qtArgc = 1;
    QGuiApplication app(qtArgc, argv);
    runParsedBenchmarks();
    return 0;
}

}  // namespace zolva::bench
