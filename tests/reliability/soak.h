// A long run of random play against a headless game screen: presses, releases and moves of
// every mouse button, arrow and other keys, undo and redo, clock ticks, new games, and every
// option the menus offer (size, empty corner, numbers, Find Tile, picture changes between
// two pictures and a missing file), drawn after every event. After each event it checks
// what must always hold: the tiles form a permutation of the cells, the missing tile hides
// unless the picture is whole, the clock runs exactly while a game is in play, each solve is
// reported once, and the move counter equals the slides the board accepted. With numbers off the
// picture's pixels are the file's pixels, so overlays and flashes always come off again.
#pragma once

#include <QSize>
#include <cstdint>
#include <string>

namespace zolva::reliability {

struct SoakReport {
    std::uint64_t events = 0;
    std::uint64_t slides = 0;
    std::uint64_t solves = 0;
    std::uint64_t newGames = 0;
    std::uint64_t optionChanges = 0;
    std::uint64_t pictureChanges = 0;
    std::uint64_t refusedPictures = 0;
    std::uint64_t pixelChecks = 0;
    // Empty while every invariant held; otherwise the first that broke and when.
    std::string failure;
};

// Runs `events` random events from `seed`, playing on pictures of the two sizes in turn
// (the game starts on the first); stops at the first broken invariant. A size the loader
// refuses is allowed: the game must then carry on without a picture. Needs a
// QGuiApplication.
SoakReport runSoak(std::uint32_t seed, std::uint64_t events, QSize first = QSize(300, 300),
                   QSize second = QSize(213, 157));

}  // namespace zolva::reliability
