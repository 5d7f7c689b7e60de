// zolva-art: redraws the game's built-in art into files. Run it after changing any of the
// drawing code and commit what it writes; the game embeds the committed files and a test
// fails while they differ from a fresh run.
//
//   zolva-art <bitmap-dir> [<icon-dir>]
//
// Writes 103.bmp, 104.bmp and 105.bmp into <bitmap-dir>, and the icons
// zolva-puzzle-<size>.png and zolva-puzzle.svg into <icon-dir> (default: <bitmap-dir>).
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QString>
#include <QTextStream>
#include <cstdio>
#include <cstdlib>

#include "tools/art_generator/art_painter.h"

namespace {

bool writeBitmap(const QDir& dir, const QString& name, const QImage& image) {
    // The game's bitmaps are plain 24-bit pictures; an alpha channel would only make the
    // files bigger and invite accidental transparency. They are uncompressed BMPs because
    // the game decodes them on every start before its first frame, where undoing PNG's
    // compression was a noticeable part of the wait; the package is 0.3 MB bigger for it.
    const QString path = dir.filePath(name);
    if (!image.convertToFormat(QImage::Format_RGB888).save(path, "BMP")) {
        std::fprintf(stderr, "zolva-art: cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

bool writeIcons(const QDir& dir) {
    for (const int size : {16, 32, 48, 64, 128, 256}) {
        const QString path = dir.filePath(QStringLiteral("zolva-puzzle-%1.png").arg(size));
        if (!zolva::art::paintAppIcon(size).save(path, "PNG")) {
            std::fprintf(stderr, "zolva-art: cannot write %s\n", qPrintable(path));
            return false;
        }
    }
    QFile svg(dir.filePath(QStringLiteral("zolva-puzzle.svg")));
    if (!svg.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        std::fprintf(stderr, "zolva-art: cannot write %s\n", qPrintable(svg.fileName()));
        return false;
    }
    svg.write(zolva::art::appIconSvg().toUtf8());
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    // Painting on images needs no screen; this runs in builds and tests without one.
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    QGuiApplication app(argc, argv);
    const QStringList args = QGuiApplication::arguments();
    if (args.size() < 2 || args.size() > 3) {
        std::fprintf(stderr, "usage: zolva-art <bitmap-dir> [<icon-dir>]\n");
        return 2;
    }
    const QDir bitmapDir(args.at(1));
    const QDir iconDir(args.size() == 3 ? args.at(2) : args.at(1));
    for (const QDir& dir : {bitmapDir, iconDir}) {
        if (!QDir().mkpath(dir.absolutePath())) {
            std::fprintf(stderr, "zolva-art: cannot create %s\n", qPrintable(dir.path()));
            return 1;
        }
    }

    const bool written = writeBitmap(bitmapDir, "103.bmp", zolva::art::paintPuzzlePicture()) &&
                         writeBitmap(bitmapDir, "104.bmp", zolva::art::paintDigitStrip()) &&
                         writeBitmap(bitmapDir, "105.bmp", zolva::art::paintButtonStrip()) &&
                         writeIcons(iconDir);
    return written ? 0 : 1;
}
