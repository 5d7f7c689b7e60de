#include "app/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QLayout>
#include <QMessageBox>
#include <QThread>
#include <QTimer>
#include <utility>

#include "app/assist_controller.h"
#include "app/find_tile_flash.h"
#include "app/game_view.h"
#include "app/picture_drop.h"
#include "app/picture_files.h"
#include "app/qt_game_host.h"
#include "app/record_keeper.h"
#include "app/settings_store.h"
#include "app/window_zoom.h"
#include "framework/decoder_client.h"
#include "framework/file_name.h"
#include "framework/picture.h"
#include "game/game_screen.h"
#include "game/sprite_sheets.h"

namespace zolva {

namespace {

const QString kUnexpectedError =
    QStringLiteral("An unexpected error occurs, the program will now exit.");
constexpr int kDigitCount = 4;
// A 300-pixel picture, the built-in one's size, still gives 30-pixel tiles on a 10 x 10
// grid; a 3:1 strip gives tiles three times as wide as high at worst.
constexpr int kPlayableShortSide = 300;
constexpr int kPlayableAspect = 3;

std::unique_ptr<Picture> makeSheet(const QString& name, const SpriteSheet& sheet) {
    return std::make_unique<Picture>(name, sheet.width, sheet.height, sheet.columns, sheet.rows,
                                     sheet.frames);
}

}  // namespace

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
    const Settings settings =
        SettingsStore::loadSettings(SettingsStore::DefaultsWrite::later, &defaultsUnwritten);
    records->reportStoreDamage();
    useDefaultPicture = settings.defaultPicture;
    customPicturePath = settings.picturePath;
    applyStoredMarks(settings.dimensionX, settings.dimensionY, settings.emptyX, settings.emptyY,
                     settings.showNumber);

    puzzlePicture = loadPuzzlePicture();
    buttonPicture = makeSheet(env.buttonStrip, kButtonSheet);
    digitPicture = makeSheet(env.digitStrip, kDigitSheet);

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

    // Tile numbers count from 1; a number off the board reaches the board as an index it
    // ignores, and the two ticks then only draw.
    flash = new FindTileFlash(
        [this](int number) {
            screen->flashTile(number - 1);
            drawScreen();
        },
        this);

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
    new PictureDrop(this, supportedPicturePatterns(),
                    [this](const QString& path) { openCustomPicture(path); });
    // Every command but the two that start it interrupts assisted play.
    for (const auto& [command, item] : actions) {
        if (command != cmdHint && command != cmdSolve) {
            connect(item, &QAction::triggered, assist, &AssistController::stop);
        }
    }
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    // Neither the icon (for the window manager; its six sizes were a good part of start-up)
    // nor the defaults of a fresh store (a wait for the disk) are needed for the first
    // frame: both are seen to once the game has been painted.
    if (watched == view && event->type() == QEvent::Paint && !iconRequested) {
        iconRequested = true;
        QTimer::singleShot(0, this, [this] {
            if (QApplication::windowIcon().isNull()) {
                QApplication::setWindowIcon(applicationIcon());
            }
            if (std::exchange(defaultsUnwritten, false)) {
                SettingsStore::loadSettings();
            }
        });
    }
    if (watched == view && assist != nullptr && assist->isBusy() &&
        (event->type() == QEvent::KeyPress || event->type() == QEvent::MouseButtonPress)) {
        assist->stop();
    }
    return QMainWindow::eventFilter(watched, event);
}

MainWindow::~MainWindow() {
    delete flash;
    flash = nullptr;
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
    return makeSheet(env.puzzlePicture, kBuiltinPictureSheet);
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
    // The dialog shows a name that is not UTF-8 with replacement characters and returns it
    // so; the name it stood for is found again.
    const QString path =
        recoverFileName(env.chooseFile ? env.chooseFile(this, filter)
                                       : QFileDialog::getOpenFileName(
                                             this, QString(), pictureStartFolder(customPicturePath),
                                             filter, nullptr, QFileDialog::HideNameFilterDetails));
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

}  // namespace zolva
