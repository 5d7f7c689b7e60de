// Entry point of the headless test programs of the application layer (dialogs, window,
// settings store).
#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>
#include <cstdlib>

int main(int argc, char** argv) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    // The settings store must never touch the real per-user configuration: point it at a
    // fresh directory before the first QSettings exists in this process.
    QTemporaryDir configHome;
    if (!configHome.isValid()) {
        return 1;
    }
    setenv("XDG_CONFIG_HOME", configHome.path().toLocal8Bit().constData(), 1);
    // Caches (help's working copy, solver tables) likewise stay inside the test.
    const QString cacheHome = configHome.path() + QStringLiteral("/cache");
    setenv("XDG_CACHE_HOME", cacheHome.toLocal8Bit().constData(), 1);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
