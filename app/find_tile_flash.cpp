#include "app/find_tile_flash.h"

#include <utility>

namespace zolva {

FindTileFlash::FindTileFlash(std::function<void(int number)> invert, QObject* parent)
    : QObject(parent), invert(std::move(invert)) {
    timer.setInterval(periodMs);
    connect(&timer, &QTimer::timeout, this, &FindTileFlash::tick);
}

void FindTileFlash::start(int tileNumber) {
    finish();
    number = tileNumber;
    tickCount = 0;
    timer.start();
}

void FindTileFlash::finish() {
    if (timer.isActive() && tickCount % 2 == 1) {
        tick();
    }
    timer.stop();
    tickCount = 0;
}

void FindTileFlash::tick() {
    invert(number);
    if (++tickCount >= 2) {
        tickCount = 0;
        timer.stop();
    }
}

}  // namespace zolva
