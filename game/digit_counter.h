// A fixed row of digit sprites cut from a digit strip, like a seven-segment display: every
// position is always shown, with leading zeros, and a negative value puts a minus sign in
// the leftmost position. Values outside what the positions can show are clamped, never
// rejected. The counter paints nothing itself; its digits are its children, and a change
// repaints only the digits whose frame changed.
#pragma once

#include "framework/display_object.h"

namespace zolva {

class DigitCounter : public DisplayObject {
public:
    // Frame of the strip that shows the minus sign; frames 0 to 9 are the digits.
    static constexpr int MinusFrame = 10;
    // More positions than this would not fit the range in a 32-bit value.
    static constexpr int MaxDigits = 9;

    DigitCounter(DisplayObject* parent, int x, int y, Picture* picture, int digits);

    // Keeps the ancestors' redraw flags set without adding rectangles of its own: the
    // digit that changed has already dirtied itself.
    void childChanged(DisplayObject* child) override;
    // Builds the digit sprites and the range for `digits` positions (clamped to 1 to
    // MaxDigits), then shows `initialValue`.
    virtual void setDigits(int digits, int initialValue);

    void setValue(int v);
    void increment();
    int getValue() const { return value; }
    int getDigitCount() const { return digitCount; }
    int getMinValue() const { return minValue; }
    int getMaxValue() const { return maxValue; }

    // base raised to exponent by repeated multiplication; 1 for an exponent of 0 or less.
    static int power(int base, int exponent);

protected:
    int digitCount = 0;
    int minValue = 0;
    int maxValue = 0;
    int value = 0;
};

}  // namespace zolva
