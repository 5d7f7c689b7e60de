#include "app/settings_store.h"

#include <QByteArray>
#include <QFile>
#include <QSettings>
#include <QVariant>
#include <limits>
#include <optional>

#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "framework/file_name.h"

namespace zolva {

namespace {

// No real file system accepts a longer path; anything beyond this is damage, not a path.
constexpr qsizetype kMaxPathLength = 32767;
// Longer than any 32-bit number could be written; spares us parsing megabytes of digits.
constexpr qsizetype kMaxNumberLength = 24;

std::optional<qint64> parseInteger(const QVariant& value) {
    QString text;
    switch (value.typeId()) {
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::Short:
        case QMetaType::UShort:
            return value.toLongLong();
        case QMetaType::QString:
            text = value.toString();
            break;
        case QMetaType::QByteArray:
            text = QString::fromLatin1(value.toByteArray());
            break;
        default:
            // Lists, bools, rectangles and whatever else a hand-edited file may decode to
            // are not numbers of ours.
            return std::nullopt;
    }
    text = text.trimmed();
    if (text.isEmpty() || text.size() > kMaxNumberLength) {
        return std::nullopt;
    }
    bool ok = false;
    const qint64 number = text.toLongLong(&ok, 10);
    return ok ? std::optional<qint64>(number) : std::nullopt;
}

// A path is stored as text, as always; only one that has no UTF-8 form (a file name in
// another encoding) is stored as its bytes, so that it comes back unchanged.
QVariant storedPath(const QString& path) {
    return hasEscapedBytes(path) ? QVariant(fileNameToBytes(path)) : QVariant(path);
}

std::optional<QString> parseText(const QVariant& value) {
    switch (value.typeId()) {
        case QMetaType::QString:
            return value.toString();
        case QMetaType::QByteArray:
            return QString::fromUtf8(value.toByteArray());
        default:
            // An unquoted comma makes the file format hand back a list; we never write one,
            // so treat it like any other foreign type.
            return std::nullopt;
    }
}

// QSettings guards every write with a lock file that holds its owner's process id, and
// takes over a lock whose owner is gone at once. A writer killed in the instant between
// creating that file and filling it leaves it empty, though, and then QSettings waits half
// a minute before it dares to remove it: the game would freeze at its next write. The
// kernel drops a dead process's file locks, so an empty lock file that nobody holds is
// removed here straight away.
void clearAbandonedLock([[maybe_unused]] const QString& storeFile) {
#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
    const QByteArray path = QFile::encodeName(storeFile + QStringLiteral(".lock"));
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return;
    }
    struct stat info {};
    if (::fstat(fd, &info) == 0 && info.st_size == 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0) {
        ::unlink(path.constData());
    }
    ::close(fd);
#endif
}

// One opening of the store. Reads follow the read-creates-default rule: a missing value is
// written with its default; a value that exists but cannot be understood yields the default
// and is left alone, so a read never destroys anything.
class StoreKey {
public:
    StoreKey()
        : settings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Zolva Games"),
                   QStringLiteral("Zolva Puzzle")) {
        clearAbandonedLock(settings.fileName());
        rescueHiddenValues();
    }

    QString fileName() const { return settings.fileName(); }

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

    void write(const QString& name, const QVariant& value) { settings.setValue(name, value); }

    // Pushes everything to disk now. A format error only tells that the old content was
    // damaged; the rewrite replaces it, so only an access error means the data is lost.
    bool commit() {
        settings.sync();
        return settings.status() != QSettings::AccessError;
    }

private:
    QVariant readOrCreate(const QString& name, const QVariant& fallback) {
        if (!settings.contains(name)) {
            settings.setValue(name, fallback);
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

    static QStringList valueNames() {
        QStringList names{"dimensionX", "dimensionY",     "emptyX",     "emptyY",
                          "showNumber", "defaultPicture", "picturePath"};
        for (const char* suffix : {"Beginner", "Intermediate", "Expert"}) {
            for (const char* kind : {"name", "time", "move"}) {
                names << QLatin1String(kind) + QLatin1String(suffix);
            }
        }
        return names;
    }

    template <typename T>
    std::optional<qint64> readNumber(const QString& name, T fallback) {
        return parseInteger(readOrCreate(name, QVariant::fromValue(fallback)));
    }

    QSettings settings;
};

QString nameKey(Level level) {
    return QStringLiteral("name") + SettingsStore::levelSuffix(level);
}
QString timeKey(Level level) {
    return QStringLiteral("time") + SettingsStore::levelSuffix(level);
}
QString moveKey(Level level) {
    return QStringLiteral("move") + SettingsStore::levelSuffix(level);
}

constexpr std::array<Level, 3> kLevels = {Level::Beginner, Level::Intermediate, Level::Expert};

}  // namespace

Settings SettingsStore::loadSettings() {
    Settings s;
    StoreKey key;
    s.dimensionX = key.readSigned(QStringLiteral("dimensionX"), s.dimensionX);
    s.dimensionY = key.readSigned(QStringLiteral("dimensionY"), s.dimensionY);
    s.emptyX = key.readSigned(QStringLiteral("emptyX"), s.emptyX);
    s.emptyY = key.readSigned(QStringLiteral("emptyY"), s.emptyY);
    s.showNumber = key.readFlag(QStringLiteral("showNumber"), s.showNumber);
    s.defaultPicture = key.readFlag(QStringLiteral("defaultPicture"), s.defaultPicture);
    s.picturePath = key.readPath(QStringLiteral("picturePath"), s.picturePath);
    key.commit();
    return s;
}

bool SettingsStore::saveSettings(const Settings& s) {
    StoreKey key;
    key.write(QStringLiteral("dimensionX"), s.dimensionX);
    key.write(QStringLiteral("dimensionY"), s.dimensionY);
    key.write(QStringLiteral("emptyX"), s.emptyX);
    key.write(QStringLiteral("emptyY"), s.emptyY);
    key.write(QStringLiteral("showNumber"), s.showNumber ? 1 : 0);
    key.write(QStringLiteral("defaultPicture"), s.defaultPicture ? 1 : 0);
    if (!s.defaultPicture) {
        key.write(QStringLiteral("picturePath"), storedPath(s.picturePath));
    }
    return key.commit();
}

std::optional<Level> SettingsStore::levelFor(int columns, int rows) {
    if (columns != rows) {
        return std::nullopt;
    }
    switch (columns) {
        case 4:
            return Level::Beginner;
        case 6:
            return Level::Intermediate;
        case 8:
            return Level::Expert;
        default:
            return std::nullopt;
    }
}

QString SettingsStore::levelSuffix(Level level) {
    switch (level) {
        case Level::Beginner:
            return QStringLiteral("Beginner");
        case Level::Intermediate:
            return QStringLiteral("Intermediate");
        case Level::Expert:
            return QStringLiteral("Expert");
    }
    return {};
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
    const auto t = static_cast<quint32>(time);
    const auto m = static_cast<quint32>(moves);
    return t < bestTime || (t == bestTime && m < bestMoves);
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
        records[i].name = key.readName(nameKey(kLevels[i]));
    }
    for (std::size_t i = 0; i < kLevels.size(); ++i) {
        records[i].time = key.readUnsigned(timeKey(kLevels[i]), defaultBestTime);
    }
    for (std::size_t i = 0; i < kLevels.size(); ++i) {
        records[i].moves = key.readUnsigned(moveKey(kLevels[i]), defaultBestMoves);
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

bool SettingsStore::resetScores() {
    StoreKey key;
    for (Level level : kLevels) {
        key.write(nameKey(level), defaultName());
    }
    for (Level level : kLevels) {
        key.write(timeKey(level), defaultBestTime);
    }
    for (Level level : kLevels) {
        key.write(moveKey(level), defaultBestMoves);
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
    return StoreKey().fileName();
}

}  // namespace zolva
