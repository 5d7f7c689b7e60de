#include "framework/magick_module_client.h"

#include <QDir>
#include <QFileInfo>
#include <QLibrary>
#include <QStringList>
#include <QtGlobal>

#include "framework/image_loader.h"
#include "framework/magick_module.h"

namespace zolva::imageio {

namespace {

// Beside the decoder that loads it first (wherever the installation was moved), then where
// the build put it, then the configured installation folder.
QStringList candidatePaths() {
    QStringList paths;
    const QString program = QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
    if (!program.isEmpty()) {
        paths << QFileInfo(program).dir().filePath(QStringLiteral(ZOLVA_MAGICK_MODULE_NAME));
    }
    paths << QStringLiteral(ZOLVA_MAGICK_BUILD_PATH)
          << QStringLiteral(ZOLVA_MAGICK_INSTALL_DIR "/" ZOLVA_MAGICK_MODULE_NAME);
    return paths;
}

const MagickModule* loadModule() {
    for (const QString& path : candidatePaths()) {
        if (!QFileInfo::exists(path)) {
            continue;
        }
        QLibrary library(path);
        if (!library.load()) {
            qWarning("Zolva Puzzle: cannot load %s: %s", qPrintable(path),
                     qPrintable(library.errorString()));
            continue;
        }
        using Entry = const MagickModule* (*)();
        const auto entry = reinterpret_cast<Entry>(library.resolve(kMagickModuleEntry));
        const MagickModule* module = entry != nullptr ? entry() : nullptr;
        if (module != nullptr && module->version == kMagickModuleVersion &&
            module->decode != nullptr && module->ping != nullptr) {
            return module;  // stays loaded for the rest of the run
        }
        qWarning("Zolva Puzzle: %s is not this version's image module", qPrintable(path));
        library.unload();
    }
    qWarning("Zolva Puzzle: no image module found; TGA, PCX and WMF pictures cannot be read");
    return nullptr;
}

const MagickModule* module() {
    static const MagickModule* const loaded = loadModule();
    return loaded;
}

}  // namespace

bool magickDecode(const QByteArray& data, const char* coder, QSize fitInside, QImage& out) {
    const MagickModule* magick = module();
    return magick != nullptr && magick->decode(data, coder, fitInside, fittedSize, out);
}

bool magickPing(const QByteArray& data, const char* coder, QSize fitInside, QSize& out) {
    const MagickModule* magick = module();
    return magick != nullptr && magick->ping(data, coder, fitInside, fittedSize, out);
}

}  // namespace zolva::imageio
