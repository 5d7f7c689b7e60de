#include "app/window_zoom.h"

#include <algorithm>

namespace zolva::zoom {

namespace {

bool fits(int percent, QSize screen, QSize chrome, QSize available) {
    const QSize needed = zoomed(screen, percent) + chrome;
    return needed.width() <= available.width() && needed.height() <= available.height();
}

}  // namespace

bool isStep(int percent) {
    return std::find(steps.begin(), steps.end(), percent) != steps.end();
}

QSize zoomed(QSize screen, int percent) {
    const auto side = [percent](int length) { return (std::max(length, 1) * percent + 99) / 100; };
    return QSize(side(screen.width()), side(screen.height()));
}

int largestFitting(int wanted, QSize screen, QSize chrome, QSize available) {
    int best = steps.front();
    for (const int step : steps) {
        if (step <= wanted && fits(step, screen, chrome, available)) {
            best = step;
        }
    }
    return best;
}

int nextStep(int current, int direction, QSize screen, QSize chrome, QSize available) {
    if (direction < 0) {
        int below = current;
        for (const int step : steps) {
            if (step < current) {
                below = step;
            }
        }
        return below;
    }
    for (const int step : steps) {
        if (step > current) {
            return fits(step, screen, chrome, available) ? step : current;
        }
    }
    return current;
}

}  // namespace zolva::zoom
