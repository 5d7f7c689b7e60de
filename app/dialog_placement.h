// Where the game's dialogs open: most at the top-left corner of the main window's client
// area, About centred over the window.
#pragma once

class QWidget;

namespace zolva {

// Moves a dialog so that its frame's top-left corner sits on the owner's client area origin
// (the central widget for a main window, so the menu bar stays visible).
void moveToClientOrigin(QWidget* dialog, QWidget* owner);

// Moves a dialog so that it sits centred over the main window, both measured by their outer
// frames; the halves are truncated toward zero.
void centerOnMainWindow(QWidget* dialog, const QWidget* mainWindow);

}  // namespace zolva
