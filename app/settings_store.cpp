#include "app/settings_store.h"

#include <optional>

#include "app/store_key.h"
#include "app/store_values.h"

namespace zolva {

namespace {

using storevalue::whyUnwritable;

// The record rule: a shorter time, or the same time in fewer moves.
bool beats(quint32 time, quint32 moves, quint32 bestTime, quint32 bestMoves) {
    return time < bestTime || (time == bestTime && moves < bestMoves);
}

}  // namespace

Settings SettingsStore::loadSettings(DefaultsWrite defaults, bool* defaultsLeft) {
    Settings s;
    StoreKey key;
    key.createsDefaults = defaults == DefaultsWrite::now;
    s.dimensionX = key.readSigned(kDimensionXKey, s.dimensionX);
    s.dimensionY = key.readSigned(kDimensionYKey, s.dimensionY);
    s.emptyX = key.readSigned(kEmptyXKey, s.emptyX);
    s.emptyY = key.readSigned(kEmptyYKey, s.emptyY);
    s.showNumber = key.readFlag(kShowNumberKey, s.showNumber);
    s.defaultPicture = key.readFlag(kDefaultPictureKey, s.defaultPicture);
    s.picturePath = key.readPath(kPicturePathKey, s.picturePath);
    // A zoom the window does not offer is damage; the window has the last word on fit.
    if (const qint32 zoom = key.readSigned(kZoomKey, s.zoom);
        zoom == 100 || zoom == 150 || zoom == 200 || zoom == 300) {
        s.zoom = zoom;
    }
    s.slideAnimation = key.readFlag(kSlideAnimationKey, s.slideAnimation);
    if (key.createsDefaults) {
        key.commit();
    }
    if (defaultsLeft != nullptr) {
        *defaultsLeft = key.lacksDefaults;
    }
    return s;
}

bool SettingsStore::saveSettings(const Settings& s) {
    StoreKey key;
    key.write(kDimensionXKey, s.dimensionX);
    key.write(kDimensionYKey, s.dimensionY);
    key.write(kEmptyXKey, s.emptyX);
    key.write(kEmptyYKey, s.emptyY);
    key.write(kShowNumberKey, s.showNumber ? 1 : 0);
    key.write(kDefaultPictureKey, s.defaultPicture ? 1 : 0);
    if (!s.defaultPicture) {
        key.writePath(kPicturePathKey, s.picturePath);
    }
    key.write(kZoomKey, s.zoom);
    key.write(kSlideAnimationKey, s.slideAnimation ? 1 : 0);
    return key.commit();
}

std::optional<Level> SettingsStore::levelFor(int columns, int rows) {
    return levelOfBoard(columns, rows);
}

QString SettingsStore::levelSuffix(Level level) {
    return QLatin1String(levelInfo(level).suffix);
}

bool SettingsStore::isNewBestTime(int columns, int rows, int time, int moves) {
    const std::optional<Level> level = levelFor(columns, rows);
    if (!level) {
        return false;
    }
    StoreKey key;
    const quint32 bestTime = key.readUnsigned(timeKey(*level), defaultBestTime);
    const quint32 bestMoves = key.readUnsigned(moveKey(*level), defaultBestMoves);
    key.commit();
    // The counters never go negative, but if they did, the unsigned view makes such a game
    // lose rather than win.
    return beats(static_cast<quint32>(time), static_cast<quint32>(moves), bestTime, bestMoves);
}

BestTime SettingsStore::readBestTime(Level level) {
    StoreKey key;
    BestTime record;
    record.name = key.readName(nameKey(level));
    record.time = key.readUnsigned(timeKey(level), defaultBestTime);
    record.moves = key.readUnsigned(moveKey(level), defaultBestMoves);
    key.commit();
    return record;
}

std::array<BestTime, 3> SettingsStore::readBestTimes() {
    StoreKey key;
    std::array<BestTime, 3> records;
    for (std::size_t i = 0; i < kLevels.size(); ++i) {
        records[i].name = key.readName(nameKey(kLevels[i].level));
    }
    for (std::size_t i = 0; i < kLevels.size(); ++i) {
        records[i].time = key.readUnsigned(timeKey(kLevels[i].level), defaultBestTime);
    }
    for (std::size_t i = 0; i < kLevels.size(); ++i) {
        records[i].moves = key.readUnsigned(moveKey(kLevels[i].level), defaultBestMoves);
    }
    key.commit();
    return records;
}

bool SettingsStore::writeBestTime(Level level, const BestTime& record) {
    StoreKey key;
    key.write(nameKey(level), truncateName(record.name));
    key.write(timeKey(level), record.time);
    key.write(moveKey(level), record.moves);
    return key.commit();
}

RecordWrite SettingsStore::offerBestTime(Level level, const BestTime& record) {
    StoreKey key;
    const quint32 bestTime = key.readUnsigned(timeKey(level), defaultBestTime);
    const quint32 bestMoves = key.readUnsigned(moveKey(level), defaultBestMoves);
    if (!beats(record.time, record.moves, bestTime, bestMoves)) {
        key.commit();
        return {RecordWrite::BetterHeld, {}};
    }
    QString reason;
    if (key.commitThroughCopy({{nameKey(level), truncateName(record.name)},
                               {timeKey(level), record.time},
                               {moveKey(level), record.moves}},
                              reason)) {
        return {RecordWrite::Stored, {}};
    }
    return {RecordWrite::Failed, reason.isEmpty() ? whyUnwritable(key.fileName()) : reason};
}

std::optional<StoreDamage> SettingsStore::takeDamageReport() {
    return StoreKey::takeDamage();
}

bool SettingsStore::resetScores() {
    StoreKey key;
    for (const LevelInfo& info : kLevels) {
        key.write(nameKey(info.level), defaultName());
    }
    for (const LevelInfo& info : kLevels) {
        key.write(timeKey(info.level), defaultBestTime);
    }
    for (const LevelInfo& info : kLevels) {
        key.write(moveKey(info.level), defaultBestMoves);
    }
    return key.commit();
}

QString SettingsStore::truncateName(const QString& name) {
    if (name.size() <= maxNameLength) {
        return name;
    }
    qsizetype length = maxNameLength;
    // Half a surrogate pair would be written out as a replacement character.
    if (name.at(length - 1).isHighSurrogate()) {
        --length;
    }
    return name.left(length);
}

QString SettingsStore::fileName() {
    return StoreKey::storeFile();
}

}  // namespace zolva
