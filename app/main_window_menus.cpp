// The window's menus: building them from the command table, and keeping their marks true
// to the game.
#include <QAction>
#include <QActionGroup>
#include <QMenuBar>
#include <optional>
#include <utility>

#include "app/levels.h"
#include "app/main_window.h"

namespace zolva {

void MainWindow::buildMenus() {
    QMenu* game = menuBar()->addMenu(QStringLiteral("&Game"));
    connect(addCommand(game, cmdNew, QStringLiteral("&New"), QKeySequence(Qt::Key_F2)),
            &QAction::triggered, this, &MainWindow::newGame);
    connect(addCommand(game, cmdUndo, QStringLiteral("&Undo"), QKeySequence(Qt::CTRL | Qt::Key_Z)),
            &QAction::triggered, this, &MainWindow::undoMove);
    QAction* redo = addCommand(game, cmdRedo, QStringLiteral("&Redo"),
                               QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));
    redo->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    connect(redo, &QAction::triggered, this, &MainWindow::redoMove);
    connect(addCommand(game, cmdHint, QStringLiteral("&Hint"), QKeySequence(Qt::CTRL | Qt::Key_H)),
            &QAction::triggered, this, &MainWindow::showHint);
    connect(addCommand(game, cmdSolve, QStringLiteral("S&olve")), &QAction::triggered, this,
            &MainWindow::solveGame);
    game->addSeparator();
    connect(addCommand(game, cmdBestTimes, QStringLiteral("&Best Times")), &QAction::triggered,
            this, &MainWindow::showBestTimes);
    game->addSeparator();
    QAction* exit =
        addCommand(game, cmdExit, QStringLiteral("E&xit"), QKeySequence(Qt::CTRL | Qt::Key_W));
    // Ctrl+Q as well: it quits almost every program on this desktop.
    exit->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_W), QKeySequence(Qt::CTRL | Qt::Key_Q)});
    connect(exit, &QAction::triggered, this, &MainWindow::exitGame);

    QMenu* options = menuBar()->addMenu(QStringLiteral("&Options"));
    levelGroup = new QActionGroup(this);
    for (const LevelInfo& info : kLevels) {
        const int command = info.command;
        QAction* level = addCommand(options, command, QString::fromLatin1(info.menuText));
        level->setCheckable(true);
        level->setActionGroup(levelGroup);
        connect(level, &QAction::triggered, this, [this, command] { setLevel(command); });
    }
    QAction* custom = addCommand(options, cmdCustom, QStringLiteral("&Custom"));
    custom->setCheckable(true);
    custom->setActionGroup(levelGroup);
    connect(custom, &QAction::triggered, this, &MainWindow::customDimensions);
    options->addSeparator();

    cornerGroup = new QActionGroup(this);
    for (const CornerCommand& item : kCornerCommands) {
        const int command = item.command;
        QAction* corner = addCommand(options, command, QString::fromLatin1(item.menuText));
        corner->setCheckable(true);
        corner->setActionGroup(cornerGroup);
        connect(corner, &QAction::triggered, this, [this, command] { setEmptyCorner(command); });
    }
    options->addSeparator();

    QAction* numbers = addCommand(options, cmdShowNumbers, QStringLiteral("&Show Numbers"),
                                  QKeySequence(Qt::CTRL | Qt::Key_S));
    numbers->setCheckable(true);
    connect(numbers, &QAction::triggered, this, &MainWindow::toggleShowNumbers);
    connect(addCommand(options, cmdFindTile, QStringLiteral("&Find Tile"),
                       QKeySequence(Qt::CTRL | Qt::Key_F)),
            &QAction::triggered, this, &MainWindow::findTile);
    options->addSeparator();

    pictureGroup = new QActionGroup(this);
    QAction* builtin = addCommand(options, cmdDefaultPicture, QStringLiteral("&Default Picture"));
    builtin->setCheckable(true);
    builtin->setActionGroup(pictureGroup);
    connect(builtin, &QAction::triggered, this, &MainWindow::useBuiltinPicture);
    QAction* chosen = addCommand(options, cmdCustomPicture, QStringLiteral("Custom &Picture"));
    chosen->setCheckable(true);
    chosen->setActionGroup(pictureGroup);
    connect(chosen, &QAction::triggered, this, &MainWindow::useCustomPicture);

    options->addSeparator();
    QAction* gliding = addCommand(options, cmdSlideAnimation, QStringLiteral("Slide &Animation"));
    gliding->setCheckable(true);
    connect(gliding, &QAction::triggered, this, &MainWindow::toggleSlideAnimation);

    QMenu* zoom = menuBar()->addMenu(QStringLiteral("&View"));
    QAction* larger = addCommand(zoom, cmdZoomIn, QStringLiteral("Zoom &In"));
    // Ctrl+= as well: on most keyboards "+" needs Shift.
    larger->setShortcuts(
        {QKeySequence(QKeySequence::ZoomIn), QKeySequence(Qt::CTRL | Qt::Key_Equal)});
    larger->setShortcutContext(Qt::WindowShortcut);
    connect(larger, &QAction::triggered, this, &MainWindow::zoomIn);
    connect(addCommand(zoom, cmdZoomOut, QStringLiteral("Zoom &Out"),
                       QKeySequence(Qt::CTRL | Qt::Key_Minus)),
            &QAction::triggered, this, &MainWindow::zoomOut);
    connect(addCommand(zoom, cmdActualSize, QStringLiteral("&Actual Size"),
                       QKeySequence(Qt::CTRL | Qt::Key_0)),
            &QAction::triggered, this, &MainWindow::actualSize);

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    const std::pair<int, QString> helpItems[] = {{cmdHelpContents, QStringLiteral("Contents")},
                                                 {cmdHelpSearch, QStringLiteral("&Search")},
                                                 {cmdHelpIndex, QStringLiteral("&Index")}};
    for (const auto& [command, text] : helpItems) {
        QAction* item =
            addCommand(help, command, text,
                       command == cmdHelpContents ? QKeySequence(Qt::Key_F1) : QKeySequence());
        connect(item, &QAction::triggered, this, [this, command] { showHelp(command); });
    }
    help->addSeparator();
    connect(addCommand(help, cmdAbout, QStringLiteral("&About")), &QAction::triggered, this,
            &MainWindow::showAbout);
}

QAction* MainWindow::addCommand(QMenu* menu, int command, const QString& text,
                                const QKeySequence& shortcut) {
    QAction* item = menu->addAction(text);
    item->setData(command);
    if (!shortcut.isEmpty()) {
        // Window-wide, so a shortcut never fires while a modal dialog has the input.
        item->setShortcut(shortcut);
        item->setShortcutContext(Qt::WindowShortcut);
    }
    actions[command] = item;
    return item;
}

QAction* MainWindow::action(int command) const {
    const auto found = actions.find(command);
    return found == actions.end() ? nullptr : found->second;
}

void MainWindow::applyStoredMarks(int columns, int rows, int emptyX, int emptyY, bool showNumber) {
    const std::optional<Level> level = levelOfBoard(columns, rows);
    markLevel(level ? levelInfo(*level).command : cmdCustom);
    int corner = 0;  // a corner setting the menu does not offer marks none
    for (const CornerCommand& candidate : kCornerCommands) {
        if (emptyX == candidate.emptyX && emptyY == candidate.emptyY) {
            corner = candidate.command;
        }
    }
    markCorner(corner);
    action(cmdShowNumbers)->setChecked(showNumber);
    markPicture();
}

// The toolkit moves a radio mark as soon as an item is chosen; these put the mark where
// the command's outcome says it belongs, which also undoes it after a cancelled dialog.
void MainWindow::markLevel(int command) {
    levelMark = command;
    markIn(levelGroup, command);
}

void MainWindow::markCorner(int command) {
    cornerMark = command;
    markIn(cornerGroup, command);
}

// Command 0 clears the group's mark.
void MainWindow::markIn(QActionGroup* group, int command) {
    if (QAction* marked = group->checkedAction(); marked != nullptr && command == 0) {
        marked->setChecked(false);
    }
    if (command != 0) {
        action(command)->setChecked(true);
    }
}

void MainWindow::markPicture() {
    action(useDefaultPicture ? cmdDefaultPicture : cmdCustomPicture)->setChecked(true);
}

}  // namespace zolva
