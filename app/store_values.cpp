#include "app/store_values.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>

#if defined(Q_OS_UNIX)
#include <stdlib.h>
#include <unistd.h>
#endif

namespace zolva::storevalue {

namespace {

// Longer than any 32-bit number could be written; spares us parsing megabytes of digits.
constexpr qsizetype kMaxNumberLength = 24;

}  // namespace

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

// QSettings only says that it could not write. To tell the player why, a file the size of
// the store is written beside it, and what the system says about that is the reason.
QString whyUnwritable(const QString& storeFile) {
    const QFileInfo store(storeFile);
    if (store.fileName().isEmpty()) {
        return QStringLiteral("the file of best times is damaged and cannot be replaced");
    }
    if (!QDir().mkpath(store.path())) {
        return QStringLiteral("the folder %1 cannot be created").arg(store.path());
    }
    if (store.isDir()) {
        return QStringLiteral("%1 is a folder").arg(storeFile);
    }
#if defined(Q_OS_UNIX)
    QByteArray probeName = QFile::encodeName(storeFile) + ".probe-XXXXXX";
    const int fd = ::mkstemp(probeName.data());
    if (fd < 0) {
        return QString::fromLocal8Bit(std::strerror(errno));
    }
    const QByteArray filler(qMax<qint64>(store.size(), 4096), ' ');
    // A short write is followed by one that says what stopped it.
    qsizetype done = 0;
    ssize_t written = 0;
    while (done < filler.size() && written >= 0) {
        written = ::write(fd, filler.constData() + done, std::size_t(filler.size() - done));
        done += qMax<ssize_t>(written, 0);
    }
    const int writeError = errno;
    ::close(fd);
    ::unlink(probeName.constData());
    if (written < 0) {
        return QString::fromLocal8Bit(std::strerror(writeError));
    }
#endif
    return QStringLiteral("%1 cannot be replaced").arg(storeFile);
}

}  // namespace zolva::storevalue
