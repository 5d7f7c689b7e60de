#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QPushButton>

#include "app/best_times_dialog.h"
#include "app/new_record_dialog.h"
#include "app/settings_store.h"
#include "support/modal_script.h"

namespace zolva {
namespace {

// Answers the reset question without a real message box.
class ScriptedBestTimesDialog : public BestTimesDialog {
public:
    using BestTimesDialog::BestTimesDialog;
    bool answer = false;
    int asked = 0;

protected:
    bool confirmReset() override {
        ++asked;
        return answer;
    }
};

QString fieldText(QWidget* dialog, const QString& name) {
    auto* label = dialog->findChild<QLabel*>(name);
    return label != nullptr ? label->text() : "<missing " + name + ">";
}

void pressKey(QWidget* target, int key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(target, &press);
}

class RecordDialogsTest : public ::testing::Test {
protected:
    void SetUp() override { QFile::remove(SettingsStore::fileName()); }

    QStringList warnings;
    RecordKeeper keeper{
        [this](const QString& caption, const QString& text) { warnings << caption + ": " + text; }};
};

TEST_F(RecordDialogsTest, BestTimesShowsTheStoreAndCreatesMissingValues) {
    SettingsStore::writeBestTime(Level::Intermediate, {"<b>Bo</b>", 77, 88});
    BestTimesDialog dialog(nullptr);
    for (const QString suffix : {"Beginner", "Expert"}) {
        EXPECT_EQ(fieldText(&dialog, "name" + suffix), "Anonymous");
        EXPECT_EQ(fieldText(&dialog, "time" + suffix), "9999");
        EXPECT_EQ(fieldText(&dialog, "move" + suffix), "9999");
    }
    EXPECT_EQ(SettingsStore::readBestTime(Level::Expert), (BestTime{"Anonymous", 9999, 9999}));
    // A name from the file is shown as typed, never taken for markup.
    EXPECT_EQ(fieldText(&dialog, "nameIntermediate"), "<b>Bo</b>");
    EXPECT_EQ(dialog.findChild<QLabel*>("nameIntermediate")->textFormat(), Qt::PlainText);
    EXPECT_EQ(fieldText(&dialog, "moveIntermediate"), "88");
}

TEST_F(RecordDialogsTest, ResetScoreAsksFirstAndKeepsTheDialogOpen) {
    SettingsStore::writeBestTime(Level::Expert, {"Zed", 12, 34});
    ScriptedBestTimesDialog dialog(nullptr);
    dialog.show();

    pressKey(&dialog, Qt::Key_Return);  // Enter means Reset Score; answered No
    EXPECT_EQ(dialog.asked, 1);
    EXPECT_EQ(fieldText(&dialog, "nameExpert"), "Zed");
    EXPECT_EQ(SettingsStore::readBestTime(Level::Expert).time, 12u);

    dialog.answer = true;
    dialog.findChild<QPushButton*>("resetScore")->click();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(fieldText(&dialog, "timeExpert"), "9999");
    EXPECT_EQ(SettingsStore::readBestTime(Level::Expert), (BestTime{"Anonymous", 9999, 9999}));

    pressKey(&dialog, Qt::Key_Escape);
    EXPECT_FALSE(dialog.isVisible());
}

TEST_F(RecordDialogsTest, DialogsOpenAtTheClientAreaCornerNotCentred) {
    QMainWindow window;
    window.setCentralWidget(new QWidget);
    window.menuBar()->addMenu("&Game");
    window.move(200, 150);
    window.show();
    const QPoint corner = window.centralWidget()->mapToGlobal(QPoint(0, 0));
    EXPECT_EQ(BestTimesDialog(&window).pos(), corner);
    EXPECT_EQ(NewRecordDialog(&window, keeper, 4, 4, 10, 20).pos(), corner);
}

TEST_F(RecordDialogsTest, NewRecordOffersTheHolderAndClosesOnlyThroughOk) {
    SettingsStore::writeBestTime(Level::Intermediate, {"Alice", 200, 90});
    NewRecordDialog dialog(nullptr, keeper, 6, 6, 150, 80);
    EXPECT_FALSE(dialog.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_EQ(fieldText(&dialog, "prompt"),
              "You have the fastest time for\nIntermediate level,\nplease enter your name:");
    auto* name = dialog.findChild<QLineEdit*>("name");
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(name->text(), "Alice");

    dialog.show();
    pressKey(name, Qt::Key_Escape);
    dialog.close();
    EXPECT_TRUE(dialog.isVisible());

    name->setText("A name far longer than fits");
    pressKey(name, Qt::Key_Return);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(SettingsStore::readBestTime(Level::Intermediate),
              (BestTime{"A name far lon", 150, 80}));
}

TEST_F(RecordDialogsTest, RecordFlowShowsTheNewEntryInBestTimes) {
    SettingsStore::writeBestTime(Level::Expert, {"Alice", 999, 999});
    QString offered;
    QStringList shown;
    testing::ModalScript script(
        {[&](QWidget* w) {
             if (auto* record = testing::dialogAs<NewRecordDialog>(w)) {
                 auto* name = record->findChild<QLineEdit*>("name");
                 offered = name->text();
                 name->setText("Bob");
                 testing::clickButton(record, "OK");
             }
         },
         [&](QWidget* w) {
             if (auto* best = testing::dialogAs<BestTimesDialog>(w)) {
                 for (const QString field : {"nameExpert", "timeExpert", "moveExpert"}) {
                     shown << fieldText(best, field);
                 }
                 best->accept();
             }
         }});
    QMainWindow window;
    runNewRecordFlow(&window, keeper, 8, 8, 321, 45);
    EXPECT_EQ(script.answered(), 2);
    EXPECT_EQ(offered, "Alice");
    EXPECT_EQ(shown, QStringList({"Bob", "321", "45"}));
}

}  // namespace
}  // namespace zolva
