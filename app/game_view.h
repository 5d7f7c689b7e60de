// GameView is the window's client area. It keeps the framebuffer the whole display tree is
// drawn into, shows that framebuffer on screen, and is the one place where toolkit input
// becomes the tree's vocabulary of window messages, key-state flags and virtual-key codes.
// After every input event it draws the game screen, so whatever the event changed reaches
// the screen; only the rectangles the tree actually wrote are repainted.
//
// The tree always draws at 1:1; the view shows its framebuffer zoomed (pixels repeated at
// whole factors, smoothed otherwise, judged in device pixels) and maps the pointer back.
// A run of tiles that has just slid can glide into place on screen for a moment, while the
// game and the framebuffer are already past the move.
#pragma once

#include <QElapsedTimer>
#include <QRegion>
#include <QTimer>
#include <QWidget>
#include <cstdint>

#include "app/slide_animation.h"
#include "framework/surface.h"

class QPainter;

namespace zolva {

class GameScreen;

class GameView : public QWidget {
    Q_OBJECT

public:
    // The light grey that shows wherever the tree paints nothing (margins, bar gaps).
    static constexpr std::uint32_t backgroundColor = 0xC0C0C0;

    explicit GameView(QWidget* parent = nullptr);

    // The screen is not owned and must outlive the view's use of it; the view takes its
    // size at once.
    void setGameScreen(GameScreen* screen);
    GameScreen* gameScreen() const { return screen; }

    // Takes the screen's current size. The framebuffer starts over as plain background and
    // the whole screen is marked for redrawing, as after an erased window.
    void fitToScreen();

    // Draws whatever is dirty and schedules the damaged pixels for repainting. False when
    // the tree could not draw; drawFailed has been emitted by then.
    bool drawScreen();

    const Surface& framebuffer() const { return frame; }
    // The area written by the latest draw, in view coordinates.
    const QRegion& lastDamage() const { return damage; }

    // Percent; the view takes the zoomed size of the screen at once.
    void setZoom(int percent);
    int zoom() const { return zoomPercent; }
    // The view's size for the screen at a zoom.
    QSize zoomedSize(int percent) const;

    // Whether slides glide; turning it off ends a slide in progress.
    void setSlideAnimation(bool on);
    bool slideAnimation() const { return animateSlides; }
    bool isSliding() const { return slide.isRunning(); }
    // Shows the end of a slide in progress at once.
    void finishSlide();

signals:
    void drawFailed();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    // beingPainted: the part of the view a paint event is putting on screen right now; it
    // is not scheduled again, or painting would never settle.
    bool drawInto(const QRegion& beingPainted);
    void deliverMouse(int message, const QMouseEvent* event);
    void deliverKey(int message, const QKeyEvent* event);
    void nextSlideFrame();
    double scale() const { return zoomPercent / 100.0; }
    // Whether the zoom, in device pixels, repeats pixels a whole number of times.
    bool scalesWhole() const;
    // A framebuffer area as the view pixels that show it, and the other way round; both
    // grow by what smoothing reads from or spreads to the neighbours.
    QRegion toView(const QRegion& area) const;
    QRect toFrame(const QRect& area) const;
    // Paints the part of `region` that `source`, lying at `origin` in the framebuffer,
    // covers.
    void present(QPainter& painter, const QRegion& region, const QImage& source,
                 QPoint origin) const;

    GameScreen* screen = nullptr;
    Surface frame;
    QRegion damage;
    // Drawn into the frame and handed to the toolkit to show, not yet painted.
    QRegion drawnAhead;
    int zoomPercent = 100;
    bool animateSlides = false;
    SlideAnimation slide;
    QTimer slideTimer;
    QElapsedTimer slideClock;
};

}  // namespace zolva
