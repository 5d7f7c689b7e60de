// The boundary between the game and its GraphicsMagick module. GraphicsMagick and the
// libraries behind it are large, and most players never open a TGA, PCX or WMF file, so
// they are kept out of the program and loaded on the first picture that needs them.
// Both sides are built from this header: magick_module.cpp is the module (zolva-magick.so),
// magick_module_client.* load it and call it. The version catches a module left over from
// another build.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>

namespace zolva::imageio {

// The size a decoded image of the given size ends up at (the loader's fittedSize).
using FitFunction = QSize (*)(QSize imageSize, QSize fitInside);

struct MagickModule {
    int version;
    bool (*decode)(const QByteArray& data, const char* coder, QSize fitInside, FitFunction fit,
                   QImage& out);
    bool (*ping)(const QByteArray& data, const char* coder, QSize fitInside, FitFunction fit,
                 QSize& out);
};

inline constexpr int kMagickModuleVersion = 1;
inline constexpr char kMagickModuleEntry[] = "zolva_magick_module";

}  // namespace zolva::imageio
