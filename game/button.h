// A sprite that behaves as a push button. It follows the left mouse button and the pointer
// through four states, shows one of three frames of its strip for them (normal, hover,
// pressed), and tells its parent what happened through childEvent with a ButtonEvent code;
// the parent decides what a code means. The button does not capture the mouse: it sees
// only the messages its parent passes down, and reacts to moves, left presses and left
// releases alone.
#pragma once

#include "framework/display_object.h"

namespace zolva {

class Button : public DisplayObject {
public:
    // Button states. The gaps in the numbering are deliberate: these are the stored values.
    static constexpr int Normal = 0;
    static constexpr int Hover = 1;
    static constexpr int Pressed = 3;
    static constexpr int PressedOutside = 6;

    // Codes passed to the parent's childEvent. None is never sent.
    enum ButtonEvent : unsigned char {
        None = 0,
        Over = 1,
        Out = 2,
        Down = 3,
        Click = 4,
        ReleaseOutside = 5,
        DragOut = 6,
        DragOver = 7,
    };

    // Sized like one frame of the picture; shows frame 0 until its first transition.
    Button(DisplayObject* parent, int x, int y, Picture* picture, int normal, int hover,
           int pressed);

    // Point in parent space; inside means the left and top edges in, right and bottom out.
    int mouseEvent(int message, int keys, int px, int py) override;

    // One complete transition each; the result is 2 (consumed), 1 or 0 (not handled).
    virtual int press();
    virtual int releaseInside();
    virtual int releaseOutside();
    virtual int moveInside();
    virtual int moveOutside();
    virtual int dragInside();
    virtual int dragOutside();
    // Stores the frames, enables mouse input and returns to Normal without changing the
    // frame shown.
    virtual void setFrames(int normal, int hover, int pressed);

    int getState() const { return state; }
    int getNormalFrame() const { return normalFrame; }
    int getHoverFrame() const { return hoverFrame; }
    int getPressedFrame() const { return pressedFrame; }

protected:
    int state = Normal;
    int normalFrame = 0;
    int hoverFrame = 0;
    int pressedFrame = 0;

private:
    enum class Operation {
        press,
        releaseInside,
        releaseOutside,
        moveInside,
        moveOutside,
        dragInside,
        dragOutside
    };
    int apply(Operation operation);
};

}  // namespace zolva
