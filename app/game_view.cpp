#include "app/game_view.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "app/window_zoom.h"
#include "framework/events.h"
#include "game/game_screen.h"
#include "puzzle/tile_board.h"

namespace zolva {

namespace {

// The tree takes positions as two unsigned 16-bit halves of one word. While a button is
// held the toolkit keeps reporting the pointer beyond the view's edges, even at negative
// positions; those are pinned to the nearest representable value instead of wrapping round
// to the far side of the screen.
int wordCoordinate(double value) {
    return std::clamp(static_cast<int>(value), 0, 0xFFFF);
}

int keyStateFlags(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers) {
    int flags = 0;
    if (buttons & Qt::LeftButton) {
        flags |= msg::MK_LBUTTON;
    }
    if (buttons & Qt::RightButton) {
        flags |= msg::MK_RBUTTON;
    }
    if (buttons & Qt::MiddleButton) {
        flags |= msg::MK_MBUTTON;
    }
    if (modifiers & Qt::ShiftModifier) {
        flags |= msg::MK_SHIFT;
    }
    if (modifiers & Qt::ControlModifier) {
        flags |= msg::MK_CONTROL;
    }
    return flags;
}

// 0 for a button the tree has no message for (back, forward and the like).
int buttonDownMessage(Qt::MouseButton button) {
    switch (button) {
        case Qt::LeftButton:
            return msg::WM_LBUTTONDOWN;
        case Qt::RightButton:
            return msg::WM_RBUTTONDOWN;
        case Qt::MiddleButton:
            return msg::WM_MBUTTONDOWN;
        default:
            return 0;
    }
}

int buttonUpMessage(Qt::MouseButton button) {
    switch (button) {
        case Qt::LeftButton:
            return msg::WM_LBUTTONUP;
        case Qt::RightButton:
            return msg::WM_RBUTTONUP;
        case Qt::MiddleButton:
            return msg::WM_MBUTTONUP;
        default:
            return 0;
    }
}

// Letters, digits and function keys keep their usual virtual-key numbers so the tree sees
// the same codes on every platform; keys it has no use for arrive as 0.
int virtualKey(int qtKey) {
    switch (qtKey) {
        case Qt::Key_Left:
            return msg::VK_LEFT;
        case Qt::Key_Up:
            return msg::VK_UP;
        case Qt::Key_Right:
            return msg::VK_RIGHT;
        case Qt::Key_Down:
            return msg::VK_DOWN;
        default:
            break;
    }
    if ((qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) || (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)) {
        return qtKey;
    }
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24) {
        return 0x70 + (qtKey - Qt::Key_F1);
    }
    return 0;
}

// Key data word: repeat count 1, bit 30 set when the key was already down (auto-repeat
// and every release), bit 31 set on release.
int keyData(bool release, bool autoRepeat) {
    std::uint32_t data = 1;
    if (release || autoRepeat) {
        data |= 1u << 30;
    }
    if (release) {
        data |= 1u << 31;
    }
    return static_cast<int>(data);
}

}  // namespace

GameView::GameView(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    // Every pixel comes from the framebuffer, so the toolkit need not erase first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    slideTimer.setTimerType(Qt::PreciseTimer);
    connect(&slideTimer, &QTimer::timeout, this, &GameView::nextSlideFrame);
}

QSize GameView::zoomedSize(int percent) const {
    if (screen == nullptr) {
        return {};
    }
    return zoom::zoomed(QSize(screen->getWidth(), screen->getHeight()), percent);
}

void GameView::setZoom(int percent) {
    finishSlide();
    zoomPercent = percent;
    if (screen != nullptr) {
        setFixedSize(zoomedSize(zoomPercent));
    }
    update();
}

bool GameView::scalesWhole() const {
    const double device = scale() * devicePixelRatioF();
    return std::abs(device - std::round(device)) < 1e-9;
}

QRegion GameView::toView(const QRegion& area) const {
    const double s = scale();
    if (s == 1.0 && scalesWhole()) {
        return area;
    }
    // A smoothed pixel blends its neighbours: a changed pixel shows up to a zoomed pixel
    // further out.
    const int spread = scalesWhole() ? 0 : static_cast<int>(std::ceil(s));
    QRegion shown;
    for (const QRect& r : area) {
        const int left = static_cast<int>(std::floor(r.left() * s)) - spread;
        const int top = static_cast<int>(std::floor(r.top() * s)) - spread;
        const int right = static_cast<int>(std::ceil((r.left() + r.width()) * s)) + spread;
        const int bottom = static_cast<int>(std::ceil((r.top() + r.height()) * s)) + spread;
        shown += QRect(left, top, right - left, bottom - top);
    }
    return shown & QRect(QPoint(0, 0), zoomedSize(zoomPercent));
}

QRect GameView::toFrame(const QRect& area) const {
    const double s = scale();
    const int reach = scalesWhole() ? 0 : 2;
    const int left = static_cast<int>(std::floor(area.left() / s)) - reach;
    const int top = static_cast<int>(std::floor(area.top() / s)) - reach;
    const int right = static_cast<int>(std::ceil((area.left() + area.width()) / s)) + reach;
    const int bottom = static_cast<int>(std::ceil((area.top() + area.height()) / s)) + reach;
    return QRect(left, top, right - left, bottom - top) & frame.image().rect();
}

void GameView::present(QPainter& painter, const QRegion& region, const QImage& source,
                       QPoint origin) const {
    const QRect available(origin, source.size());
    const double s = scale();
    if (s == 1.0 && scalesWhole()) {
        for (const QRect& r : region) {
            const QRect from = r & available;
            if (!from.isEmpty()) {
                painter.drawImage(from.topLeft(), source, from.translated(-origin));
            }
        }
        return;
    }
    painter.setRenderHint(QPainter::SmoothPixmapTransform, !scalesWhole());
    for (const QRect& r : region) {
        const QRect from = toFrame(r) & available;
        if (from.isEmpty()) {
            continue;
        }
        // Only the pixels inside r: the source grows by what smoothing reads around it.
        painter.setClipRect(r);
        painter.drawImage(
            QRectF(from.left() * s, from.top() * s, from.width() * s, from.height() * s), source,
            from.translated(-origin));
    }
    painter.setClipping(false);
}

void GameView::setSlideAnimation(bool on) {
    animateSlides = on;
    if (!on) {
        finishSlide();
    }
}

void GameView::finishSlide() {
    slideTimer.stop();
    update(toView(slide.finish()));
}

void GameView::nextSlideFrame() {
    update(toView(slide.advance(static_cast<int>(slideClock.elapsed()), frame.image())));
    if (!slide.isRunning()) {
        slideTimer.stop();
    }
}

void GameView::setGameScreen(GameScreen* gameScreen) {
    screen = gameScreen;
    fitToScreen();
}

void GameView::fitToScreen() {
    if (screen == nullptr) {
        return;
    }
    const int width = std::max(screen->getWidth(), 1);
    const int height = std::max(screen->getHeight(), 1);
    slideTimer.stop();
    slide.forget();
    setFixedSize(zoomedSize(zoomPercent));
    // The window fits itself more than once while it is made; a photo-sized frame is
    // allocated once.
    if (frame.isNull() || frame.width() != width || frame.height() != height) {
        frame = Surface(width, height);
    }
    frame.fill(nullptr, backgroundColor);
    frame.setTrackDamage(true);
    screen->invalidateRect(Rect{0, 0, width, height});
    damage = QRegion();
    drawnAhead = QRegion();
    update();
}

bool GameView::drawScreen() {
    return drawInto(QRegion());
}

bool GameView::drawInto(const QRegion& beingPainted) {
    if (screen == nullptr || frame.isNull()) {
        return true;
    }
    const bool drawn = screen->draw(frame);
    QRegion written;
    for (const Rect& r : frame.takeDamage()) {
        written += QRect(r.left, r.top, r.width(), r.height());
    }
    damage = toView(written);
    QRegion shown = damage;
    // Tiles that moved were drawn again; a draw that wrote nothing (most pointer moves)
    // cannot have started a slide.
    if (const TileBoard* board = screen->getBoard(); board != nullptr && !written.isEmpty()) {
        const QRegion changed = slide.follow(*board, frame.image(), animateSlides);
        shown += toView(changed);
        if (!slide.isRunning()) {
            slideTimer.stop();
        } else if (!changed.isEmpty()) {
            // A new slide, so the clock starts over. One frame per refresh of the display.
            const QScreen* display = QWidget::screen();
            const double rate = display != nullptr ? display->refreshRate() : 60.0;
            slideClock.start();
            slideTimer.start(static_cast<int>(std::lround(1000.0 / std::clamp(rate, 24.0, 240.0))));
        }
    }
    const QRegion pending = shown - beingPainted;
    if (!pending.isEmpty()) {
        drawnAhead += pending;
        update(pending);
    }
    if (!drawn) {
        emit drawFailed();
    }
    return drawn;
}

void GameView::paintEvent(QPaintEvent* event) {
    if (screen != nullptr) {
        // The toolkit may have lost what was shown here (an uncovered or newly shown
        // window), so the tree repaints the area before it is copied out; but what this
        // paint only shows of a draw made for a move is already in the frame, and drawing
        // it again would double every move's work.
        const QRegion exposed = event->region() - drawnAhead;
        drawnAhead -= event->region();
        if (!exposed.isEmpty()) {
            const QRect area = toFrame(exposed.boundingRect());
            screen->invalidateRect(Rect{area.left(), area.top(), area.left() + area.width(),
                                        area.top() + area.height()});
        }
        drawInto(event->region());
    }
    QPainter painter(this);
    QRegion fromFrame = event->region();
    if (slide.isRunning()) {
        const QRegion sliding = fromFrame & toView(slide.area());
        fromFrame -= sliding;
        present(painter, sliding, slide.image(), slide.imageOrigin());
    }
    present(painter, fromFrame, frame.image(), QPoint(0, 0));
}

void GameView::deliverMouse(int message, const QMouseEvent* event) {
    if (screen == nullptr || message == 0) {
        return;
    }
    const QPointF at = event->position() / scale();
    screen->mouseEvent(message, keyStateFlags(event->buttons(), event->modifiers()),
                       wordCoordinate(at.x()), wordCoordinate(at.y()));
    drawScreen();
}

void GameView::mousePressEvent(QMouseEvent* event) {
    finishSlide();
    deliverMouse(buttonDownMessage(event->button()), event);
}

void GameView::mouseReleaseEvent(QMouseEvent* event) {
    deliverMouse(buttonUpMessage(event->button()), event);
}

void GameView::mouseDoubleClickEvent(QMouseEvent* event) {
    // The game never asked for double clicks: the second press of one is just a press, so
    // a quick double click on a tile still slides twice.
    finishSlide();
    deliverMouse(buttonDownMessage(event->button()), event);
}

void GameView::mouseMoveEvent(QMouseEvent* event) {
    deliverMouse(msg::WM_MOUSEMOVE, event);
}

void GameView::deliverKey(int message, const QKeyEvent* event) {
    if (screen == nullptr) {
        return;
    }
    screen->keyEvent(message, virtualKey(event->key()),
                     keyData(message == msg::WM_KEYUP, event->isAutoRepeat()));
    drawScreen();
}

void GameView::keyPressEvent(QKeyEvent* event) {
    // Each auto-repeated press is a press of its own: holding an arrow keeps sliding.
    finishSlide();
    deliverKey(msg::WM_KEYDOWN, event);
}

void GameView::keyReleaseEvent(QKeyEvent* event) {
    // Some window systems pair every repeated press with a synthetic release; only the
    // real release counts.
    if (!event->isAutoRepeat()) {
        deliverKey(msg::WM_KEYUP, event);
    }
}

}  // namespace zolva
