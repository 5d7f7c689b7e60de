#include "game/game_screen.h"

#include <algorithm>
#include <memory>

#include "framework/events.h"
#include "game/button.h"
#include "game/digit_counter.h"
#include "game/game_host.h"
#include "puzzle/tile_board.h"

namespace zolva {

namespace {

// Frames of the button strip for its three looks; the strip's last two frames are spare.
constexpr int kNormalFrame = 0;
constexpr int kHoverFrame = 1;
constexpr int kPressedFrame = 2;

constexpr int kMargin = GameScreen::margin;

}  // namespace

GameScreen::GameScreen(DisplayObject* parent, int x, int y, Picture* picture, int columns, int rows,
                       int emptyX, int emptyY, bool showNumber, Picture* digitPicture,
                       int digitCount, Picture* buttonPicture, GameHost* gameHost)
    : host(gameHost) {
    init(parent, x, y, nullptr);
    GameScreen::build(picture, columns, rows, emptyX, emptyY, showNumber, digitPicture, digitCount,
                      buttonPicture);
}

void GameScreen::build(Picture* picture, int columns, int rows, int emptyX, int emptyY,
                       bool showNumber, Picture* digitPicture, int digitCount,
                       Picture* buttonPicture) {
    auto button = std::make_unique<Button>(this, 0, kMargin, buttonPicture, kNormalFrame,
                                           kHoverFrame, kPressedFrame);
    auto moves = std::make_unique<DigitCounter>(this, kMargin, kMargin, digitPicture, digitCount);
    auto time = std::make_unique<DigitCounter>(this, 0, kMargin, digitPicture, digitCount);
    const int barHeight = std::max(moves->getHeight(), button->getHeight());
    auto tileBoard = std::make_unique<TileBoard>(this, kMargin, barHeight + 2 * kMargin, picture,
                                                 columns, rows, emptyX, emptyY, showNumber);

    newGameButton = button.get();
    board = tileBoard.get();
    movesCounter = moves.get();
    timeCounter = time.get();
    children.clear();
    children.push_back(std::move(button));
    children.push_back(std::move(tileBoard));
    children.push_back(std::move(moves));
    children.push_back(std::move(time));

    layOut();
    mouseEnabled = true;
    keyEnabled = true;
}

void GameScreen::layOut() {
    const int buttonWidth = newGameButton->getWidth();
    const int counterWidth = movesCounter->getWidth();
    const int neededWidth = buttonWidth + 2 * counterWidth + 2 * kMargin;
    const int barHeight = std::max(movesCounter->getHeight(), newGameButton->getHeight());
    const int boardWidth = board->getWidth();

    if (neededWidth > boardWidth) {
        // A narrow picture: the bar sets the width and the board is centred under it.
        newGameButton->setX(counterWidth + 2 * kMargin);
        timeCounter->setX(counterWidth + buttonWidth + 3 * kMargin);
        board->setX((neededWidth - boardWidth) / 2 + kMargin);
        width = neededWidth + 2 * kMargin;
    } else {
        // The board sets the width: the button is centred over it and the time counter
        // lines up with its right edge.
        newGameButton->setX((boardWidth - buttonWidth) / 2 + kMargin);
        timeCounter->setX(boardWidth - timeCounter->getWidth() + kMargin);
        board->setX(kMargin);
        width = boardWidth + widthAroundBoard;
    }
    height = board->getHeight() + heightAroundBoard(barHeight);
}

void GameScreen::childChanged(DisplayObject* /*child*/) {
    // The screen paints nothing of its own and its children never overlap, so it only
    // keeps the draw pass coming down to the child that changed.
    if (!visible) {
        return;
    }
    needsRedraw = true;
    if (parent != nullptr) {
        parent->childChanged(this);
    }
}

int GameScreen::mouseEvent(int message, int keys, int px, int py) {
    const int r = newGameButton->mouseEvent(message, keys, px - x, py - y);
    if (r == msg::kConsumed) {
        return r;
    }
    // Moves and releases belong to the button alone; only a press can slide tiles.
    if (message != msg::WM_LBUTTONDOWN) {
        return r;
    }
    if (board->getState() != TileBoard::playing) {
        return msg::kNotHandled;
    }
    const long long boardWidth = board->getWidth();
    const long long boardHeight = board->getHeight();
    if (boardWidth <= 0 || boardHeight <= 0) {
        // A board without a picture has no cells to find (and nothing to divide by).
        return msg::kNotHandled;
    }
    // Only a press on the board itself can slide tiles: the bar above it and the margins
    // around it are not part of the grid.
    const long long localX = static_cast<long long>(px) - x - board->getX();
    const long long localY = static_cast<long long>(py) - y - board->getY();
    if (localX < 0 || localY < 0 || localX >= boardWidth || localY >= boardHeight) {
        return msg::kNotHandled;
    }
    const long long column = localX * board->getColumns() / boardWidth;
    const long long row = localY * board->getRows() / boardHeight;
    const long long emptyColumn = board->getEmptyColumn();
    const long long emptyRow = board->getEmptyRow();

    unsigned direction = 0;
    long long steps = 0;
    if (column == emptyColumn) {
        direction = row < emptyRow ? TileBoard::slideDown : TileBoard::slideUp;
        steps = row < emptyRow ? emptyRow - row : row - emptyRow;
    } else if (row == emptyRow) {
        direction = column < emptyColumn ? TileBoard::slideRight : TileBoard::slideLeft;
        steps = column < emptyColumn ? emptyColumn - column : column - emptyColumn;
    } else {
        return msg::kNotHandled;
    }
    // The empty cell itself moves nothing but still takes the press.
    madeRun(direction, slideRun(direction, steps));
    return msg::kConsumed;
}

int GameScreen::slideRun(unsigned direction, long long steps) {
    int made = 0;
    for (long long i = 0; i < steps; ++i) {
        if (!board->slideTile(direction)) {
            break;
        }
        ++made;
        movesCounter->increment();
        // Once the picture is whole the game is over; the rest of the run must not
        // scramble it again.
        if (checkSolved()) {
            break;
        }
    }
    return made;
}

void GameScreen::madeRun(unsigned direction, int steps) {
    if (steps <= 0) {
        return;
    }
    history.record({direction, steps});
    tellMovesChanged();
}

void GameScreen::forgetMoves() {
    history.clear();
    tellMovesChanged();
}

void GameScreen::tellMovesChanged() {
    if (host != nullptr) {
        host->onMovesChanged();
    }
}

bool GameScreen::canUndo() const {
    return board->getState() == TileBoard::playing && history.canUndo();
}

bool GameScreen::canRedo() const {
    return board->getState() == TileBoard::playing && history.canRedo();
}

bool GameScreen::undo() {
    UndoHistory::Run reverse;
    return canUndo() && history.takeBack(reverse) && replay(reverse);
}

bool GameScreen::redo() {
    UndoHistory::Run run;
    return canRedo() && history.makeAgain(run) && replay(run);
}

bool GameScreen::replay(UndoHistory::Run run) {
    const int made = slideRun(run.direction, run.steps);
    tellMovesChanged();
    return made > 0;
}

int GameScreen::keyEvent(int message, int wParam, int /*lParam*/) {
    if (message != msg::WM_KEYDOWN) {
        return msg::kNotHandled;
    }
    if (board->getState() != TileBoard::playing) {
        return msg::kNotHandled;
    }
    unsigned direction = 0;
    switch (wParam) {
        case msg::VK_LEFT:
            direction = TileBoard::slideLeft;
            break;
        case msg::VK_UP:
            direction = TileBoard::slideUp;
            break;
        case msg::VK_RIGHT:
            direction = TileBoard::slideRight;
            break;
        case msg::VK_DOWN:
            direction = TileBoard::slideDown;
            break;
        default:
            return msg::kNotHandled;
    }
    const int made = slideRun(direction, 1);
    if (made == 0) {
        return msg::kNotHandled;
    }
    madeRun(direction, made);
    return msg::kConsumed;
}

void GameScreen::childEvent(DisplayObject* child, int code) {
    if (child == newGameButton && code == Button::Click) {
        newGame();
    }
}

void GameScreen::newGame() {
    assisted = false;
    movesCounter->setValue(0);
    // A game's time starts at 1, so the clock reads 0001 from the first moment of play.
    timeCounter->setValue(1);
    if (host != nullptr) {
        host->startClock();
    }
    board->shuffle();
    forgetMoves();
}

bool GameScreen::assistedSlide(unsigned direction) {
    if (board->getState() != TileBoard::playing) {
        return false;
    }
    assisted = true;
    const int made = slideRun(direction, 1);
    madeRun(direction, made);
    return made > 0;
}

int GameScreen::getEmptyX() const {
    return board->getEmptyColumnSetting();
}
int GameScreen::getEmptyY() const {
    return board->getEmptyRowSetting();
}

void GameScreen::setEmptyCorner(int x, int y) {
    stopClock();
    zeroCounters();
    board->setEmptySpace(x, y);
    forgetMoves();
}

int GameScreen::getDimensionX() const {
    return board->getColumns();
}
int GameScreen::getDimensionY() const {
    return board->getRows();
}

void GameScreen::setDimensions(int columns, int rows) {
    stopClock();
    zeroCounters();
    board->resize(columns, rows);
    forgetMoves();
}

bool GameScreen::getShowNumber() const {
    return board->getShowNumbers();
}
void GameScreen::setShowNumber(bool flag) {
    board->setShowNumbers(flag);
    forgetMoves();
}
int GameScreen::getTime() const {
    return timeCounter->getValue();
}
int GameScreen::getMoves() const {
    return movesCounter->getValue();
}
void GameScreen::timerTick() {
    timeCounter->increment();
}
void GameScreen::flashTile(int index) {
    board->flashTile(index);
}

bool GameScreen::checkSolved() {
    if (!board->checkSolved()) {
        return false;
    }
    // The clock stops before the report, so a dialog the host runs for a new record
    // cannot let the time run on.
    stopClock();
    if (host != nullptr) {
        host->beep();
        host->onPuzzleSolved();
    }
    return true;
}

bool GameScreen::changePicture(const QString& source) {
    stopClock();
    zeroCounters();
    // The board is reset and resized whether or not the new picture loads, so the screen
    // is laid out again in either case.
    const bool result = board->changePicture(source);
    layOut();
    forgetMoves();
    return result;
}

void GameScreen::stopClock() {
    if (host != nullptr) {
        host->stopClock();
    }
}

void GameScreen::zeroCounters() {
    movesCounter->setValue(0);
    timeCounter->setValue(0);
}

}  // namespace zolva
