#include "app/qt_game_host.h"

#include <QApplication>
#include <utility>

#include "app/new_record_dialog.h"
#include "app/settings_store.h"
#include "game/game_screen.h"

namespace zolva {

namespace {
constexpr int kClockPeriodMs = 1000;
}  // namespace

QtGameHost::QtGameHost(QWidget* dialogOwner, std::function<void()> drawScreen,
                       RecordKeeper& records)
    : owner(dialogOwner), draw(std::move(drawScreen)), keeper(records) {
    clock.setInterval(kClockPeriodMs);
    connect(&clock, &QTimer::timeout, this, &QtGameHost::tick);
}

void QtGameHost::startClock() {
    // Restarting keeps the first second of a new game a full second long.
    clock.start();
}

void QtGameHost::stopClock() {
    clock.stop();
}

void QtGameHost::beep() {
    QApplication::beep();
}

void QtGameHost::tick() {
    if (screen == nullptr) {
        return;
    }
    screen->timerTick();
    draw();
}

void QtGameHost::onPuzzleSolved() {
    // The finished picture goes on screen before any dialog covers the window.
    draw();
    if (screen == nullptr) {
        return;
    }
    // A game the player had help with never sets a record.
    if (screen->isAssisted()) {
        return;
    }
    const int columns = screen->getDimensionX();
    const int rows = screen->getDimensionY();
    const int time = screen->getTime();
    const int moves = screen->getMoves();
    if (SettingsStore::isNewBestTime(columns, rows, time, moves)) {
        runNewRecordFlow(owner, keeper, columns, rows, time, moves);
    }
}

}  // namespace zolva
