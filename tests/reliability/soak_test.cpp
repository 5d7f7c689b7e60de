// A bounded soak: 50,000 random events against a headless game screen, every invariant
// checked after every event. The million-event run is scripts/reliability/soak.sh.
#include <gtest/gtest.h>

#include "reliability/soak.h"

namespace zolva::reliability {
namespace {

TEST(Soak, FiftyThousandRandomEventsKeepEveryInvariant) {
    const SoakReport report = runSoak(4242, 50000);
    EXPECT_EQ(report.failure, "");
    EXPECT_EQ(report.events, 50000u);
    // The run must reach every part of a game, or it proves little.
    EXPECT_GT(report.slides, 10000u);
    EXPECT_GT(report.solves, 10u);
    EXPECT_GT(report.pictureChanges, 100u);
    EXPECT_GT(report.refusedPictures, 5u);
    EXPECT_GT(report.pixelChecks, 100u);
}

TEST(Soak, TheSameSeedPlaysTheSameGame) {
    const SoakReport first = runSoak(7, 3000);
    const SoakReport second = runSoak(7, 3000);
    EXPECT_EQ(first.failure, "");
    EXPECT_EQ(first.slides, second.slides);
    EXPECT_EQ(first.solves, second.solves);
    EXPECT_EQ(first.newGames, second.newGames);
}

}  // namespace
}  // namespace zolva::reliability
