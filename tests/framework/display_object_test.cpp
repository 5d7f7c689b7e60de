#include <gtest/gtest.h>

#include <QImage>
#include <QTemporaryDir>
#include <memory>
#include <vector>

#include "framework/color_rect.h"
#include "framework/display_object.h"
#include "framework/events.h"
#include "framework/picture.h"
#include "framework/surface.h"

namespace zolva {
namespace {

// A sheet of `count` frames of w x h in one row; every pixel encodes (frame, x, y) so a
// wrong source rectangle shows up as a wrong colour.
std::uint32_t sheetPixel(int frame, int x, int y) {
    return static_cast<std::uint32_t>((frame + 1) << 16 | (y << 8) | x);
}

class SheetFixture : public ::testing::Test {
protected:
    std::unique_ptr<Picture> makeSheet(int w, int h, int count) {
        QImage image(w * count, h, QImage::Format_RGB32);
        for (int f = 0; f < count; ++f) {
            for (int y = 0; y < h; ++y) {
                for (int x = 0; x < w; ++x) {
                    image.setPixel(f * w + x, y, 0xFF000000u | sheetPixel(f, x, y));
                }
            }
        }
        const QString path = dir.filePath(QStringLiteral("sheet%1.png").arg(sheets++));
        EXPECT_TRUE(image.save(path));
        return std::make_unique<Picture>(path, w * count, h, count, 1, count);
    }

    QTemporaryDir dir;
    int sheets = 0;
};

// A container that adopts children the way the game's own composites do.
class Group : public DisplayObject {
public:
    Group(DisplayObject* parentObject, int px, int py, int w, int h) {
        init(parentObject, px, py, nullptr);
        width = w;
        height = h;
        mouseEnabled = true;
        keyEnabled = true;
    }
    template <typename T, typename... Args>
    T* add(Args&&... args) {
        auto child = std::make_unique<T>(this, std::forward<Args>(args)...);
        T* raw = child.get();
        children.push_back(std::move(child));
        return raw;
    }
};

// Records the order in which the dispatch asks it, and answers with a fixed result.
class Probe : public DisplayObject {
public:
    Probe(DisplayObject* parentObject, std::vector<int>* log, int id, int answer)
        : log_(log), id_(id), answer_(answer) {
        init(parentObject, 5, 7, nullptr);
    }
    int mouseEvent(int, int, int px, int py) override {
        log_->push_back(id_);
        lastX = px;
        lastY = py;
        return answer_;
    }
    int keyEvent(int, int, int) override {
        log_->push_back(id_);
        return answer_;
    }
    int lastX = 0;
    int lastY = 0;

private:
    std::vector<int>* log_;
    int id_;
    int answer_;
};

TEST(DirtyRects, ClippingFollowsTheObjectBounds) {
    ColorRect r(nullptr, 0, 0, 20, 20, 0);
    r.clearDirty();
    r.addDirtyRect(Rect{-5, -5, 10, 10});
    r.addDirtyRect(Rect{15, 15, 40, 40});
    r.addDirtyRect(Rect{20, 0, 30, 5});  // left at width: dropped
    r.addDirtyRect(Rect{0, 20, 5, 30});  // top at height: dropped
    r.addDirtyRect(Rect{-9, 0, 0, 5});   // right at 0: dropped
    r.addDirtyRect(Rect{0, -9, 5, 0});   // bottom at 0: dropped
    r.addDirtyRect(Rect{3, 3, 3, 8});    // empty but inside: kept, no merging
    r.addDirtyRect(Rect{3, 3, 3, 8});
    EXPECT_EQ(r.getDirtyRects(), (std::vector<Rect>{Rect{0, 0, 10, 10}, Rect{15, 15, 20, 20},
                                                    Rect{3, 3, 3, 8}, Rect{3, 3, 3, 8}}));
    r.markAllDirty();
    EXPECT_EQ(r.getDirtyRects(), (std::vector<Rect>{Rect{0, 0, 20, 20}}));

    // Hidden objects and objects that do not paint themselves collect nothing.
    r.setVisible(false);
    r.addDirtyRect(Rect{0, 0, 1, 1});
    r.markAllDirty();
    EXPECT_EQ(r.getDirtyRects().size(), 1u);
    Group g(nullptr, 0, 0, 20, 20);
    g.addDirtyRect(Rect{0, 0, 5, 5});
    g.markAllDirty();
    EXPECT_TRUE(g.getDirtyRects().empty());
}

TEST_F(SheetFixture, InvalidationClimbsToTheRootAndReachesSiblings) {
    auto sheet = makeSheet(10, 10, 1);
    Group root(nullptr, 0, 0, 100, 100);
    Group* branch = root.add<Group>(20, 30, 50, 50);
    DisplayObject* leaf = branch->add<DisplayObject>(5, 5, sheet.get());
    DisplayObject* sibling = branch->add<DisplayObject>(8, 8, sheet.get());
    ColorRect* under = root.add<ColorRect>(0, 0, 100, 100, 0u);
    for (DisplayObject* o :
         {static_cast<DisplayObject*>(&root), static_cast<DisplayObject*>(branch), leaf, sibling,
          static_cast<DisplayObject*>(under)}) {
        o->clearDirty();
    }
    Surface fb(100, 100);
    ASSERT_TRUE(root.draw(fb));
    EXPECT_FALSE(root.isRedrawPending());

    leaf->invalidate();
    EXPECT_TRUE(root.isRedrawPending());
    EXPECT_TRUE(branch->isRedrawPending());
    // The overlapping sibling is told the leaf's area in its own coordinates.
    EXPECT_EQ(sibling->getDirtyRects(), (std::vector<Rect>{Rect{0, 0, 7, 7}}));
    // The root hands the branch's whole bounds, in root space, to its other children.
    EXPECT_EQ(under->getDirtyRects(), (std::vector<Rect>{Rect{20, 30, 70, 80}}));
}

TEST(Invalidate, HidingDoesNotRepaintButShowingDoes) {
    Group root(nullptr, 0, 0, 50, 50);
    ColorRect* bg = root.add<ColorRect>(0, 0, 50, 50, 0u);
    ColorRect* box = root.add<ColorRect>(10, 10, 5, 5, 0xFFFFFFu);
    bg->clearDirty();
    box->setVisible(false);
    EXPECT_TRUE(bg->getDirtyRects().empty());
    box->setVisible(true);
    EXPECT_EQ(bg->getDirtyRects(), (std::vector<Rect>{Rect{10, 10, 15, 15}}));

    // Moving dirties both the old and the new place underneath.
    bg->clearDirty();
    box->setPosition(30, 40);
    EXPECT_EQ(bg->getDirtyRects(), (std::vector<Rect>{Rect{10, 10, 15, 15}, Rect{30, 40, 35, 45}}));
    // Shrinking dirties only the new, smaller area.
    bg->clearDirty();
    box->setSize(2, 2);
    EXPECT_EQ(bg->getDirtyRects(), (std::vector<Rect>{Rect{30, 40, 32, 42}}));
}

TEST_F(SheetFixture, DrawBlitsOnlyDirtyRectanglesOfFlaggedSubtrees) {
    auto sheet = makeSheet(10, 10, 3);
    Group root(nullptr, 0, 0, 100, 100);
    root.setOrigin(3, 4);
    Group* left = root.add<Group>(0, 0, 50, 100);
    Group* right = root.add<Group>(50, 0, 50, 100);
    DisplayObject* a = left->add<DisplayObject>(10, 10, sheet.get());
    DisplayObject* b = right->add<DisplayObject>(10, 10, sheet.get());
    Surface fb(120, 120);
    fb.setTrackDamage(true);
    ASSERT_TRUE(root.draw(fb));
    fb.takeDamage();

    // Frame 2 of `b`, a sub-rectangle only: exactly that reaches the target, from the
    // frame's cell, at origin + position.
    b->setFrame(2);
    b->clearDirty();
    b->addDirtyRect(Rect{2, 3, 6, 5});
    ASSERT_TRUE(root.draw(fb));
    EXPECT_EQ(fb.takeDamage(), (std::vector<Rect>{Rect{3 + 60 + 2, 4 + 10 + 3, 69, 19}}));
    EXPECT_EQ(fb.image().pixel(65, 17) & 0xFFFFFFu, sheetPixel(2, 2, 3));
    EXPECT_EQ(fb.image().pixel(68, 18) & 0xFFFFFFu, sheetPixel(2, 5, 4));

    // An unflagged subtree is not visited even if something inside holds dirty areas.
    a->addDirtyRect(Rect{0, 0, 10, 10});
    ASSERT_TRUE(root.draw(fb));
    EXPECT_TRUE(fb.takeDamage().empty());
    // The same rectangle twice is blitted twice.
    root.invalidateRect(Rect{10, 10, 12, 12});
    root.invalidateRect(Rect{10, 10, 12, 12});
    ASSERT_TRUE(root.draw(fb));
    EXPECT_EQ(fb.takeDamage().size(), 3u);  // the stale full rect plus the two repeats
}

TEST_F(SheetFixture, DrawStopsAtTheFirstFailedBlit) {
    auto missing = std::make_unique<Picture>(dir.filePath("nope.png"), 10, 10, 1, 1, 1);
    Group root(nullptr, 0, 0, 50, 50);
    DisplayObject* broken = root.add<DisplayObject>(0, 0, missing.get());
    ColorRect* after = root.add<ColorRect>(0, 0, 50, 50, 0xFFFFFFu);
    after->invalidate();
    Surface fb(50, 50);
    const auto pending = broken->getDirtyRects();
    EXPECT_FALSE(root.draw(fb));
    EXPECT_EQ(broken->getDirtyRects(), pending);   // left for a later attempt
    EXPECT_FALSE(after->getDirtyRects().empty());  // never reached
}

TEST_F(SheetFixture, FrameSelectionClampsOrWraps) {
    auto sheet = makeSheet(4, 4, 3);
    DisplayObject s(nullptr, 0, 0, sheet.get());
    struct Case {
        bool loop;
        int request;
        int expected;
    };
    for (const Case& c : {Case{false, 5, 2}, Case{false, -4, 0}, Case{true, 5, 2}, Case{true, 3, 0},
                          Case{true, -1, 2}, Case{true, -7, 2}}) {
        s.setLoop(false);
        s.setFrame(1);
        s.setLoop(c.loop);
        s.setFrame(c.request);
        EXPECT_EQ(s.getFrame(), c.expected) << "loop " << c.loop << " request " << c.request;
    }
    // Asking for the shown frame is a no-op: nothing is dirtied.
    s.clearDirty();
    s.setFrame(s.getFrame());
    EXPECT_TRUE(s.getDirtyRects().empty());
    // One past the end without loop still repaints.
    s.setLoop(false);
    s.setFrame(2);
    s.clearDirty();
    s.nextFrame();
    EXPECT_EQ(s.getFrame(), 2);
    EXPECT_EQ(s.getDirtyRects().size(), 1u);
}

TEST(Dispatch, MouseAndKeysGoTopmostFirstAndStopAtTwo) {
    std::vector<int> log;
    Group root(nullptr, 100, 200, 10, 10);
    Probe* bottom = root.add<Probe>(&log, 0, 0);
    root.add<Probe>(&log, 1, 7);
    root.add<Probe>(&log, 2, 0);
    EXPECT_EQ(root.mouseEvent(msg::WM_LBUTTONDOWN, 0, 130, 250), 0);
    EXPECT_EQ(log, (std::vector<int>{2, 1, 0}));
    EXPECT_EQ(bottom->lastX, 30);  // converted into the root's local space
    EXPECT_EQ(bottom->lastY, 50);

    log.clear();
    root.add<Probe>(&log, 3, 2);
    EXPECT_EQ(root.keyEvent(msg::WM_KEYDOWN, msg::VK_LEFT, 0), 2);
    EXPECT_EQ(log, (std::vector<int>{3}));

    // Results other than 0 and 2 pass through from the bottom-most child.
    Group other(nullptr, 0, 0, 1, 1);
    other.add<Probe>(&log, 9, 7);
    other.add<Probe>(&log, 8, 0);
    EXPECT_EQ(other.mouseEvent(msg::WM_MOUSEMOVE, 0, 0, 0), 7);

    // Dispatch disabled: no child is asked.
    log.clear();
    ColorRect plain(nullptr, 0, 0, 1, 1, 0);
    EXPECT_EQ(plain.mouseEvent(msg::WM_LBUTTONDOWN, 0, 0, 0), 0);
    EXPECT_TRUE(log.empty());
}

TEST(ColorRectDraw, FillsOnlyWhatWasDirtied) {
    Group root(nullptr, 0, 0, 40, 40);
    ColorRect* r = root.add<ColorRect>(10, 10, 20, 20, 0x00FF00u);
    Surface fb(40, 40);
    fb.setTrackDamage(true);
    ASSERT_TRUE(root.draw(fb));
    EXPECT_TRUE(fb.takeDamage().empty());  // a new rectangle starts clean

    root.invalidateRect(Rect{0, 0, 15, 15});
    ASSERT_TRUE(root.draw(fb));
    EXPECT_EQ(fb.takeDamage(), (std::vector<Rect>{Rect{10, 10, 15, 15}}));
    EXPECT_EQ(fb.image().pixel(12, 12) & 0xFFFFFFu, 0x00FF00u);
    EXPECT_EQ(fb.image().pixel(16, 16) & 0xFFFFFFu, 0u);

    r->invalidate();
    r->setVisible(false);
    ASSERT_TRUE(root.draw(fb));
    EXPECT_TRUE(fb.takeDamage().empty());
    EXPECT_EQ(r->getDirtyRects().size(), 1u);  // kept for when it shows again
}

}  // namespace
}  // namespace zolva
