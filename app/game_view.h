// GameView is the window's client area. It keeps the framebuffer the whole display tree is
// drawn into, shows that framebuffer on screen, and is the one place where toolkit input
// becomes the tree's vocabulary of window messages, key-state flags and virtual-key codes.
// After every input event it draws the game screen, so whatever the event changed reaches
// the screen; only the rectangles the tree actually wrote are repainted.
#pragma once

#include <QRegion>
#include <QWidget>
#include <cstdint>

#include "framework/surface.h"

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

    GameScreen* screen = nullptr;
    Surface frame;
    QRegion damage;
    // Drawn into the frame and handed to the toolkit to show, not yet painted.
    QRegion drawnAhead;
};

}  // namespace zolva
