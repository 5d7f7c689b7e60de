#include "app/main_window.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QImageReader>
#include <QLayout>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QStandardPaths>
#include <QStringList>
#include <QThread>
#include <utility>

#include "app/about_dialog.h"
#include "app/assist_controller.h"
#include "app/best_times_dialog.h"
#include "app/custom_dimensions_dialog.h"
#include "app/find_tile_dialog.h"
#include "app/game_view.h"
#include "app/help_controller.h"
#include "app/picture_drop.h"
#include "app/qt_game_host.h"
#include "app/record_keeper.h"
#include "app/settings_store.h"
#include "app/window_zoom.h"
#include "framework/decoder_client.h"
#include "framework/picture.h"
#include "game/game_screen.h"

namespace zolva {

namespace {

const QString kUnexpectedError =
    QStringLiteral("An unexpected error occurs, the program will now exit.");
constexpr int kDigitCount = 4;
// A 300-pixel picture, the built-in one's size, still gives 30-pixel tiles on a 10 x 10
// grid; a 3:1 strip gives tiles three times as wide as high at worst.
constexpr int kPlayableShortSide = 300;
constexpr int kPlayableAspect = 3;

// Empty-space settings of the corner commands: -1 is the first column or row, 100 the last.
struct CornerItem {
    int command;
    int emptyX;
    int emptyY;
};
constexpr CornerItem kCorners[] = {
    {MainWindow::cmdEmptyBL, -1, 100},
    {MainWindow::cmdEmptyBR, 100, 100},
    {MainWindow::cmdEmptyTL, -1, -1},
    {MainWindow::cmdEmptyTR, 100, -1},
};

struct LevelItem {
    int command;
    int side;
};
constexpr LevelItem kLevels[] = {
    {MainWindow::cmdBeginner, 4},
    {MainWindow::cmdIntermediate, 6},
    {MainWindow::cmdExpert, 8},
};

// What the open-file dialog lists: the text the player reads, and the patterns behind it.
// Upper-case twins of every pattern are added, since file names here are case-sensitive
// and cameras love ".JPG"; the long spellings .jpeg and .tiff and the PCX format, which the
// loader also reads, are accepted under the first entry.
struct FileType {
    const char* shown;
    const char* patterns;
};
// Formats read by GraphicsMagick rather than the toolkit's own readers.
constexpr const char* kMagickSuffixes[] = {"pcx", "tga", "wmf"};
constexpr FileType kPictureTypes[] = {
    {"Supported Files (*.bmp,*.gif,*.jpg,*.png,*.tga,*.tif,*.wmf)",
     "*.bmp *.gif *.jpg *.jpeg *.pcx *.png *.tga *.tif *.tiff *.wmf"},
    {"Bitmap (*.bmp)", "*.bmp"},
    {"CompuServe GIF (*.gif)", "*.gif"},
    {"JPEG (*.jpg)", "*.jpg *.jpeg"},
    {"PNG(*.png)", "*.png"},
    {"Targa (*.tga)", "*.tga"},
    {"TIFF (*.tif)", "*.tif *.tiff"},
    {"Windows Metafile (*.wmf)", "*.wmf"},
};

}  // namespace

void centerOnMainWindow(QWidget* dialog, const QWidget* mainWindow) {
    if (dialog == nullptr || mainWindow == nullptr) {
        return;
    }
    const QRect main = mainWindow->frameGeometry();
    const QRect own = dialog->frameGeometry();
    dialog->move(main.left() + (main.width() - own.width()) / 2,
                 main.top() + (main.height() - own.height()) / 2);
}

MainWindow::MainWindow(ShellEnvironment environment, QWidget* parent)
    : QMainWindow(parent), env(std::move(environment)) {
    setWindowTitle(QStringLiteral("Zolva Puzzle"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    QPalette grey = palette();
    grey.setColor(QPalette::Window, QColor(0xC0, 0xC0, 0xC0));
    setPalette(grey);
    setAutoFillBackground(true);
    buildMenus();
    if (env.fitPicturesToScreen) {
        fitPicturesToAvailableScreen();
    }
    imageio::setShapeRule(env.shapePicturesForPlay
                              ? imageio::ShapeRule{kPlayableShortSide, kPlayableAspect}
                              : imageio::ShapeRule{});

    records = std::make_unique<RecordKeeper>(
        [this](const QString& caption, const QString& text) { warn(caption, text); });
    const Settings settings = SettingsStore::loadSettings();
    records->reportStoreDamage();
    useDefaultPicture = settings.defaultPicture;
    customPicturePath = settings.picturePath;
    applyStoredMarks(settings.dimensionX, settings.dimensionY, settings.emptyX, settings.emptyY,
                     settings.showNumber);

    puzzlePicture = loadPuzzlePicture();
    buttonPicture = std::make_unique<Picture>(env.buttonStrip, 130, 26, 5, 1, 5);
    digitPicture = std::make_unique<Picture>(env.digitStrip, 143, 23, 11, 1, 11);

    host = std::make_unique<QtGameHost>(
        this, [this] { drawScreen(); }, *records);
    screen = std::make_unique<GameScreen>(nullptr, 0, 0, puzzlePicture.get(), settings.dimensionX,
                                          settings.dimensionY, settings.emptyX, settings.emptyY,
                                          settings.showNumber, digitPicture.get(), kDigitCount,
                                          buttonPicture.get(), host.get());
    host->setGameScreen(screen.get());

    view = new GameView(this);
    connect(view, &GameView::drawFailed, this, &MainWindow::reportPaintError);
    setCentralWidget(view);
    view->setGameScreen(screen.get());
    // The window follows its client area; the player can neither resize nor maximise it.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    zoomWanted = settings.zoom;
    action(cmdSlideAnimation)->setChecked(settings.slideAnimation);
    view->setSlideAnimation(env.animateSlides && settings.slideAnimation);
    fitWindowToScreen();
    view->setFocus();

    findTileTimer.setInterval(findTilePeriodMs);
    connect(&findTileTimer, &QTimer::timeout, this, &MainWindow::onFindTileTimer);

    assist = new AssistController(
        screen.get(), [this] { drawScreen(); }, this);
    // A move or a reset ends a hint's mark and may change what Undo and Redo can do.
    connect(host.get(), &QtGameHost::movesChanged, this, [this] {
        assist->clearHint();
        updateUndoCommands();
    });
    updateUndoCommands();
    connect(assist, &AssistController::busyChanged, this, [this](bool busy) {
        if (busy) {
            QApplication::setOverrideCursor(Qt::BusyCursor);
        } else {
            QApplication::restoreOverrideCursor();
        }
    });
    view->installEventFilter(this);
    new PictureDrop(this, QString::fromLatin1(kPictureTypes[0].patterns).split(u' '),
                    [this](const QString& path) { openCustomPicture(path); });
    // Every command but the two that start it interrupts assisted play.
    for (const auto& [command, item] : actions) {
        if (command != cmdHint && command != cmdSolve) {
            connect(item, &QAction::triggered, assist, &AssistController::stop);
        }
    }
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    // The icon is for the window manager, not for the first frame: its six sizes, a good
    // part of start-up, are decoded once the game has been painted.
    if (watched == view && event->type() == QEvent::Paint && !iconRequested) {
        iconRequested = true;
        QTimer::singleShot(0, this, [] {
            if (QApplication::windowIcon().isNull()) {
                QApplication::setWindowIcon(applicationIcon());
            }
        });
    }
    if (watched == view && assist != nullptr && assist->isBusy() &&
        (event->type() == QEvent::KeyPress || event->type() == QEvent::MouseButtonPress)) {
        assist->stop();
    }
    return QMainWindow::eventFilter(watched, event);
}

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
    flashingNumber = number;
    findTicks = 0;
    findTileTimer.start();
}

MainWindow::~MainWindow() {
    findTileTimer.stop();
    if (host) {
        host->stopClock();
    }
    // The view points into the screen, so it goes before the members are released.
    delete takeCentralWidget();
    view = nullptr;
    screen.reset();
    puzzlePicture.reset();
    digitPicture.reset();
    buttonPicture.reset();
}

QIcon MainWindow::applicationIcon() {
    QIcon icon;
    for (const int size : {16, 32, 48, 64, 128, 256}) {
        icon.addFile(QStringLiteral(":/icons/zolva-puzzle-%1.png").arg(size), QSize(size, size));
    }
    return icon;
}

std::unique_ptr<Picture> MainWindow::loadPuzzlePicture() {
    if (!useDefaultPicture) {
        auto custom = std::make_unique<Picture>(customPicturePath, 1, 1, 1);
        if (custom->createSurface()) {
            return custom;
        }
        if (imageio::lastDecodeCancelled()) {
            // Only an early end of the game cancels this decode: nothing is wrong with the
            // picture, so the options stay as they were.
            return std::make_unique<Picture>(env.puzzlePicture, 300, 300, 1, 1, 1);
        }
        // The stored path is kept: the file may come back (a removable drive), and while
        // the built-in picture is in use the path is not written over at exit.
        warn(QStringLiteral("Invalid Picture"),
             QStringLiteral("Cannot load picture: %1, \nthe file may have been removed.\n"
                            "Default picture used instead.")
                 .arg(customPicturePath));
        useDefaultPicture = true;
        markPicture();
    }
    return std::make_unique<Picture>(env.puzzlePicture, 300, 300, 1, 1, 1);
}

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
    const QString levelTexts[] = {QStringLiteral("Be&ginner"), QStringLiteral("&Intermediate"),
                                  QStringLiteral("&Expert")};
    for (std::size_t i = 0; i < std::size(kLevels); ++i) {
        const int command = kLevels[i].command;
        QAction* level = addCommand(options, command, levelTexts[i]);
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
    const QString cornerTexts[] = {
        QStringLiteral("Empty Space at B&L"), QStringLiteral("Empty Space at &BR"),
        QStringLiteral("Empty Space at &TL"), QStringLiteral("Empty Space at T&R")};
    for (std::size_t i = 0; i < std::size(kCorners); ++i) {
        const int command = kCorners[i].command;
        QAction* corner = addCommand(options, command, cornerTexts[i]);
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
    int level = cmdCustom;
    for (const LevelItem& candidate : kLevels) {
        if (columns == candidate.side && rows == candidate.side) {
            level = candidate.command;
        }
    }
    markLevel(level);
    int corner = 0;  // a corner setting the menu does not offer marks none
    for (const CornerItem& candidate : kCorners) {
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

void MainWindow::warn(const QString& caption, const QString& text) {
    if (env.showWarning) {
        env.showWarning(this, caption, text);
        return;
    }
    QMessageBox box(QMessageBox::Warning, caption, text, QMessageBox::Ok, this);
    box.exec();
}

void MainWindow::drawScreen() {
    if (view != nullptr) {
        view->drawScreen();
    }
}

void MainWindow::reportPaintError() {
    // Once is enough: the message box's own event loop repaints the window, and every
    // further failure would otherwise stack another box on top.
    if (paintErrorReported) {
        return;
    }
    paintErrorReported = true;
    // Not from inside the failing handler: it may be a paint event, where no modal loop
    // may start. The handler finishes first, as it would anyway.
    QMetaObject::invokeMethod(
        this,
        [this] {
            warn(QStringLiteral("Paint Error"), kUnexpectedError);
            requestQuit(1);
        },
        Qt::QueuedConnection);
}

void MainWindow::fitWindowToScreen() {
    if (view == nullptr) {
        return;
    }
    view->fitToScreen();
    applyZoom(zoomWanted);
}

int MainWindow::fittingZoom(int percent, int direction) const {
    const QSize screenSize(gameScreen()->getWidth(), gameScreen()->getHeight());
    // The menu bar, and a generous allowance for the window manager's frame and title, as
    // for pictures fitted to the screen.
    const QSize chrome(16, menuBar()->sizeHint().height() + 40);
    const QScreen* display = QWidget::screen();
    const QSize available = display != nullptr ? display->availableGeometry().size() : QSize();
    if (direction != 0) {
        return zoom::nextStep(view->zoom(), direction, screenSize, chrome, available);
    }
    return zoom::largestFitting(percent, screenSize, chrome, available);
}

void MainWindow::applyZoom(int percent) {
    view->setZoom(fittingZoom(percent));
    action(cmdZoomIn)->setEnabled(fittingZoom(0, 1) != view->zoom());
    action(cmdZoomOut)->setEnabled(view->zoom() > zoom::steps.front());
    layout()->activate();
    adjustSize();
}

void MainWindow::zoomIn() {
    zoomWanted = fittingZoom(0, 1);
    applyZoom(zoomWanted);
}

void MainWindow::zoomOut() {
    zoomWanted = fittingZoom(0, -1);
    applyZoom(zoomWanted);
}

void MainWindow::actualSize() {
    zoomWanted = zoom::steps.front();
    applyZoom(zoomWanted);
}

void MainWindow::toggleSlideAnimation() {
    view->setSlideAnimation(env.animateSlides && action(cmdSlideAnimation)->isChecked());
}

void MainWindow::saveSettings() const {
    if (!screen) {
        return;
    }
    Settings settings;
    settings.dimensionX = screen->getDimensionX();
    settings.dimensionY = screen->getDimensionY();
    settings.emptyX = screen->getEmptyX();
    settings.emptyY = screen->getEmptyY();
    settings.showNumber = screen->getShowNumber();
    settings.defaultPicture = useDefaultPicture;
    settings.picturePath = customPicturePath;
    settings.zoom = zoomWanted;
    settings.slideAnimation = action(cmdSlideAnimation)->isChecked();
    SettingsStore::saveSettings(settings);
    if (records && !records->storeKept()) {
        qWarning("A best time could not be saved.");
    }
}

void MainWindow::requestQuit(int code) {
    if (!quitRequested) {
        quitRequested = true;
        quitCode = code;
    }
    // Ends every running loop, a dialog's as well as the main one. With no loop running
    // there is nothing to end, and exiting anyway would make the next loop return at once.
    if (QThread::currentThread()->loopLevel() > 0) {
        QCoreApplication::exit(quitCode);
    }
}

int MainWindow::runUntilQuit() {
    if (!quitRequested) {
        show();
        const int loopCode = QApplication::exec();
        if (!quitRequested) {
            quitRequested = true;
            quitCode = loopCode;
        }
    }
    saveSettings();
    return quitCode;
}

void MainWindow::closeEvent(QCloseEvent* event) {
    event->accept();
    requestQuit(0);
}

QString MainWindow::pictureFileFilter() {
    // Whatever the toolkit's readers and GraphicsMagick make of a file, named by every
    // suffix such files go by.
    QStringList every;
    for (const QByteArray& format : QImageReader::supportedImageFormats()) {
        every.append(QStringLiteral("*.") + QString::fromLatin1(format).toLower());
    }
    for (const char* suffix : kMagickSuffixes) {
        every.append(QStringLiteral("*.") + QString::fromLatin1(suffix));
    }
    every.sort();
    every.removeDuplicates();
    const QStringList lowerEvery = every;
    for (const QString& pattern : lowerEvery) {
        every.append(pattern.toUpper());
    }
    QStringList filters{QStringLiteral("All Pictures (%1)").arg(every.join(u' '))};
    for (const FileType& type : kPictureTypes) {
        QStringList patterns = QString::fromLatin1(type.patterns).split(u' ');
        const QStringList lower = patterns;
        for (const QString& pattern : lower) {
            patterns.append(pattern.toUpper());
        }
        filters.append(
            QStringLiteral("%1 (%2)").arg(QString::fromLatin1(type.shown), patterns.join(u' ')));
    }
    return filters.join(QStringLiteral(";;"));
}

// ---- Commands -------------------------------------------------------------------------

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
    for (const LevelItem& level : kLevels) {
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
    for (const CornerItem& corner : kCorners) {
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
    // Tile numbers count from 1; a number off the board reaches the board as an index it
    // ignores, and the two ticks then only draw.
    screen->flashTile(flashingNumber - 1);
    drawScreen();
    if (++findTicks >= 2) {
        findTicks = 0;
        findTileTimer.stop();
    }
}

void MainWindow::finishFindTileFlash() {
    // A hint marks its tile on the picture in the same way.
    if (assist != nullptr) {
        assist->clearHint();
    }
    if (findTileTimer.isActive() && findTicks % 2 == 1) {
        onFindTileTimer();
    }
    findTileTimer.stop();
    findTicks = 0;
}

void MainWindow::useBuiltinPicture() {
    finishFindTileFlash();
    if (!screen->changePicture(env.puzzlePicture)) {
        warn(QStringLiteral("Change Picture Error"), QStringLiteral("Cannot change picture."));
    }
    fitWindowToScreen();
    useDefaultPicture = true;
    markPicture();
}

void MainWindow::useCustomPicture() {
    chooseCustomPicture();
    markPicture();
}

bool MainWindow::chooseCustomPicture() {
    const QString filter = pictureFileFilter();
    const QString path =
        env.chooseFile ? env.chooseFile(this, filter)
                       : QFileDialog::getOpenFileName(this, QString(), pictureStartFolder(), filter,
                                                      nullptr, QFileDialog::HideNameFilterDetails);
    return !path.isEmpty() && openCustomPicture(path);
}

bool MainWindow::openCustomPicture(const QString& path) {
    // A picture arriving by a drop may find Solve being played on the old one.
    if (assist != nullptr) {
        assist->stop();
    }
    finishFindTileFlash();
    if (!screen->changePicture(path)) {
        // The board has gone back to its home order; show that before the message.
        drawScreen();
        if (imageio::lastDecodeCancelled()) {
            return false;  // the player called it off; the file may be fine
        }
        warn(QStringLiteral("Change Picture Error"),
             QStringLiteral("Cannot change picture.\nMake sure that the file is in a supported "
                            "file format (BMP, GIF, JPG, PCX, PNG, TGA, TIF)."));
        return false;
    }
    customPicturePath = path;
    fitWindowToScreen();
    useDefaultPicture = false;
    markPicture();
    return true;
}

QString MainWindow::pictureStartFolder() const {
    if (!customPicturePath.isEmpty()) {
        const QFileInfo picture(customPicturePath);
        if (picture.absoluteDir().exists()) {
            return picture.absolutePath();
        }
    }
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (!pictures.isEmpty() && QDir(pictures).exists()) {
        return pictures;
    }
    return QDir::homePath();
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

void MainWindow::fitPicturesToAvailableScreen() {
    const QScreen* display = QGuiApplication::primaryScreen();
    if (display == nullptr) {
        return;
    }
    // Everything around the picture: the 10-pixel margins, the counter bar, the menu bar
    // and a generous allowance for the window manager's frame and title.
    constexpr int kFrameAllowance = 16;
    constexpr int kTitleAllowance = 40;
    constexpr int kMarginsAndBar = 10 + 26 + 10 + 10;
    const QSize chrome(20 + kFrameAllowance,
                       kMarginsAndBar + menuBar()->sizeHint().height() + kTitleAllowance);
    imageio::setFitSize(imageio::fitSizeForScreen(display->availableGeometry().size(), chrome));
}

}  // namespace zolva
