#include <gtest/gtest.h>

#include "tests/game/game_test_support.h"

namespace zolva {
namespace {

using msg::MK_LBUTTON;

// Records each notification with the state and frame the button showed when it arrived.
struct Recorder : DisplayObject {
    void childEvent(DisplayObject* child, int code) override {
        const auto* b = static_cast<Button*>(child);
        notes.push_back({code, b->getState(), b->getFrame()});
    }
    std::vector<std::array<int, 3>> notes;
    std::vector<int> codes() const {
        std::vector<int> out;
        for (const auto& n : notes)
            out.push_back(n[0]);
        return out;
    }
};

struct ProbeButton : Button {
    using Button::Button;
    void force(int s) { state = s; }
};

struct ButtonTest : ::testing::Test {
    test::SpriteSheets sheets;
    Recorder parent;
    ProbeButton button{&parent, 147, 10, sheets.buttons.get(), 0, 1, 2};
};

constexpr int N = Button::Normal, H = Button::Hover, P = Button::Pressed,
              O = Button::PressedOutside, X = -1;  // X: frame kept / no event
const struct {
    int (Button::*op)();
    int from, to, frame, event, result;
} kTable[] = {
    {&Button::press, N, P, 2, Button::Down, 2},
    {&Button::press, H, P, 2, Button::Down, 2},
    {&Button::press, P, P, X, Button::Down, 2},
    {&Button::press, O, P, 2, Button::Down, 2},
    {&Button::releaseInside, N, H, 1, Button::Over, 2},
    {&Button::releaseInside, H, H, X, Button::Over, 2},
    {&Button::releaseInside, P, H, 1, Button::Click, 2},
    {&Button::releaseInside, O, H, 1, Button::Over, 2},
    {&Button::releaseOutside, N, N, X, X, 0},
    {&Button::releaseOutside, H, N, 0, X, 0},
    {&Button::releaseOutside, P, N, 0, X, 0},
    {&Button::releaseOutside, O, N, X, Button::ReleaseOutside, 1},
    {&Button::moveInside, N, H, 1, Button::Over, 2},
    {&Button::moveInside, H, H, X, X, 2},
    {&Button::moveInside, P, H, 1, Button::Over, 2},
    {&Button::moveInside, O, H, 1, Button::Over, 2},
    {&Button::moveOutside, N, N, X, X, 0},
    {&Button::moveOutside, H, N, 0, Button::Out, 1},
    {&Button::moveOutside, P, N, 0, X, 1},
    {&Button::moveOutside, O, N, X, X, 1},
    {&Button::dragInside, N, N, X, X, 0},
    {&Button::dragInside, H, P, 2, X, 2},
    {&Button::dragInside, P, P, X, X, 2},
    {&Button::dragInside, O, P, 2, Button::DragOver, 2},
    {&Button::dragOutside, N, N, X, X, 0},
    {&Button::dragOutside, H, N, 0, X, 0},
    {&Button::dragOutside, P, O, 0, Button::DragOut, 2},
    {&Button::dragOutside, O, O, X, X, 0},
};

TEST_F(ButtonTest, EveryTransitionSetsStateFrameEventAndResult) {
    for (std::size_t i = 0; i < std::size(kTable); ++i) {
        const auto& row = kTable[i];
        button.force(row.from);
        button.setFrame(4);  // a frame no transition shows, to see whether it is kept
        parent.notes.clear();
        EXPECT_EQ((button.*row.op)(), row.result) << i;
        EXPECT_EQ(button.getState(), row.to) << i;
        EXPECT_EQ(button.getFrame(), row.frame == X ? 4 : row.frame) << i;
        using Notes = std::vector<std::array<int, 3>>;
        const Notes expected =
            row.event == X ? Notes{} : Notes{{row.event, row.to, button.getFrame()}};
        EXPECT_EQ(parent.notes, expected) << i;
    }
}

TEST_F(ButtonTest, ClickWithExcursionAndDragOffRelease) {
    std::vector<int> frames;
    for (auto [message, keys, px] :
         {std::array{msg::WM_LBUTTONDOWN, MK_LBUTTON, 150},
          std::array{msg::WM_MOUSEMOVE, MK_LBUTTON, 200},
          std::array{msg::WM_MOUSEMOVE, MK_LBUTTON, 160}, std::array{msg::WM_LBUTTONUP, 0, 160}}) {
        button.mouseEvent(message, keys, px, 20);
        frames.push_back(button.getFrame());
    }
    EXPECT_EQ(parent.codes(),
              (std::vector<int>{Button::Down, Button::DragOut, Button::DragOver, Button::Click}));
    EXPECT_EQ(frames, (std::vector<int>{2, 0, 2, 1}));

    parent.notes.clear();
    button.mouseEvent(msg::WM_LBUTTONDOWN, MK_LBUTTON, 150, 20);
    button.mouseEvent(msg::WM_MOUSEMOVE, MK_LBUTTON, 100, 20);
    EXPECT_EQ(button.mouseEvent(msg::WM_LBUTTONUP, 0, 100, 20), 1);
    EXPECT_EQ(parent.codes(),
              (std::vector<int>{Button::Down, Button::DragOut, Button::ReleaseOutside}));
    EXPECT_EQ(button.getFrame(), 0);
}

TEST_F(ButtonTest, HitTestTakesLeftAndTopEdgesOnly) {
    for (int px : {146, 147, 172, 173}) {
        for (int py : {9, 10, 35, 36}) {
            button.force(Button::Normal);
            const bool inside = px >= 147 && px <= 172 && py >= 10 && py <= 35;
            EXPECT_EQ(button.mouseEvent(msg::WM_LBUTTONDOWN, MK_LBUTTON, px, py), inside ? 2 : 0);
            EXPECT_EQ(button.getState(), inside ? Button::Pressed : Button::Normal);
        }
    }
    EXPECT_EQ(button.mouseEvent(msg::WM_RBUTTONDOWN, 0, 150, 20), 0);
}

}  // namespace
}  // namespace zolva
