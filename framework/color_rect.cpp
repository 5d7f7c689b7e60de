#include "framework/color_rect.h"

#include "framework/surface.h"

namespace zolva {

ColorRect::ColorRect(DisplayObject* parent, int x, int y, int width, int height,
                     std::uint32_t color) {
    // init() runs while drawsSelf is still false, so a new rectangle starts with nothing
    // to paint until something dirties it.
    init(parent, x, y, nullptr);
    setSizeAndColor(width, height, color);
}

void ColorRect::setSizeAndColor(int w, int h, std::uint32_t c) {
    width = w;
    height = h;
    color = c;
    drawsSelf = true;
}

bool ColorRect::draw(Surface& target) {
    if (!visible) {
        return true;
    }
    if (!drawsSelf || dirtyRects.empty()) {
        return true;
    }
    for (const Rect& r : dirtyRects) {
        const int left = originX + x + r.left;
        const int top = originY + y + r.top;
        const Rect destination{left, top, left + r.width(), top + r.height()};
        if (!target.fill(&destination, color)) {
            return false;
        }
    }
    clearDirty();
    return true;
}

}  // namespace zolva
