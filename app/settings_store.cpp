#include "app/settings_store.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <QVariant>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <limits>
#include <optional>
#include <utility>

#include "app/store_file_check.h"
#include "app/store_lock.h"
#include "app/store_values.h"

#if defined(Q_OS_UNIX)
#include <stdlib.h>
#include <unistd.h>
#endif

#include "framework/file_name.h"

namespace zolva {

namespace {

// The options' keys in the store, in the order the file has always listed them.
constexpr QLatin1String kDimensionXKey("dimensionX");
constexpr QLatin1String kDimensionYKey("dimensionY");
constexpr QLatin1String kEmptyXKey("emptyX");
constexpr QLatin1String kEmptyYKey("emptyY");
constexpr QLatin1String kShowNumberKey("showNumber");
constexpr QLatin1String kDefaultPictureKey("defaultPicture");
constexpr QLatin1String kPicturePathKey("picturePath");
constexpr QLatin1String kZoomKey("zoom");
constexpr QLatin1String kSlideAnimationKey("slideAnimation");
constexpr QLatin1String kOptionKeys[] = {kDimensionXKey,  kDimensionYKey, kEmptyXKey,
                                         kEmptyYKey,      kShowNumberKey, kDefaultPictureKey,
                                         kPicturePathKey, kZoomKey,       kSlideAnimationKey};

// A best time's values are keyed by their kind followed by the level's suffix.
constexpr QLatin1String kNameKind("name");
constexpr QLatin1String kTimeKind("time");
constexpr QLatin1String kMoveKind("move");
constexpr QLatin1String kBestTimeKinds[] = {kNameKind, kTimeKind, kMoveKind};

// No real file system accepts a longer path; anything beyond this is damage, not a path.
constexpr qsizetype kMaxPathLength = 32767;

// A path is stored as text, as always; only one that has no UTF-8 form (a file name in
// another encoding) is stored as its bytes, so that it comes back unchanged.
QVariant storedPath(const QString& path) {
    return hasEscapedBytes(path) ? QVariant(fileNameToBytes(path)) : QVariant(path);
}

using storevalue::parseInteger;
using storevalue::parseText;
using storevalue::whyUnwritable;

// One opening of the store. Reads follow the read-creates-default rule: a missing value is
// written with its default; a value that exists but cannot be understood yields the default
// and is left alone, so a read never destroys anything.
class StoreKey {
public:
    // Everything from the check of the file to the last write happens under the lock, so
    // what is read here is what another game can no longer change before it is written.
    StoreKey()
        : lock(storeFile()),
          rescued(checkFile(storeFile(), parsedFile)),
#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
          settings(parsedFile, QSettings::IniFormat) {
#else
          settings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Zolva Games"),
                   QStringLiteral("Zolva Puzzle")) {
#endif
        if (rescued) {
            for (auto value = rescued->cbegin(); value != rescued->cend(); ++value) {
                settings.setValue(value.key(), value.value());
            }
            commit();
        }
        rescueHiddenValues();
    }

    // On this system the store is a file of QSettings' native format at the place QSettings
    // gives it; it is opened by that name so that it can be checked before it is parsed.
    static QString storeFile() {
#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
        return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
               QStringLiteral("/Zolva Games/Zolva Puzzle.conf");
#else
        return QSettings(QSettings::NativeFormat, QSettings::UserScope,
                         QStringLiteral("Zolva Games"), QStringLiteral("Zolva Puzzle"))
            .fileName();
#endif
    }

    static QStringList valueNames() {
        QStringList names;
        for (const QLatin1String option : kOptionKeys) {
            names << option;
        }
        for (const LevelInfo& level : kLevels) {
            for (const QLatin1String kind : kBestTimeKinds) {
                names << kind + QLatin1String(level.suffix);
            }
        }
        return names;
    }

    QString fileName() const {
        return settings.fileName();
    }

    // A 32-bit value with the signed meaning. Numbers between 2^31 and 2^32 are the same
    // bits written unsigned (0xFFFFFFFF is -1); anything outside 32 bits is damage.
    qint32 readSigned(const QString& name, qint32 fallback) {
        const std::optional<qint64> n = readNumber(name, fallback);
        if (!n) {
            return fallback;
        }
        if (*n >= std::numeric_limits<qint32>::min() && *n <= std::numeric_limits<qint32>::max()) {
            return static_cast<qint32>(*n);
        }
        if (*n > 0 && *n <= std::numeric_limits<quint32>::max()) {
            return static_cast<qint32>(static_cast<quint32>(*n));
        }
        return fallback;
    }

    // Times and move counts: unsigned 32-bit. A negative count is damage, not a wrapped
    // number, so it yields the default rather than an unbeatable record.
    quint32 readUnsigned(const QString& name, quint32 fallback) {
        const std::optional<qint64> n = readNumber(name, fallback);
        if (!n || *n < 0 || *n > std::numeric_limits<quint32>::max()) {
            return fallback;
        }
        return static_cast<quint32>(*n);
    }

    bool readFlag(const QString& name, bool fallback) {
        const QVariant value = readOrCreate(name, fallback ? 1 : 0);
        if (!value.isValid()) {
            return fallback;
        }
        if (value.typeId() == QMetaType::Bool) {
            return value.toBool();
        }
        if (const std::optional<qint64> n = parseInteger(value)) {
            return *n != 0;
        }
        if (const std::optional<QString> text = parseText(value)) {
            const QString word = text->trimmed().toLower();
            if (word == QLatin1String("true")) {
                return true;
            }
            if (word == QLatin1String("false")) {
                return false;
            }
        }
        return fallback;
    }

    QString readText(const QString& name, const QString& fallback, qsizetype maxLength) {
        const std::optional<QString> text = parseText(readOrCreate(name, fallback));
        if (!text || text->size() > maxLength) {
            return fallback;
        }
        return *text;
    }

    // A path that is not valid UTF-8 is kept as its bytes (see storedPath).
    QString readPath(const QString& name, const QString& fallback) {
        const QVariant value = readOrCreate(name, fallback);
        if (value.typeId() == QMetaType::QByteArray) {
            const QString path = fileNameFromBytes(value.toByteArray());
            return path.size() > kMaxPathLength ? fallback : path;
        }
        return readText(name, fallback, kMaxPathLength);
    }

    QString readName(const QString& name) {
        const std::optional<QString> text =
            parseText(readOrCreate(name, SettingsStore::defaultName()));
        return text ? SettingsStore::truncateName(*text) : SettingsStore::defaultName();
    }

    void write(const QString& name, const QVariant& value) {
        settings.setValue(name, value);
    }

    // Whether a read of a missing value writes its default into the store.
    bool createsDefaults = true;

    // Pushes everything to disk now. A format error only tells that the old content was
    // damaged; the rewrite replaces it, so only an access error means the data is lost.
    bool commit() {
        settings.sync();
        lock.stampRewrite();
        return settings.status() != QSettings::AccessError;
    }

    // Writes `values` into a copy of the store and puts the copy in its place. QSettings keeps
    // one copy of a file's values for the whole process, and values it failed to write stay
    // pending there, to be written by whichever opening syncs next: over a better time that
    // another game stored in the meantime, and in Best Times before that. A copy that fails
    // to be written leaves nothing pending for the store. `reason` is set when the last step
    // failed and the system said why.
    bool commitThroughCopy(const QList<std::pair<QString, QVariant>>& values, QString& reason) {
        commit();  // defaults created by the reads
        const QString store = settings.fileName();
        if (store.isEmpty()) {
            return false;
        }
        if (lock.isHeld()) {
            // Copies left by a game killed while it wrote one; under the lock no other game
            // can be writing one now.
            const QFileInfo info(store);
            const QDir folder(info.path());
            for (const QString& name :
                 folder.entryList({info.fileName() + QStringLiteral(".new-*")}, QDir::Files)) {
                QFile::remove(folder.filePath(name));
            }
        }
        QTemporaryFile copy(store + QStringLiteral(".new-XXXXXX"));
        QFile current(store);
        if (!copy.open() || (current.exists() && !copy.setPermissions(current.permissions())) ||
            (current.open(QIODevice::ReadOnly) && copy.write(current.readAll()) < 0) ||
            !copy.flush()) {
            return false;
        }
        copy.close();
        {
            QSettings edit(copy.fileName(), QSettings::IniFormat);
            for (const auto& [name, value] : values) {
                edit.setValue(name, value);
            }
            edit.sync();
            if (edit.status() == QSettings::AccessError) {
                return false;
            }
        }
        // Replaces the store in one step; QFile::rename would refuse an existing file.
        std::error_code error;
        std::filesystem::rename(QFile::encodeName(copy.fileName()).toStdString(),
                                QFile::encodeName(store).toStdString(), error);
        if (error) {
            reason = QString::fromStdString(error.message());
            return false;
        }
        copy.setAutoRemove(false);
        lock.stampRewrite();
        return true;
    }

private:
    // A file that QSettings must not parse is set aside, and the values that can still be
    // read from it plainly are returned, to start the clean file with; nothing for a file
    // that is fine. `parsed` is the file QSettings is to open: the store's, or none at all
    // (the store then lives in memory and refuses writes) when the damaged file cannot be
    // moved out of the way, which happens only where nothing can be written anyway.
    static std::optional<QMap<QString, QString>> checkFile(const QString& path, QString& parsed) {
        parsed = path;
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            return std::nullopt;
        }
        if (file.size() <= storefile::maxFileSize &&
            storefile::isSafeToParse(file.read(storefile::maxFileSize + 1), valueNames(),
                                     kPicturePathKey)) {
            return std::nullopt;
        }
        file.seek(0);
        QStringList seen;
        const QMap<QString, QString> values = storefile::plainValues(file, valueNames(), &seen);
        file.close();
        const QString keptAs = storefile::setAside(path);
        if (keptAs.isEmpty()) {
            parsed.clear();
        }
        noteDamage(keptAs, seen, values);
        return values;
    }

    static void noteDamage(const QString& keptAs, const QStringList& seen,
                           const QMap<QString, QString>& rescued);

    QVariant readOrCreate(const QString& name, const QVariant& fallback) {
        if (!settings.contains(name)) {
            if (createsDefaults) {
                settings.setValue(name, fallback);
            }
            return fallback;
        }
        return settings.value(name);
    }

    // One damaged byte can hide every line after it from the file format: a stray quote
    // opens a value that runs on to the next quote, and a line that starts with '[' puts
    // all that follow into another group. Defaults written over them, or any rewrite of
    // the file, would make the loss of those best times permanent. So before anything is
    // read or written, each of our values that is missing but still stands plainly on a
    // line of its own is taken from there, and so written back properly.
    void rescueHiddenValues() {
        std::optional<QList<QByteArray>> lines;  // the file is read only if a value is missing
        for (const QString& name : valueNames()) {
            if (settings.contains(name)) {
                continue;
            }
            if (!lines) {
                QFile file(settings.fileName());
                if (!file.open(QIODevice::ReadOnly)) {
                    return;
                }
                lines = file.readAll().split('\n');
            }
            const QByteArray head = name.toUtf8() + '=';
            for (auto line = lines->crbegin(); line != lines->crend(); ++line) {
                if (line->startsWith(head)) {
                    // Quoted or escaped text would need the format's own rules; it stays lost.
                    const QByteArray value = line->mid(head.size()).trimmed();
                    if (!value.contains('"') && !value.contains('\\') &&
                        value.size() <= kMaxPathLength) {
                        settings.setValue(name, QString::fromUtf8(value));
                    }
                    break;
                }
            }
        }
    }

    template <typename T>
    std::optional<qint64> readNumber(const QString& name, T fallback) {
        return parseInteger(readOrCreate(name, QVariant::fromValue(fallback)));
    }

    StoreLock lock;
    QString parsedFile;
    std::optional<QMap<QString, QString>> rescued;
    QSettings settings;
};

std::optional<StoreDamage> unreportedDamage;

void StoreKey::noteDamage(const QString& keptAs, const QStringList& seen,
                          const QMap<QString, QString>& rescued) {
    StoreDamage damage{keptAs, {}};
    for (const LevelInfo& info : kLevels) {
        const Level level = info.level;
        const QString suffix = SettingsStore::levelSuffix(level);
        for (const QLatin1String kind : kBestTimeKinds) {
            const QString name = kind + suffix;
            if (seen.contains(name) && !rescued.contains(name)) {
                damage.lostBestTimes.push_back(level);
                break;
            }
        }
    }
    if (!damage.lostBestTimes.empty()) {
        unreportedDamage = damage;
    }
}

// The record rule: a shorter time, or the same time in fewer moves.
bool beats(quint32 time, quint32 moves, quint32 bestTime, quint32 bestMoves) {
    return time < bestTime || (time == bestTime && moves < bestMoves);
}

QString nameKey(Level level) {
    return kNameKind + SettingsStore::levelSuffix(level);
}
QString timeKey(Level level) {
    return kTimeKind + SettingsStore::levelSuffix(level);
}
QString moveKey(Level level) {
    return kMoveKind + SettingsStore::levelSuffix(level);
}

}  // namespace

Settings SettingsStore::loadSettings(DefaultsWrite defaults) {
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
        key.write(kPicturePathKey, storedPath(s.picturePath));
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
    return std::exchange(unreportedDamage, std::nullopt);
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
