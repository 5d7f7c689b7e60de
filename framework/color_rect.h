// A display object without a sprite sheet that paints its dirty rectangles in one solid
// colour. The tile board keeps one behind its tiles so that whatever a tile uncovers, and
// the one-pixel grid lines, show black.
#pragma once

#include <cstdint>

#include "display_object.h"

namespace zolva {

class ColorRect : public DisplayObject {
public:
    ColorRect(DisplayObject* parent, int x, int y, int width, int height, std::uint32_t color);

    bool draw(Surface& target) override;
    // Stores the size and colour and starts collecting dirty rectangles; dirties nothing.
    virtual void setSizeAndColor(int width, int height, std::uint32_t color);

    std::uint32_t getColor() const { return color; }

protected:
    std::uint32_t color = 0;
};

}  // namespace zolva
