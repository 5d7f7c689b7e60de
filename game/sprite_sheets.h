// The sizes of the game's sprite sheets: the whole strip, its grid and how many frames it
// holds. The built-in art is drawn to these sizes, and the screen's layout follows them.
#pragma once

#include <algorithm>

namespace zolva {

struct SpriteSheet {
    int width;
    int height;
    int columns;
    int rows;
    int frames;
};

// The New Game button: normal, hover and pressed, and two spare frames.
inline constexpr SpriteSheet kButtonSheet{130, 26, 5, 1, 5};
// The counters' digits 0 to 9 and a minus sign.
inline constexpr SpriteSheet kDigitSheet{143, 23, 11, 1, 11};
// The built-in puzzle picture, one frame.
inline constexpr SpriteSheet kBuiltinPictureSheet{300, 300, 1, 1, 1};

// The bar above the board is as high as its tallest part.
inline constexpr int kBarHeight =
    std::max(kButtonSheet.height / kButtonSheet.rows, kDigitSheet.height / kDigitSheet.rows);

}  // namespace zolva
