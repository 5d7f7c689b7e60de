// What the game screen needs from the program around it: the one-second game clock, the
// beep, and the report of a solved puzzle. The application implements it with a QTimer and
// the desktop's beep; tests use a fake that records the calls and ticks on demand.
#pragma once

namespace zolva {

class GameHost {
public:
    virtual ~GameHost() = default;
    // Starts (or restarts) the clock: one timerTick() on the game screen per second.
    virtual void startClock() = 0;
    // Stops the clock; harmless when it is not running.
    virtual void stopClock() = 0;
    virtual void beep() = 0;
    // The picture is complete. May draw and run modal dialogs before returning.
    virtual void onPuzzleSolved() = 0;
    // Tiles moved, or a new game or an option change reset the game: what Undo and Redo
    // can do may have changed, and a tile marked for the player is out of date.
    virtual void onMovesChanged() {}
};

}  // namespace zolva
