#include "app/settings_store.h"
#include "framework/file_name.h"
#include "support/store_file.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QSettings>
#include <random>

namespace zolva {
namespace {

// Every test starts without a store file and checks what reached the disk by reading the
// file itself, not through another QSettings that could share the store's cache.
class SettingsStoreTest : public testing::StoreFileTest {
protected:
    QMap<QString, QString> rawValues() const {
        QMap<QString, QString> values;
        QFile file(path);
        if (file.open(QIODevice::ReadOnly)) {
            for (const QByteArray& line : file.readAll().split('\n')) {
                if (const qsizetype eq = line.indexOf('='); eq > 0) {
                    values.insert(QString::fromUtf8(line.left(eq)),
                                  QString::fromUtf8(line.mid(eq + 1)));
                }
            }
        }
        return values;
    }
};

TEST_F(SettingsStoreTest, FreshStoreCreatesEveryOptionWithItsDefault) {
    // The file every earlier version wrote, though the store now opens it by name.
    EXPECT_EQ(path, QSettings(QSettings::NativeFormat, QSettings::UserScope, "Zolva Games",
                              "Zolva Puzzle")
                        .fileName());
    // Left for later, nothing reaches the disk; the next load writes every default.
    bool left = false;
    EXPECT_TRUE(SettingsStore::loadSettings(SettingsStore::DefaultsWrite::later, &left) ==
                Settings{});
    EXPECT_TRUE(left);
    EXPECT_TRUE(rawValues().isEmpty());
    EXPECT_TRUE(SettingsStore::loadSettings() == Settings{});
    SettingsStore::loadSettings(SettingsStore::DefaultsWrite::later, &left);
    EXPECT_FALSE(left);
    const QMap<QString, QString> expected{
        {"dimensionX", "4"}, {"dimensionY", "4"}, {"emptyX", "-1"},
        {"emptyY", "100"},   {"showNumber", "0"}, {"defaultPicture", "1"},
        {"picturePath", ""}, {"zoom", "100"},     {"slideAnimation", "1"}};
    EXPECT_EQ(rawValues(), expected);

    // A zoom the window has no step for reads as the default and is left alone.
    writeRaw("[General]\nzoom=175\nslideAnimation=0\n");
    const Settings damaged = SettingsStore::loadSettings();
    EXPECT_EQ(damaged.zoom, 100);
    EXPECT_FALSE(damaged.slideAnimation);
    EXPECT_EQ(rawValues().value("zoom"), "175");
}

TEST_F(SettingsStoreTest, PicturePathIsWrittenOnlyWhileACustomPictureIsInUse) {
    // Stored as given (the board clamps the size), and the path is kept whole.
    const Settings custom{25, 6, 3, -1, true, false, "/p/" + QString(1000, 'p') + ".png"};
    ASSERT_TRUE(SettingsStore::saveSettings(custom));
    Settings builtIn = custom;
    builtIn.defaultPicture = true;
    builtIn.picturePath = "/somewhere/else.png";
    ASSERT_TRUE(SettingsStore::saveSettings(builtIn));

    builtIn.picturePath = custom.picturePath;
    EXPECT_TRUE(SettingsStore::loadSettings() == builtIn);
}

// A name in UTF-8 is stored as the same text as always; one in another encoding comes back
// byte for byte.
TEST_F(SettingsStoreTest, PicturePathsComeBackWithoutLossWhateverTheirBytes) {
    Settings custom;
    custom.defaultPicture = false;
    custom.picturePath = QString::fromUtf8("/fotos/caf\xC3\xA9 \xF0\x9F\x8C\x84.jpg");
    ASSERT_TRUE(SettingsStore::saveSettings(custom));
    EXPECT_EQ(SettingsStore::loadSettings().picturePath, custom.picturePath);
    EXPECT_EQ(rawValues().value("picturePath"), custom.picturePath);

    custom.picturePath = fileNameFromBytes("/fotos/caf\xE9-\xFF.jpg");
    ASSERT_TRUE(SettingsStore::saveSettings(custom));
    EXPECT_EQ(fileNameToBytes(SettingsStore::loadSettings().picturePath),
              QByteArray("/fotos/caf\xE9-\xFF.jpg"));
}

TEST_F(SettingsStoreTest, NewBestTimeBreaksTiesByMovesAndNeedsAStandardSize) {
    for (auto [columns, rows] : {std::pair{5, 5}, {10, 10}, {4, 6}, {6, 4}, {3, 3}}) {
        EXPECT_FALSE(SettingsStore::isNewBestTime(columns, rows, 1, 1));
    }
    EXPECT_FALSE(QFile::exists(path));  // other sizes never even open the store

    EXPECT_TRUE(SettingsStore::isNewBestTime(4, 4, 9998, 20000));
    EXPECT_FALSE(SettingsStore::isNewBestTime(4, 4, 9999, 9999));

    ASSERT_TRUE(SettingsStore::writeBestTime(Level::Intermediate, {"Ann", 100, 50}));
    EXPECT_TRUE(SettingsStore::isNewBestTime(6, 6, 100, 49));
    EXPECT_FALSE(SettingsStore::isNewBestTime(6, 6, 100, 50));
    EXPECT_TRUE(SettingsStore::isNewBestTime(6, 6, 99, 500));
    EXPECT_FALSE(SettingsStore::isNewBestTime(6, 6, 101, 1));
    EXPECT_FALSE(SettingsStore::isNewBestTime(6, 6, -1, 1));

    // Offered records follow the same rule at the moment of writing.
    EXPECT_EQ(SettingsStore::offerBestTime(Level::Intermediate, {"Bo", 100, 50}).outcome,
              RecordWrite::BetterHeld);
    EXPECT_EQ(SettingsStore::offerBestTime(Level::Intermediate, {"Cy", 100, 49}).outcome,
              RecordWrite::Stored);
    EXPECT_EQ(SettingsStore::offerBestTime(Level::Intermediate, {"Di", 101, 1}).outcome,
              RecordWrite::BetterHeld);
    EXPECT_EQ(SettingsStore::readBestTime(Level::Intermediate), (BestTime{"Cy", 100, 49}));
}

TEST_F(SettingsStoreTest, BestTimeReachesTheDiskAtOnceWithItsNameCut) {
    ASSERT_TRUE(SettingsStore::writeBestTime(Level::Expert, {"ABCDEFGHIJKLMNOPQRST", 321, 45}));
    const QMap<QString, QString> values = rawValues();
    EXPECT_EQ(values.value("nameExpert"), "ABCDEFGHIJKLMN");
    EXPECT_EQ(values.value("timeExpert"), "321");
    EXPECT_EQ(values.value("moveExpert"), "45");

    // An emoji straddling the limit is dropped whole rather than split in half.
    const QString thirteen(13, 'a');
    SettingsStore::writeBestTime(Level::Expert, {thirteen + QString::fromUtf8("😀"), 1, 1});
    EXPECT_EQ(SettingsStore::readBestTime(Level::Expert).name, thirteen);
}

TEST_F(SettingsStoreTest, UnreadableValuesYieldDefaultsAndReadableOnesSurvive) {
    writeRaw(
        "[General]\ndimensionX=abc\ndimensionY=99999999999\nemptyX=4294967295\n"
        "emptyY=-5\nshowNumber=@Rect(1 2 3 4)\ndefaultPicture=false\n"
        "picturePath=" +
        QByteArray(40000, 'x') +
        "\n"
        "nameBeginner=" +
        QByteArray(5000, 'N') +
        "\ntimeBeginner=-1\n"
        "moveBeginner=" +
        QByteArray(100000, '9') +
        "\n"
        "nameIntermediate=Ann, Bob\ntimeIntermediate=12.5\n"
        "nameExpert=Zed\ntimeExpert= 120 \nmoveExpert=30\n");

    // emptyX: the same 32 bits written unsigned; emptyY -5 still means the first row.
    EXPECT_TRUE(SettingsStore::loadSettings() == (Settings{4, 4, -1, -5, false, false, ""}));
    const std::array<BestTime, 3> best = SettingsStore::readBestTimes();
    EXPECT_EQ(best[0], (BestTime{QString(14, 'N'), 9999, 9999}));
    EXPECT_EQ(best[1], (BestTime{"Anonymous", 9999, 9999}));
    EXPECT_EQ(best[2], (BestTime{"Zed", 120, 30}));
}

TEST_F(SettingsStoreTest, RandomBytesStartWithDefaultsAndStayWritable) {
    for (unsigned seed = 1; seed <= 8; ++seed) {
        SCOPED_TRACE(seed);
        std::mt19937 random(seed);
        QByteArray junk;
        for (int i = 0; i < 4096; ++i) {
            junk.append(static_cast<char>(random()));
        }
        writeRaw("timeExpert=321\nmoveExpert=45\nnameExpert=Ann\n" + junk);

        EXPECT_TRUE(SettingsStore::loadSettings() == Settings{});
        EXPECT_EQ(SettingsStore::readBestTime(Level::Expert), (BestTime{"Ann", 321, 45}));
        ASSERT_TRUE(SettingsStore::writeBestTime(Level::Beginner, {"Bo", 7, 8}));
        const QMap<QString, QString> values = rawValues();
        EXPECT_EQ(values.value("timeBeginner"), "7");
        EXPECT_EQ(values.value("timeExpert"), "321");
    }
}

}  // namespace
}  // namespace zolva
