#include "app/store_lock.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>

#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>
#define ZOLVA_STORE_FLOCK 1
#endif

namespace zolva {

namespace {

#ifdef ZOLVA_STORE_FLOCK
constexpr qint64 kNsPerMs = 1000000;

bool statFile(const QByteArray& path, struct stat& info) {
    return ::stat(path.constData(), &info) == 0;
}

qint64 modifiedNs(const struct stat& info) {
    return qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
}

// QSettings guards its own writes with "<store>.lock", a file that holds its owner's process
// id, and takes it over at once when that process is gone. A writer killed in the instant
// between creating that file and filling it leaves it empty, naming nobody; QSettings then
// waits for it to grow older than half a minute. Every game takes our lock before QSettings
// takes its own, so while we hold ours no game can be creating that file: an empty one is
// abandoned. It is not removed (QSettings does that by its own rules); it is only dated back
// so that QSettings sees at once how stale it is.
void ageAbandonedLock(const QString& storeFile) {
    const QByteArray path = QFile::encodeName(storeFile + QStringLiteral(".lock"));
    struct stat info {};
    if (!statFile(path, info) || info.st_size != 0) {
        return;
    }
    // An hour is far beyond QSettings' half minute. (Time zero would not do: it reads as
    // no time at all.)
    struct timespec now {};
    ::clock_gettime(CLOCK_REALTIME, &now);
    const struct timespec longAgo[2] = {{0, UTIME_OMIT}, {now.tv_sec - 3600, 0}};
    ::utimensat(AT_FDCWD, path.constData(), longAgo, 0);
}
#endif

}  // namespace

QString StoreLock::lockFileFor(const QString& storeFile) {
    return storeFile + QStringLiteral(".guard");
}

StoreLock::StoreLock([[maybe_unused]] const QString& storeFile) : store(storeFile) {
#ifdef ZOLVA_STORE_FLOCK
    QDir().mkpath(QFileInfo(storeFile).path());
    const QByteArray path = QFile::encodeName(lockFileFor(storeFile));
    fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    }
    if (fd < 0) {
        return;
    }
    while (::flock(fd, LOCK_EX) != 0) {
        if (errno != EINTR) {
            ::close(fd);
            fd = -1;
            return;
        }
    }
    ageAbandonedLock(storeFile);
    struct stat info {};
    if (statFile(QFile::encodeName(storeFile), info)) {
        inodeBefore = qint64(info.st_ino);
        modifiedBeforeNs = modifiedNs(info);
    }
#endif
}

StoreLock::~StoreLock() {
#ifdef ZOLVA_STORE_FLOCK
    if (fd >= 0) {
        ::close(fd);  // releases the lock
    }
#endif
}

// QSettings keeps each file it has read and reads it again only when its size or its time,
// to the millisecond, has changed. Another game that rewrites the store within the same
// millisecond, to the same size (names of equal length, say), would go unseen, and a best
// time would be judged against a stale copy. So a rewrite always moves the time on by at
// least a millisecond; under the lock nobody else writes in between.
void StoreLock::stampRewrite() {
#ifdef ZOLVA_STORE_FLOCK
    if (fd < 0) {
        return;
    }
    const QByteArray path = QFile::encodeName(store);
    struct stat info {};
    if (!statFile(path, info)) {
        return;
    }
    qint64 modified = modifiedNs(info);
    const bool rewritten = qint64(info.st_ino) != inodeBefore || modified != modifiedBeforeNs;
    if (!rewritten) {
        return;
    }
    if (modifiedBeforeNs >= 0 && modified / kNsPerMs <= modifiedBeforeNs / kNsPerMs) {
        modified = (modifiedBeforeNs / kNsPerMs + 1) * kNsPerMs;
        const struct timespec times[2] = {
            {0, UTIME_OMIT}, {time_t(modified / 1000000000), long(modified % 1000000000)}};
        ::utimensat(AT_FDCWD, path.constData(), times, 0);
    }
    // Each later rewrite under this lock must move on from this one.
    inodeBefore = qint64(info.st_ino);
    modifiedBeforeNs = modified;
#endif
}

}  // namespace zolva
