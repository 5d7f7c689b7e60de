// The application icon: a sliding puzzle in miniature. Eight tiles of a sunset picture on
// a dark tray, with the bottom-right slot empty. The geometry lives on a 16-unit grid so
// that at every size we ship (multiples of 16) the tile edges land on whole pixels and the
// smallest icon stays sharp.
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QTextStream>

#include "tools/art_generator/art_painter.h"

namespace zolva::art {
namespace {

// In grid units: a one-unit margin and gaps, four-unit tiles, so 1 + 3 x (4 + 1) = 16.
constexpr double kGrid = 16.0;
constexpr double kGap = 1.0;
constexpr double kTile = 4.0;
constexpr double kTrayRadius = 3.0;
constexpr double kTileRadius = 0.5;
constexpr int kEmptyColumn = 2;
constexpr int kEmptyRow = 2;

// The picture on the tiles, in grid units.
constexpr double kHorizon = 9.0;
constexpr double kSunX = 10.2;
constexpr double kSunY = 6.0;
constexpr double kSunRadius = 2.6;

const QColor kTray(44, 50, 66);
const QColor kHole(28, 32, 44);
const QColor kSkyTop(52, 46, 140);
const QColor kSkyLow(250, 150, 110);
const QColor kSun(255, 216, 80);
const QColor kHillTop(96, 190, 80);
const QColor kHillLow(30, 110, 64);

double tileOrigin(int index) {
    return kGap + index * (kTile + kGap);
}

// The hill's crest: a start height on the left edge, two control points and an end height
// on the right edge, shared by the bitmap and the SVG.
constexpr double kHillLeft = 9.6;
constexpr QPointF kHillControl1(4.0, 7.6);
constexpr QPointF kHillControl2(9.0, 8.4);
constexpr double kHillRight = 9.0;

QPainterPath hillPath() {
    QPainterPath hill;
    hill.moveTo(0, kHillLeft);
    hill.cubicTo(kHillControl1, kHillControl2, QPointF(kGrid, kHillRight));
    hill.lineTo(kGrid, kGrid);
    hill.lineTo(0, kGrid);
    hill.closeSubpath();
    return hill;
}

QString colourText(const QColor& c) {
    return c.name(QColor::HexRgb);
}

}  // namespace

QImage paintAppIcon(int size) {
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / kGrid, size / kGrid);
    p.setPen(Qt::NoPen);

    p.setBrush(kTray);
    p.drawRoundedRect(QRectF(0, 0, kGrid, kGrid), kTrayRadius, kTrayRadius);

    QPainterPath tiles;
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column) {
            const QRectF cell(tileOrigin(column), tileOrigin(row), kTile, kTile);
            if (column == kEmptyColumn && row == kEmptyRow) {
                p.setBrush(kHole);
                p.drawRoundedRect(cell, kTileRadius, kTileRadius);
            } else {
                tiles.addRoundedRect(cell, kTileRadius, kTileRadius);
            }
        }
    }
    p.setClipPath(tiles);

    QLinearGradient sky(0, 0, 0, kHorizon);
    sky.setColorAt(0.0, kSkyTop);
    sky.setColorAt(1.0, kSkyLow);
    p.setBrush(sky);
    p.drawRect(QRectF(0, 0, kGrid, kGrid));

    QRadialGradient sun(QPointF(kSunX - 0.8, kSunY - 0.8), kSunRadius * 1.4);
    sun.setColorAt(0.0, kSun.lighter(125));
    sun.setColorAt(1.0, kSun.darker(115));
    p.setBrush(sun);
    p.drawEllipse(QPointF(kSunX, kSunY), kSunRadius, kSunRadius);

    QLinearGradient grass(0, kHillControl1.y(), 0, kGrid);
    grass.setColorAt(0.0, kHillTop);
    grass.setColorAt(1.0, kHillLow);
    p.setBrush(grass);
    p.drawPath(hillPath());
    return image;
}

QString appIconSvg() {
    QString svg;
    QTextStream out(&svg);
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"256\" height=\"256\" "
        << "viewBox=\"0 0 " << kGrid << ' ' << kGrid << "\">\n"
        << "  <defs>\n"
        << "    <linearGradient id=\"sky\" x1=\"0\" y1=\"0\" x2=\"0\" y2=\"" << kHorizon
        << "\" gradientUnits=\"userSpaceOnUse\">\n"
        << "      <stop offset=\"0\" stop-color=\"" << colourText(kSkyTop) << "\"/>\n"
        << "      <stop offset=\"1\" stop-color=\"" << colourText(kSkyLow) << "\"/>\n"
        << "    </linearGradient>\n"
        << "    <linearGradient id=\"grass\" x1=\"0\" y1=\"" << kHillControl1.y()
        << "\" x2=\"0\" y2=\"" << kGrid << "\" gradientUnits=\"userSpaceOnUse\">\n"
        << "      <stop offset=\"0\" stop-color=\"" << colourText(kHillTop) << "\"/>\n"
        << "      <stop offset=\"1\" stop-color=\"" << colourText(kHillLow) << "\"/>\n"
        << "    </linearGradient>\n"
        << "    <clipPath id=\"tiles\">\n";
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column) {
            if (column == kEmptyColumn && row == kEmptyRow) {
                continue;
            }
            out << "      <rect x=\"" << tileOrigin(column) << "\" y=\"" << tileOrigin(row)
                << "\" width=\"" << kTile << "\" height=\"" << kTile << "\" rx=\"" << kTileRadius
                << "\"/>\n";
        }
    }
    out << "    </clipPath>\n"
        << "  </defs>\n"
        << "  <rect width=\"" << kGrid << "\" height=\"" << kGrid << "\" rx=\"" << kTrayRadius
        << "\" fill=\"" << colourText(kTray) << "\"/>\n"
        << "  <rect x=\"" << tileOrigin(kEmptyColumn) << "\" y=\"" << tileOrigin(kEmptyRow)
        << "\" width=\"" << kTile << "\" height=\"" << kTile << "\" rx=\"" << kTileRadius
        << "\" fill=\"" << colourText(kHole) << "\"/>\n"
        << "  <g clip-path=\"url(#tiles)\">\n"
        << "    <rect width=\"" << kGrid << "\" height=\"" << kGrid << "\" fill=\"url(#sky)\"/>\n"
        << "    <circle cx=\"" << kSunX << "\" cy=\"" << kSunY << "\" r=\"" << kSunRadius
        << "\" fill=\"" << colourText(kSun) << "\"/>\n"
        << "    <path d=\"M0 " << kHillLeft << " C" << kHillControl1.x() << ' ' << kHillControl1.y()
        << ' ' << kHillControl2.x() << ' ' << kHillControl2.y() << ' ' << kGrid << ' ' << kHillRight
        << " L" << kGrid << ' ' << kGrid << " L0 " << kGrid << " Z\" fill=\"url(#grass)\"/>\n"
        << "  </g>\n"
        << "</svg>\n";
    return svg;
}

}  // namespace zolva::art
