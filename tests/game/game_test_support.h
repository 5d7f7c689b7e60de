// Shared set-up of the game tests: a host that records what the game screen asks of it and
// ticks its clock only on demand, sprite sheets written as PNG files of the shipped sizes
// into a temporary directory (so the tests do not depend on the game's art), and a whole
// game screen built on them.
#pragma once

#include <QTemporaryDir>
#include <algorithm>
#include <array>
#include <memory>
#include <vector>

#include "framework/events.h"
#include "framework/picture.h"
#include "game/button.h"
#include "game/game_host.h"
#include "game/game_screen.h"
#include "game/sprite_sheets.h"
#include "puzzle/tile.h"
#include "puzzle/tile_board.h"
#include "support/board_helpers.h"
#include "support/gradient_image.h"

namespace zolva::test {

struct FakeHost : GameHost {
    enum Call { Start, Stop, Beep, Solved };
    void startClock() override { calls.push_back(Start), running = true; }
    void stopClock() override { calls.push_back(Stop), running = false; }
    void beep() override { calls.push_back(Beep); }
    void onPuzzleSolved() override { calls.push_back(Solved); }
    void tick(GameScreen& screen, int seconds = 1) const {
        for (int i = 0; running && i < seconds; ++i)
            screen.timerTick();
    }
    int count(Call call) const { return static_cast<int>(std::ranges::count(calls, call)); }
    std::vector<Call> calls;
    bool running = false;
};

struct SpriteSheets {
    QString write(const QString& name, int width, int height) const {
        return testing::writeGradientImage(dir.path(), name, width, height);
    }
    std::unique_ptr<Picture> sheet(const QString& name, const SpriteSheet& geometry) const {
        return std::make_unique<Picture>(write(name, geometry.width, geometry.height),
                                         geometry.columns, geometry.rows, geometry.frames);
    }
    QTemporaryDir dir;
    std::unique_ptr<Picture> digits = sheet("d.png", kDigitSheet);
    std::unique_ptr<Picture> buttons = sheet("b.png", kButtonSheet);
};

struct TestGame {
    explicit TestGame(int columns = 4, int rows = 4, int emptyX = -1, int emptyY = 100,
                      int pictureWidth = 300, int pictureHeight = 300)
        : puzzle(std::make_unique<Picture>(sheets.write("p.png", pictureWidth, pictureHeight), 1, 1,
                                           1)),
          screen(std::make_unique<GameScreen>(nullptr, 0, 0, puzzle.get(), columns, rows, emptyX,
                                              emptyY, false, sheets.digits.get(), 4,
                                              sheets.buttons.get(), &host)) {}

    TileBoard& board() const { return *screen->getBoard(); }
    int press(int px, int py) const {
        return screen->mouseEvent(msg::WM_LBUTTONDOWN, msg::MK_LBUTTON, px, py);
    }
    // A press in the middle of a cell of the grid.
    int pressCell(int c, int r) const {
        const TileBoard& b = board();
        const int w = b.getWidth(), h = b.getHeight(), n = b.getColumns(), m = b.getRows();
        return press(b.getX() + (c * w / n + (c + 1) * w / n) / 2,
                     b.getY() + (r * h / m + (r + 1) * h / m) / 2);
    }
    int key(int virtualKey) const { return screen->keyEvent(msg::WM_KEYDOWN, virtualKey, 1); }
    void clickNewGame() const {
        const Button& b = *screen->getNewGameButton();
        press(b.getX(), b.getY());
        screen->mouseEvent(msg::WM_LBUTTONUP, 0, b.getX(), b.getY());
    }
    // Home cell index of the tile in each cell.
    std::vector<int> arrangement() const { return board().arrangement().cells; }
    // A fresh game whose tiles are then put back in home order: playing, not yet solved.
    void playFromHome() const {
        screen->newGame();
        testing::putEveryTileHome(board());
    }

    SpriteSheets sheets;
    std::unique_ptr<Picture> puzzle;
    FakeHost host;
    std::unique_ptr<GameScreen> screen;  // declared last: destroyed before the pictures
};

}  // namespace zolva::test
