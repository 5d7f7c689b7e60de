#include "puzzle/tile_board.h"

#include <algorithm>
#include <utility>

#include "framework/picture.h"
#include "puzzle/random_generator.h"
#include "puzzle/tile.h"

namespace zolva {

// A plan's moves are handed to slideTile as they are: the two enumerations must agree.
static_assert(TileBoard::slideLeft == static_cast<unsigned>(solver::Move::slideLeft));
static_assert(TileBoard::slideRight == static_cast<unsigned>(solver::Move::slideRight));
static_assert(TileBoard::slideUp == static_cast<unsigned>(solver::Move::slideUp));
static_assert(TileBoard::slideDown == static_cast<unsigned>(solver::Move::slideDown));

namespace {
constexpr int kMinCells = 3;
constexpr int kMaxCells = 10;
}  // namespace

TileBoard::TileBoard(DisplayObject* parent, int x, int y, Picture* picture, int columns, int rows,
                     int emptyColumnSetting, int emptyRowSetting, bool showNumbers) {
    init(parent, x, y, picture);
    build(columns, rows, emptyColumnSetting, emptyRowSetting, showNumbers);
}

TileBoard::~TileBoard() {
    // The tiles themselves go with the child list in the base destructor.
    tiles.clear();
}

int TileBoard::clampSetting(int setting, int count) {
    if (setting < 0) {
        return 0;
    }
    return setting >= count ? count - 1 : setting;
}

int TileBoard::clampDimension(int count) {
    return std::clamp(count, kMinCells, kMaxCells);
}

void TileBoard::placeEmptySpaceFromSettings() {
    emptyColumn = clampSetting(emptyColumnSetting, columns);
    emptyRow = clampSetting(emptyRowSetting, rows);
}

Tile* TileBoard::tileWithHome(int homeIndex) const {
    if (homeIndex < 0 || homeIndex >= tileCount) {
        return nullptr;
    }
    return static_cast<Tile*>(children[static_cast<std::size_t>(homeIndex) + 1].get());
}

void TileBoard::makeTiles() {
    tileCount = columns * rows;
    const int pw = picture != nullptr ? picture->width() : 0;
    const int ph = picture != nullptr ? picture->height() : 0;
    children.reserve(static_cast<std::size_t>(tileCount) + 1);
    tiles.assign(static_cast<std::size_t>(tileCount), nullptr);
    for (int i = 0; i < tileCount; ++i) {
        const int c = i % columns;
        const int r = i / columns;
        auto tile =
            std::make_unique<Tile>(this, Tile::cellEdge(c, pw, columns),
                                   Tile::cellEdge(r, ph, rows), picture, columns, rows, c, r);
        tiles[static_cast<std::size_t>(i)] = tile.get();
        children.push_back(std::move(tile));
    }
}

void TileBoard::returnTilesHome() {
    for (Tile* tile : tiles) {
        tile->returnHome();
    }
    for (int i = 0; i < tileCount; ++i) {
        tiles[static_cast<std::size_t>(i)] = tileWithHome(i);
    }
    tiles[static_cast<std::size_t>(emptyIndex())]->setVisible(false);
}

void TileBoard::build(int newColumns, int newRows, int columnSetting, int rowSetting,
                      bool numbers) {
    random::seedFromClock();
    columns = clampDimension(newColumns);
    rows = clampDimension(newRows);
    emptyColumnSetting = columnSetting;
    emptyRowSetting = rowSetting;
    placeEmptySpaceFromSettings();
    tileCount = columns * rows;
    // The board shows itself only through its children; the whole-area rectangle that
    // init left in its own list would never be drawn.
    drawsSelf = false;
    clearDirty();
    state = idle;

    tiles.clear();
    children.clear();
    auto black = std::make_unique<ColorRect>(this, 0, 0, width, height, 0u);
    background = black.get();
    children.push_back(std::move(black));
    makeTiles();
    tiles[static_cast<std::size_t>(emptyIndex())]->setVisible(false);

    showNumbers = false;
    if (numbers) {
        setShowNumbers(true);
    }
}

void TileBoard::resize(int newColumns, int newRows) {
    // The pattern on the picture belongs to the old grid; it must come off while that grid
    // is still known, or it could never be removed exactly.
    const bool numbersWereOn = showNumbers;
    if (numbersWereOn) {
        setShowNumbers(false);
    }
    columns = clampDimension(newColumns);
    rows = clampDimension(newRows);
    state = idle;
    placeEmptySpaceFromSettings();

    tiles.clear();
    std::unique_ptr<DisplayObject> keptBackground = std::move(children.front());
    children.clear();
    children.push_back(std::move(keptBackground));
    makeTiles();
    tiles[static_cast<std::size_t>(emptyIndex())]->setVisible(false);

    if (numbersWereOn) {
        setShowNumbers(true);
    }
    invalidate();
}

void TileBoard::setEmptySpace(int columnSetting, int rowSetting) {
    tiles[static_cast<std::size_t>(emptyIndex())]->setVisible(true);
    emptyColumnSetting = columnSetting;
    emptyRowSetting = rowSetting;
    placeEmptySpaceFromSettings();
    state = idle;
    // Every tile is still visible while it goes home, so the new missing tile's cell is
    // handed to the background before that tile is hidden.
    returnTilesHome();
}

bool TileBoard::changePicture(const QString& source) {
    state = idle;
    placeEmptySpaceFromSettings();
    const bool ok = picture != nullptr && picture->replaceImage(source);
    // Tiles read the picture's current size when placed, so going home also gives them the
    // new cell geometry.
    returnTilesHome();
    const int pw = picture != nullptr ? picture->width() : 0;
    const int ph = picture != nullptr ? picture->height() : 0;
    background->setSize(pw, ph);
    width = pw;
    height = ph;
    if (showNumbers && ok) {
        // A freshly loaded picture carries no pattern: mark it off without XORing, then
        // paint it for the new picture. After a failed load the old picture, overlay and
        // all, is still there and is left alone.
        showNumbers = false;
        setShowNumbers(true);
    }
    return ok;
}

void TileBoard::swapTiles(int first, int second) {
    // A bad index would write outside the arrangement; ignoring it keeps the board whole.
    if (first < 0 || second < 0 || first >= tileCount || second >= tileCount) {
        return;
    }
    Tile* a = tiles[static_cast<std::size_t>(first)];
    Tile* b = tiles[static_cast<std::size_t>(second)];
    const int aColumn = a->getColumn();
    const int aRow = a->getRow();
    a->placeAt(b->getColumn(), b->getRow());
    b->placeAt(aColumn, aRow);
    std::swap(tiles[static_cast<std::size_t>(first)], tiles[static_cast<std::size_t>(second)]);
}

bool TileBoard::slideTile(unsigned direction) {
    int dc = 0;
    int dr = 0;
    switch (direction) {
        case slideLeft:
            if (emptyColumn == columns - 1) {
                return false;
            }
            dc = 1;
            break;
        case slideRight:
            if (emptyColumn == 0) {
                return false;
            }
            dc = -1;
            break;
        case slideUp:
            if (emptyRow == rows - 1) {
                return false;
            }
            dr = 1;
            break;
        case slideDown:
            if (emptyRow == 0) {
                return false;
            }
            dr = -1;
            break;
        default:
            return false;
    }
    const int e = emptyIndex();
    swapTiles(e, e + dr * columns + dc);
    emptyColumn += dc;
    emptyRow += dr;
    return true;
}

bool TileBoard::checkSolved() {
    // The missing tile counts too: the picture is whole only with the gap in its corner.
    for (const Tile* tile : tiles) {
        if (!tile->isAtHome()) {
            return false;
        }
    }
    state = solved;
    tiles[static_cast<std::size_t>(emptyIndex())]->setVisible(true);
    return true;
}

void TileBoard::childChanged(DisplayObject* child) {
    if (!visible) {
        return;
    }
    // Set in every state: draw only descends into flagged objects.
    needsRedraw = true;
    if (state == shuffling) {
        // The shuffle ends with one whole-board invalidation; collecting the rectangles
        // of every swap would only redraw the same pixels many times.
        return;
    }
    const Rect bounds{child->getX(), child->getY(), child->getX() + child->getWidth(),
                      child->getY() + child->getHeight()};
    addDirtyRect(bounds);
    // Tiles never overlap one another, so only what lies beneath needs repainting.
    if (background != nullptr) {
        background->invalidateRect(bounds);
    }
    if (parent != nullptr) {
        parent->childChanged(this);
    }
}

bool TileBoard::draw(Surface& target) {
    if (visible && needsRedraw && background != nullptr) {
        skipCoveredBackground();
    }
    return DisplayObject::draw(target);
}

void TileBoard::skipCoveredBackground() {
    // A moved tile reports its new cell like its old one, and the background would paint
    // that cell black only for the tile to copy itself over it in the same pass: half as
    // many pixels again as the move needs. Tiles are opaque and drawn after the
    // background, so leaving such a rectangle out changes no pixel on the screen.
    const std::vector<Rect>& pending = background->getDirtyRects();
    std::vector<Rect> kept;
    kept.reserve(pending.size());
    for (const Rect& r : pending) {
        bool covered = false;
        for (const Tile* tile : tiles) {
            if (!tile->isVisible() || !tile->isRedrawPending()) {
                continue;
            }
            const int tx = tile->getX();
            const int ty = tile->getY();
            const int tw = tile->getWidth();
            const int th = tile->getHeight();
            if (r.left < tx || r.top < ty || r.right > tx + tw || r.bottom > ty + th) {
                continue;
            }
            const Rect whole{0, 0, tw, th};
            for (const Rect& d : tile->getDirtyRects()) {
                covered = covered || d == whole;
            }
            break;  // tiles never overlap: no other tile can hold this rectangle
        }
        if (!covered) {
            kept.push_back(r);
        }
    }
    if (kept.size() == pending.size()) {
        return;
    }
    background->clearDirty();
    for (const Rect& r : kept) {
        background->addDirtyRect(r);
    }
}

solver::Arrangement TileBoard::arrangement() const {
    solver::Arrangement a;
    a.columns = getColumns();
    a.rows = getRows();
    a.cells.resize(static_cast<std::size_t>(getTileCount()));
    for (int i = 0; i < getTileCount(); ++i) {
        const Tile* tile = tileAt(i);
        a.cells[static_cast<std::size_t>(i)] =
            tile->getHomeRow() * a.columns + tile->getHomeColumn();
    }
    a.emptyCell = getEmptyRow() * a.columns + getEmptyColumn();
    return a;
}

}  // namespace zolva
