// The near land of the puzzle picture: the hill with its village, windmill and sheep, the
// path, the flowering meadow and the apple tree in front of it all.
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

void paintHills(QPainter& p) {
    QPainterPath backHill;
    backHill.moveTo(150, kSize);
    backHill.lineTo(150, 214);
    backHill.cubicTo(180, 188, 230, 186, 300, 176);
    backHill.lineTo(300, kSize);
    backHill.closeSubpath();
    QLinearGradient backShade(150, 190, 300, 240);
    backShade.setColorAt(0.0, QColor(88, 150, 70));
    backShade.setColorAt(1.0, QColor(176, 190, 66));
    p.setPen(Qt::NoPen);
    p.setBrush(backShade);
    p.drawPath(backHill);

    QPainterPath meadow;
    meadow.moveTo(0, kSize);
    meadow.lineTo(0, 224);
    meadow.cubicTo(70, 208, 120, 222, 180, 240);
    meadow.cubicTo(230, 256, 270, 244, 300, 236);
    meadow.lineTo(300, kSize);
    meadow.closeSubpath();
    QLinearGradient meadowShade(0, 220, 300, 300);
    meadowShade.setColorAt(0.0, QColor(30, 104, 70));
    meadowShade.setColorAt(0.55, QColor(64, 140, 48));
    meadowShade.setColorAt(1.0, QColor(150, 160, 40));
    p.setBrush(meadowShade);
    p.drawPath(meadow);
    // Dusk deepens towards the viewer.
    QLinearGradient dusk(0, 230, 0, 300);
    dusk.setColorAt(0.0, QColor(10, 20, 40, 0));
    dusk.setColorAt(1.0, QColor(10, 20, 40, 90));
    p.setBrush(dusk);
    p.drawPath(meadow);
}

void paintPath(QPainter& p) {
    QPainterPath road;
    road.moveTo(180, kSize);
    road.cubicTo(190, 270, 250, 262, 226, 236);
    road.cubicTo(218, 226, 222, 214, 232, 210);
    road.lineTo(236, 212);
    road.cubicTo(230, 220, 232, 228, 242, 238);
    road.cubicTo(270, 266, 214, 276, 222, kSize);
    road.closeSubpath();
    QLinearGradient sand(0, 210, 0, 300);
    sand.setColorAt(0.0, QColor(236, 206, 150));
    sand.setColorAt(1.0, QColor(196, 150, 96));
    p.setPen(Qt::NoPen);
    p.setBrush(sand);
    p.drawPath(road);
}

struct House {
    double x, ground, width, height;
    QColor wall, roof;
};

void paintHouse(QPainter& p, const House& h) {
    const double top = h.ground - h.height;
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(90, 70, 60));
    p.drawRect(QRectF(h.x + h.width * 0.62, top - 11, 3.5, 8));

    p.setBrush(h.wall);
    p.drawRect(QRectF(h.x, top, h.width, h.height));
    // Shade the wall that faces away from the sun.
    p.setBrush(QColor(20, 10, 40, 60));
    p.drawRect(QRectF(h.x, top, h.width * 0.3, h.height));

    QPainterPath roof;
    roof.moveTo(h.x - 2.5, top + 0.5);
    roof.lineTo(h.x + h.width / 2, top - h.height * 0.75);
    roof.lineTo(h.x + h.width + 2.5, top + 0.5);
    roof.closeSubpath();
    p.setBrush(h.roof);
    p.drawPath(roof);

    p.setBrush(QColor(255, 226, 110));
    p.drawRect(QRectF(h.x + 2.5, top + 3, 4, 4));
    p.drawRect(QRectF(h.x + h.width - 6.5, top + 3, 4, 4));
    p.setBrush(QColor(90, 50, 36));
    p.drawRect(QRectF(h.x + h.width / 2 - 2, h.ground - 7, 4, 7));
}

void paintVillage(QPainter& p) {
    const House houses[] = {
        {178, 208, 18, 13, QColor(236, 96, 70), QColor(120, 50, 60)},
        {201, 204, 16, 15, QColor(92, 156, 226), QColor(214, 60, 50)},
        {244, 200, 20, 14, QColor(252, 214, 92), QColor(90, 64, 96)},
    };
    // Smoke from the chimneys drifts away from the sea.
    p.setPen(Qt::NoPen);
    for (const House& h : houses) {
        const QPointF chimney(h.x + h.width * 0.62 + 1.75, h.ground - h.height - 12);
        for (int puff = 0; puff < 3; ++puff) {
            p.setBrush(QColor(240, 230, 240, 120 - puff * 30));
            p.drawEllipse(chimney + QPointF(2.5 * puff, -4.0 * puff), 2.0 + puff, 2.0 + puff);
        }
    }
    for (const House& h : houses) {
        paintHouse(p, h);
    }
}

void paintWindmill(QPainter& p) {
    const QPointF hub(283.0, 150.0);
    QPainterPath tower;
    tower.moveTo(276, 184);
    tower.lineTo(279.5, 152);
    tower.lineTo(286.5, 152);
    tower.lineTo(290, 184);
    tower.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(236, 226, 214));
    p.drawPath(tower);
    p.setBrush(QColor(110, 60, 50));
    p.drawRect(QRectF(281, 176, 4, 8));

    p.setPen(QPen(QColor(80, 50, 50), 1.2));
    p.setBrush(QColor(250, 244, 230));
    for (int blade = 0; blade < 4; ++blade) {
        const double angle = kPi / 5 + blade * kPi / 2;
        const QPointF tip = hub + QPointF(std::cos(angle), std::sin(angle)) * 22.0;
        const QPointF across = QPointF(-std::sin(angle), std::cos(angle)) * 3.0;
        p.drawLine(hub, tip);
        const QPointF start = hub + (tip - hub) * 0.3;
        QPolygonF sail{start, tip, tip + across, start + across};
        p.drawPolygon(sail);
    }
    p.setBrush(QColor(80, 50, 50));
    p.drawEllipse(hub, 2.0, 2.0);
}

void paintSheep(QPainter& p, QPointF at, bool facingLeft) {
    const double dir = facingLeft ? -1.0 : 1.0;
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 34, 40));
    for (const double leg : {-4.0, -1.0, 2.0, 4.5}) {
        p.drawRect(QRectF(at.x() + leg * dir - 0.6, at.y() + 2, 1.2, 4));
    }
    p.setBrush(QColor(250, 248, 240));
    for (const double dx : {-4.0, 0.0, 4.0}) {
        p.drawEllipse(at + QPointF(dx, 0), 3.6, 3.2);
    }
    p.drawEllipse(at + QPointF(0, -2), 3.6, 3.0);
    p.setBrush(QColor(50, 40, 44));
    p.drawEllipse(at + QPointF(7.5 * dir, -1.5), 2.4, 1.8);
}

void paintFlock(QPainter& p) {
    paintSheep(p, QPointF(279, 204), true);
    paintSheep(p, QPointF(262, 224), false);
    paintSheep(p, QPointF(290, 220), true);
}

void paintReeds(QPainter& p) {
    const QPointF base(104.0, 224.0);
    p.setPen(QPen(QColor(70, 110, 50), 1.2, Qt::SolidLine, Qt::RoundCap));
    const double tips[] = {-9, -5, -2, 2, 5, 8, 11};
    for (int i = 0; i < 7; ++i) {
        const double height = 12 + (i * 5) % 9;
        p.drawLine(base + QPointF(i * 2.5 - 7, 0), base + QPointF(tips[i], -height));
    }
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(110, 60, 34));
    for (int i = 1; i < 7; i += 2) {
        const double height = 12 + (i * 5) % 9;
        p.drawRoundedRect(QRectF(base.x() + tips[i] - 1.3, base.y() - height + 1, 2.6, 6), 1.3,
                          1.3);
    }
}

void paintTree(QPainter& p) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(20, 40, 30, 90));
    p.drawEllipse(QPointF(58, 284), 30, 6);

    QPainterPath trunk;
    trunk.moveTo(40, 286);
    trunk.cubicTo(46, 260, 44, 230, 42, 206);
    trunk.lineTo(56, 206);
    trunk.cubicTo(54, 230, 56, 262, 64, 286);
    trunk.closeSubpath();
    QLinearGradient bark(40, 0, 64, 0);
    bark.setColorAt(0.0, QColor(70, 40, 30));
    bark.setColorAt(1.0, QColor(130, 84, 50));
    p.setBrush(bark);
    p.drawPath(trunk);

    // Layered leaf clusters, darker behind and warmer where the sun reaches.
    const struct {
        double x, y, r;
        QColor colour;
    } leaves[] = {
        {30, 196, 22, QColor(24, 84, 52)},  {70, 190, 22, QColor(34, 100, 50)},
        {48, 170, 26, QColor(30, 96, 56)},  {22, 176, 17, QColor(38, 110, 60)},
        {74, 168, 17, QColor(70, 140, 54)}, {50, 196, 18, QColor(48, 122, 58)},
        {40, 152, 15, QColor(60, 132, 62)}, {62, 150, 14, QColor(96, 160, 60)},
    };
    for (const auto& leaf : leaves) {
        QRadialGradient shade(QPointF(leaf.x + leaf.r * 0.4, leaf.y - leaf.r * 0.4), leaf.r * 1.5);
        shade.setColorAt(0.0, leaf.colour.lighter(135));
        shade.setColorAt(1.0, leaf.colour.darker(140));
        p.setBrush(shade);
        p.drawEllipse(QPointF(leaf.x, leaf.y), leaf.r, leaf.r);
    }
    const QPointF apples[] = {{26, 186}, {44, 164}, {66, 178}, {56, 200}, {78, 160},
                              {34, 206}, {18, 170}, {60, 146}, {84, 194}, {40, 140}};
    for (const QPointF& apple : apples) {
        p.setBrush(QColor(220, 36, 40));
        p.drawEllipse(apple, 2.6, 2.6);
        p.setBrush(QColor(255, 180, 170));
        p.drawEllipse(apple + QPointF(-0.8, -0.9), 0.8, 0.8);
    }
}

void paintFence(QPainter& p) {
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 7; ++i) {
        const double x = 246 + i * 8.0;
        const double ground = 268 - i * 1.2;
        p.setBrush(QColor(246, 236, 220));
        QPainterPath picket;
        picket.moveTo(x, ground);
        picket.lineTo(x, ground - 16);
        picket.lineTo(x + 2.5, ground - 19);
        picket.lineTo(x + 5, ground - 16);
        picket.lineTo(x + 5, ground);
        picket.closeSubpath();
        p.drawPath(picket);
    }
    p.setBrush(QColor(206, 190, 170));
    p.drawRect(QRectF(244, 254, 58, 2.5));
    p.drawRect(QRectF(244, 261, 58, 2.5));
}

// Flowers in bands of colour that change along the meadow, so each patch of grass has
// its own palette.
void paintFlowers(QPainter& p) {
    const QColor palette[] = {QColor(255, 90, 120),  QColor(255, 220, 60), QColor(170, 120, 255),
                              QColor(255, 255, 255), QColor(255, 140, 40), QColor(90, 180, 255)};
    Lcg random(1999u);
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 150; ++i) {
        const double x = random.between(0, kSize);
        const double y = random.between(238, 298);
        const double meadowTop = x < 180 ? 224 + x * 0.09 : 242;
        if (y < meadowTop + 6 || (x > 176 && x < 232 && y > 252)) {
            continue;  // off the grass, or on the path
        }
        const int band = static_cast<int>(x / 50.0 + y / 40.0) % 6;
        const double r = 1.2 + (y - 230) / 45.0;
        const QColor petal = palette[band];
        for (int k = 0; k < 5; ++k) {
            const double a = k * 2 * kPi / 5 + random.next();
            p.setBrush(petal);
            p.drawEllipse(QPointF(x + std::cos(a) * r, y + std::sin(a) * r), r * 0.8, r * 0.8);
        }
        p.setBrush(QColor(255, 230, 90));
        p.drawEllipse(QPointF(x, y), r * 0.6, r * 0.6);
    }
}

void paintButterfly(QPainter& p) {
    const QPointF at(128.0, 262.0);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 150, 30));
    p.drawEllipse(at + QPointF(-4, -3), 4.0, 3.5);
    p.drawEllipse(at + QPointF(4, -3), 4.0, 3.5);
    p.setBrush(QColor(255, 200, 60));
    p.drawEllipse(at + QPointF(-3, 2.5), 2.5, 2.5);
    p.drawEllipse(at + QPointF(3, 2.5), 2.5, 2.5);
    p.setBrush(QColor(40, 30, 30));
    p.drawRect(QRectF(at.x() - 0.6, at.y() - 5, 1.2, 9));
}

}  // namespace

void paintLand(QPainter& p) {
    // The windmill stands behind the crest of the hill, so it goes first.
    paintWindmill(p);
    paintHills(p);
    paintPath(p);
    paintFlock(p);
    paintVillage(p);
    paintReeds(p);
    paintFence(p);
    paintFlowers(p);
    paintButterfly(p);
    paintTree(p);
}

}  // namespace zolva::art::picture
