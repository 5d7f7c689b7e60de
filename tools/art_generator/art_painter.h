// The game's built-in art, drawn from code so that every pixel we ship is our own and can
// be redrawn after a change: the puzzle picture, the seven-segment digit strip, the smiley
// button strip and the application icon. Each function paints into a fresh image and is
// fully deterministic, because the committed image files are checked against a fresh run.
#pragma once

#include <QImage>
#include <QString>

namespace zolva::art {

// The picture a new player sees first: a 300 x 300 twilight landscape, busy enough that
// every tile of the finest grid (10 x 10) can be told from its neighbours.
QImage paintPuzzlePicture();

// Eleven 13 x 23 frames in one row: red seven-segment digits 0 to 9, then a minus sign.
QImage paintDigitStrip();

// Five 26 x 26 frames in one row: normal, hover, pressed, sunglasses, lost.
QImage paintButtonStrip();

// The application icon at size x size, with a transparent background.
QImage paintAppIcon(int size);

// The same icon as SVG text, for desktops that prefer a scalable icon.
QString appIconSvg();

}  // namespace zolva::art
