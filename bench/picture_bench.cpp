// Picture files are decoded in a child process, whose work the game's own CPU time does not
// show; every benchmark that decodes is therefore timed by the clock on the wall.
//
// Changing to a large photo, measured against the one thing that cannot be avoided: a
// single plain decode of the same file. Anything the picture adds on top (reading the
// header for the size, a second decode, copying the pixels around) shows up as the
// distance between the two.
#include <benchmark/benchmark.h>

#include <zlib.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QSize>
#include <QString>
#include <QtEndian>
#include <memory>

#include "bench/bench_support.h"
#include "framework/decoder_client.h"
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
BENCHMARK(BM_PlainDecode)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ReplaceImage(benchmark::State& state) {
    const QString& path = photo();
    Picture picture(imageio::resourceName(103), 300, 300, 1, 1, 1);
    picture.createSurface();
    for (auto _ : state) {
        requireSuccess(state, picture.replaceImage(path));
    }
}
BENCHMARK(BM_ReplaceImage)->Unit(benchmark::kMillisecond)->UseRealTime();

// What the Custom Picture command runs: the board goes home, takes the new cell geometry
// and the screen lays itself out again; the numbers are off, as by default.
void BM_ChangePicture(benchmark::State& state) {
    const QString& path = photo();
    ScreenRig rig(imageio::resourceName(103), 4, 4);
    for (auto _ : state) {
        requireSuccess(state, rig.screen->changePicture(path));
    }
}
BENCHMARK(BM_ChangePicture)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same with the numbers on: the overlay is painted onto the new picture as well.
void BM_ChangePictureNumbersOn(benchmark::State& state) {
    const QString& path = photo();
    ScreenRig rig(imageio::resourceName(103), 4, 4);
    rig.screen->setShowNumber(true);
    for (auto _ : state) {
        requireSuccess(state, rig.screen->changePicture(path));
    }
}
BENCHMARK(BM_ChangePictureNumbersOn)->Unit(benchmark::kMillisecond)->UseRealTime();

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
BENCHMARK(BM_ChangePictureFitted)->Unit(benchmark::kMillisecond)->UseRealTime();

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
BENCHMARK(BM_PlainScaledDecode)->Unit(benchmark::kMillisecond)->UseRealTime();

// A player's picture at start-up: size from the header, then the surface.
void BM_NewPictureFromFile(benchmark::State& state) {
    const QString& path = photo();
    for (auto _ : state) {
        Picture picture(path, 1, 1, 1);
        requireSuccess(state, picture.createSurface());
    }
}
BENCHMARK(BM_NewPictureFromFile)->Unit(benchmark::kMillisecond)->UseRealTime();

// Only the header: what the size-taking constructor costs on its own.
void BM_PictureSizeOnly(benchmark::State& state) {
    const QString& path = photo();
    for (auto _ : state) {
        Picture picture(path, 1, 1, 1);
        requireSuccess(state, picture.width() == 6000);
    }
}
BENCHMARK(BM_PictureSizeOnly)->Unit(benchmark::kMillisecond)->UseRealTime();

// The child's own cost: start, decode, hand-back and exit for the smallest picture there is.
void BM_DecoderRoundTrip(benchmark::State& state) {
    const QString path = gradientPng(1, 1);
    for (auto _ : state) {
        QImage image;
        requireSuccess(state, imageio::loadImage(path, image));
    }
}
BENCHMARK(BM_DecoderRoundTrip)->Unit(benchmark::kMillisecond)->UseRealTime();

// The start-up's three built-in pictures: decoded in the game, no child started.
void BM_BuiltInPictures(benchmark::State& state) {
    const int before = imageio::decodersStarted();
    for (auto _ : state) {
        for (const int id : {103, 104, 105}) {
            Picture picture(imageio::resourceName(id), 1, 1, 1);
            requireSuccess(state, picture.createSurface());
        }
    }
    state.counters["decoders_started"] = imageio::decodersStarted() - before;
}
BENCHMARK(BM_BuiltInPictures)->Unit(benchmark::kMillisecond);

qint64 statusKb(const char* field) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(field)) {
            return line.mid(qstrlen(field)).trimmed().split(' ').front().toLongLong();
        }
    }
    return -1;
}

QByteArray pngChunk(const char* type, const QByteArray& data) {
    QByteArray out(4, '\0');
    qToBigEndian<quint32>(quint32(data.size()), out.data());
    const QByteArray body = QByteArray(type, 4) + data;
    QByteArray crc(4, '\0');
    qToBigEndian<quint32>(
        quint32(crc32(0, reinterpret_cast<const Bytef*>(body.constData()), uInt(body.size()))),
        crc.data());
    return out + body + crc;
}

// A 1 x 1 PNG with a thousand compressed text chunks of 4 MB each: gigabytes once read.
QString textBombPng() {
    const QString path = QDir(scratchDirectory()).filePath(QStringLiteral("text-bomb.png"));
    QByteArray size(8, '\0');
    qToBigEndian<quint32>(1, size.data());
    qToBigEndian<quint32>(1, size.data() + 4);
    QByteArray png("\x89PNG\r\n\x1A\n", 8);
    png += pngChunk("IHDR", size + QByteArray("\x08\x02\x00\x00\x00", 5));
    const QByteArray text =
        pngChunk("zTXt", QByteArray("k\0\0", 3) + qCompress(QByteArray(4 << 20, 'z')).mid(4));
    png += text.repeated(1000);
    png += pngChunk("IDAT", qCompress(QByteArray("\0\x10\x20\x30", 4)).mid(4));
    png += pngChunk("IEND", {});
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(png) != png.size()) {
        return QString();
    }
    return path;
}

// The game's own peak memory while a hostile file is refused, above what it held before.
void BM_RefuseHostilePng(benchmark::State& state) {
    const QString path = textBombPng();
    qint64 worstKb = 0;
    for (auto _ : state) {
        QFile clear(QStringLiteral("/proc/self/clear_refs"));
        if (!clear.open(QIODevice::WriteOnly) || clear.write("5") != 1) {
            state.SkipWithError("cannot reset the peak memory");
            break;
        }
        clear.close();
        const qint64 idle = statusKb("VmRSS:");
        QImage image;
        requireSuccess(state, !imageio::loadImage(path, image));
        worstKb = std::max(worstKb, statusKb("VmHWM:") - idle);
    }
    state.counters["peak_mb_above_idle"] = double(worstKb) / 1024;
}
BENCHMARK(BM_RefuseHostilePng)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

}  // namespace

}  // namespace zolva::bench

int main(int argc, char** argv) {
    return zolva::bench::runBenchmarks(argc, argv);
}
