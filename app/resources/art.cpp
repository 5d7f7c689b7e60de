#include "app/resources/art.h"

#include <QtGlobal>

// Q_INIT_RESOURCE declares the registration function in the current namespace, so it has
// to be used out here rather than inside zolva.
static void registerArtResources() {
    Q_INIT_RESOURCE(zolva_art_bitmaps);
    Q_INIT_RESOURCE(zolva_art_icons);
}

namespace zolva {

void initArt() {
    // Registering an already registered resource is a no-op in Qt, so repeated calls and
    // the automatic registration at start-up do not stack up.
    registerArtResources();
}

QString bitmapResource(int id) {
    return QStringLiteral(":/bitmaps/%1").arg(id);
}

QString iconResource(int size) {
    return QStringLiteral(":/icons/zolva-puzzle-%1.png").arg(size);
}

}  // namespace zolva
