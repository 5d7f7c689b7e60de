#include "game/digit_counter.h"

#include <algorithm>
#include <memory>

#include "framework/picture.h"

namespace zolva {

DigitCounter::DigitCounter(DisplayObject* parent, int x, int y, Picture* picture, int digits)
    : DisplayObject(parent, x, y, picture) {
    DigitCounter::setDigits(digits, 0);
}

void DigitCounter::setDigits(int digits, int initialValue) {
    // Without a position there is nowhere to put the minus sign, and past nine positions
    // the largest value overflows; both would be undefined behaviour, not a display.
    const int n = std::clamp(digits, 1, MaxDigits);
    const int frameWidth = picture != nullptr ? picture->frameWidth() : 0;
    const int frameHeight = picture != nullptr ? picture->frameHeight() : 0;

    drawsSelf = false;
    width = n * frameWidth;
    height = frameHeight;

    children.clear();
    children.reserve(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        children.push_back(std::make_unique<DisplayObject>(this, i * frameWidth, 0, picture));
    }

    digitCount = n;
    const int c = power(10, n - 1);
    minValue = 1 - c;
    maxValue = 10 * c - 1;
    setValue(initialValue);
}

void DigitCounter::setValue(int v) {
    value = std::clamp(v, minValue, maxValue);
    // The sign follows the requested value, not the clamped one: a one-digit counter asked
    // for a negative number shows the minus sign although it can only hold 0.
    int magnitude = value;
    int positions = digitCount;
    if (v < 0) {
        children.front()->setFrame(MinusFrame);
        magnitude = -value;
        positions = digitCount - 1;
    }
    // Units first; setFrame leaves a digit that did not change alone, so only the changed
    // positions reach the screen.
    for (int i = 0; i < positions; ++i) {
        children[static_cast<std::size_t>(digitCount - 1 - i)]->setFrame(magnitude % 10);
        magnitude /= 10;
    }
}

void DigitCounter::increment() {
    // At the top of the range the value stays put; value + 1 cannot overflow because the
    // range ends well below the largest int.
    setValue(value + 1);
}

int DigitCounter::power(int base, int exponent) {
    int result = 1;
    for (int i = 0; i < exponent; ++i) {
        result *= base;
    }
    return result;
}

void DigitCounter::childChanged(DisplayObject* /*child*/) {
    if (!visible) {
        return;
    }
    needsRedraw = true;
    if (parent != nullptr) {
        parent->childChanged(this);
    }
}

}  // namespace zolva
