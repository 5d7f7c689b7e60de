// Replaces the settings store's file with raw bytes, for tests that damage it by hand, and
// the fixture such tests start from.
#pragma once

#include <gtest/gtest.h>

#include <QByteArray>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>

#include "app/settings_store.h"

namespace zolva::testing {

// The store's reader caches a file by its time stamp and size, so each version written
// here gets a time of its own; flushed first, or the buffered write would stamp it afresh
// when the file is closed.
inline bool replaceStoreFile(const QString& path, const QByteArray& content) {
    static int writes = 0;
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(content) < 0 ||
        !file.flush()) {
        return false;
    }
    return file.setFileTime(QDateTime::currentDateTime().addSecs(-3600 - ++writes),
                            QFileDevice::FileModificationTime);
}

// Every test starts without a store file and may write one byte by byte.
class StoreFileTest : public ::testing::Test {
protected:
    void SetUp() override { QFile::remove(path); }

    void writeRaw(const QByteArray& content) { ASSERT_TRUE(replaceStoreFile(path, content)); }

    const QString path = SettingsStore::fileName();
};

}  // namespace zolva::testing
