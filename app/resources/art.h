// Where the game's built-in art lives once it is compiled in: the puzzle picture, the
// digit and button strips (bitmaps 103, 104 and 105) and the application icon at every
// size we ship. The images are Qt resources of the zolva_art library; code that loads
// them goes through the names below rather than spelling out resource paths.
#pragma once

#include <QString>
#include <array>

namespace zolva {

// Makes sure the art is registered with Qt's resource system. Linking zolva_art already
// does that; calling this as well costs nothing and keeps working if the resources are
// ever linked in a way that drops their automatic registration.
void initArt();

// ":/bitmaps/<id>" for the built-in bitmaps 103, 104 and 105.
QString bitmapResource(int id);

// The icon sizes we ship, smallest first, and ":/icons/zolva-puzzle-<size>.png" for each.
inline constexpr std::array<int, 6> kIconSizes = {16, 32, 48, 64, 128, 256};
QString iconResource(int size);

}  // namespace zolva
