#include "framework/surface.h"

#include <algorithm>
#include <cstring>

namespace zolva {

namespace {

Rect bounds(const QImage& image) {
    return Rect{0, 0, image.width(), image.height()};
}

Rect intersect(const Rect& a, const Rect& b) {
    return Rect{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                std::min(a.bottom, b.bottom)};
}

}  // namespace

Surface::Surface(int width, int height) {
    if (width > 0 && height > 0) {
        image_ = QImage(width, height, QImage::Format_RGB32);
        if (!image_.isNull()) {
            image_.fill(0u);
        }
    }
}

Surface::Surface(const QImage& image) : image_(image.convertToFormat(QImage::Format_RGB32)) {}

bool Surface::fill(const Rect* area, std::uint32_t color) {
    if (isNull()) {
        return false;
    }
    const Rect r = area ? intersect(*area, bounds(image_)) : bounds(image_);
    if (r.isEmpty()) {
        return true;
    }
    const std::uint32_t pixel = 0xFF000000u | (color & 0x00FFFFFFu);
    for (int row = r.top; row < r.bottom; ++row) {
        auto* line = reinterpret_cast<std::uint32_t*>(image_.scanLine(row));
        std::fill(line + r.left, line + r.right, pixel);
    }
    recordDamage(r);
    return true;
}

bool Surface::blit(const Rect& destination, const Surface* from, const Rect& source,
                   bool useColorKey, std::uint32_t keyLow, std::uint32_t keyHigh) {
    if (isNull() || from == nullptr || from->isNull()) {
        return false;
    }
    // Clip the destination to this surface and the source to its own, keeping the two
    // rectangles aligned, the way a clipper and a bounds check would together.
    const int w = std::min(destination.width(), source.width());
    const int h = std::min(destination.height(), source.height());
    Rect dst{destination.left, destination.top, destination.left + w, destination.top + h};
    Rect src{source.left, source.top, source.left + w, source.top + h};
    const Rect clippedDst = intersect(dst, bounds(image_));
    src = Rect{src.left + (clippedDst.left - dst.left), src.top + (clippedDst.top - dst.top),
               src.right + (clippedDst.right - dst.right),
               src.bottom + (clippedDst.bottom - dst.bottom)};
    dst = clippedDst;
    const Rect clippedSrc = intersect(src, bounds(from->image_));
    dst = Rect{dst.left + (clippedSrc.left - src.left), dst.top + (clippedSrc.top - src.top),
               dst.right + (clippedSrc.right - src.right),
               dst.bottom + (clippedSrc.bottom - src.bottom)};
    src = clippedSrc;
    if (dst.isEmpty() || src.isEmpty()) {
        return true;
    }
    const int rowPixels = dst.width();
    for (int row = 0; row < dst.height(); ++row) {
        auto* out = reinterpret_cast<std::uint32_t*>(image_.scanLine(dst.top + row)) + dst.left;
        const auto* in =
            reinterpret_cast<const std::uint32_t*>(from->image_.constScanLine(src.top + row)) +
            src.left;
        if (!useColorKey) {
            std::memmove(out, in, static_cast<std::size_t>(rowPixels) * sizeof(std::uint32_t));
            continue;
        }
        for (int col = 0; col < rowPixels; ++col) {
            const std::uint32_t rgb = in[col] & 0x00FFFFFFu;
            if (rgb < keyLow || rgb > keyHigh) {
                out[col] = in[col];
            }
        }
    }
    recordDamage(dst);
    return true;
}

std::vector<Rect> Surface::takeDamage() {
    std::vector<Rect> taken;
    taken.swap(damage_);
    return taken;
}

void Surface::recordDamage(const Rect& r) {
    if (trackDamage_) {
        damage_.push_back(r);
    }
}

}  // namespace zolva
