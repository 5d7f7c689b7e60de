#include "app/store_key.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <filesystem>
#include <limits>

#include "app/store_file_check.h"
#include "app/store_values.h"
#include "framework/file_name.h"

namespace zolva {

namespace {

// No real file system accepts a longer path; anything beyond this is damage, not a path.
constexpr qsizetype kMaxPathLength = 32767;

using storevalue::parseInteger;
using storevalue::parseText;

std::optional<StoreDamage> unreportedDamage;

}  // namespace

QString nameKey(Level level) {
    return kNameKind + SettingsStore::levelSuffix(level);
}
QString timeKey(Level level) {
    return kTimeKind + SettingsStore::levelSuffix(level);
}
QString moveKey(Level level) {
    return kMoveKind + SettingsStore::levelSuffix(level);
}

StoreKey::StoreKey()
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
QString StoreKey::storeFile() {
#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Zolva Games/Zolva Puzzle.conf");
#else
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Zolva Games"),
                     QStringLiteral("Zolva Puzzle"))
        .fileName();
#endif
}

QStringList StoreKey::valueNames() {
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

std::optional<StoreDamage> StoreKey::takeDamage() {
    return std::exchange(unreportedDamage, std::nullopt);
}

template <typename T>
std::optional<qint64> StoreKey::readNumber(const QString& name, T fallback) {
    return parseInteger(readOrCreate(name, QVariant::fromValue(fallback)));
}

qint32 StoreKey::readSigned(const QString& name, qint32 fallback) {
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

quint32 StoreKey::readUnsigned(const QString& name, quint32 fallback) {
    const std::optional<qint64> n = readNumber(name, fallback);
    if (!n || *n < 0 || *n > std::numeric_limits<quint32>::max()) {
        return fallback;
    }
    return static_cast<quint32>(*n);
}

bool StoreKey::readFlag(const QString& name, bool fallback) {
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

QString StoreKey::readText(const QString& name, const QString& fallback, qsizetype maxLength) {
    const std::optional<QString> text = parseText(readOrCreate(name, fallback));
    if (!text || text->size() > maxLength) {
        return fallback;
    }
    return *text;
}

QString StoreKey::readPath(const QString& name, const QString& fallback) {
    const QVariant value = readOrCreate(name, fallback);
    if (value.typeId() == QMetaType::QByteArray) {
        const QString path = fileNameFromBytes(value.toByteArray());
        return path.size() > kMaxPathLength ? fallback : path;
    }
    return readText(name, fallback, kMaxPathLength);
}

void StoreKey::writePath(const QString& name, const QString& path) {
    write(name, hasEscapedBytes(path) ? QVariant(fileNameToBytes(path)) : QVariant(path));
}

QString StoreKey::readName(const QString& name) {
    const std::optional<QString> text = parseText(readOrCreate(name, SettingsStore::defaultName()));
    return text ? SettingsStore::truncateName(*text) : SettingsStore::defaultName();
}

bool StoreKey::commit() {
    settings.sync();
    lock.stampRewrite();
    return settings.status() != QSettings::AccessError;
}

bool StoreKey::commitThroughCopy(const QList<std::pair<QString, QVariant>>& values,
                                 QString& reason) {
    commit();  // defaults created by the reads
    const QString store = settings.fileName();
    if (store.isEmpty()) {
        return false;
    }
    if (lock.isHeld()) {
        // Copies left by a game killed while it wrote one; under the lock no other game can
        // be writing one now.
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
        (current.open(QIODevice::ReadOnly) && copy.write(current.readAll()) < 0) || !copy.flush()) {
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

// A file that QSettings must not parse is set aside, and the values that can still be read
// from it plainly are returned, to start the clean file with; nothing for a file that is
// fine. `parsed` is the file QSettings is to open: the store's, or none at all (the store
// then lives in memory and refuses writes) when the damaged file cannot be moved out of the
// way, which happens only where nothing can be written anyway.
std::optional<QMap<QString, QString>> StoreKey::checkFile(const QString& path, QString& parsed) {
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

QVariant StoreKey::readOrCreate(const QString& name, const QVariant& fallback) {
    if (!settings.contains(name)) {
        if (createsDefaults) {
            settings.setValue(name, fallback);
        } else {
            lacksDefaults = true;
        }
        return fallback;
    }
    return settings.value(name);
}

// One damaged byte can hide every line after it from the file format: a stray quote opens
// a value that runs on to the next quote, and a line that starts with '[' puts all that
// follow into another group. Defaults written over them, or any rewrite of the file, would
// make the loss of those best times permanent. So before anything is read or written, each
// of our values that is missing but still stands plainly on a line of its own is taken from
// there, and so written back properly.
void StoreKey::rescueHiddenValues() {
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

}  // namespace zolva
