// The far coast and the water of the puzzle picture: mountains, a fringe of pines, the
// lighthouse on its rock, the sun's road across the sea and a sailing boat.
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

void paintMountains(QPainter& p) {
    const QPointF ridge[] = {{0, 118},   {18, 108},  {40, 92},   {62, 110},  {78, 102},  {102, 80},
                             {124, 104}, {140, 112}, {158, 128}, {176, 142}, {186, 150}, {0, 150}};
    QPainterPath range;
    range.moveTo(ridge[0]);
    for (const QPointF& pt : ridge) {
        range.lineTo(pt);
    }
    range.closeSubpath();
    QLinearGradient shade(0, 80, 180, 150);
    shade.setColorAt(0.0, QColor(58, 44, 104));
    shade.setColorAt(1.0, QColor(124, 70, 128));
    p.setPen(Qt::NoPen);
    p.setBrush(shade);
    p.drawPath(range);

    // Sunlit faces: from each peak down its right-hand side.
    p.setBrush(QColor(214, 120, 150, 110));
    const int peaks[] = {2, 5};
    for (const int i : peaks) {
        QPainterPath face;
        face.moveTo(ridge[i]);
        face.lineTo(ridge[i + 1]);
        face.lineTo(ridge[i] + QPointF(4, 40));
        face.closeSubpath();
        p.drawPath(face);
    }
    // Snow on the highest peak.
    QPainterPath snow;
    snow.moveTo(102, 80);
    snow.lineTo(110.8, 89.6);
    snow.lineTo(106, 88);
    snow.lineTo(102, 92);
    snow.lineTo(98, 87);
    snow.lineTo(93.6, 89.5);
    snow.closeSubpath();
    p.setBrush(QColor(250, 236, 246));
    p.drawPath(snow);
}

// A dark fringe of pines where the mountains meet the water; their heights vary so no two
// stretches of shore look alike.
void paintPines(QPainter& p) {
    Lcg random(4242u);
    p.setPen(Qt::NoPen);
    double x = 2.0;
    while (x < 150.0) {
        const double height = random.between(7, 19);
        const double halfWidth = height * 0.3;
        const int shade = static_cast<int>(random.between(0, 24));
        p.setBrush(QColor(24 + shade, 40 + shade, 58 + shade));
        QPolygonF tree{{x, kHorizon - height},
                       {x + halfWidth, kHorizon + 0.5},
                       {x - halfWidth, kHorizon + 0.5}};
        p.drawPolygon(tree);
        x += random.between(3, 11);
    }
}

void paintLighthouse(QPainter& p) {
    // Its beam sweeps the night sky towards the moon.
    const QPointF lamp(170.0, 106.0);
    QPainterPath beam;
    beam.moveTo(lamp);
    beam.lineTo(30, 50);
    beam.lineTo(38, 80);
    beam.closeSubpath();
    QLinearGradient fade(lamp, QPointF(34, 64));
    fade.setColorAt(0.0, QColor(255, 250, 200, 170));
    fade.setColorAt(1.0, QColor(255, 250, 200, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(fade);
    p.drawPath(beam);

    // The rock it stands on.
    p.setBrush(QColor(70, 52, 78));
    QPainterPath rock;
    rock.moveTo(150, 154);
    rock.quadTo(158, 136, 172, 138);
    rock.quadTo(188, 140, 194, 155);
    rock.closeSubpath();
    p.drawPath(rock);

    // A tapering tower in red and white bands.
    QPainterPath tower;
    tower.moveTo(164, 140);
    tower.lineTo(166.5, 110);
    tower.lineTo(173.5, 110);
    tower.lineTo(176, 140);
    tower.closeSubpath();
    p.save();
    p.setClipPath(tower);
    for (int band = 0; band < 5; ++band) {
        p.setBrush(band % 2 == 0 ? QColor(226, 48, 52) : QColor(248, 244, 236));
        p.drawRect(QRectF(160, 110 + band * 6, 20, 6));
    }
    p.restore();
    p.setBrush(QColor(40, 36, 50));
    p.drawRect(QRectF(165, 101, 10, 2));
    p.drawRect(QRectF(164, 108, 12, 2));
    p.setBrush(QColor(255, 236, 120));
    p.drawRect(QRectF(166, 103, 8, 5));
    p.setBrush(QColor(200, 40, 44));
    QPainterPath cap;
    cap.moveTo(165, 101);
    cap.lineTo(170, 96);
    cap.lineTo(175, 101);
    cap.closeSubpath();
    p.drawPath(cap);
}

void paintSeaDetail(QPainter& p) {
    // The sun's road across the water: gold streaks that widen towards the shore.
    Lcg random(7u);
    p.setPen(Qt::NoPen);
    for (int row = 0; row < 16; ++row) {
        const double y = kHorizon + 2 + row * 3.0;
        const double halfWidth = 10 + row * 2.6;
        const double offset = random.between(-4, 4);
        p.setBrush(QColor(255, 236, 150, 210 - row * 9));
        p.drawRoundedRect(QRectF(kSun.x() - halfWidth + offset, y, 2 * halfWidth, 1.4), 0.7, 0.7);
    }
    // Ripples everywhere else, lighter on the sunny side.
    for (int i = 0; i < 90; ++i) {
        const double x = random.between(0, kSize);
        const double y = random.between(kHorizon + 4, 230);
        const double length = random.between(3, 9);
        const int alpha = static_cast<int>(60 + 90 * x / kSize);
        p.setBrush(QColor(255, 230, 220, alpha));
        p.drawRect(QRectF(x, y, length, 1.0));
    }
}

void paintBoat(QPainter& p) {
    const QPointF at(100.0, 178.0);
    // Its reflection first, so the hull sits on top: the sails upside down, broken into
    // strips by the ripples.
    p.setPen(Qt::NoPen);
    for (int strip = 0; strip < 7; ++strip) {
        const double depth = 6 + strip * 2.5;
        const double halfWidth = 14.0 * (1.0 - strip / 8.0);
        p.setBrush(QColor(255, 250, 240, 80 - strip * 9));
        p.drawRect(QRectF(at.x() - halfWidth - 1, at.y() + depth, halfWidth, 1.2));
        p.setBrush(QColor(230, 80, 70, 90 - strip * 10));
        p.drawRect(QRectF(at.x() + 1, at.y() + depth, halfWidth * 0.9, 1.2));
    }

    QPainterPath hull;
    hull.moveTo(at + QPointF(-17, -2));
    hull.lineTo(at + QPointF(17, -2));
    hull.lineTo(at + QPointF(11, 5));
    hull.lineTo(at + QPointF(-12, 5));
    hull.closeSubpath();
    p.setBrush(QColor(120, 56, 36));
    p.drawPath(hull);
    p.setBrush(QColor(240, 200, 80));
    p.drawRect(QRectF(at.x() - 15, at.y() - 1, 30, 1.4));

    p.setPen(QPen(QColor(70, 40, 30), 1.2));
    p.drawLine(at + QPointF(0, -2), at + QPointF(0, -34));
    p.setPen(Qt::NoPen);
    QPainterPath mainsail;
    mainsail.moveTo(at + QPointF(-1.5, -33));
    mainsail.quadTo(at + QPointF(-10, -18), at + QPointF(-15, -4));
    mainsail.lineTo(at + QPointF(-1.5, -4));
    mainsail.closeSubpath();
    p.setBrush(QColor(250, 246, 236));
    p.drawPath(mainsail);
    QPainterPath jib;
    jib.moveTo(at + QPointF(1.5, -31));
    jib.lineTo(at + QPointF(14, -5));
    jib.lineTo(at + QPointF(1.5, -5));
    jib.closeSubpath();
    p.setBrush(QColor(226, 70, 60));
    p.drawPath(jib);
    p.setBrush(QColor(40, 120, 220));
    p.drawRect(QRectF(at.x(), at.y() - 39, 6, 4));
}

}  // namespace

void paintCoast(QPainter& p) {
    paintMountains(p);
    paintPines(p);
    paintSeaDetail(p);
    paintLighthouse(p);
    paintBoat(p);
}

}  // namespace zolva::art::picture
