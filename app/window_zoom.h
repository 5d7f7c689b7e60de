// The zoom steps the window offers and which of them a screen has room for. The game is
// drawn at 1:1 and shown zoomed; the window's client area is the zoomed game screen, so
// a step fits when that area and the window's own frame and menu bar fit the screen.
#pragma once

#include <QSize>
#include <array>

namespace zolva::zoom {

// Percent, smallest first. 100 is the game's own size and always allowed.
inline constexpr std::array<int, 4> steps{100, 150, 200, 300};

bool isStep(int percent);
// `screen` zoomed, each side rounded up so no pixel of an odd size is lost.
QSize zoomed(QSize screen, int percent);
// The largest step up to `wanted` at which the zoomed screen plus `chrome` fits in
// `available`; 100 when none does.
int largestFitting(int wanted, QSize screen, QSize chrome, QSize available);
// The next step above (direction > 0) or below `current` that fits; `current` when there
// is none.
int nextStep(int current, int direction, QSize screen, QSize chrome, QSize available);

}  // namespace zolva::zoom
