#include "framework/display_object.h"

#include "framework/events.h"
#include "framework/picture.h"
#include "framework/surface.h"

namespace zolva {

DisplayObject::DisplayObject(DisplayObject* parentObject, int px, int py, Picture* pic) {
    DisplayObject::init(parentObject, px, py, pic);
}

// Children are deleted front to back in index order, so that the tree comes apart in the
// same order it is drawn, whatever order the container would choose.
DisplayObject::~DisplayObject() {
    for (auto& child : children) {
        child.reset();
    }
    children.clear();
    clearDirty();
}

void DisplayObject::init(DisplayObject* parentObject, int px, int py, Picture* pic) {
    if (parentObject != nullptr) {
        originX = parentObject->getX() + parentObject->getOriginX();
        originY = parentObject->getY() + parentObject->getOriginY();
    } else {
        originX = 0;
        originY = 0;
    }
    x = px;
    y = py;
    parent = parentObject;
    frame = 0;
    visible = true;
    animated = false;
    loop = false;
    children.clear();
    picture = pic;
    if (picture != nullptr) {
        width = picture->frameWidth();
        height = picture->frameHeight();
        frameCount = picture->frameCount();
        // Load the sheet now so the first draw does not stall on decoding; a sheet that
        // fails to load shows up as a failed blit later.
        picture->createSurface();
        drawsSelf = true;
    } else {
        width = 0;
        height = 0;
        frameCount = 0;
        drawsSelf = false;
    }
    needsRedraw = true;
    dirtyRects.clear();
    markAllDirty();
    mouseEnabled = false;
    keyEnabled = false;
}

void DisplayObject::setOriginX(int ox) {
    originX = ox;
    for (auto& child : children) {
        child->setOriginX(ox + x);
    }
}

void DisplayObject::setOriginY(int oy) {
    originY = oy;
    for (auto& child : children) {
        child->setOriginY(oy + y);
    }
}

void DisplayObject::setOrigin(int ox, int oy) {
    originX = ox;
    originY = oy;
    for (auto& child : children) {
        child->setOrigin(ox + x, oy + y);
    }
}

void DisplayObject::setX(int nx) {
    invalidate();
    x = nx;
    invalidate();
    for (auto& child : children) {
        child->setOriginX(originX + nx);
    }
}

void DisplayObject::setY(int ny) {
    invalidate();
    y = ny;
    invalidate();
    for (auto& child : children) {
        child->setOriginY(originY + ny);
    }
}

void DisplayObject::setPosition(int nx, int ny) {
    invalidate();
    x = nx;
    y = ny;
    invalidate();
    for (auto& child : children) {
        child->setOrigin(originX + nx, originY + ny);
    }
}

void DisplayObject::moveX(int dx) {
    setX(x + dx);
}
void DisplayObject::moveY(int dy) {
    setY(y + dy);
}
void DisplayObject::moveBy(int dx, int dy) {
    setPosition(x + dx, y + dy);
}

void DisplayObject::setWidth(int w) {
    width = w;
    invalidate();
}

void DisplayObject::setHeight(int h) {
    height = h;
    invalidate();
}

void DisplayObject::setSize(int w, int h) {
    width = w;
    height = h;
    invalidate();
}

void DisplayObject::setFrame(int n) {
    // The requested value is compared, not the clamped one: asking for one past the last
    // frame without looping still repaints and still calls the hook.
    if (n == frame) {
        return;
    }
    if (frameCount <= 0) {
        return;  // nothing to select from; a modulo by zero would be undefined
    }
    if (n >= frameCount) {
        frame = loop ? n % frameCount : frameCount - 1;
    } else if (n < 0) {
        frame = loop ? ((n % frameCount) + frameCount) % frameCount : 0;
    } else {
        frame = n;
    }
    invalidate();
    onFrameChanged();
}

void DisplayObject::nextFrame() {
    setFrame(frame + 1);
}
void DisplayObject::prevFrame() {
    setFrame(frame - 1);
}

void DisplayObject::setVisible(bool v) {
    visible = v;
    invalidate();
}

void DisplayObject::tick() {
    if (animated) {
        nextFrame();
    }
}

void DisplayObject::addDirtyRect(const Rect& r) {
    if (!visible || !drawsSelf) {
        return;
    }
    Rect c = r;
    if (c.left < 0) {
        c.left = 0;
    } else if (c.left >= width) {
        return;
    }
    if (c.top < 0) {
        c.top = 0;
    } else if (c.top >= height) {
        return;
    }
    if (c.right <= 0) {
        return;
    }
    if (c.right > width) {
        c.right = width;
    }
    if (c.bottom <= 0) {
        return;
    }
    if (c.bottom > height) {
        c.bottom = height;
    }
    dirtyRects.push_back(c);
}

void DisplayObject::markAllDirty() {
    if (!visible || !drawsSelf) {
        return;
    }
    dirtyRects.assign(1, Rect{0, 0, width, height});
}

void DisplayObject::invalidateRect(const Rect& r) {
    if (!visible) {
        return;
    }
    needsRedraw = true;
    const Rect local{r.left - x, r.top - y, r.right - x, r.bottom - y};
    addDirtyRect(local);
    for (auto& child : children) {
        child->invalidateRect(local);
    }
}

void DisplayObject::invalidateAll() {
    if (!visible) {
        return;
    }
    needsRedraw = true;
    markAllDirty();
    for (auto& child : children) {
        child->invalidateAll();
    }
}

void DisplayObject::invalidate() {
    if (!visible) {
        return;
    }
    needsRedraw = true;
    markAllDirty();
    for (auto& child : children) {
        child->invalidateAll();
    }
    if (parent != nullptr) {
        parent->childChanged(this);
    }
}

void DisplayObject::childChanged(DisplayObject* child) {
    if (!visible) {
        return;
    }
    needsRedraw = true;
    const Rect b{child->getX(), child->getY(), child->getX() + child->getWidth(),
                 child->getY() + child->getHeight()};
    addDirtyRect(b);
    for (auto& other : children) {
        if (other.get() != child) {
            other->invalidateRect(b);
        }
    }
    if (parent != nullptr) {
        parent->childChanged(this);
    }
}

void DisplayObject::clearDirty() {
    dirtyRects.clear();
}

int DisplayObject::mouseEvent(int message, int keys, int px, int py) {
    if (!mouseEnabled) {
        return msg::kNotHandled;
    }
    const int lx = px - x;
    const int ly = py - y;
    int result = msg::kNotHandled;
    for (auto it = children.rbegin(); it != children.rend(); ++it) {
        result = (*it)->mouseEvent(message, keys, lx, ly);
        if (result == msg::kConsumed) {
            return msg::kConsumed;
        }
    }
    return result;
}

int DisplayObject::keyEvent(int message, int wParam, int lParam) {
    if (!keyEnabled) {
        return msg::kNotHandled;
    }
    int result = msg::kNotHandled;
    for (auto it = children.rbegin(); it != children.rend(); ++it) {
        result = (*it)->keyEvent(message, wParam, lParam);
        if (result == msg::kConsumed) {
            return msg::kConsumed;
        }
    }
    return result;
}

void DisplayObject::childEvent(DisplayObject* /*child*/, int /*code*/) {}

bool DisplayObject::draw(Surface& target) {
    if (!visible || !needsRedraw) {
        return true;
    }
    needsRedraw = false;
    if (drawsSelf && !dirtyRects.empty()) {
        if (picture == nullptr || picture->columns() <= 0) {
            return false;
        }
        const int column = frame % picture->columns();
        const int row = frame / picture->columns();
        const int cellX = column * picture->frameWidth();
        const int cellY = row * picture->frameHeight();
        for (const Rect& r : dirtyRects) {
            const int w = r.width();
            const int h = r.height();
            const Rect source{cellX + r.left, cellY + r.top, cellX + r.left + w, cellY + r.top + h};
            const int left = originX + x + r.left;
            const int top = originY + y + r.top;
            const Rect destination{left, top, left + w, top + h};
            if (!picture->blit(target, destination, source)) {
                return false;
            }
        }
        clearDirty();
    }
    for (auto& child : children) {
        if (!child->draw(target)) {
            return false;
        }
    }
    return true;
}

}  // namespace zolva
