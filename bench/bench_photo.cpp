// Writes a photo-like JPEG of the given size to the given path, for bench/startup.sh.
//   zolva_bench_photo PATH WIDTH HEIGHT
#include <QFile>
#include <QGuiApplication>

#include "bench/bench_support.h"

int main(int argc, char** argv) {
    if (argc != 4) {
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    QGuiApplication app(qtArgc, argv);
    const QString photo = zolva::bench::photoLikeJpeg(atoi(argv[2]), atoi(argv[3]), 90);
    QFile::remove(QString::fromLocal8Bit(argv[1]));
    return QFile::copy(photo, QString::fromLocal8Bit(argv[1])) ? 0 : 1;
}
