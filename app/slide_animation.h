// SlideAnimation lets a run of tiles glide into place after the board has already moved
// it. The board, the counters and the framebuffer change at once as ever; this class only
// works out, for a moment afterwards, what the few cells of the run should look like on
// the way, in a small picture of its own laid over the framebuffer when shown. It notices
// a slide by comparing the board with the arrangement it saw last, so every way a tile can
// be moved (a press, an arrow, Solve) glides the same.
#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QRegion>
#include <vector>

namespace zolva {

class TileBoard;

class SlideAnimation {
public:
    static constexpr int durationMs = 120;

    // To be called after every draw of the board into `frame`. Remembers where every tile
    // stands. When the board has changed since the last call, a slide still running ends;
    // and when the change is one run of tiles each slid one cell (and `animate` is on), a
    // new slide starts with the run back where it came from. Returns the framebuffer area
    // whose look has changed by this: it is to be shown again.
    QRegion follow(const TileBoard& board, const QImage& frame, bool animate);
    // Nothing to compare with: after the board or the framebuffer was made anew.
    void forget();

    bool isRunning() const { return running; }
    // Takes the run to where it is `elapsedMs` into the slide, reading the tiles' pixels
    // from their places in `frame`; at durationMs the slide is over. Returns the
    // framebuffer area that changed: only the moving tiles' rectangles, then and now.
    QRegion advance(int elapsedMs, const QImage& frame);
    // Ends the slide at once; returns the area to be shown from the framebuffer again.
    QRegion finish();

    // While running: the cells of the run in framebuffer coordinates, and what they show
    // now, a picture whose top-left corner lies at imageOrigin() in the framebuffer.
    QRect area() const { return strip; }
    const QImage& image() const { return picture; }
    QPoint imageOrigin() const { return pictureOrigin; }

private:
    struct Mover {
        QRect from;  // the tile's rectangle in its old cell
        QRect to;    // and in its new one, where the framebuffer holds its pixels
        QRect shown;
    };
    struct Arrangement {
        int columns = 0;
        int rows = 0;
        QRect board;                // in the framebuffer
        std::vector<QPoint> cells;  // by home index
        int hidden = -1;            // home index of the tile left out
        bool operator==(const Arrangement&) const = default;
    };

    static Arrangement arrangementOf(const TileBoard& board);
    bool startRun(const TileBoard& board, const Arrangement& now, const QImage& frame);
    // A cell of the grid, or a tile's rectangle in it when tileSize is valid.
    static QRect cellRect(const Arrangement& at, int column, int row, QSize tileSize);
    void compose(const QRegion& area, const QImage& frame);

    Arrangement seen;
    bool remembered = false;
    bool running = false;
    std::vector<Mover> movers;
    QRect strip;
    QImage picture;
    QPoint pictureOrigin;
    unsigned background = 0;
};

}  // namespace zolva
