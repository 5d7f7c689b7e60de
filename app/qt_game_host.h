// QtGameHost is what the game screen sees of the application: the one-second game clock
// (a QTimer whose ticks advance the time counter and are drawn at once), the desktop's
// beep, and the handler of a completed picture, which shows the picture before asking a
// record holder for a name.
#pragma once

#include <QObject>
#include <QTimer>
#include <functional>

#include "game/game_host.h"

class QWidget;

namespace zolva {

class GameScreen;
class RecordKeeper;

class QtGameHost : public QObject, public GameHost {
    Q_OBJECT

public:
    // dialogOwner: the window the record dialogs belong to. drawScreen: puts the screen's
    // changes on display (and deals with a failure to draw). records: where new best times
    // go; it outlives the host.
    QtGameHost(QWidget* dialogOwner, std::function<void()> drawScreen, RecordKeeper& records);

    // The screen is created after its host, so it is attached afterwards; not owned.
    void setGameScreen(GameScreen* screen) { this->screen = screen; }

    void startClock() override;
    void stopClock() override;
    void beep() override;
    void onPuzzleSolved() override;
    void onMovesChanged() override { emit movesChanged(); }

    bool isClockRunning() const { return clock.isActive(); }

signals:
    // Tiles moved, or the game was reset: Undo and Redo may have changed.
    void movesChanged();

public slots:
    // One second of the game clock.
    void tick();

private:
    QWidget* owner;
    std::function<void()> draw;
    RecordKeeper& keeper;
    GameScreen* screen = nullptr;
    QTimer clock;
};

}  // namespace zolva
