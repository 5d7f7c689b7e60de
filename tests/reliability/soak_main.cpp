// The long soak: as many random events as asked for against a headless game screen.
//
//   zolva-soak [EVENTS] [SEED]      (defaults: 1,000,000 events, seed 4242)
#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "reliability/soak.h"

int main(int argc, char** argv) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    QGuiApplication app(argc, argv);
    const unsigned long long events = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 1000000;
    const unsigned long seed = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 4242;
    const zolva::reliability::SoakReport r =
        zolva::reliability::runSoak(static_cast<std::uint32_t>(seed), events);
    std::printf(
        "events %llu  slides %llu  solves %llu  new games %llu  option changes %llu  "
        "picture changes %llu (refused %llu)  pixel checks %llu\n",
        static_cast<unsigned long long>(r.events), static_cast<unsigned long long>(r.slides),
        static_cast<unsigned long long>(r.solves), static_cast<unsigned long long>(r.newGames),
        static_cast<unsigned long long>(r.optionChanges),
        static_cast<unsigned long long>(r.pictureChanges),
        static_cast<unsigned long long>(r.refusedPictures),
        static_cast<unsigned long long>(r.pixelChecks));
    if (!r.failure.empty()) {
        std::printf("FAILED: %s\n", r.failure.c_str());
        return 1;
    }
    std::printf("all invariants held\n");
    return 0;
}
