// Shared set-up for the benchmark programs: a headless Qt application with the built-in art,
// pictures generated on the fly into a temporary directory (so nothing large is kept in the
// repository), and a complete game screen drawn into a damage-tracking framebuffer the way
// the window draws it.
#pragma once

#include <QString>
#include <memory>

#include "framework/picture.h"
#include "framework/rect.h"
#include "framework/surface.h"
#include "game/game_screen.h"
#include "puzzle/tile_board.h"

namespace zolva::bench {

// A directory that lives as long as the benchmark program.
const QString& scratchDirectory();

// A smooth colour gradient with a fine noise texture, so an encoder cannot shrink it to
// nothing and a decoder has realistic work to do. Written once per path and reused.
QString gradientPng(int width, int height);
QString photoLikeJpeg(int width, int height, int quality);

// Pixels written into a framebuffer, summed over its damage rectangles (overdraw counts
// twice), and the number of distinct pixels among them.
long long summedArea(const std::vector<Rect>& damage);
long long distinctArea(const std::vector<Rect>& damage);

// The game's root with its pictures, in a fresh framebuffer of the screen's size. The
// first full draw has happened, so a benchmark starts from a clean screen.
struct ScreenRig {
    ScreenRig(const QString& pictureName, int columns, int rows);

    TileBoard& board() { return *screen->getBoard(); }
    // Draws whatever is dirty and forgets the damage; returns the pixels written.
    long long drawAndCount();

    std::unique_ptr<Picture> picture;
    Picture digits;
    Picture buttons;
    std::unique_ptr<GameScreen> screen;
    Surface framebuffer;
};

enum class Layout { Builtin4x4, Large10x10 };

// Built once and shared: the large board decodes a 2000 x 2000 picture, which would
// otherwise dominate the run. A rig starts dealt, without numbers and fully drawn; each
// benchmark leaves it so.
ScreenRig& sharedRig(Layout layout);

// Runs the Google Benchmark command line inside a headless Qt application.
int runBenchmarks(int argc, char** argv);
// The same in two halves, for a program that needs an application object of its own:
// false when the command line holds an argument nobody knows.
bool parseBenchmarkArguments(int& argc, char** argv);
void runParsedBenchmarks();

}  // namespace zolva::bench
