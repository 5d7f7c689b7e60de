// What the files drawing the puzzle picture share: the scene's fixed points, a
// deterministic random source and colour helpers, and the three layers the picture is
// painted in, back to front: sky (with the sea's colour), coast, land.
#pragma once

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPointF>
#include <algorithm>
#include <cmath>
#include <cstdint>

namespace zolva::art::picture {

inline constexpr int kSize = 300;
inline constexpr int kHorizon = 150;
inline constexpr double kPi = 3.14159265358979323846;
// The setting sun: its glow, its road on the water and the light on the hills follow it.
inline constexpr QPointF kSun(222.0, 128.0);

// A tiny linear congruential generator: std::uniform_*_distribution is not guaranteed to
// give the same numbers on every standard library, and the art must not change when the
// toolchain does.
class Lcg {
public:
    explicit Lcg(std::uint32_t seed) : state_(seed) {}
    double next() {
        state_ = state_ * 1664525u + 1013904223u;
        return static_cast<double>(state_ >> 8) / static_cast<double>(1u << 24);
    }
    double between(double low, double high) { return low + (high - low) * next(); }

private:
    std::uint32_t state_;
};

inline QColor mix(const QColor& a, const QColor& b, double t) {
    t = std::clamp(t, 0.0, 1.0);
    auto channel = [t](int from, int to) {
        return static_cast<int>(std::lround(from + (to - from) * t));
    };
    return QColor(channel(a.red(), b.red()), channel(a.green(), b.green()),
                  channel(a.blue(), b.blue()));
}

inline QColor withAlpha(QColor colour, int alpha) {
    colour.setAlpha(alpha);
    return colour;
}

// The sky and sea gradients straight into the pixels, then everything in the sky.
void paintSky(QImage& image);
// Mountains, pines, the lighthouse and the water with its boat.
void paintCoast(QPainter& p);
// The hills with the village, the windmill, the flock, the meadow and the tree.
void paintLand(QPainter& p);

}  // namespace zolva::art::picture
