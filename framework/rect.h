// Rectangles as the display tree uses them: signed pixel edges, right and bottom
// exclusive. A plain value type so dirty lists can be growable arrays of values.
#pragma once

#include <cstdint>

namespace zolva {

struct Rect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;

    constexpr std::int32_t width() const { return right - left; }
    constexpr std::int32_t height() const { return bottom - top; }
    constexpr bool isEmpty() const { return right <= left || bottom <= top; }
    constexpr bool operator==(const Rect&) const = default;
};

}  // namespace zolva
