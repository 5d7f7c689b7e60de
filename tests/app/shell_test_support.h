// Shared by the window tests: a clean store and art of our own (pixels known exactly) for
// every test, warnings recorded, the file dialog answered, and modal dialogs scripted.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <vector>

#include "app/main_window.h"
#include "app/settings_store.h"
#include "game/sprite_sheets.h"
#include "support/gradient_image.h"
#include "support/modal_script.h"

namespace zolva::testing {

// Lets the event loop run until `done` holds, for at most a generous while.
template <typename Condition>
bool waitFor(Condition done, int limitMs = 60000) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > limitMs) {
            return false;
        }
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

// Runs the event loop until a timer of `intervalMs` has fired `periods` times: by then a
// timer of that interval that was still running when this began has fired as well, so a
// step that should have stopped would have shown.
inline void runTimerPeriods(int intervalMs, int periods) {
    int fired = 0;
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    timer.setInterval(intervalMs);
    QObject::connect(&timer, &QTimer::timeout, [&fired] { ++fired; });
    timer.start();
    waitFor([&fired, periods] { return fired >= periods; });
}

class ShellTest : public ::testing::Test {
protected:
    void SetUp() override {
        QSettings(QSettings::NativeFormat, QSettings::UserScope, "Zolva Games", "Zolva Puzzle")
            .clear();
        ASSERT_TRUE(folder.isValid());
        puzzlePath = writeImage("puzzle.png", 300, 300);
        digitPath = writeImage("digits.png", kDigitSheet.width, kDigitSheet.height);
        buttonPath = writeImage("buttons.png", kButtonSheet.width, kButtonSheet.height);
    }

    QString writeImage(const QString& name, int width, int height) {
        const QString path = writeGradientImage(folder.path(), name, width, height);
        EXPECT_FALSE(path.isEmpty()) << name.toStdString();
        return path;
    }

    std::unique_ptr<MainWindow> makeWindow(bool shapePictures = false) {
        ShellEnvironment env;
        env.puzzlePicture = puzzlePath;
        env.digitStrip = digitPath;
        env.buttonStrip = buttonPath;
        env.showWarning = [this](QWidget*, const QString& caption, const QString& text) {
            warnings.push_back(caption + "|" + text);
        };
        env.chooseFile = [this](QWidget*, const QString&) { return fileChoice; };
        env.shapePicturesForPlay = shapePictures;
        env.animateSlides = animateSlides;
        return std::make_unique<MainWindow>(env);
    }

    QTemporaryDir folder;
    QString puzzlePath;
    QString digitPath;
    QString buttonPath;
    std::vector<QString> warnings;  // "caption|text"
    QString fileChoice;
    bool animateSlides = false;
};

}  // namespace zolva::testing
