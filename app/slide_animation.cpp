#include "app/slide_animation.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

#include "framework/color_rect.h"
#include "puzzle/tile.h"
#include "puzzle/tile_board.h"

namespace zolva {

namespace {

// Room around the run in the composed picture, so a smooth zoom that samples a pixel or
// two beyond the run's edge finds the framebuffer's pixels there.
constexpr int kMargin = 2;

// Fast at first and settling gently: a slide that ends abruptly reads as a jump.
double easeOut(double progress) {
    const double rest = 1.0 - progress;
    return 1.0 - rest * rest;
}

QRect rectOf(const DisplayObject& object) {
    return QRect(object.getOriginX() + object.getX(), object.getOriginY() + object.getY(),
                 object.getWidth(), object.getHeight());
}

}  // namespace

SlideAnimation::Arrangement SlideAnimation::arrangementOf(const TileBoard& board) {
    Arrangement a;
    a.columns = board.getColumns();
    a.rows = board.getRows();
    a.board = rectOf(board);
    a.cells.reserve(static_cast<std::size_t>(board.getTileCount()));
    for (int home = 0; home < board.getTileCount(); ++home) {
        const Tile* tile = board.tileWithHome(home);
        a.cells.emplace_back(tile->getColumn(), tile->getRow());
        if (!tile->isVisible()) {
            a.hidden = home;
        }
    }
    return a;
}

void SlideAnimation::forget() {
    remembered = false;
    finish();
}

QRegion SlideAnimation::follow(const TileBoard& board, const QImage& frame, bool animate) {
    Arrangement now = arrangementOf(board);
    if (remembered && now == seen) {
        return {};
    }
    QRegion changed = finish();
    if (remembered && animate && startRun(board, now, frame)) {
        changed += strip;
    }
    seen = std::move(now);
    remembered = true;
    return changed;
}

bool SlideAnimation::startRun(const TileBoard& board, const Arrangement& now, const QImage& frame) {
    // The tile left out stands in the empty space and moves with it; the move that completes
    // the picture also shows it.
    const int gap = seen.hidden;
    if (now.columns != seen.columns || now.rows != seen.rows || now.board != seen.board ||
        gap < 0 || (now.hidden != gap && now.hidden != -1) ||
        now.cells.size() != seen.cells.size()) {
        return false;
    }
    // Every tile that moved went one cell the same way, and the empty space went back over
    // all of them: one run, as a press or an arrow makes it. Anything else (a deal, a
    // reset) simply appears.
    QPoint step;
    int count = 0;
    movers.clear();
    strip = QRect();
    for (std::size_t home = 0; home < now.cells.size(); ++home) {
        const QPoint moved = now.cells[home] - seen.cells[home];
        if (static_cast<int>(home) == gap || moved.isNull()) {
            continue;
        }
        if (moved.manhattanLength() != 1 || (count > 0 && moved != step)) {
            movers.clear();
            return false;
        }
        step = moved;
        ++count;
        const QRect to = rectOf(*board.tileWithHome(static_cast<int>(home)));
        const QPoint old = seen.cells[home];
        movers.push_back({cellRect(seen, old.x(), old.y(), to.size()), to, {}});
        // The run's cells, grid lines included.
        strip |= cellRect(seen, old.x(), old.y(), QSize());
    }
    const auto gapIndex = static_cast<std::size_t>(gap);
    if (count == 0 || now.cells[gapIndex] - seen.cells[gapIndex] != -count * step) {
        movers.clear();
        return false;
    }
    strip |= cellRect(seen, seen.cells[gapIndex].x(), seen.cells[gapIndex].y(), QSize());

    background = board.getBackground() != nullptr ? board.getBackground()->getColor() : 0u;
    const QRect pictureArea =
        strip.adjusted(-kMargin, -kMargin, kMargin, kMargin).intersected(frame.rect());
    pictureOrigin = pictureArea.topLeft();
    picture = frame.copy(pictureArea);
    for (Mover& m : movers) {
        m.shown = m.from;
    }
    running = true;
    compose(strip, frame);
    return true;
}

QRect SlideAnimation::cellRect(const Arrangement& at, int column, int row, QSize tileSize) {
    const int left = Tile::cellEdge(column, at.board.width(), at.columns);
    const int top = Tile::cellEdge(row, at.board.height(), at.rows);
    QSize size = tileSize;
    if (!size.isValid()) {
        size = QSize(Tile::cellEdge(column + 1, at.board.width(), at.columns) - left,
                     Tile::cellEdge(row + 1, at.board.height(), at.rows) - top);
    }
    return QRect(at.board.topLeft() + QPoint(left, top), size);
}

QRegion SlideAnimation::advance(int elapsedMs, const QImage& frame) {
    if (!running) {
        return {};
    }
    if (elapsedMs >= durationMs) {
        return finish();
    }
    const double along = easeOut(std::max(0, elapsedMs) / static_cast<double>(durationMs));
    QRegion changed;
    for (Mover& m : movers) {
        const QPoint travel = m.to.topLeft() - m.from.topLeft();
        const QPoint at =
            m.from.topLeft() + QPoint(static_cast<int>(std::lround(travel.x() * along)),
                                      static_cast<int>(std::lround(travel.y() * along)));
        const QRect next(at, m.to.size());
        if (next != m.shown) {
            changed += m.shown;
            changed += next;
            m.shown = next;
        }
    }
    compose(changed, frame);
    return changed;
}

QRegion SlideAnimation::finish() {
    if (!running) {
        return {};
    }
    running = false;
    movers.clear();
    picture = QImage();
    return strip;
}

void SlideAnimation::compose(const QRegion& area, const QImage& frame) {
    if (area.isEmpty()) {
        return;
    }
    QPainter painter(&picture);
    painter.translate(-pictureOrigin);
    painter.setClipRegion(area);
    painter.fillRect(area.boundingRect(), QColor::fromRgb(static_cast<QRgb>(background)));
    for (const Mover& m : movers) {
        painter.drawImage(m.shown.topLeft(), frame, m.to);
    }
}

}  // namespace zolva
