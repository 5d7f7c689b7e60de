#include "app/game_view.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <cstdint>

#include "framework/events.h"
#include "game/game_screen.h"

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
    setFixedSize(width, height);
    frame = Surface(width, height);
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
    damage = QRegion();
    for (const Rect& r : frame.takeDamage()) {
        damage += QRect(r.left, r.top, r.width(), r.height());
    }
    const QRegion pending = damage - beingPainted;
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
        const QRect area = (event->region() - drawnAhead).boundingRect();
        drawnAhead -= event->region();
        if (!area.isEmpty()) {
            screen->invalidateRect(Rect{area.left(), area.top(), area.left() + area.width(),
                                        area.top() + area.height()});
        }
        drawInto(event->region());
    }
    QPainter painter(this);
    for (const QRect& r : event->region()) {
        painter.drawImage(r.topLeft(), frame.image(), r);
    }
}

void GameView::deliverMouse(int message, const QMouseEvent* event) {
    if (screen == nullptr || message == 0) {
        return;
    }
    const QPointF at = event->position();
    screen->mouseEvent(message, keyStateFlags(event->buttons(), event->modifiers()),
                       wordCoordinate(at.x()), wordCoordinate(at.y()));
    drawScreen();
}

void GameView::mousePressEvent(QMouseEvent* event) {
    deliverMouse(buttonDownMessage(event->button()), event);
}

void GameView::mouseReleaseEvent(QMouseEvent* event) {
    deliverMouse(buttonUpMessage(event->button()), event);
}

void GameView::mouseDoubleClickEvent(QMouseEvent* event) {
    // The game never asked for double clicks: the second press of one is just a press, so
    // a quick double click on a tile still slides twice.
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
