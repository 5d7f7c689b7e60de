// The base of everything the game shows: a small retained sprite tree. Each object has a
// position in its parent's space, a size, an optional sprite sheet with a current frame,
// and owned children drawn on top of it back to front. Operations never draw: they mark
// objects (needsRedraw) and collect dirty rectangles in local space, and draw() later
// blits only those rectangles and visits only flagged subtrees. Mouse and key events
// enter at the root and go to the children topmost first; a result of 2 stops them.
#pragma once

#include <memory>
#include <vector>

#include "rect.h"

namespace zolva {

class Picture;
class Surface;

class DisplayObject {
public:
    // Sets up nothing but the object itself; subclasses call init() themselves.
    DisplayObject() = default;
    // A complete plain sprite.
    DisplayObject(DisplayObject* parent, int x, int y, Picture* picture);
    virtual ~DisplayObject();

    DisplayObject(const DisplayObject&) = delete;
    DisplayObject& operator=(const DisplayObject&) = delete;

    virtual void init(DisplayObject* parent, int x, int y, Picture* picture);

    virtual void setOriginX(int ox);
    virtual void setOriginY(int oy);
    virtual void setOrigin(int ox, int oy);
    virtual int getOriginX() const { return originX; }
    virtual int getOriginY() const { return originY; }

    virtual void setX(int nx);
    virtual void setY(int ny);
    virtual void setPosition(int nx, int ny);
    virtual int getX() const { return x; }
    virtual int getY() const { return y; }
    virtual void moveX(int dx);
    virtual void moveY(int dy);
    virtual void moveBy(int dx, int dy);

    virtual void setWidth(int w);
    virtual void setHeight(int h);
    virtual void setSize(int w, int h);
    virtual int getWidth() const { return width; }
    virtual int getHeight() const { return height; }

    virtual void setFrame(int n);
    virtual int getFrame() const { return frame; }
    virtual void nextFrame();
    virtual void prevFrame();

    virtual void setVisible(bool v);
    virtual bool isVisible() const { return visible; }
    virtual void setLoop(bool v) { loop = v; }
    virtual bool getLoop() const { return loop; }
    virtual void setAnimated(bool v) { animated = v; }
    virtual bool isAnimated() const { return animated; }
    virtual void tick();

    // r in local space: clipped to the object and appended (no merging).
    virtual void addDirtyRect(const Rect& r);
    virtual void markAllDirty();
    // r in parent space: dirties this object and passes the area down its subtree.
    virtual void invalidateRect(const Rect& r);
    virtual void invalidateAll();
    virtual void childChanged(DisplayObject* child);
    virtual void invalidate();
    virtual void clearDirty();
    virtual void onFrameChanged() {}

    // Point in parent space. Returns 2 when consumed, 0 when not handled.
    virtual int mouseEvent(int message, int keys, int px, int py);
    virtual int keyEvent(int message, int wParam, int lParam);
    virtual void childEvent(DisplayObject* child, int code);

    virtual bool draw(Surface& target);

    // Read access for owners and tests.
    DisplayObject* getParent() const { return parent; }
    Picture* getPicture() const { return picture; }
    int getFrameCount() const { return frameCount; }
    int getChildCount() const { return static_cast<int>(children.size()); }
    DisplayObject* getChild(int i) const { return children[static_cast<std::size_t>(i)].get(); }
    const std::vector<Rect>& getDirtyRects() const { return dirtyRects; }
    bool isRedrawPending() const { return needsRedraw; }
    bool getDrawsSelf() const { return drawsSelf; }
    bool isMouseEnabled() const { return mouseEnabled; }
    bool isKeyEnabled() const { return keyEnabled; }

protected:
    DisplayObject* parent = nullptr;
    int originX = 0;
    int originY = 0;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    int frame = 0;
    int frameCount = 0;
    bool visible = true;
    bool animated = false;
    bool loop = false;
    std::vector<Rect> dirtyRects;
    bool needsRedraw = true;
    // Back to front: index 0 is drawn first. Subclasses fill it in their set-up.
    std::vector<std::unique_ptr<DisplayObject>> children;
    Picture* picture = nullptr;  // not owned
    bool drawsSelf = false;
    bool mouseEnabled = false;
    bool keyEnabled = false;
};

}  // namespace zolva
