// FindTileFlash flashes one tile for Find Tile: two ticks 100 ms apart, the first inverting
// the tile and the second restoring it. A flash cut short is always completed, so the
// picture is never left inverted.
#pragma once

#include <QObject>
#include <QTimer>
#include <functional>

namespace zolva {

class FindTileFlash : public QObject {
    Q_OBJECT

public:
    static constexpr int periodMs = 100;

    // `invert` inverts the tile with the given number (counted from 1) and draws; inverting
    // it again restores it.
    FindTileFlash(std::function<void(int number)> invert, QObject* parent);

    // Completes any flash in progress, then flashes `number`.
    void start(int number);
    // Completes a flash that has inverted its tile but not yet restored it, and stops.
    void finish();
    // One tick: the first inverts the tile, the second restores it and stops.
    void tick();

    bool isActive() const { return timer.isActive(); }
    int ticks() const { return tickCount; }

private:
    std::function<void(int)> invert;
    QTimer timer;
    int number = 0;
    int tickCount = 0;
};

}  // namespace zolva
