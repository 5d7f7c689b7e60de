#include "reliability/soak.h"

#include <QImage>
#include <algorithm>
#include <climits>
#include <memory>
#include <random>
#include <sstream>
#include <vector>

#include "framework/events.h"
#include "framework/image_loader.h"
#include "framework/picture.h"
#include "framework/surface.h"
#include "game/button.h"
#include "game/game_host.h"
#include "game/game_screen.h"
#include "game/game_test_support.h"
#include "puzzle/random_generator.h"
#include "puzzle/tile.h"
#include "puzzle/tile_board.h"
#include "support/board_helpers.h"

namespace zolva::reliability {

namespace {

constexpr int kCounterMax = 9999;  // four digits
constexpr int kMargin = 10;
// The game view never hands the tree a coordinate outside one unsigned 16-bit word.
constexpr int kMaxCoordinate = 0xFFFF;

// A host whose clock ticks only when the soak says so; it counts instead of recording, so
// a million events cost no memory.
struct CountingHost : GameHost {
    void startClock() override {
        running = true;
        ++starts;
    }
    void stopClock() override { running = false; }
    void beep() override { ++beeps; }
    void onPuzzleSolved() override { ++solves; }
    bool running = false;
    std::uint64_t starts = 0;
    std::uint64_t beeps = 0;
    std::uint64_t solves = 0;
};

enum class Event {
    PressInLine,
    AnyMouse,
    Key,
    Tick,
    NewGame,
    Dimensions,
    Corner,
    Numbers,
    Flash,
    Picture,
    NearlySolved,
    UndoOrRedo,
};

// Out of 1000: mostly play, with every option often enough to meet every game state.
constexpr std::pair<Event, int> kWeights[] = {
    {Event::PressInLine, 330}, {Event::AnyMouse, 150},    {Event::Key, 260},
    {Event::Tick, 80},         {Event::NewGame, 25},      {Event::Dimensions, 15},
    {Event::Corner, 15},       {Event::Numbers, 20},      {Event::Flash, 20},
    {Event::Picture, 8},       {Event::NearlySolved, 37}, {Event::UndoOrRedo, 40},
};

const char* eventName(Event e) {
    switch (e) {
        case Event::PressInLine:
            return "press in line";
        case Event::AnyMouse:
            return "mouse";
        case Event::Key:
            return "key";
        case Event::Tick:
            return "tick";
        case Event::NewGame:
            return "new game";
        case Event::Dimensions:
            return "dimensions";
        case Event::Corner:
            return "corner";
        case Event::Numbers:
            return "numbers";
        case Event::Flash:
            return "flash";
        case Event::Picture:
            return "picture";
        case Event::NearlySolved:
            return "nearly solved";
        case Event::UndoOrRedo:
            return "undo or redo";
    }
    return "?";
}

class Soak {
public:
    Soak(std::uint32_t seed, QSize first, QSize second) : random(seed) {
        paths[0] = sheets.write(QStringLiteral("soak-first.png"), first.width(), first.height());
        paths[1] = sheets.write(QStringLiteral("soak-second.png"), second.width(), second.height());
        for (int i = 0; i < 2; ++i) {
            // The game's own loader says which of the two it takes.
            loads[i] = imageio::loadImage(paths[i], pristine[i]);
            pristine[i] = pristine[i].convertToFormat(QImage::Format_RGB32);
        }
        puzzle = std::make_unique<Picture>(paths[0], 1, 1, 1);
        screen = std::make_unique<GameScreen>(nullptr, 0, 0, puzzle.get(), 4, 4, -1, 100, false,
                                              sheets.digits.get(), 4, sheets.buttons.get(), &host);
        // The board seeds the deal from the clock; the soak wants the same run every time.
        random::setState(seed);
        refitFrame();
    }

    SoakReport run(std::uint64_t events) {
        for (report.events = 0; report.events < events && report.failure.empty(); ++report.events) {
            const Event e = pick();
            const bool wasSolved = board().getState() == TileBoard::solved;
            const std::uint64_t solves = host.solves;
            step(e);
            if (!screen->draw(frame)) {
                fail(e, "draw failed");
            }
            if (host.solves != solves + (!wasSolved && board().getState() == TileBoard::solved)) {
                fail(e, "a solve reported other than once");
            }
            check(e);
            if (report.events % 1000 == 999) {
                checkPixels(e);
            }
        }
        return report;
    }

private:
    Event pick() {
        int roll = int(below(1000));
        for (const auto& [event, weight] : kWeights) {
            if (roll < weight) {
                return event;
            }
            roll -= weight;
        }
        return Event::Key;
    }

    std::uint64_t below(std::uint64_t n) { return random() % n; }
    int between(int low, int high) { return low + int(below(std::uint64_t(high - low) + 1)); }

    TileBoard& board() const { return *screen->getBoard(); }

    void refitFrame() {
        frame = Surface(std::max(screen->getWidth(), 1), std::max(screen->getHeight(), 1));
        frame.fill(nullptr, 0x808080);
        screen->invalidateRect(Rect{0, 0, frame.width(), frame.height()});
    }

    // A point inside cell (c, r) of the board, in screen space.
    std::pair<int, int> pointIn(int c, int r) {
        const TileBoard& b = board();
        const int x0 = Tile::cellEdge(c, b.getWidth(), b.getColumns());
        const int x1 = Tile::cellEdge(c + 1, b.getWidth(), b.getColumns());
        const int y0 = Tile::cellEdge(r, b.getHeight(), b.getRows());
        const int y1 = Tile::cellEdge(r + 1, b.getHeight(), b.getRows());
        return {b.getX() + between(x0, std::max(x0, x1 - 1)),
                b.getY() + between(y0, std::max(y0, y1 - 1))};
    }

    std::pair<int, int> anyPoint() {
        if (below(5) == 0) {
            return {between(0, kMaxCoordinate), between(0, kMaxCoordinate)};
        }
        return {between(0, screen->getWidth() + 20), between(0, screen->getHeight() + 20)};
    }

    // Runs one input event and books the slides it caused: a press slides a straight run
    // and a key one tile, so the empty cell's travel is the number of slides. A new game
    // (a click on the button) zeroes the counters instead.
    void input(const auto& send) {
        const int column = board().getEmptyColumn();
        const int row = board().getEmptyRow();
        const std::uint64_t starts = host.starts;
        send();
        if (host.starts != starts) {
            ++report.newGames;
            moves = 0;
            time = 1;
            return;
        }
        const int slides =
            std::abs(board().getEmptyColumn() - column) + std::abs(board().getEmptyRow() - row);
        report.slides += std::uint64_t(slides);
        moves = std::min(moves + slides, kCounterMax);
    }

    void optionChanged() {
        ++report.optionChanges;
        moves = 0;
        time = 0;
    }

    void step(Event e) {
        switch (e) {
            case Event::PressInLine: {
                // Any cell of the empty cell's row or column, the empty cell included.
                const bool sameRow = below(2) == 0;
                const int c =
                    sameRow ? between(0, board().getColumns() - 1) : board().getEmptyColumn();
                const int r = sameRow ? board().getEmptyRow() : between(0, board().getRows() - 1);
                const auto [px, py] = pointIn(c, r);
                input([&] { screen->mouseEvent(msg::WM_LBUTTONDOWN, msg::MK_LBUTTON, px, py); });
                break;
            }
            case Event::AnyMouse: {
                const int message = between(msg::WM_MOUSEMOVE, msg::WM_MBUTTONDBLCLK);
                const int keys = int(below(32));
                const auto [px, py] = anyPoint();
                input([&] { screen->mouseEvent(message, keys, px, py); });
                break;
            }
            case Event::Key: {
                const int message = below(10) == 0 ? msg::WM_KEYUP : msg::WM_KEYDOWN;
                const int key =
                    below(8) == 0 ? int(below(256)) : between(msg::VK_LEFT, msg::VK_DOWN);
                input([&] { screen->keyEvent(message, key, 1); });
                break;
            }
            case Event::Tick:
                // The real clock only ticks while it runs.
                if (host.running) {
                    screen->timerTick();
                    time = std::min(time + 1, kCounterMax);
                }
                break;
            case Event::NewGame:
                if (below(2) == 0) {
                    const Button& b = *screen->getNewGameButton();
                    const int px = b.getX() + b.getWidth() / 2;
                    const int py = b.getY() + b.getHeight() / 2;
                    input([&] {
                        screen->mouseEvent(msg::WM_LBUTTONDOWN, msg::MK_LBUTTON, px, py);
                        screen->mouseEvent(msg::WM_LBUTTONUP, 0, px, py);
                    });
                } else {
                    screen->newGame();
                    ++report.newGames;
                    moves = 0;
                    time = 1;
                }
                break;
            case Event::Dimensions: {
                static constexpr int kOdd[] = {INT_MIN, -7, 0, 1, 2, 11, 100, INT_MAX};
                const bool odd = below(10) == 0;
                const int columns = odd ? kOdd[below(8)] : between(3, 10);
                const int rows = odd ? kOdd[below(8)] : between(3, 10);
                screen->setDimensions(columns, rows);
                optionChanged();
                break;
            }
            case Event::Corner: {
                static constexpr int kOdd[] = {INT_MIN, -2, 0, 1, 5, 9, 99, INT_MAX};
                const bool odd = below(5) == 0;
                const int x = odd ? kOdd[below(8)] : (below(2) == 0 ? -1 : 100);
                const int y = odd ? kOdd[below(8)] : (below(2) == 0 ? -1 : 100);
                screen->setEmptyCorner(x, y);
                optionChanged();
                break;
            }
            case Event::Numbers:
                screen->setShowNumber(!screen->getShowNumber());
                if (!screen->getShowNumber()) {
                    checkPixels(e);
                }
                break;
            case Event::Flash: {
                // Find Tile flashes once: on, drawn, off.
                const int index = between(-2, board().getTileCount() + 1);
                screen->flashTile(index);
                if (!screen->draw(frame)) {
                    fail(e, "draw during a flash failed");
                }
                screen->flashTile(index);
                break;
            }
            case Event::Picture: {
                const bool missing = below(10) == 0;
                const int next = 1 - shown;
                const bool ok = screen->changePicture(missing ? sheets.dir.filePath("missing.png")
                                                              : paths[next]);
                ++report.pictureChanges;
                if (ok != (!missing && loads[next])) {
                    fail(e, ok ? "a picture that does not load was accepted"
                               : "a picture that loads was refused");
                }
                if (ok) {
                    shown = next;
                } else {
                    ++report.refusedPictures;
                }
                optionChanged();
                refitFrame();
                checkPixels(e);
                break;
            }
            case Event::NearlySolved:
                nearlySolve();
                break;
            case Event::UndoOrRedo:
                // A run taken back or made again counts every tile it moves, like any slide.
                if (below(2) == 0) {
                    input([&] { screen->undo(); });
                } else {
                    input([&] { screen->redo(); });
                }
                break;
        }
    }

    // A fresh game with every tile put back home by hand, then one slide away from home:
    // random play from there solves the picture often enough to test the end of a game.
    void nearlySolve() {
        screen->newGame();
        ++report.newGames;
        moves = 0;
        time = 1;
        testing::putEveryTileHome(board());
        const int key = between(msg::VK_LEFT, msg::VK_DOWN);
        input([&] { screen->keyEvent(msg::WM_KEYDOWN, key, 1); });
    }

    void fail(Event e, const std::string& what) {
        if (!report.failure.empty()) {
            return;
        }
        std::ostringstream s;
        s << "event " << report.events << " (" << eventName(e) << "): " << what;
        report.failure = s.str();
    }

    int missingHome() const {
        const TileBoard& b = board();
        const int c = std::clamp(b.getEmptyColumnSetting(), 0, b.getColumns() - 1);
        const int r = std::clamp(b.getEmptyRowSetting(), 0, b.getRows() - 1);
        return r * b.getColumns() + c;
    }

    void check(Event e) {
        const TileBoard& b = board();
        const int columns = b.getColumns();
        const int rows = b.getRows();
        if (columns < 3 || columns > 10 || rows < 3 || rows > 10 ||
            b.getTileCount() != columns * rows || b.getChildCount() != columns * rows + 1) {
            return fail(e, "grid out of range");
        }
        const int state = b.getState();
        const int missing = missingHome();
        std::vector<bool> seen(std::size_t(b.getTileCount()), false);
        bool allHome = true;
        for (int cell = 0; cell < b.getTileCount(); ++cell) {
            const Tile* t = b.tileAt(cell);
            const int home = testing::homeCell(*t, columns);
            if (home < 0 || home >= b.getTileCount() || seen[std::size_t(home)]) {
                return fail(e, "the arrangement is not a permutation");
            }
            seen[std::size_t(home)] = true;
            if (t->getColumn() != cell % columns || t->getRow() != cell / columns) {
                return fail(e, "a tile stands in another cell than the arrangement says");
            }
            allHome = allHome && t->isAtHome();
            const bool shouldShow = home != missing || state == TileBoard::solved;
            if (t->isVisible() != shouldShow) {
                return fail(e, home == missing ? "the missing tile shows in play"
                                               : "a tile other than the missing one is hidden");
            }
        }
        const int emptyCell = b.getEmptyRow() * columns + b.getEmptyColumn();
        if (state == TileBoard::playing) {
            const Tile* t = b.tileAt(emptyCell);
            if (testing::homeCell(*t, columns) != missing) {
                return fail(e, "the empty cell does not hold the missing tile");
            }
        } else if (state == TileBoard::idle || state == TileBoard::solved) {
            if (!allHome) {
                return fail(e, "tiles out of place while not in play");
            }
        } else {
            return fail(e, "board left in the shuffling state");
        }
        if (host.running != (state == TileBoard::playing)) {
            return fail(e, "the clock runs outside play or stops in play");
        }
        if (host.solves != host.beeps) {
            return fail(e, "a solve without its beep");
        }
        report.solves = host.solves;
        const int shownMoves = screen->getMoves();
        const int shownTime = screen->getTime();
        if (shownMoves != moves || shownTime != time || shownMoves < 0 ||
            shownMoves > kCounterMax || shownTime < 0 || shownTime > kCounterMax) {
            std::ostringstream s;
            s << "counters show moves " << shownMoves << " time " << shownTime << ", expected "
              << moves << " and " << time;
            return fail(e, s.str());
        }
        if (b.getWidth() != puzzle->width() || b.getHeight() != puzzle->height() ||
            b.getX() < kMargin || screen->getWidth() < b.getWidth() + 2 * kMargin ||
            screen->getHeight() < b.getHeight() + 3 * kMargin) {
            return fail(e, "layout does not fit the picture");
        }
    }

    void checkPixels(Event e) {
        if (screen->getShowNumber() || puzzle->surface() == nullptr) {
            return;
        }
        ++report.pixelChecks;
        if (puzzle->surface()->image() != pristine[shown]) {
            fail(e, "with numbers off the picture differs from its file");
        }
    }

    std::mt19937_64 random;
    test::SpriteSheets sheets;
    QString paths[2];
    QImage pristine[2];
    bool loads[2] = {false, false};
    int shown = 0;
    std::unique_ptr<Picture> puzzle;
    CountingHost host;
    std::unique_ptr<GameScreen> screen;  // after the pictures: destroyed before them
    Surface frame;
    int moves = 0;
    int time = 0;
    SoakReport report;
};

}  // namespace

SoakReport runSoak(std::uint32_t seed, std::uint64_t events, QSize first, QSize second) {
    Soak soak(seed, first, second);
    return soak.run(events);
}

}  // namespace zolva::reliability
