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
#include "game/game_test_support.h"
#include "shell_test_support.h"

namespace zolva::testing {
namespace {

TEST(WindowZoom, OnlyStepsThatFitTheScreenAreOffered) {
    const QSize game(320, 356);
    const QSize chrome(16, 60);
    const QSize desk(1280, 1024);  // room for 200% (656 x 772), not for 300%
    EXPECT_EQ(zoom::zoomed(QSize(321, 101), 150), QSize(482, 152));
    EXPECT_EQ(zoom::largestFitting(300, game, chrome, desk), 200);
    EXPECT_EQ(zoom::largestFitting(150, game, chrome, desk), 150);
    EXPECT_EQ(zoom::nextStep(200, 1, game, chrome, desk), 200);
    EXPECT_EQ(zoom::nextStep(300, -1, game, chrome, desk), 200);
    EXPECT_EQ(zoom::largestFitting(300, game, chrome, QSize(200, 200)), 100);
}

// A 4 x 4 game over 300 x 300 drawn at 1:1 as the view draws it, and a glide following it.
struct DrawnGame {
    DrawnGame() {
        game.playFromHome();
        drawAndFollow();
    }
    // True when a glide is running after the draw.
    bool drawAndFollow(bool animate = true) {
        game.screen->draw(frame);
        slide.follow(game.board(), frame.image(), animate);
        return slide.isRunning();
    }
    QImage shown() const {
        return slide.image().copy(slide.area().translated(-slide.imageOrigin()));
    }

    test::TestGame game;  // the empty space bottom left
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
    EXPECT_EQ(d.shown(), before.copy(strip));

    // Part of the way, every tile of the run is found the same distance short of its cell,
    // and the frame touched nothing outside the run.
    const QRegion changed = d.slide.advance(SlideAnimation::durationMs / 2, d.frame.image());
    EXPECT_TRUE((changed - strip).isEmpty());
    const QImage mid = d.shown();
    for (int column = 0; column < 3; ++column) {
        const QRect to(strip.left() + column * 75, strip.top(), 74, 74);
        std::vector<int> found;
        for (int dx = 0; dx <= 75; ++dx) {
            if (mid.copy(to.translated(dx - strip.left(), -strip.top())) ==
                d.frame.image().copy(to)) {
                found.push_back(dx);
            }
        }
        ASSERT_EQ(found.size(), 1u) << column;
        EXPECT_GT(found[0], 0);
        EXPECT_LT(found[0], 75);
    }

    EXPECT_EQ(d.slide.advance(SlideAnimation::durationMs, d.frame.image()), QRegion(strip));
    EXPECT_FALSE(d.slide.isRunning());
    d.game.pressCell(0, 3);  // back home: the move that completes the picture glides too
    EXPECT_EQ(board.getState(), TileBoard::solved);
    EXPECT_TRUE(d.drawAndFollow());
}

TEST(SlideAnimationTest, OnlyOneSlidRunGlidesAndAnyOtherChangeEndsAGlideAtOnce) {
    DrawnGame d;
    d.game.key(msg::VK_LEFT);
    ASSERT_TRUE(d.drawAndFollow());
    const QRect first = d.slide.area();
    d.game.key(msg::VK_LEFT);
    ASSERT_TRUE(d.drawAndFollow());
    EXPECT_NE(d.slide.area(), first);

    d.game.board().swapTiles(0, 5);
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
}

QImage shownBy(GameView* view) {
    return view->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

TEST_F(ShellTest, ZoomResizesTheWindowShowsCrispPixelsAndMapsPressesBack) {
    // A 240 x 240 picture: the offscreen screen (800 x 800) has room for 200%, not 300%.
    Settings small;
    small.defaultPicture = false;
    small.picturePath = writeImage("small.png", 240, 240);
    SettingsStore::saveSettings(small);
    auto window = makeWindow();
    GameView* view = window->gameView();
    GameScreen* screen = window->gameScreen();
    const QSize actual = view->size();
    window->action(MainWindow::cmdZoomIn)->trigger();
    EXPECT_EQ(view->size(), QSize(390, 444));
    window->action(MainWindow::cmdZoomIn)->trigger();
    EXPECT_EQ(view->size(), actual * 2);
    EXPECT_EQ(window->size(), window->minimumSize());
    EXPECT_EQ(window->width(), actual.width() * 2);
    EXPECT_FALSE(window->action(MainWindow::cmdZoomIn)->isEnabled());

    screen->newGame();
    view->drawScreen();
    EXPECT_EQ(shownBy(view), view->framebuffer().image().scaled(actual * 2, Qt::IgnoreAspectRatio,
                                                                Qt::FastTransformation));

    // A press on the zoomed tile next to the empty space (cells of 60 pixels) slides that
    // tile; repainted are the zoomed two cells and the moves counter.
    const TileBoard* board = screen->getBoard();
    const int row = board->getEmptyRow();
    const int empty = board->getEmptyColumn();
    const int column = empty == 0 ? 1 : empty - 1;
    const QPoint at = QPoint(board->getX() + column * 60 + 30, board->getY() + row * 60 + 30) * 2;
    QMouseEvent press(QEvent::MouseButtonPress, at, view->mapToGlobal(at), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view, &press);
    EXPECT_EQ(screen->getMoves(), 1);
    EXPECT_EQ(board->getEmptyColumn(), column);
    const DigitCounter* moves = screen->getMovesCounter();
    QRegion allowed(board->getX() + std::min(column, empty) * 60, board->getY() + row * 60, 120,
                    60);
    allowed += QRect(moves->getX(), moves->getY(), moves->getWidth(), moves->getHeight());
    QRegion zoomedAllowed;
    for (const QRect& r : allowed) {
        zoomedAllowed += QRect(r.topLeft() * 2, r.size() * 2);
    }
    EXPECT_TRUE((view->lastDamage() - zoomedAllowed).isEmpty());
    const QPoint slid(board->getX() + empty * 60, board->getY() + row * 60);
    EXPECT_TRUE((QRegion(QRect(slid * 2, QSize(118, 118))) - view->lastDamage()).isEmpty());

    window->saveSettings();
    auto again = makeWindow();
    EXPECT_EQ(again->gameView()->size(), actual * 2);
    again->action(MainWindow::cmdActualSize)->trigger();
    EXPECT_EQ(again->gameView()->size(), actual);
    EXPECT_FALSE(again->action(MainWindow::cmdZoomOut)->isEnabled());
}

TEST_F(ShellTest, SlidesGlideWhenAllowedAndInputEndsThemAtOnce) {
    animateSlides = true;
    auto window = makeWindow();
    GameView* view = window->gameView();
    GameScreen* screen = window->gameScreen();
    screen->newGame();
    view->drawScreen();
    auto arrow = [view](int key) {
        QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(view, &event);
    };
    const bool rightEdge = screen->getBoard()->getEmptyColumn() == 3;

    arrow(rightEdge ? Qt::Key_Right : Qt::Key_Left);
    EXPECT_EQ(screen->getMoves(), 1);  // the game has moved at once
    EXPECT_TRUE(view->isSliding());
    EXPECT_NE(shownBy(view), view->framebuffer().image());
    arrow(rightEdge ? Qt::Key_Left : Qt::Key_Right);
    EXPECT_EQ(screen->getMoves(), 2);
    ASSERT_TRUE(waitFor([view] { return !view->isSliding(); }));
    EXPECT_EQ(shownBy(view), view->framebuffer().image());

    window->action(MainWindow::cmdIntermediate)->trigger();
    window->action(MainWindow::cmdNew)->trigger();
    window->assistController()->setPreparesTables(false);
    window->assistController()->setStepInterval(0);
    window->action(MainWindow::cmdSolve)->trigger();
    ASSERT_TRUE(waitFor([&] { return screen->getBoard()->getState() == TileBoard::solved; }));
    ASSERT_TRUE(waitFor([view] { return !view->isSliding(); }));
    EXPECT_EQ(shownBy(view), view->framebuffer().image());

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
