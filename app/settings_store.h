// SettingsStore is the one place that knows where the game keeps its persistent data: the
// options in force when the game was last closed and the best time of each standard level.
// Everything lives under one per-user QSettings location ("Zolva Games" / "Zolva Puzzle").
// Nothing is cached: every call opens the store, reads or writes, and closes it again, and
// every read of a missing value writes that value's default. Whatever the file holds, reads
// never fail: a value that cannot be understood yields its default.
#pragma once

#include <QString>
#include <QtGlobal>
#include <array>
#include <optional>
#include <vector>

#include "app/levels.h"

namespace zolva {

// The options read at start-up and written at exit. The empty-space settings are kept
// unclamped: -1 means the first column/row and 100 the last.
struct Settings {
    int dimensionX = 4;
    int dimensionY = 4;
    int emptyX = -1;
    int emptyY = 100;
    bool showNumber = false;
    bool defaultPicture = true;
    QString picturePath;
    // How the window shows the game: its zoom in percent (100, 150, 200 or 300) and
    // whether slides glide into place. Neither touches the game itself.
    int zoom = 100;
    bool slideAnimation = true;

    friend bool operator==(const Settings&, const Settings&) = default;
};

// What a level holds before anyone has set a time on it.
inline constexpr quint32 kDefaultBestTime = 9999;
inline constexpr quint32 kDefaultBestMoves = 9999;

struct BestTime {
    QString name;
    quint32 time = kDefaultBestTime;
    quint32 moves = kDefaultBestMoves;

    friend bool operator==(const BestTime&, const BestTime&) = default;
};

// What became of a best time offered to the store.
struct RecordWrite {
    enum Outcome {
        Stored,      // on disk now
        BetterHeld,  // the store already holds a time at least as good; nothing written
        Failed,      // the file could not be written; `reason` says why
    };
    Outcome outcome = Failed;
    QString reason;
};

// A store file that could not be read as it was, and the best times it cost.
struct StoreDamage {
    QString keptAs;  // where the damaged file now is; empty if it could not be moved
    std::vector<Level> lostBestTimes;
};

class SettingsStore {
public:
    // Names are cut to this many characters wherever they enter the store.
    static constexpr int maxNameLength = 14;
    static constexpr quint32 defaultBestTime = kDefaultBestTime;
    static constexpr quint32 defaultBestMoves = kDefaultBestMoves;
    static QString defaultName() { return QStringLiteral("Anonymous"); }

    // Reads the options, and creates and writes a default for each one the store lacks;
    // `DefaultsWrite::later` leaves the defaults unwritten for a later load to write, so
    // that a first start need not wait for the disk before its first frame, and tells in
    // `defaultsLeft` whether any were.
    enum class DefaultsWrite { now, later };
    static Settings loadSettings(DefaultsWrite defaults = DefaultsWrite::now,
                                 bool* defaultsLeft = nullptr);
    // Writes the options; picturePath only when a custom picture is in use, so the
    // old path survives a switch to the built-in picture. False when the file could not be
    // written.
    static bool saveSettings(const Settings& s);

    // 4x4, 6x6 and 8x8 only; every other size has no best time.
    static std::optional<Level> levelFor(int columns, int rows);
    // "Beginner", "Intermediate", "Expert".
    static QString levelSuffix(Level level);

    // True when a finished game of this size beats the stored best: a shorter time, or the
    // same time in fewer moves. Non-standard sizes never touch the store.
    static bool isNewBestTime(int columns, int rows, int time, int moves);

    // Creates missing values with their defaults.
    static BestTime readBestTime(Level level);
    // All three levels, reading names first, then times, then moves.
    static std::array<BestTime, 3> readBestTimes();
    // Written and synced to disk at once, so a crash right after the entry loses nothing.
    // The name is cut to maxNameLength. False when the file could not be written.
    static bool writeBestTime(Level level, const BestTime& record);
    // As writeBestTime, but only if the record still beats the stored one when the store is
    // locked for the write: another game may have set a better time since this one was
    // told it had a record.
    static RecordWrite offerBestTime(Level level, const BestTime& record);
    // The damage found in the store file since the last call, if it cost a best time.
    static std::optional<StoreDamage> takeDamageReport();
    // All nine best-time values back to their defaults; false when the file could not be
    // written.
    static bool resetScores();

    // Cuts a name to maxNameLength characters without splitting a surrogate pair.
    static QString truncateName(const QString& name);
    // The file the store lives in (for diagnostics and tests).
    static QString fileName();
};

}  // namespace zolva
