// A bounded, seeded run of damaged picture files of every format through the picture
// path. The long run (scripts/reliability/fuzz-long.sh) uses the same cases, so a failure
// there can be replayed here by seed and case number.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "reliability/hostile_files.h"
#include "reliability/picture_fuzzer.h"

// Test names and failure messages show formats as text, not as bytes.
static void PrintTo(const QString& text, std::ostream* os) {
    *os << text.toStdString();
}

namespace zolva::reliability {
namespace {

constexpr std::uint32_t kSeed = 20240917;
// Each case starts decoder processes; the long run takes as many cases as it is given.
constexpr std::uint64_t kCasesPerFormat = 150;

TEST(HostileSeeds, EveryFormatHasSeedsThatLoadWhole) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    PictureFuzzer fuzzer(dir.path());
    for (const QString& format : seedFormats()) {
        const std::vector<SeedFile> seeds = seedFiles(format);
        ASSERT_FALSE(seeds.empty()) << format.toStdString();
        for (const SeedFile& seed : seeds) {
            const std::uint64_t loadedBefore = fuzzer.tally().loaded;
            EXPECT_EQ(fuzzer.runCase(seed.bytes), "") << seed.label.toStdString();
            // A seed that does not load would turn every case of its format into noise.
            EXPECT_EQ(fuzzer.tally().loaded, loadedBefore + 1)
                << format.toStdString() << "/" << seed.label.toStdString();
        }
    }
}

TEST(HostileSeeds, CasesAreReproducibleAndVaried) {
    const std::vector<SeedFile> seeds = seedFiles(QStringLiteral("png"));
    EXPECT_EQ(mutatedCase(seeds, kSeed, 77), mutatedCase(seeds, kSeed, 77));
    EXPECT_NE(mutatedCase(seeds, kSeed, 77), mutatedCase(seeds, kSeed + 1, 77));
    int unchanged = 0;
    for (std::uint64_t i = 0; i < 200; ++i) {
        unchanged += mutatedCase(seeds, kSeed, i) == seeds[i % seeds.size()].bytes;
    }
    EXPECT_LT(unchanged, 10);
}

class HostilePictures : public ::testing::TestWithParam<QString> {};

TEST_P(HostilePictures, LoadCleanlyOrLeaveThePictureOnShowAlone) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    PictureFuzzer fuzzer(dir.path());
    const std::vector<SeedFile> seeds = seedFiles(GetParam());
    int reported = 0;
    for (std::uint64_t i = 0; i < kCasesPerFormat; ++i) {
        QString what;
        const std::string problem = fuzzer.runCase(mutatedCase(seeds, kSeed, i, &what));
        if (!problem.empty() && reported++ < 10) {
            ADD_FAILURE() << "case " << i << " (" << what.toStdString() << "): " << problem;
        }
    }
    EXPECT_EQ(reported, 0);
    // Both outcomes must actually occur, or the mutations are too mild or too harsh to
    // test anything.
    EXPECT_GT(fuzzer.tally().loaded, 0u);
    EXPECT_GT(fuzzer.tally().refused, 0u);
    RecordProperty("loaded", int(fuzzer.tally().loaded));
    RecordProperty("refused", int(fuzzer.tally().refused));
}

INSTANTIATE_TEST_SUITE_P(Formats, HostilePictures, ::testing::ValuesIn(seedFormats()),
                         [](const auto& info) { return info.param.toStdString(); });

}  // namespace
}  // namespace zolva::reliability
