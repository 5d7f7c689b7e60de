// The sky of the puzzle picture: night on the left with the moon and stars, a sunset on
// the right, and the balloons, clouds and birds that give every patch of it a landmark.
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QRadialGradient>
#include <algorithm>
#include <cmath>

#include "tools/art_generator/puzzle_picture_parts.h"

namespace zolva::art::picture {
namespace {

// Night blue in the top left, rose in the top right, and a horizon that glows pink on
// the night side and gold under the sun.
QColor skyAt(int x, int y) {
    const double u = x / double(kSize - 1);
    const double v = std::pow(y / double(kHorizon), 1.35);
    const QColor top = mix(QColor(12, 16, 58), QColor(190, 56, 116), u);
    const QColor horizon = mix(QColor(236, 110, 140), QColor(255, 206, 96), u);
    return mix(top, horizon, v);
}

QColor seaAt(int x, int y) {
    const double u = x / double(kSize - 1);
    const double v = std::clamp((y - kHorizon) / 80.0, 0.0, 1.0);
    const QColor near = mix(QColor(120, 86, 150), QColor(236, 150, 110), u);
    const QColor deep = mix(QColor(18, 40, 96), QColor(30, 96, 130), u);
    return mix(near, deep, std::sqrt(v));
}

void paintSkyAndSea(QImage& image) {
    for (int y = 0; y < kSize; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < kSize; ++x) {
            line[x] = (y < kHorizon ? skyAt(x, y) : seaAt(x, y)).rgb();
        }
    }
}

void paintStars(QPainter& p) {
    Lcg random(20240611u);
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 70; ++i) {
        // Most stars crowd the dark left half; the few on the right are faint.
        const double x = kSize * std::pow(random.next(), 1.7);
        const double y = 112.0 * std::pow(random.next(), 1.3);
        const double brightness = std::clamp(1.15 - x / 230.0 - y / 260.0, 0.15, 1.0);
        const double radius = random.between(0.45, 1.15);
        const int alpha = static_cast<int>(255 * brightness);
        p.setBrush(withAlpha(QColor(255, 250, 225), alpha));
        p.drawEllipse(QPointF(x, y), radius, radius);
        if (radius > 1.0 && brightness > 0.6) {
            // The brightest few twinkle: a thin cross through the dot.
            p.setPen(QPen(withAlpha(QColor(255, 250, 225), alpha / 2), 0.6));
            p.drawLine(QPointF(x - 3.5, y), QPointF(x + 3.5, y));
            p.drawLine(QPointF(x, y - 3.5), QPointF(x, y + 3.5));
            p.setPen(Qt::NoPen);
        }
    }
}

void paintShootingStar(QPainter& p) {
    const QPointF head(112.0, 22.0);
    const QPointF tail(66.0, 6.0);
    QLinearGradient trail(tail, head);
    trail.setColorAt(0.0, QColor(255, 255, 255, 0));
    trail.setColorAt(1.0, QColor(255, 255, 240, 230));
    p.setPen(QPen(QBrush(trail), 1.6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(tail, head);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 245));
    p.drawEllipse(head, 1.8, 1.8);
}

// The evening star, brighter than the rest and with a halo of its own.
void paintEveningStar(QPainter& p) {
    const QPointF at(105.0, 47.0);
    QRadialGradient halo(at, 9.0);
    halo.setColorAt(0.0, QColor(220, 235, 255, 200));
    halo.setColorAt(1.0, QColor(220, 235, 255, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(halo);
    p.drawEllipse(at, 9.0, 9.0);
    p.setPen(QPen(QColor(235, 245, 255, 200), 0.8));
    p.drawLine(at + QPointF(-8, 0), at + QPointF(8, 0));
    p.drawLine(at + QPointF(0, -8), at + QPointF(0, 8));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(250, 252, 255));
    p.drawEllipse(at, 2.0, 2.0);
}

void paintMoon(QPainter& p) {
    const QPointF centre(48.0, 40.0);
    QRadialGradient glow(centre, 34.0);
    glow.setColorAt(0.0, QColor(255, 250, 210, 90));
    glow.setColorAt(1.0, QColor(255, 250, 210, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(glow);
    p.drawEllipse(centre, 34.0, 34.0);

    QPainterPath disc;
    disc.addEllipse(centre, 15.0, 15.0);
    QPainterPath bite;
    bite.addEllipse(centre + QPointF(8.0, -5.0), 13.0, 13.0);
    QLinearGradient shade(centre + QPointF(-15, -15), centre + QPointF(10, 15));
    shade.setColorAt(0.0, QColor(255, 252, 226));
    shade.setColorAt(1.0, QColor(236, 210, 140));
    p.setBrush(shade);
    p.drawPath(disc.subtracted(bite));
}

void paintSun(QPainter& p) {
    QRadialGradient glow(kSun, 90.0);
    glow.setColorAt(0.0, QColor(255, 240, 170, 200));
    glow.setColorAt(0.35, QColor(255, 200, 120, 90));
    glow.setColorAt(1.0, QColor(255, 170, 120, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(glow);
    p.drawRect(QRectF(kSun.x() - 90, kSun.y() - 90, 180, kHorizon - (kSun.y() - 90)));

    QRadialGradient disc(kSun + QPointF(-6, -8), 32.0);
    disc.setColorAt(0.0, QColor(255, 252, 214));
    disc.setColorAt(0.6, QColor(255, 204, 70));
    disc.setColorAt(1.0, QColor(250, 128, 36));
    p.setBrush(disc);
    // The sea hides the lower rim: the sun is already setting.
    p.save();
    p.setClipRect(QRectF(0, 0, kSize, kHorizon));
    p.drawEllipse(kSun, 25.0, 25.0);
    p.restore();
}

void paintCloud(QPainter& p, QPointF at, double scale, const QColor& lit, const QColor& dark) {
    QPainterPath cloud;
    const struct {
        double dx, dy, r;
    } puffs[] = {{-16, 2, 8}, {-6, -4, 11}, {7, -6, 10}, {17, 0, 8}, {0, 3, 9}};
    for (const auto& puff : puffs) {
        cloud.addEllipse(at + QPointF(puff.dx, puff.dy) * scale, puff.r * scale, puff.r * scale);
    }
    cloud.setFillRule(Qt::WindingFill);
    QLinearGradient shade(at + QPointF(0, -16 * scale), at + QPointF(0, 10 * scale));
    shade.setColorAt(0.0, lit);
    shade.setColorAt(1.0, dark);
    p.setPen(Qt::NoPen);
    p.setBrush(shade);
    p.drawPath(cloud.simplified());
}

// Long thin clouds low over the sea catch the last light.
void paintStreaks(QPainter& p) {
    const struct {
        double x, y, width;
        QColor colour;
    } streaks[] = {
        {238, 94, 70, QColor(190, 90, 150, 200)},  {256, 101, 50, QColor(255, 170, 150, 220)},
        {228, 108, 36, QColor(160, 80, 140, 160)}, {272, 116, 34, QColor(255, 200, 160, 200)},
        {4, 128, 40, QColor(150, 80, 150, 150)},
    };
    p.setPen(Qt::NoPen);
    for (const auto& streak : streaks) {
        p.setBrush(streak.colour);
        p.drawRoundedRect(QRectF(streak.x, streak.y, streak.width, 2.6), 1.3, 1.3);
    }
}

struct Balloon {
    QPointF centre;
    double radius;
    QColor gores[3];
};

void paintBalloon(QPainter& p, const Balloon& b) {
    const QPointF centre = b.centre;
    const double r = b.radius;
    // The envelope: a circle drawn out to a point at the bottom, in vertical gores.
    QPainterPath envelope;
    envelope.moveTo(centre + QPointF(0, r + 9 * r / 15.0));
    envelope.cubicTo(centre + QPointF(-r * 0.9, r * 0.9), centre + QPointF(-r * 1.15, r * 0.1),
                     centre + QPointF(-r, -r * 0.2));
    envelope.arcTo(QRectF(centre.x() - r, centre.y() - r, 2 * r, 2 * r), 190, -200);
    envelope.cubicTo(centre + QPointF(r * 1.15, r * 0.1), centre + QPointF(r * 0.9, r * 0.9),
                     centre + QPointF(0, r + 9 * r / 15.0));
    p.save();
    p.setClipPath(envelope);
    p.setPen(Qt::NoPen);
    const double gore = 2 * r / 6.0;
    for (int i = 0; i < 6; ++i) {
        p.setBrush(b.gores[i % 3]);
        p.drawRect(QRectF(centre.x() - r + i * gore, centre.y() - r - 2, gore + 0.5, 3 * r));
    }
    // Shading from the sun's side makes it round.
    QRadialGradient light(centre + QPointF(r * 0.4, -r * 0.4), 2.2 * r);
    light.setColorAt(0.0, QColor(255, 255, 255, 90));
    light.setColorAt(0.5, QColor(255, 255, 255, 0));
    light.setColorAt(1.0, QColor(0, 0, 40, 120));
    p.setBrush(light);
    p.drawRect(envelope.boundingRect());
    p.restore();

    const double s = r / 15.0;
    p.setPen(QPen(QColor(60, 40, 30), 0.8));
    p.drawLine(centre + QPointF(-4 * s, r + 7 * s), centre + QPointF(-3 * s, r + 13 * s));
    p.drawLine(centre + QPointF(4 * s, r + 7 * s), centre + QPointF(3 * s, r + 13 * s));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(150, 90, 40));
    p.drawRect(QRectF(centre.x() - 3.5 * s, centre.y() + r + 13 * s, 7 * s, 5 * s));
}

void paintBalloons(QPainter& p) {
    // A far one, small and already in the sunset's light, and a near one in bold stripes.
    paintBalloon(p, {QPointF(252, 76),
                     7.0,
                     {QColor(150, 60, 200), QColor(250, 250, 240), QColor(255, 130, 30)}});
    paintBalloon(p, {QPointF(150, 38),
                     15.0,
                     {QColor(230, 40, 60), QColor(255, 200, 40), QColor(40, 150, 230)}});
}

void paintBirds(QPainter& p) {
    p.setPen(QPen(QColor(60, 30, 60), 1.1, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    const QPointF birds[] = {{186, 84}, {198, 76}, {222, 70}, {277, 68}, {285, 74}, {293, 80}};
    const double spans[] = {5.0, 4.0, 3.2, 3.6, 3.4, 3.2};
    for (int i = 0; i < 6; ++i) {
        const QPointF b = birds[i];
        const double s = spans[i];
        QPainterPath wing;
        wing.moveTo(b + QPointF(-s, -s * 0.4));
        wing.quadTo(b + QPointF(-s * 0.4, -s * 0.6), b);
        wing.quadTo(b + QPointF(s * 0.4, -s * 0.6), b + QPointF(s, -s * 0.4));
        p.drawPath(wing);
    }
}

}  // namespace

void paintSky(QImage& image) {
    paintSkyAndSea(image);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    paintStars(p);
    paintSun(p);
    paintMoon(p);
    paintShootingStar(p);
    paintEveningStar(p);
    paintCloud(p, QPointF(262, 52), 1.1, QColor(255, 214, 180), QColor(200, 110, 130));
    paintCloud(p, QPointF(200, 44), 0.7, QColor(240, 170, 210), QColor(160, 80, 150));
    paintCloud(p, QPointF(232, 12), 0.5, QColor(230, 150, 200), QColor(150, 70, 140));
    paintCloud(p, QPointF(286, 12), 0.6, QColor(250, 190, 220), QColor(170, 90, 160));
    paintCloud(p, QPointF(287, 106), 0.45, QColor(255, 220, 190), QColor(220, 130, 130));
    paintStreaks(p);
    paintBalloons(p);
    paintBirds(p);
}

}  // namespace zolva::art::picture
