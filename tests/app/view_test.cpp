// How the window shows the game: zoomed (with presses mapped back to the 1:1 screen), and
// with a run of tiles gliding into place after the game has already moved it.
#include <QKeyEvent>
#include <QMouseEvent>

#include "app/assist_controller.h"
#include "app/game_view.h"
#include "app/slide_animation.h"
#include "app/window_zoom.h"
#include "framework/surface.h"
#include "game/digit_counter.h"
#include "game/game_screen.h"
#include "game/game_test_support.h"
#include "puzzle/tile.h"
#include "puzzle/tile_board.h"
#include "shell_test_support.h"

namespace zolva::testing {
namespace {

TEST(WindowZoom, OnlyStepsThatFitTheScreenAreOffered) {
    const QSize game(320, 356);
    const QSize chrome(16, 60);
    EXPECT_EQ(zoom::zoomed(QSize(321, 101), 150), QSize(482, 152));  // rounded up
    // 200% needs 656 x 772: a 1280 x 1024 screen has room for it but not for 300%.
    const QSize desk(1280, 1024);
    EXPECT_EQ(zoom::largestFitting(300, game, chrome, desk), 200);
    EXPECT_EQ(zoom::largestFitting(150, game, chrome, desk), 150);
    EXPECT_EQ(zoom::nextStep(150, 1, game, chrome, desk), 200);
    EXPECT_EQ(zoom::nextStep(200, 1, game, chrome, desk), 200);
    EXPECT_EQ(zoom::nextStep(300, -1, game, chrome, desk), 200);
    EXPECT_EQ(zoom::nextStep(100, -1, game, chrome, desk), 100);
    // The game's own size is kept even on a screen too small for it.
    EXPECT_EQ(zoom::largestFitting(300, game, chrome, QSize(200, 200)), 100);
}

// The framebuffer a view would hold: the whole screen drawn once at 1:1.
struct DrawnGame {
    DrawnGame() {
        game.playFromHome();
        draw();
        slide.follow(game.board(), frame.image(), true);
    }
    void draw() { game.screen->draw(frame); }
    // Draws and lets the animation see the board; true when a slide started.
    bool drawAndFollow(bool animate = true) {
        draw();
        slide.follow(game.board(), frame.image(), animate);
        return slide.isRunning();
    }
    QImage shown() const {
        return slide.image().copy(slide.area().translated(-slide.imageOrigin()));
    }
    QRect tileRect(int column, int row) const {
        const TileBoard& b = game.board();
        const Tile& t = *b.tileAt(row * b.getColumns() + column);
        return QRect(b.getX() + t.getX(), b.getY() + t.getY(), t.getWidth(), t.getHeight());
    }

    test::TestGame game;  // 4 x 4 over 300 x 300, the empty space bottom left
    Surface frame{game.screen->getWidth(), game.screen->getHeight()};
    SlideAnimation slide;
};

TEST(SlideAnimationTest, ARunGlidesFromItsOldCellsToWhereTheFramebufferHasIt) {
    DrawnGame d;
    const QImage before = d.frame.image().copy();
    d.game.pressCell(3, 3);  // the three tiles right of the empty space slide left
    ASSERT_TRUE(d.drawAndFollow());
    const TileBoard& board = d.game.board();
    const QRect strip(board.getX(), board.getY() + 225, 300, 75);
    EXPECT_EQ(d.slide.area(), strip);
    EXPECT_EQ(d.shown(), before.copy(strip)) << "a slide starts from the old picture";

    // Part of the way each tile of the run stands between its cells, all by the same step;
    // a frame touches nothing outside the run.
    const QRegion changed = d.slide.advance(SlideAnimation::durationMs / 2, d.frame.image());
    EXPECT_TRUE((changed - strip).isEmpty());
    EXPECT_FALSE(changed.isEmpty());
    const QImage mid = d.shown();
    std::vector<int> offsets;
    for (int column = 0; column < 3; ++column) {
        const QRect to = d.tileRect(column, 3);
        const QImage tile = d.frame.image().copy(to);
        for (int dx = 0; dx <= 75; ++dx) {
            if (mid.copy(to.translated(dx, 0).translated(-strip.topLeft())) == tile) {
                offsets.push_back(dx);
            }
        }
    }
    ASSERT_EQ(offsets.size(), 3u);
    EXPECT_GT(offsets[0], 0);
    EXPECT_LT(offsets[0], 75);
    EXPECT_EQ(offsets[1], offsets[0]);
    EXPECT_EQ(offsets[2], offsets[0]);

    EXPECT_EQ(d.slide.advance(SlideAnimation::durationMs, d.frame.image()), QRegion(strip));
    EXPECT_FALSE(d.slide.isRunning());
}

TEST(SlideAnimationTest, OnlyOneSlidRunGlidesAndAnyOtherChangeEndsAGlideAtOnce) {
    DrawnGame d;
    d.game.key(msg::VK_LEFT);
    ASSERT_TRUE(d.drawAndFollow());
    const QRect first = d.slide.area();
    // The next slide ends this one and starts its own.
    d.game.key(msg::VK_LEFT);
    ASSERT_TRUE(d.drawAndFollow());
    EXPECT_NE(d.slide.area(), first);

    d.game.board().swapTiles(0, 5);  // not a slide
    EXPECT_FALSE(d.drawAndFollow());
    d.game.key(msg::VK_RIGHT);
    EXPECT_FALSE(d.drawAndFollow(false)) << "animation off";
    d.game.key(msg::VK_LEFT);
    ASSERT_TRUE(d.drawAndFollow());
    d.game.screen->newGame();
    EXPECT_FALSE(d.drawAndFollow());
    d.game.screen->setDimensions(5, 5);
    EXPECT_FALSE(d.drawAndFollow());
    d.game.screen->setEmptyCorner(100, -1);
    EXPECT_FALSE(d.drawAndFollow());
    EXPECT_FALSE(d.drawAndFollow()) << "nothing changed";
}

class ZoomedViewTest : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        // Small enough that the offscreen screen (800 x 800) has room for 200% but not 300%.
        Settings small;
        small.defaultPicture = false;
        small.picturePath = writeImage("small.png", 240, 240);
        SettingsStore::saveSettings(small);
    }
    void press(GameView* view, QPoint at) {
        QMouseEvent event(QEvent::MouseButtonPress, at, view->mapToGlobal(at), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(view, &event);
    }
};

TEST_F(ZoomedViewTest, ZoomResizesTheWindowShowsCrispPixelsAndMapsPressesBack) {
    auto window = makeWindow();
    GameView* view = window->gameView();
    GameScreen* screen = window->gameScreen();
    const QSize actual(screen->getWidth(), screen->getHeight());
    ASSERT_EQ(view->size(), actual);
    window->action(MainWindow::cmdZoomIn)->trigger();
    EXPECT_EQ(view->size(), QSize(390, 444));
    window->action(MainWindow::cmdZoomIn)->trigger();
    EXPECT_EQ(view->size(), actual * 2);
    EXPECT_EQ(window->size(), window->minimumSize());
    EXPECT_EQ(window->size().width(), actual.width() * 2);
    EXPECT_FALSE(window->action(MainWindow::cmdZoomIn)->isEnabled()) << "300% does not fit";
    window->zoomIn();
    EXPECT_EQ(view->zoom(), 200);

    screen->newGame();
    view->drawScreen();
    const TileBoard* board = screen->getBoard();
    const QImage dealt = view->framebuffer().image().copy();
    // Whole factors repeat each pixel exactly.
    EXPECT_EQ(view->grab().toImage().convertToFormat(QImage::Format_RGB32),
              dealt.scaled(actual * 2, Qt::IgnoreAspectRatio, Qt::FastTransformation));

    // A press on the zoomed tile next to the empty space slides that tile, and what is
    // repainted is the zoomed two cells and the moves counter, not the window.
    // (4 x 4 cells of 60 pixels.)
    const int row = board->getEmptyRow();
    const int empty = board->getEmptyColumn();
    const int column = empty == 0 ? 1 : empty - 1;
    const QPoint centre(board->getX() + column * 60 + 30, board->getY() + row * 60 + 30);
    press(view, centre * 2 + QPoint(1, 1));
    EXPECT_EQ(screen->getMoves(), 1);
    EXPECT_EQ(board->getEmptyColumn(), column);
    const DigitCounter* moves = screen->getMovesCounter();
    const QRect twoCells(board->getX() + std::min(column, empty) * 60, board->getY() + row * 60,
                         120, 60);
    QRegion allowed(QRect(twoCells.topLeft() * 2, twoCells.size() * 2));
    allowed += QRect(QPoint(moves->getX(), moves->getY()) * 2,
                     QSize(moves->getWidth(), moves->getHeight()) * 2);
    EXPECT_FALSE(view->lastDamage().isEmpty());
    EXPECT_TRUE((view->lastDamage() - allowed).isEmpty());

    window->saveSettings();
    EXPECT_EQ(SettingsStore::loadSettings().zoom, 200);
    auto again = makeWindow();
    EXPECT_EQ(again->gameView()->size(), actual * 2);
    again->action(MainWindow::cmdZoomOut)->trigger();
    EXPECT_EQ(again->gameView()->zoom(), 150);
    again->action(MainWindow::cmdActualSize)->trigger();
    EXPECT_EQ(again->gameView()->size(), actual);
    EXPECT_FALSE(again->action(MainWindow::cmdZoomOut)->isEnabled());
}

TEST_F(ShellTest, SlidesGlideWhenAllowedAndInputEndsThemAtOnce) {
    animateSlides = true;
    auto window = makeWindow();
    GameView* view = window->gameView();
    GameScreen* screen = window->gameScreen();
    ASSERT_TRUE(window->action(MainWindow::cmdSlideAnimation)->isChecked());
    screen->newGame();
    view->drawScreen();
    auto shown = [view] { return view->grab().toImage().convertToFormat(QImage::Format_RGB32); };
    auto arrow = [view](int key) {
        QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(view, &event);
    };
    const int there = screen->getBoard()->getEmptyColumn() == 3 ? Qt::Key_Right : Qt::Key_Left;
    const int back = there == Qt::Key_Left ? Qt::Key_Right : Qt::Key_Left;

    arrow(there);
    // The game has moved at once; only the screen lags behind.
    EXPECT_EQ(screen->getMoves(), 1);
    EXPECT_TRUE(view->isSliding());
    EXPECT_NE(shown(), view->framebuffer().image());
    // A key during the slide is handled at once and starts a slide of its own.
    arrow(back);
    EXPECT_EQ(screen->getMoves(), 2);
    ASSERT_TRUE(waitFor([view] { return !view->isSliding(); }));
    EXPECT_EQ(shown(), view->framebuffer().image());

    // Solve plays through its slides.
    window->action(MainWindow::cmdIntermediate)->trigger();
    window->action(MainWindow::cmdNew)->trigger();
    window->assistController()->setStepInterval(0);
    window->action(MainWindow::cmdSolve)->trigger();
    ASSERT_TRUE(waitFor([&] { return screen->getBoard()->getState() == TileBoard::solved; }));
    ASSERT_TRUE(waitFor([view] { return !view->isSliding(); }));
    EXPECT_EQ(shown(), view->framebuffer().image());

    // Turned off, and remembered so.
    window->action(MainWindow::cmdSlideAnimation)->trigger();
    window->action(MainWindow::cmdNew)->trigger();
    arrow(Qt::Key_Left);
    arrow(Qt::Key_Right);
    EXPECT_FALSE(view->isSliding());
    window->saveSettings();
    EXPECT_FALSE(SettingsStore::loadSettings().slideAnimation);
}

}  // namespace
}  // namespace zolva::testing
