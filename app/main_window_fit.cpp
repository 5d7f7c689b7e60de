// Fitting the window to the screen: pictures decoded no larger than the screen holds, and
// the zoom steps that fit it.
#include <QAction>
#include <QGuiApplication>
#include <QLayout>
#include <QMenuBar>
#include <QScreen>

#include "app/game_view.h"
#include "app/main_window.h"
#include "app/window_zoom.h"
#include "game/game_screen.h"
#include "game/sprite_sheets.h"

namespace zolva {

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

void MainWindow::fitPicturesToAvailableScreen() {
    const QScreen* display = QGuiApplication::primaryScreen();
    if (display == nullptr) {
        return;
    }
    // Everything around the picture: the game screen's margins and counter bar, the menu
    // bar and a generous allowance for the window manager's frame and title.
    constexpr int kFrameAllowance = 16;
    constexpr int kTitleAllowance = 40;
    const QSize chrome(GameScreen::widthAroundBoard + kFrameAllowance,
                       GameScreen::heightAroundBoard(kBarHeight) + menuBar()->sizeHint().height() +
                           kTitleAllowance);
    imageio::setFitSize(imageio::fitSizeForScreen(display->availableGeometry().size(), chrome));
}

}  // namespace zolva
