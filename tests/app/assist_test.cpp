#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QStandardPaths>

#include "app/assist_controller.h"
#include "app/game_view.h"
#include "framework/picture.h"
#include "game/game_screen.h"
#include "puzzle/tile.h"
#include "puzzle/tile_board.h"
#include "shell_test_support.h"
#include "solver/five_by_five_tables.h"
#include "solver/pattern_tables.h"
#include "support/board_helpers.h"

namespace zolva {
namespace {

using testing::ModalScript;
using testing::runTimerPeriods;
using testing::ShellTest;
using testing::waitFor;

// Puts every tile of a dealt game back home but for one step: the tile right of the empty
// bottom-left corner slid into it. The board stays in play.
void oneStepFromHome(TileBoard& board) {
    testing::putEveryTileHome(board);
    ASSERT_TRUE(board.slideTile(TileBoard::slideLeft));
}

class AssistTest : public ShellTest {
protected:
    // A fresh Intermediate game whose assistant plans without the 4x4 tables.
    std::unique_ptr<MainWindow> intermediateGame() {
        auto window = makeWindow();
        window->action(MainWindow::cmdIntermediate)->trigger();
        window->action(MainWindow::cmdNew)->trigger();
        window->assistController()->setPreparesTables(false);
        return window;
    }
};

TEST_F(AssistTest, SolvedWithHelpTheGameNeverAsksForARecord) {
    auto window = intermediateGame();
    window->assistController()->setStepInterval(0);
    ModalScript noDialogs({});
    window->action(MainWindow::cmdSolve)->trigger();
    TileBoard* board = window->gameScreen()->getBoard();
    ASSERT_TRUE(waitFor([&] { return board->getState() == TileBoard::solved; }));
    EXPECT_TRUE(window->gameScreen()->isAssisted());
    EXPECT_GT(window->gameScreen()->getMoves(), 0);
    // A record dialog would have opened inside the solving move itself, before the wait ends.
    EXPECT_EQ(noDialogs.unexpected(), 0);
    EXPECT_EQ(SettingsStore::readBestTime(Level::Intermediate).time, 9999u);

    // A new game is unassisted again.
    window->action(MainWindow::cmdNew)->trigger();
    EXPECT_FALSE(window->gameScreen()->isAssisted());
}

TEST_F(AssistTest, AnyKeyOrOptionChangeStopsSolve) {
    auto window = intermediateGame();
    constexpr int kStepMs = 20;
    window->assistController()->setStepInterval(kStepMs);
    GameScreen* screen = window->gameScreen();

    window->action(MainWindow::cmdSolve)->trigger();
    ASSERT_TRUE(waitFor([&] { return screen->getMoves() >= 3; }));
    QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier);
    QApplication::sendEvent(window->gameView(), &press);
    const int stoppedAt = screen->getMoves();
    runTimerPeriods(kStepMs, 3);
    EXPECT_EQ(screen->getMoves(), stoppedAt);
    EXPECT_FALSE(window->assistController()->isBusy());

    window->action(MainWindow::cmdSolve)->trigger();
    ASSERT_TRUE(waitFor([&] { return screen->getMoves() >= stoppedAt + 3; }));
    window->action(MainWindow::cmdShowNumbers)->trigger();
    const int stoppedAgain = screen->getMoves();
    runTimerPeriods(kStepMs, 3);
    EXPECT_EQ(screen->getMoves(), stoppedAgain);
    EXPECT_EQ(screen->getBoard()->getState(), TileBoard::playing);
}

// Home indexes of the tiles whose picture cell differs from `before` in the middle.
std::vector<int> markedTiles(const TileBoard& board, const QImage& before) {
    const QImage& now = board.getPicture()->surface()->image();
    const int columns = board.getColumns();
    const int cellWidth = now.width() / columns;
    const int cellHeight = now.height() / board.getRows();
    std::vector<int> marked;
    for (int home = 0; home < board.getTileCount(); ++home) {
        const QPoint centre((home % columns) * cellWidth + cellWidth / 2,
                            (home / columns) * cellHeight + cellHeight / 2);
        if (now.pixel(centre) != before.pixel(centre)) {
            marked.push_back(home);
        }
    }
    return marked;
}

TEST_F(AssistTest, HintMarksTheNextTileUntilAMoveAndAskingAgainMakesIt) {
    auto window = makeWindow();
    AssistController* assist = window->assistController();
    assist->setPreparesTables(false);
    window->action(MainWindow::cmdHint)->trigger();  // no game yet: nothing happens
    EXPECT_FALSE(assist->isHintShown());
    EXPECT_FALSE(window->gameScreen()->isAssisted());

    window->action(MainWindow::cmdNew)->trigger();
    TileBoard* board = window->gameScreen()->getBoard();
    oneStepFromHome(*board);
    const int expectedHome = (board->getRows() - 1) * board->getColumns() + 1;
    const QImage before = board->getPicture()->surface()->image().copy();

    window->action(MainWindow::cmdHint)->trigger();
    ASSERT_TRUE(waitFor([&] { return assist->isHintShown(); }));
    EXPECT_EQ(markedTiles(*board, before), std::vector<int>{expectedHome});
    EXPECT_TRUE(window->gameScreen()->isAssisted());
    EXPECT_EQ(window->findTileNumber(), 0);  // Find Tile's own proposal is untouched

    // Any move takes the mark off.
    QKeyEvent left(QEvent::KeyPress, Qt::Key_Left, Qt::NoModifier);
    QApplication::sendEvent(window->gameView(), &left);
    EXPECT_FALSE(assist->isHintShown());
    EXPECT_EQ(board->getPicture()->surface()->image(), before);

    // Back on the hinted board, a hint asked for while the mark shows makes its move.
    window->action(MainWindow::cmdUndo)->trigger();
    window->action(MainWindow::cmdHint)->trigger();
    EXPECT_TRUE(assist->isHintShown());  // the same plan, no need to wait
    window->action(MainWindow::cmdHint)->trigger();
    EXPECT_FALSE(assist->isHintShown());
    EXPECT_EQ(board->getState(), TileBoard::solved);
    EXPECT_EQ(window->gameScreen()->getMoves(), 3);
    EXPECT_EQ(board->getPicture()->surface()->image(), before);
}

// A second hint on the same board keeps to the first one's plan instead of planning
// afresh, so a player who follows the hints is led home.
TEST_F(AssistTest, HintsKeepToOnePlanWhileTheBoardStaysOnIt) {
    auto window = intermediateGame();
    AssistController* assist = window->assistController();
    assist->setHintPhaseInterval(5);
    const QImage before = window->gameScreen()->getBoard()->getPicture()->surface()->image().copy();
    window->action(MainWindow::cmdHint)->trigger();
    EXPECT_TRUE(assist->isBusy());  // the first plan is worked out on a worker thread
    ASSERT_TRUE(waitFor([&] { return assist->isHintShown(); }));
    // The mark blinks for its time and leaves the picture as it was.
    ASSERT_TRUE(waitFor([&] { return !assist->isHintShown(); }));
    EXPECT_EQ(window->gameScreen()->getBoard()->getPicture()->surface()->image(), before);

    window->action(MainWindow::cmdHint)->trigger();
    EXPECT_FALSE(assist->isBusy());  // answered at once, from the plan already made
    EXPECT_TRUE(assist->isHintShown());
    // The mark comes off the picture before a new grid is cut from it.
    window->action(MainWindow::cmdExpert)->trigger();
    EXPECT_EQ(window->gameScreen()->getBoard()->getPicture()->surface()->image(), before);
}

// The first 4x4 plan waits for the tables rather than settling for a longer one, and the
// first plan of a larger board reads the 5x5 tables; small tables in the cache stand in
// for the real ones, which take seconds to build.
TEST_F(AssistTest, TheFirstHintsReadTheTablesFromTheCache) {
    const auto cached =
        solver::PatternTables::build({{0, 1, 2}, {3, 7, 11}, {4, 5, 8}, {6, 9, 10}, {12, 13, 14}});
    const auto cachedLarge = solver::FiveByFiveTables::build({{0, 1, 2},
                                                              {3, 4, 9},
                                                              {5, 6, 7},
                                                              {8, 13, 14},
                                                              {10, 11, 12},
                                                              {15, 16, 20},
                                                              {17, 21, 22},
                                                              {18, 19, 23}});
    ASSERT_TRUE(cached && cachedLarge);
    QDir().mkpath(QStandardPaths::writableLocation(QStandardPaths::CacheLocation));
    ASSERT_TRUE(cached->save(AssistController::tablesCachePath().toStdString()));
    ASSERT_TRUE(cachedLarge->save(AssistController::fiveByFiveTablesCachePath().toStdString()));
    solver::installPatternTables(nullptr);
    solver::installFiveByFiveTables(nullptr);

    auto window = makeWindow();
    window->action(MainWindow::cmdBeginner)->trigger();
    window->action(MainWindow::cmdNew)->trigger();
    TileBoard* board = window->gameScreen()->getBoard();
    ASSERT_EQ(board->getColumns(), 4);
    oneStepFromHome(*board);
    window->action(MainWindow::cmdHint)->trigger();
    ASSERT_TRUE(waitFor([&] { return window->assistController()->isHintShown(); }));
    const auto installed = solver::installedPatternTables();
    ASSERT_TRUE(installed);
    EXPECT_EQ(installed->groups(), cached->groups());
    EXPECT_FALSE(solver::installedFiveByFiveTables());  // a 4x4 board has no use for them

    window->action(MainWindow::cmdExpert)->trigger();
    window->action(MainWindow::cmdNew)->trigger();
    oneStepFromHome(*window->gameScreen()->getBoard());
    window->action(MainWindow::cmdHint)->trigger();
    ASSERT_TRUE(waitFor([&] { return window->assistController()->isHintShown(); }));
    const auto installedLarge = solver::installedFiveByFiveTables();
    ASSERT_TRUE(installedLarge);
    EXPECT_EQ(installedLarge->groups(), cachedLarge->groups());
    solver::installPatternTables(nullptr);
    solver::installFiveByFiveTables(nullptr);
}

}  // namespace
}  // namespace zolva
