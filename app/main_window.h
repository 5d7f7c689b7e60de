// MainWindow is the game's one window and the owner of everything that lives for the whole
// run: the three pictures, the game screen built on them, the view that shows it, and the
// host that gives it a clock. Constructing it performs the start-up (stored options, the
// puzzle picture with its fall-back to the built-in one, the menu marks, the window fitted
// to the screen); runUntilQuit shows it and ends with the options saved. Every menu command
// and its dialog is carried out here, and every failure the player must hear of becomes a
// warning owned by this window. Its parts live in files of their own: the menus and their
// marks in main_window_menus.cpp, the commands in main_window_commands.cpp, fitting to the
// screen in main_window_fit.cpp; the start-up and the pictures in main_window.cpp.
#pragma once

#include <QIcon>
#include <QMainWindow>
#include <QString>
#include <functional>
#include <map>
#include <memory>

#include "app/commands.h"
#include "framework/image_loader.h"

class QActionGroup;

namespace zolva {

class GameScreen;
class AssistController;
class FindTileFlash;
class GameView;
class HelpController;
class Picture;
class QtGameHost;
class RecordKeeper;

// What the window takes from its surroundings. The defaults are the real thing; tests
// replace what would wait for a person.
struct ShellEnvironment {
    QString puzzlePicture = imageio::resourceName(103);
    QString digitStrip = imageio::resourceName(104);
    QString buttonStrip = imageio::resourceName(105);
    // A warning with an OK button owned by the window. Empty: a QMessageBox.
    std::function<void(QWidget* owner, const QString& caption, const QString& text)> showWarning;
    // The open-file dialog; returns the chosen path, empty when cancelled. Empty: QFileDialog.
    std::function<QString(QWidget* owner, const QString& filter)> chooseFile;
    // Decode pictures larger than the screen scaled down to fit it, so the window never runs
    // off the screen. Off for tests, whose offscreen screen size is arbitrary.
    bool fitPicturesToScreen = false;
    // Crop pictures of extreme shapes to 3:1 and scale small ones up to 300 pixels on their
    // shorter side, so every tile is big enough to see. Off for tests, like the fit.
    bool shapePicturesForPlay = false;
    // Let slides glide into place when the player has Slide Animation on. Off for tests,
    // which look at the screen right after a move.
    bool animateSlides = false;
};

class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    // The menu commands, as MainWindow::cmdNew and so on.
    using enum Command;

    // Performs the start-up but does not show the window.
    explicit MainWindow(ShellEnvironment environment = {}, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Shows the window and runs the event loop until a quit request, then saves the
    // options. Returns the exit code: 0 for a normal end, 1 after a failure to draw.
    int runUntilQuit();

    // Draws what changed; a failure is reported once and ends the program with code 1.
    void drawScreen();
    // Sizes the window so that its client area is exactly the game screen, and has it all
    // repainted.
    void fitWindowToScreen();
    // Writes the current options from the living game screen, and offers again any best
    // time the disk refused earlier.
    void saveSettings() const;
    // Ends the event loop with `code`; the first request decides the code.
    void requestQuit(int code);

    // The game's icon in every size it is drawn at.
    static QIcon applicationIcon();

    QAction* action(int command) const;
    AssistController* assistController() const { return assist; }
    GameScreen* gameScreen() const { return screen.get(); }
    GameView* gameView() const { return view; }
    QtGameHost* gameHost() const { return host.get(); }
    bool usesDefaultPicture() const { return useDefaultPicture; }
    const QString& customPicture() const { return customPicturePath; }
    int findTileNumber() const { return findNumber; }
    int findTileTicks() const;
    bool isFindTileFlashing() const;
    bool isQuitRequested() const { return quitRequested; }
    // The zoom the player asked for; the window shows the largest step up to it that fits.
    int wantedZoom() const { return zoomWanted; }
    int exitCode() const { return quitCode; }

public slots:
    void newGame();
    void showBestTimes();
    void exitGame();
    void setLevel(int command);
    void customDimensions();
    void setEmptyCorner(int command);
    void toggleShowNumbers();
    void findTile();
    void useBuiltinPicture();
    void useCustomPicture();
    // Makes the file the custom picture, with the checks, messages and marks of Custom
    // Picture; the file dialog, the command line and a drop all come through here.
    bool openCustomPicture(const QString& path);
    void showAbout();
    // The next move flashed, or the whole game played out; either marks the game assisted.
    void showHint();
    void solveGame();
    // The newest run of tiles taken back, or the newest one taken back made again.
    void undoMove();
    void redoMove();
    // Flashes a tile twice, 100 ms apart, as Find Tile does.
    void flashTileNumber(int number);
    // Contents, Search or Index of the help; nothing when the help cannot be loaded.
    void showHelp(int command);
    // One tick of the Find Tile flash: the first inverts the tile, the second restores it.
    void onFindTileTimer();
    void zoomIn();
    void zoomOut();
    void actualSize();
    void toggleSlideAnimation();

protected:
    void closeEvent(QCloseEvent* event) override;
    // Any key or click in the game stops a Solve being played.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildMenus();
    QAction* addCommand(QMenu* menu, int command, const QString& text,
                        const QKeySequence& shortcut = {});
    void applyStoredMarks(int columns, int rows, int emptyX, int emptyY, bool showNumber);
    std::unique_ptr<Picture> loadPuzzlePicture();
    bool chooseCustomPicture();
    void markLevel(int command);
    void markCorner(int command);
    void markIn(QActionGroup* group, int command);
    void markPicture();
    void updateUndoCommands();
    // Completes a flash that has inverted its tile but not yet restored it, so the picture
    // is never left inverted when the flash is restarted or the grid or picture changes.
    void finishFindTileFlash();
    void warn(const QString& caption, const QString& text);
    void fitPicturesToAvailableScreen();
    void reportPaintError();
    // Shows the game at `percent`, or the largest smaller step that fits the screen.
    void applyZoom(int percent);
    int fittingZoom(int percent, int direction = 0) const;

    ShellEnvironment env;
    std::map<int, QAction*> actions;
    QActionGroup* levelGroup = nullptr;
    QActionGroup* cornerGroup = nullptr;
    QActionGroup* pictureGroup = nullptr;
    int levelMark = 0;   // command of the marked level, 0 for none
    int cornerMark = 0;  // command of the marked corner, 0 for none

    bool useDefaultPicture = true;
    QString customPicturePath;

    std::unique_ptr<RecordKeeper> records;
    // Declared in the order of creation; the screen goes first, the pictures after it.
    std::unique_ptr<QtGameHost> host;
    std::unique_ptr<Picture> buttonPicture;
    std::unique_ptr<Picture> digitPicture;
    std::unique_ptr<Picture> puzzlePicture;
    std::unique_ptr<GameScreen> screen;
    GameView* view = nullptr;        // owned as the central widget
    HelpController* help = nullptr;  // child of the window, made on the first help command

    AssistController* assist = nullptr;  // child of the window
    int findNumber = 0;
    FindTileFlash* flash = nullptr;  // child of the window

    int zoomWanted = 100;
    bool iconRequested = false;
    bool defaultsUnwritten = false;  // a fresh store's, until the first frame is painted
    bool paintErrorReported = false;
    bool quitRequested = false;
    int quitCode = 0;
};

}  // namespace zolva
