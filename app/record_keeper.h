// RecordKeeper stands between a finished game and the store. It offers a new best time to
// the store, which writes it only if it still beats what is held there; if the disk refuses
// it, the player is told why, and the record is kept here and offered again when the game
// closes. It also tells the player when a damaged store file cost a best time.
#pragma once

#include <QString>
#include <functional>
#include <map>

#include "app/settings_store.h"

namespace zolva {

class RecordKeeper {
public:
    // A warning with an OK button owned by the main window.
    using Warning = std::function<void(const QString& caption, const QString& text)>;

    explicit RecordKeeper(Warning warning);

    // Offers the record to the store; a failure is told at once and the record kept.
    RecordWrite offer(Level level, const BestTime& record);
    // Offers every kept record again, quietly: the game is closing. False if one still
    // could not be written.
    bool storeKept();

    // Tells the player about a store file found damaged, if it cost a best time.
    void reportStoreDamage();

private:
    Warning warn;
    std::map<Level, BestTime> kept;
};

}  // namespace zolva
