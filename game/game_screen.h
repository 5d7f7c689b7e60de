// The root of the display tree and the driver of the game: it owns the board, the
// new-game button and the moves and seconds counters, lays them out from the sizes of
// their pictures, turns mouse presses and arrow keys into slides, counts moves, runs the
// game clock through its host and reports a completed picture. Menu commands reach the
// board only through it.
#pragma once

#include <QString>

#include "framework/display_object.h"
#include "game/undo_history.h"

namespace zolva {

class Button;
class DigitCounter;
class GameHost;
class TileBoard;

class GameScreen : public DisplayObject {
public:
    GameScreen(DisplayObject* parent, int x, int y, Picture* picture, int columns, int rows,
               int emptyX, int emptyY, bool showNumber, Picture* digitPicture, int digitCount,
               Picture* buttonPicture, GameHost* host);

    // The 10-pixel margin around the bar and the board, and between them.
    static constexpr int margin = 10;
    // How much wider and higher than its board the screen is when the board sets the width,
    // under a bar `barHeight` high.
    static constexpr int widthAroundBoard = 2 * margin;
    static constexpr int heightAroundBoard(int barHeight) { return barHeight + 3 * margin; }

    void childChanged(DisplayObject* child) override;
    int mouseEvent(int message, int keys, int px, int py) override;
    int keyEvent(int message, int wParam, int lParam) override;
    void childEvent(DisplayObject* child, int code) override;

    virtual void newGame();
    virtual int getEmptyX() const;
    virtual int getEmptyY() const;
    virtual void setEmptyCorner(int x, int y);
    virtual int getDimensionX() const;
    virtual int getDimensionY() const;
    virtual void setDimensions(int columns, int rows);
    virtual bool getShowNumber() const;
    virtual void setShowNumber(bool flag);
    virtual int getTime() const;
    virtual int getMoves() const;
    virtual void timerTick();
    virtual bool checkSolved();
    virtual void flashTile(int index);
    virtual bool changePicture(const QString& source);
    virtual void build(Picture* picture, int columns, int rows, int emptyX, int emptyY,
                       bool showNumber, Picture* digitPicture, int digitCount,
                       Picture* buttonPicture);

    // Assisted play: a game in which the player took a hint or let the game solve it is
    // marked and never counts for a best time. The mark lasts until the next new game.
    void markAssisted() { assisted = true; }
    bool isAssisted() const { return assisted; }
    // One slide made for the player (Solve): counted and tested for a solution like a key
    // press, but only while a game is being played. False when nothing moved.
    bool assistedSlide(unsigned direction);

    // Undo takes back the newest run of tiles and Redo makes the newest run taken back
    // again. Every tile moved either way counts as a move and is tested for a solution, so
    // neither can improve a game's result. Both need a game in play and something to take
    // back or make again; a new move forgets what Redo had, and a new game or any option
    // change forgets both. False when nothing moved.
    bool undo();
    bool redo();
    bool canUndo() const;
    bool canRedo() const;

    // Read access for the shell and tests.
    TileBoard* getBoard() const { return board; }
    Button* getNewGameButton() const { return newGameButton; }
    DigitCounter* getMovesCounter() const { return movesCounter; }
    DigitCounter* getTimeCounter() const { return timeCounter; }

protected:
    void stopClock();
    void zeroCounters();
    // Slides up to `steps` tiles one cell each toward the empty cell, counting each step
    // the board accepts; stops at the first refused step or at the step that solves it.
    // Returns the number of steps made.
    int slideRun(unsigned direction, long long steps);
    // A run the player (or Solve) made: remembered for Undo, and the host is told.
    void madeRun(unsigned direction, int steps);
    // A new game or an option change: the old moves can no longer be taken back.
    void forgetMoves();
    void tellMovesChanged();
    // Slides a run taken from the history, undone or made again; false when nothing moved.
    bool replay(UndoHistory::Run run);
    // Places the button, the time counter and the board for the board's current width,
    // and sizes the screen around them.
    void layOut();

    // Owned through children, in drawing order: button, board, moves, time.
    Button* newGameButton = nullptr;
    TileBoard* board = nullptr;
    DigitCounter* movesCounter = nullptr;
    DigitCounter* timeCounter = nullptr;
    GameHost* host = nullptr;  // not owned; may be null
    bool assisted = false;
    UndoHistory history;
};

}  // namespace zolva
