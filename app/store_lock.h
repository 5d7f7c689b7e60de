// StoreLock keeps every other game out of the settings store while one of them reads or
// writes it. It is an exclusive flock on a file beside the store that is never removed, so
// the kernel releases it the moment its holder ends, however it ends: a killed game can
// neither leave the store locked nor make another game clear a lock it wrongly takes for
// abandoned. Where the lock file cannot be made (a read-only folder) the store goes on
// unlocked, since nothing can be written there anyway.
#pragma once

#include <QString>
#include <QtGlobal>

namespace zolva {

class StoreLock {
public:
    // Waits for the lock on storeFile's companion file.
    explicit StoreLock(const QString& storeFile);
    ~StoreLock();
    StoreLock(const StoreLock&) = delete;
    StoreLock& operator=(const StoreLock&) = delete;

    bool isHeld() const { return fd >= 0; }

    // After the store file has been rewritten under this lock: makes sure its time stamp is
    // later, to the millisecond, than that of the version before (see the source for why).
    void stampRewrite();

    // The companion file that carries the lock.
    static QString lockFileFor(const QString& storeFile);

private:
    QString store;
    int fd = -1;
    qint64 inodeBefore = -1;
    qint64 modifiedBeforeNs = -1;
};

}  // namespace zolva
