// The menu commands that act on the game and its options, and their dialogs. The picture
// commands live with the picture loading in main_window.cpp.
#include <QAction>

#include "app/about_dialog.h"
#include "app/assist_controller.h"
#include "app/best_times_dialog.h"
#include "app/custom_dimensions_dialog.h"
#include "app/dialog_placement.h"
#include "app/find_tile_dialog.h"
#include "app/find_tile_flash.h"
#include "app/help_controller.h"
#include "app/levels.h"
#include "app/main_window.h"
#include "game/game_screen.h"

namespace zolva {

void MainWindow::showHint() {
    assist->hint();
}

void MainWindow::solveGame() {
    assist->solve();
}

void MainWindow::undoMove() {
    screen->undo();
    drawScreen();
}

void MainWindow::redoMove() {
    screen->redo();
    drawScreen();
}

void MainWindow::updateUndoCommands() {
    action(cmdUndo)->setEnabled(screen->canUndo());
    action(cmdRedo)->setEnabled(screen->canRedo());
}

void MainWindow::flashTileNumber(int number) {
    finishFindTileFlash();
    flash->start(number);
}

int MainWindow::findTileTicks() const {
    return flash->ticks();
}

bool MainWindow::isFindTileFlashing() const {
    return flash->isActive();
}

void MainWindow::newGame() {
    screen->newGame();
    drawScreen();
}

void MainWindow::showBestTimes() {
    BestTimesDialog dialog(this);
    dialog.exec();
}

void MainWindow::exitGame() {
    // Through the close path, so the close box and Exit end the same way.
    close();
}

void MainWindow::setLevel(int command) {
    for (const LevelInfo& level : kLevels) {
        if (level.command == command) {
            finishFindTileFlash();
            screen->setDimensions(level.side, level.side);
            drawScreen();
            markLevel(command);
            return;
        }
    }
}

void MainWindow::customDimensions() {
    CustomDimensionsDialog dialog(screen->getDimensionX(), screen->getDimensionY(), this);
    moveToClientOrigin(&dialog, this);
    if (dialog.exec() != QDialog::Accepted) {
        markLevel(levelMark);
        return;
    }
    finishFindTileFlash();
    screen->setDimensions(dialog.columns(), dialog.rows());
    drawScreen();
    // Custom even when the size typed is one of the levels.
    markLevel(cmdCustom);
}

void MainWindow::setEmptyCorner(int command) {
    for (const CornerCommand& corner : kCornerCommands) {
        if (corner.command == command) {
            screen->setEmptyCorner(corner.emptyX, corner.emptyY);
            drawScreen();
            markCorner(command);
            return;
        }
    }
}

void MainWindow::toggleShowNumbers() {
    const bool show = !screen->getShowNumber();
    screen->setShowNumber(show);
    action(cmdShowNumbers)->setChecked(show);
    drawScreen();
}

void MainWindow::findTile() {
    const int count = screen->getDimensionY() * screen->getDimensionX();
    if (findNumber >= count) {
        findNumber = 0;
    }
    FindTileDialog dialog(findNumber + 1, this);
    moveToClientOrigin(&dialog, this);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    findNumber = dialog.number();
    flashTileNumber(findNumber);
}

void MainWindow::onFindTileTimer() {
    flash->tick();
}

void MainWindow::finishFindTileFlash() {
    // A hint marks its tile on the picture in the same way.
    if (assist != nullptr) {
        assist->clearHint();
    }
    if (flash != nullptr) {
        flash->finish();
    }
}

void MainWindow::showAbout() {
    AboutDialog dialog(this);
    centerOnMainWindow(&dialog, this);
    dialog.exec();
}

void MainWindow::showHelp(int command) {
    if (help == nullptr) {
        help = new HelpController(this);
    }
    switch (command) {
        case cmdHelpContents:
            help->showContents();
            break;
        case cmdHelpSearch:
            help->showSearch();
            break;
        case cmdHelpIndex:
            help->showIndex();
            break;
        default:
            break;
    }
}

}  // namespace zolva
