// An off-screen pixel surface: a 32-bit RGB image that can be colour-filled, copied from
// rectangle by rectangle, and painted on with a QPainter. The same class serves as a
// picture's sprite sheet and as the window's framebuffer; the framebuffer additionally
// records every rectangle written into it so that a window can repaint only those.
#pragma once

#include <QImage>
#include <cstdint>
#include <vector>

#include "rect.h"

namespace zolva {

class Surface {
public:
    // A null surface: every fill or blit on it fails.
    Surface() = default;
    // A black surface of the given size; null when the size is not positive or the
    // memory cannot be had.
    Surface(int width, int height);
    // Takes over an existing image, converted to the surface format.
    explicit Surface(const QImage& image);

    bool isNull() const { return image_.isNull(); }
    int width() const { return image_.width(); }
    int height() const { return image_.height(); }

    // The pixels, for painting sessions (a QPainter on the image) and for inspection.
    QImage& image() { return image_; }
    const QImage& image() const { return image_; }

    // Fills a rectangle, clipped to the surface, with a 0xRRGGBB colour; nullptr fills the
    // whole surface. False only on a null surface.
    bool fill(const Rect* area, std::uint32_t color);

    // Copies `source` of `from` onto `destination` of this surface (same sizes). Pixels
    // outside either surface are skipped, as a clipper would. With a colour key, source
    // pixels whose 0xRRGGBB value lies in [keyLow, keyHigh] are left out. False when
    // either surface is null.
    bool blit(const Rect& destination, const Surface* from, const Rect& source,
              bool useColorKey = false, std::uint32_t keyLow = 0, std::uint32_t keyHigh = 0);

    // Damage tracking, for the framebuffer: when on, every clipped rectangle written by
    // fill or blit is appended to a list that the owner takes and clears.
    void setTrackDamage(bool on) { trackDamage_ = on; }
    bool tracksDamage() const { return trackDamage_; }
    const std::vector<Rect>& damage() const { return damage_; }
    std::vector<Rect> takeDamage();

private:
    void recordDamage(const Rect& r);

    QImage image_;
    bool trackDamage_ = false;
    std::vector<Rect> damage_;
};

}  // namespace zolva
