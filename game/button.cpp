#include "game/button.h"

#include <array>
#include <cstdint>

#include "framework/events.h"

namespace zolva {

namespace {

enum class Show : unsigned char { keep, normal, hover, pressed };

struct Transition {
    int to;
    Show frame;
    Button::ButtonEvent event;
    int result;
};

constexpr Button::ButtonEvent none = Button::None;

// What the button answers the display tree; `seen` is neither answer, so the objects below
// the button are asked as well.
constexpr int consumed = msg::kConsumed;
constexpr int unhandled = msg::kNotHandled;
constexpr int seen = 1;

// One row per operation, one column per state (Normal, Hover, Pressed, PressedOutside).
// Kept as data so the whole machine can be read at a glance; the odd-looking entries (a release
// over a hovered button sends Over again, a plain move away from a pressed button is only
// seen) are intended.
constexpr std::array<std::array<Transition, 4>, 7> kTable{{
    // press
    {{{Button::Pressed, Show::pressed, Button::Down, consumed},
      {Button::Pressed, Show::pressed, Button::Down, consumed},
      {Button::Pressed, Show::keep, Button::Down, consumed},
      {Button::Pressed, Show::pressed, Button::Down, consumed}}},
    // releaseInside
    {{{Button::Hover, Show::hover, Button::Over, consumed},
      {Button::Hover, Show::keep, Button::Over, consumed},
      {Button::Hover, Show::hover, Button::Click, consumed},
      {Button::Hover, Show::hover, Button::Over, consumed}}},
    // releaseOutside
    {{{Button::Normal, Show::keep, none, unhandled},
      {Button::Normal, Show::normal, none, unhandled},
      {Button::Normal, Show::normal, none, unhandled},
      {Button::Normal, Show::keep, Button::ReleaseOutside, seen}}},
    // moveInside
    {{{Button::Hover, Show::hover, Button::Over, consumed},
      {Button::Hover, Show::keep, none, consumed},
      {Button::Hover, Show::hover, Button::Over, consumed},
      {Button::Hover, Show::hover, Button::Over, consumed}}},
    // moveOutside
    {{{Button::Normal, Show::keep, none, unhandled},
      {Button::Normal, Show::normal, Button::Out, seen},
      {Button::Normal, Show::normal, none, seen},
      {Button::Normal, Show::keep, none, seen}}},
    // dragInside: a drag that began elsewhere does not press the button
    {{{Button::Normal, Show::keep, none, unhandled},
      {Button::Pressed, Show::pressed, none, consumed},
      {Button::Pressed, Show::keep, none, consumed},
      {Button::Pressed, Show::pressed, Button::DragOver, consumed}}},
    // dragOutside
    {{{Button::Normal, Show::keep, none, unhandled},
      {Button::Normal, Show::normal, none, unhandled},
      {Button::PressedOutside, Show::normal, Button::DragOut, consumed},
      {Button::PressedOutside, Show::keep, none, unhandled}}},
}};

std::size_t column(int state) {
    switch (state) {
        case Button::Hover:
            return 1;
        case Button::Pressed:
            return 2;
        case Button::PressedOutside:
            return 3;
        default:
            return 0;
    }
}

}  // namespace

Button::Button(DisplayObject* parent, int x, int y, Picture* picture, int normal, int hover,
               int pressed)
    : DisplayObject(parent, x, y, picture) {
    Button::setFrames(normal, hover, pressed);
}

void Button::setFrames(int normal, int hover, int pressed) {
    normalFrame = normal;
    hoverFrame = hover;
    pressedFrame = pressed;
    mouseEnabled = true;
    state = Normal;
}

int Button::mouseEvent(int message, int keys, int px, int py) {
    if (!mouseEnabled) {
        return msg::kNotHandled;
    }
    // 64-bit so that a point far outside cannot overflow into the button.
    const std::int64_t lx = std::int64_t{px} - x;
    const std::int64_t ly = std::int64_t{py} - y;
    const bool inside = lx >= 0 && lx < width && ly >= 0 && ly < height;
    switch (message) {
        case msg::WM_MOUSEMOVE:
            if ((keys & msg::MK_LBUTTON) != 0) {
                return inside ? dragInside() : dragOutside();
            }
            return inside ? moveInside() : moveOutside();
        case msg::WM_LBUTTONDOWN:
            return inside ? press() : msg::kNotHandled;
        case msg::WM_LBUTTONUP:
            return inside ? releaseInside() : releaseOutside();
        default:
            return msg::kNotHandled;
    }
}

int Button::press() {
    return apply(Operation::press);
}
int Button::releaseInside() {
    return apply(Operation::releaseInside);
}
int Button::releaseOutside() {
    return apply(Operation::releaseOutside);
}
int Button::moveInside() {
    return apply(Operation::moveInside);
}
int Button::moveOutside() {
    return apply(Operation::moveOutside);
}
int Button::dragInside() {
    return apply(Operation::dragInside);
}
int Button::dragOutside() {
    return apply(Operation::dragOutside);
}

int Button::apply(Operation operation) {
    const Transition& t = kTable[static_cast<std::size_t>(operation)][column(state)];
    state = t.to;
    switch (t.frame) {
        case Show::normal:
            setFrame(normalFrame);
            break;
        case Show::hover:
            setFrame(hoverFrame);
            break;
        case Show::pressed:
            setFrame(pressedFrame);
            break;
        case Show::keep:
            break;
    }
    // The parent hears about it only once the button already looks the part, so a handler
    // that starts a new game sees the hover frame, not the pressed one.
    if (t.event != None && parent != nullptr) {
        parent->childEvent(this, t.event);
    }
    return t.result;
}

}  // namespace zolva
