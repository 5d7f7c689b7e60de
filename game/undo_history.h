// The player's way back: every run of tiles a press, a key or a played step moved, newest
// last, and the runs taken back, ready to be made again. It only keeps the list; the game
// screen plays the runs, so that a step taken back or made again is a move like any other
// and can never make a time or a move count better.
#pragma once

#include <vector>

namespace zolva {

class UndoHistory {
public:
    // `steps` tiles slid one cell each in `direction` (a TileBoard::SlideDirection).
    struct Run {
        unsigned direction = 0;
        int steps = 0;
        bool operator==(const Run&) const = default;
    };

    // A new move: it goes on the list and whatever was taken back is gone for good.
    void record(Run run);
    // The run that takes the newest one back, which moves to the redo list; nothing when
    // there is nothing to take back.
    bool takeBack(Run& reverse);
    // The run taken back most recently, to be made again; it returns to the undo list.
    bool makeAgain(Run& run);
    void clear();

    bool canUndo() const { return !done.empty(); }
    bool canRedo() const { return !undone.empty(); }

    // The direction that moves a tile back where the given one took it from.
    static unsigned opposite(unsigned direction);

private:
    std::vector<Run> done;
    std::vector<Run> undone;
};

}  // namespace zolva
