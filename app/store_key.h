// The names of the values in the settings store, and StoreKey, one opening of the store:
// the file checked (and a damaged one set aside) before QSettings parses it, the lock held
// from the first read to the last write, and reads that never fail. Every call of
// SettingsStore opens one and lets it go.
#pragma once

#include <QLatin1String>
#include <QList>
#include <QMap>
#include <QSettings>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <optional>
#include <utility>

#include "app/levels.h"
#include "app/settings_store.h"
#include "app/store_lock.h"

namespace zolva {

// The options' keys in the store, in the order the file has always listed them.
inline constexpr QLatin1String kDimensionXKey("dimensionX");
inline constexpr QLatin1String kDimensionYKey("dimensionY");
inline constexpr QLatin1String kEmptyXKey("emptyX");
inline constexpr QLatin1String kEmptyYKey("emptyY");
inline constexpr QLatin1String kShowNumberKey("showNumber");
inline constexpr QLatin1String kDefaultPictureKey("defaultPicture");
inline constexpr QLatin1String kPicturePathKey("picturePath");
inline constexpr QLatin1String kZoomKey("zoom");
inline constexpr QLatin1String kSlideAnimationKey("slideAnimation");
inline constexpr QLatin1String kOptionKeys[] = {
    kDimensionXKey,     kDimensionYKey,  kEmptyXKey, kEmptyYKey,        kShowNumberKey,
    kDefaultPictureKey, kPicturePathKey, kZoomKey,   kSlideAnimationKey};

// A best time's values are keyed by their kind followed by the level's suffix.
inline constexpr QLatin1String kNameKind("name");
inline constexpr QLatin1String kTimeKind("time");
inline constexpr QLatin1String kMoveKind("move");
inline constexpr QLatin1String kBestTimeKinds[] = {kNameKind, kTimeKind, kMoveKind};

QString nameKey(Level level);
QString timeKey(Level level);
QString moveKey(Level level);

// Reads follow the read-creates-default rule: a missing value is written with its default;
// a value that exists but cannot be understood yields the default and is left alone, so a
// read never destroys anything.
class StoreKey {
public:
    // Everything from the check of the file to the last write happens under the lock, so
    // what is read here is what another game can no longer change before it is written.
    StoreKey();

    // The file the store lives in, whether or not it exists yet.
    static QString storeFile();
    // Every value the store holds, options first, then the best times level by level.
    static QStringList valueNames();
    // The damage found in the store file since the last call, if it cost a best time.
    static std::optional<StoreDamage> takeDamage();

    QString fileName() const { return settings.fileName(); }

    // A 32-bit value with the signed meaning. Numbers between 2^31 and 2^32 are the same
    // bits written unsigned (0xFFFFFFFF is -1); anything outside 32 bits is damage.
    qint32 readSigned(const QString& name, qint32 fallback);
    // Times and move counts: unsigned 32-bit. A negative count is damage, not a wrapped
    // number, so it yields the default rather than an unbeatable record.
    quint32 readUnsigned(const QString& name, quint32 fallback);
    bool readFlag(const QString& name, bool fallback);
    QString readText(const QString& name, const QString& fallback, qsizetype maxLength);
    // A path is stored as text, as always; only one that has no UTF-8 form (a file name in
    // another encoding) is stored as its bytes, so that it comes back unchanged.
    QString readPath(const QString& name, const QString& fallback);
    void writePath(const QString& name, const QString& path);
    // A player's name, cut to SettingsStore::maxNameLength.
    QString readName(const QString& name);

    void write(const QString& name, const QVariant& value) { settings.setValue(name, value); }

    // Whether a read of a missing value writes its default into the store, and whether one
    // was left unwritten.
    bool createsDefaults = true;
    bool lacksDefaults = false;

    // Pushes everything to disk now. A format error only tells that the old content was
    // damaged; the rewrite replaces it, so only an access error means the data is lost.
    bool commit();

    // Writes `values` into a copy of the store and puts the copy in its place. QSettings keeps
    // one copy of a file's values for the whole process, and values it failed to write stay
    // pending there, to be written by whichever opening syncs next: over a better time that
    // another game stored in the meantime, and in Best Times before that. A copy that fails
    // to be written leaves nothing pending for the store. `reason` is set when the last step
    // failed and the system said why.
    bool commitThroughCopy(const QList<std::pair<QString, QVariant>>& values, QString& reason);

private:
    static std::optional<QMap<QString, QString>> checkFile(const QString& path, QString& parsed);
    static void noteDamage(const QString& keptAs, const QStringList& seen,
                           const QMap<QString, QString>& rescued);

    QVariant readOrCreate(const QString& name, const QVariant& fallback);
    void rescueHiddenValues();

    template <typename T>
    std::optional<qint64> readNumber(const QString& name, T fallback);

    StoreLock lock;
    QString parsedFile;
    std::optional<QMap<QString, QString>> rescued;
    QSettings settings;
};

}  // namespace zolva
