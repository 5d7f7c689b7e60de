// The window as a whole: start-up from the stored options, the ways out and what they
// leave in the store, and the view's translation of input into slides on the board.
#include <sys/resource.h>

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <csignal>

#include "app/best_times_dialog.h"
#include "app/game_view.h"
#include "app/new_record_dialog.h"
#include "app/qt_game_host.h"
#include "framework/picture.h"
#include "game/digit_counter.h"
#include "game/game_screen.h"
#include "puzzle/tile.h"
#include "puzzle/tile_board.h"
#include "shell_test_support.h"

namespace zolva::testing {
namespace {

TEST_F(ShellTest, MissingCustomPictureFallsBackOnceAndKeepsItsPath) {
    const QString gone = folder.filePath("holiday.png");
    Settings stored;
    stored.defaultPicture = false;
    stored.picturePath = gone;
    stored.emptyX = 3;  // not a corner the menu offers: none is marked
    SettingsStore::saveSettings(stored);
    auto window = makeWindow();
    for (int corner = MainWindow::cmdEmptyBL; corner <= MainWindow::cmdEmptyTR; ++corner) {
        EXPECT_FALSE(window->action(corner)->isChecked()) << corner;
    }

    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0],
              "Invalid Picture|Cannot load picture: " + gone +
                  ", \nthe file may have been removed.\nDefault picture used instead.");
    EXPECT_TRUE(window->usesDefaultPicture());
    EXPECT_TRUE(window->action(MainWindow::cmdDefaultPicture)->isChecked());
    EXPECT_EQ(window->gameScreen()->getBoard()->getPicture()->name(), puzzlePath);

    window->saveSettings();
    EXPECT_TRUE(SettingsStore::loadSettings().defaultPicture);
    EXPECT_EQ(SettingsStore::loadSettings().picturePath, gone);
}

// Runs the window's event loop with `kick` queued inside it; a loop that would not end on
// its own is stopped with 99, so the test fails instead of hanging.
int runWith(MainWindow& window, const std::function<void()>& kick) {
    QTimer::singleShot(0, &window, kick);
    QTimer guard;
    QObject::connect(&guard, &QTimer::timeout, [&window] { window.requestQuit(99); });
    guard.start(20000);
    return window.runUntilQuit();
}

TEST_F(ShellTest, ExitCommandAndCloseBoxEndWithZeroAndSave) {
    {
        auto window = makeWindow();
        window->action(MainWindow::cmdExpert)->trigger();
        EXPECT_EQ(runWith(*window, [&] { window->action(MainWindow::cmdExit)->trigger(); }), 0);
    }
    EXPECT_EQ(SettingsStore::loadSettings().dimensionX, 8);
    {
        auto window = makeWindow();
        window->action(MainWindow::cmdEmptyTR)->trigger();
        EXPECT_EQ(runWith(*window, [&] { window->close(); }), 0);
    }
    EXPECT_EQ(SettingsStore::loadSettings().emptyY, -1);
}

TEST_F(ShellTest, FailedDrawsEndWithOneMessageCodeOneAndSavedSettings) {
    // A button strip that cannot be loaded has no surface, so every draw of it fails.
    buttonPath = folder.filePath("no-such-strip.png");
    auto window = makeWindow();
    window->action(MainWindow::cmdIntermediate)->trigger();

    EXPECT_EQ(runWith(*window, [&] { window->action(MainWindow::cmdNew)->trigger(); }), 1);
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0], "Paint Error|An unexpected error occurs, the program will now exit.");
    EXPECT_EQ(SettingsStore::loadSettings().dimensionX, 6);
}

// A finished Beginner game of 42 s and 20 moves, against a stored 50 s; the record dialog
// is answered by `onRecord`, Best Times by noting the holder it shows.
class RecordEndingsTest : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        ASSERT_TRUE(SettingsStore::writeBestTime(Level::Beginner, {"Bea", 50, 20}));
        window = makeWindow();
        window->gameScreen()->getMovesCounter()->setValue(20);
        window->gameScreen()->getTimeCounter()->setValue(42);
    }

    ModalScript answer(const std::function<void(QWidget*)>& onRecord) {
        return ModalScript({[onRecord](QWidget* w) {
                                if (dialogAs<NewRecordDialog>(w) != nullptr) {
                                    w->findChild<QLineEdit*>()->setText("Ada");
                                    onRecord(w);
                                }
                            },
                            [this](QWidget* w) {
                                if (dialogAs<BestTimesDialog>(w) != nullptr) {
                                    shownHolder = w->findChild<QLabel*>("nameBeginner")->text();
                                    clickButton(w, "OK");
                                }
                            }});
    }

    BestTime stored() const { return SettingsStore::readBestTime(Level::Beginner); }

    std::unique_ptr<MainWindow> window;
    QString shownHolder;
};

TEST_F(RecordEndingsTest, ABetterTimeAsksForANameThenShowsTheBestTimes) {
    window->gameScreen()->getTimeCounter()->setValue(50);  // a tie is no record
    {
        ModalScript none({});
        window->gameHost()->onPuzzleSolved();
        EXPECT_EQ(none.unexpected(), 0);
    }
    window->gameScreen()->getTimeCounter()->setValue(42);
    ModalScript script = answer([](QWidget* w) { clickButton(w, "OK"); });
    window->gameHost()->onPuzzleSolved();
    EXPECT_EQ(script.answered(), 2);
    EXPECT_EQ(shownHolder, "Ada");
    EXPECT_EQ(stored(), (BestTime{"Ada", 42, 20}));
}

TEST_F(RecordEndingsTest, ABetterTimeStoredMeanwhileByAnotherGameIsNotOverwritten) {
    ModalScript script = answer([](QWidget* w) {
        ASSERT_TRUE(SettingsStore::writeBestTime(Level::Beginner, {"Eve", 42, 19}));
        clickButton(w, "OK");
    });
    window->gameHost()->onPuzzleSolved();
    EXPECT_EQ(shownHolder, "Eve");
    EXPECT_EQ(stored(), (BestTime{"Eve", 42, 19}));
    EXPECT_TRUE(warnings.empty());
}

// Files may not grow past a few bytes, as on a full disk; root cannot write past that limit
// either, which a read-only folder would not stop.
TEST_F(RecordEndingsTest, ARefusedRecordIsToldKeptAndStoredAtExit) {
    struct rlimit before {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &before), 0);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit tiny = before;
    tiny.rlim_cur = 64;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &tiny), 0);
    {
        ModalScript script = answer([](QWidget* w) { clickButton(w, "OK"); });
        window->gameHost()->onPuzzleSolved();
        EXPECT_EQ(script.answered(), 2);
    }
    setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, previous);

    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0].toStdString(),
              "Best Time Not Saved|Your best time could not be saved:\nFile too "
              "large\nThe game will try again when it closes.");
    EXPECT_EQ(shownHolder, "Bea");
    EXPECT_EQ(stored().name, "Bea");
    EXPECT_EQ(runWith(*window, [&] { window->close(); }), 0);
    EXPECT_EQ(stored(), (BestTime{"Ada", 42, 20}));
}

// A termination signal closes the window from inside the dialog's own event loop.
TEST_F(RecordEndingsTest, ClosingWhileTheNameIsTypedStoresItAndEnds) {
    ModalScript script = answer([this](QWidget*) { window->close(); });
    EXPECT_EQ(runWith(*window, [&] { window->gameHost()->onPuzzleSolved(); }), 0);
    EXPECT_EQ(script.answered(), 1);
    EXPECT_EQ(script.unexpected(), 0);
    EXPECT_EQ(stored(), (BestTime{"Ada", 42, 20}));
}

class ViewInputTest : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        window = makeWindow();
        screen = window->gameScreen();
        board = screen->getBoard();
        view = window->gameView();
        screen->newGame();
        view->drawScreen();
        row = board->getEmptyRow();
        empty = board->getEmptyColumn();
        neighbour = empty > 0 ? empty - 1 : empty + 1;
    }

    QRect cell(int column) const {
        auto edge = [this](int i) { return Tile::cellEdge(i, board->getWidth(), 4); };
        const int top = board->getY() + Tile::cellEdge(row, board->getHeight(), 4);
        return QRect(board->getX() + edge(column), top, edge(column + 1) - edge(column),
                     Tile::cellEdge(row + 1, board->getHeight(), 4) - (top - board->getY()));
    }

    void mouse(QEvent::Type type, QPoint at, Qt::MouseButtons held = Qt::LeftButton) {
        QMouseEvent event(type, at, view->mapToGlobal(at), Qt::LeftButton, held, Qt::NoModifier);
        QApplication::sendEvent(view, &event);
    }

    void key(QEvent::Type type, int qtKey, bool autoRepeat = false) {
        QKeyEvent event(type, qtKey, Qt::NoModifier, QString(), autoRepeat);
        QApplication::sendEvent(view, &event);
    }

    std::unique_ptr<MainWindow> window;
    GameScreen* screen = nullptr;
    TileBoard* board = nullptr;
    GameView* view = nullptr;
    int row = 0;
    int empty = 0;
    int neighbour = 0;
};

TEST_F(ViewInputTest, ClickOnATileSlidesItAndRepaintsOnlyWhatChanged) {
    const QImage before = view->framebuffer().image().copy();
    mouse(QEvent::MouseButtonPress, cell(neighbour).center());

    EXPECT_EQ(screen->getMoves(), 1);
    const DigitCounter* moves = screen->getMovesCounter();
    const QRegion allowed = QRegion(cell(neighbour)) + cell(empty) +
                            QRect(moves->getX(), moves->getY(), moves->getWidth(), 23);
    const QRegion damage = view->lastDamage();
    EXPECT_TRUE((damage - allowed).isEmpty());
    const QImage& after = view->framebuffer().image();
    int changed = 0;
    for (int y = 0; y < after.height(); ++y) {
        for (int x = 0; x < after.width(); ++x) {
            if (after.pixel(x, y) != before.pixel(x, y)) {
                ++changed;
                ASSERT_TRUE(damage.contains(QPoint(x, y))) << x << "," << y;
            }
        }
    }
    EXPECT_GT(changed, 0);
    mouse(QEvent::MouseButtonRelease, cell(neighbour).center(), Qt::NoButton);
    EXPECT_EQ(screen->getMoves(), 1);
}

TEST_F(ViewInputTest, ArrowsRepeatsAndDoubleClicksAreSeparatePresses) {
    const QRect area(board->getX(), board->getY(), board->getWidth(), board->getHeight());
    const QImage before = view->framebuffer().image().copy(area);
    mouse(QEvent::MouseButtonPress, cell(neighbour).center());
    mouse(QEvent::MouseButtonRelease, cell(neighbour).center(), Qt::NoButton);
    // The arrow pointing back moves the tile home again; the release does nothing.
    const int back = neighbour < empty ? Qt::Key_Left : Qt::Key_Right;
    key(QEvent::KeyPress, back);
    key(QEvent::KeyRelease, back);
    EXPECT_EQ(screen->getMoves(), 2);
    EXPECT_EQ(view->framebuffer().image().copy(area), before);

    // An auto-repeated press counts; its synthetic release does not.
    key(QEvent::KeyPress, neighbour < empty ? Qt::Key_Right : Qt::Key_Left, true);
    key(QEvent::KeyRelease, Qt::Key_Right, true);
    EXPECT_EQ(screen->getMoves(), 3);
    // The second press of a double click slides like any press.
    mouse(QEvent::MouseButtonDblClick, cell(empty).center());
    EXPECT_EQ(screen->getMoves(), 4);
}

}  // namespace
}  // namespace zolva::testing
