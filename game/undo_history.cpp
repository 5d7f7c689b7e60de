#include "game/undo_history.h"

#include "puzzle/tile_board.h"

namespace zolva {

void UndoHistory::record(Run run) {
    if (run.steps <= 0) {
        return;
    }
    done.push_back(run);
    undone.clear();
}

bool UndoHistory::takeBack(Run& reverse) {
    if (done.empty()) {
        return false;
    }
    const Run last = done.back();
    done.pop_back();
    undone.push_back(last);
    reverse = {opposite(last.direction), last.steps};
    return true;
}

bool UndoHistory::makeAgain(Run& run) {
    if (undone.empty()) {
        return false;
    }
    run = undone.back();
    undone.pop_back();
    done.push_back(run);
    return true;
}

void UndoHistory::clear() {
    done.clear();
    undone.clear();
}

unsigned UndoHistory::opposite(unsigned direction) {
    switch (direction) {
        case TileBoard::slideLeft:
            return TileBoard::slideRight;
        case TileBoard::slideRight:
            return TileBoard::slideLeft;
        case TileBoard::slideUp:
            return TileBoard::slideDown;
        default:
            return TileBoard::slideUp;
    }
}

}  // namespace zolva
