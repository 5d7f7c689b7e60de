// The menu commands and their dialogs, driven through the menu's own actions, with modal
// dialogs answered from inside their event loops.
#include <unistd.h>

#include <QDir>
#include <QDropEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMainWindow>
#include <QMimeData>
#include <QMouseEvent>
#include <QStandardPaths>
#include <QUrl>
#include <cstdio>

#include "app/about_dialog.h"
#include "app/custom_dimensions_dialog.h"
#include "app/find_tile_dialog.h"
#include "app/game_view.h"
#include "app/picture_files.h"
#include "framework/file_name.h"
#include "framework/picture.h"
#include "game/game_screen.h"
#include "puzzle/tile_board.h"
#include "shell_test_support.h"

namespace zolva::testing {
namespace {

ModalScript::Step enterSize(const QString& width, const QString& height,
                            const QString& button = "OK") {
    return [=](QWidget* w) {
        if (auto* dialog = dialogAs<CustomDimensionsDialog>(w)) {
            dialog->widthField()->setText(width);
            dialog->heightField()->setText(height);
            clickButton(dialog, button);
        }
    };
}

TEST_F(ShellTest, CustomFourByFourMarksCustomUntilARestartMarksBeginner) {
    {
        auto window = makeWindow();
        window->action(MainWindow::cmdExpert)->trigger();
        ModalScript script({enterSize("4", "4")});
        window->action(MainWindow::cmdCustom)->trigger();
        EXPECT_EQ(window->gameScreen()->getDimensionX(), 4);
        EXPECT_EQ(window->gameScreen()->getDimensionY(), 4);
        EXPECT_TRUE(window->action(MainWindow::cmdCustom)->isChecked());
        window->saveSettings();
    }
    EXPECT_TRUE(makeWindow()->action(MainWindow::cmdBeginner)->isChecked());
}

TEST_F(ShellTest, CustomFieldsAreClampedAndCancelChangesNothing) {
    auto window = makeWindow();
    const QSize size = window->size();
    const std::tuple<const char*, const char*, int, int> entries[] = {
        {"", "25", 3, 10}, {"99999999999999999999999", "1", 10, 3}};
    for (const auto& [width, height, columns, rows] : entries) {
        ModalScript script({enterSize(width, height)});
        window->action(MainWindow::cmdCustom)->trigger();
        EXPECT_EQ(window->gameScreen()->getDimensionX(), columns) << width;
        EXPECT_EQ(window->gameScreen()->getDimensionY(), rows) << height;
    }
    EXPECT_EQ(window->size(), size);  // a size change keeps the picture and the window

    window->action(MainWindow::cmdIntermediate)->trigger();
    ModalScript script({enterSize("7", "7", "Cancel")});
    window->action(MainWindow::cmdCustom)->trigger();
    EXPECT_EQ(script.answered(), 1);
    EXPECT_EQ(window->gameScreen()->getDimensionX(), 6);
    EXPECT_TRUE(window->action(MainWindow::cmdIntermediate)->isChecked());
}

class FindTileTest : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        window = makeWindow();
        original = picture();
    }

    // Opens Find Tile, checks the proposal and confirms `entered`.
    void findTile(const QString& proposal, const QString& entered) {
        ModalScript script({[&](QWidget* w) {
            if (auto* dialog = dialogAs<FindTileDialog>(w)) {
                EXPECT_EQ(dialog->numberField()->text(), proposal);
                dialog->numberField()->setText(entered);
                clickButton(dialog, "OK");
            }
        }});
        window->action(MainWindow::cmdFindTile)->trigger();
        EXPECT_EQ(script.answered(), 1);
    }

    QImage picture() const {
        return window->gameScreen()->getBoard()->getPicture()->surface()->image().copy();
    }

    std::unique_ptr<MainWindow> window;
    QImage original;
};

TEST_F(FindTileTest, ProposesTheNextNumberAndStartsOverPastTheLast) {
    findTile("1", "5");
    findTile("6", "16");
    findTile("1", "40");
    findTile("1", "2");
}

TEST_F(FindTileTest, TwoTicksInvertAndRestoreTheTileThenStop) {
    findTile("1", "6");
    window->onFindTileTimer();
    // Tile 6 of 4 x 4 is the cell at column 1, row 1: pixels 75 to 149.
    EXPECT_EQ(picture().pixel(100, 100) & 0xFFFFFF, ~original.pixel(100, 100) & 0xFFFFFF);
    EXPECT_EQ(picture().pixel(40, 40), original.pixel(40, 40));
    EXPECT_TRUE(window->isFindTileFlashing());
    window->onFindTileTimer();
    EXPECT_EQ(picture(), original);
    EXPECT_FALSE(window->isFindTileFlashing());

    findTile("7", "0");  // no such tile: two ticks that only draw
    window->onFindTileTimer();
    EXPECT_EQ(window->findTileTicks(), 1);
    window->onFindTileTimer();
    EXPECT_FALSE(window->isFindTileFlashing());
    EXPECT_EQ(picture(), original);
}

TEST_F(FindTileTest, AFlashInterruptedHalfwayNeverLeavesATileInverted) {
    findTile("1", "6");
    window->onFindTileTimer();  // tile 6 inverted
    findTile("7", "3");
    window->onFindTileTimer();  // tile 3 inverted
    window->action(MainWindow::cmdExpert)->trigger();
    EXPECT_FALSE(window->isFindTileFlashing());
    EXPECT_EQ(picture(), original);
}

TEST_F(ShellTest, CustomPictureRefitsTheWindowBothWays) {
    auto window = makeWindow();
    const QSize builtin = window->size();
    fileChoice = writeImage("wide.png", 400, 200);

    window->action(MainWindow::cmdCustomPicture)->trigger();
    EXPECT_TRUE(warnings.empty());
    EXPECT_EQ(window->customPicture(), fileChoice);
    EXPECT_TRUE(window->action(MainWindow::cmdCustomPicture)->isChecked());
    // Client area = screen: 400 + 20 wide, 200 + 26 + 30 high; the player cannot resize.
    EXPECT_EQ(window->gameView()->size(), QSize(420, 256));
    EXPECT_EQ(window->size().height() - builtin.height(), 256 - 356);
    EXPECT_EQ(window->minimumSize(), window->maximumSize());
    EXPECT_FALSE(window->windowFlags() & Qt::WindowMaximizeButtonHint);

    window->action(MainWindow::cmdDefaultPicture)->trigger();
    EXPECT_TRUE(window->action(MainWindow::cmdDefaultPicture)->isChecked());
    EXPECT_EQ(window->size(), builtin);
}

TEST_F(ShellTest, CancelledOrUndecodablePictureChangesNothing) {
    auto window = makeWindow();
    const QString photo = fileChoice = writeImage("photo.png", 200, 150);
    window->action(MainWindow::cmdCustomPicture)->trigger();
    const QSize size = window->size();

    fileChoice.clear();  // the player cancels
    window->action(MainWindow::cmdCustomPicture)->trigger();
    EXPECT_TRUE(warnings.empty());
    fileChoice = folder.filePath("broken.png");
    QFile broken(fileChoice);
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("not a picture at all");
    broken.close();
    window->action(MainWindow::cmdCustomPicture)->trigger();

    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0],
              "Change Picture Error|Cannot change picture.\nMake sure that the file "
              "is in a supported file format (BMP, GIF, JPG, PCX, PNG, TGA, TIF).");
    EXPECT_EQ(window->size(), size);
    EXPECT_TRUE(window->action(MainWindow::cmdCustomPicture)->isChecked());
    window->saveSettings();
    EXPECT_EQ(SettingsStore::loadSettings().picturePath, photo);
    EXPECT_FALSE(SettingsStore::loadSettings().defaultPicture);

    // From the built-in picture, a failed choice leaves Default marked.
    window->action(MainWindow::cmdDefaultPicture)->trigger();
    window->action(MainWindow::cmdCustomPicture)->trigger();
    EXPECT_TRUE(window->action(MainWindow::cmdDefaultPicture)->isChecked());
}

// Drags `paths` (URLs or local files) over the window and drops them if they are welcomed;
// returns whether they were.
bool dragAndDrop(QWidget* window, const QStringList& paths, Qt::DropActions offered) {
    QMimeData data;
    QList<QUrl> urls;
    for (const QString& path : paths) {
        urls.append(path.contains("://") ? QUrl(path) : QUrl::fromLocalFile(path));
    }
    data.setUrls(urls);
    QDragEnterEvent enter(QPoint(30, 80), offered, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window, &enter);
    if (!enter.isAccepted()) {
        return false;
    }
    QDropEvent drop(QPointF(30, 80), offered, &data, Qt::LeftButton, Qt::ShiftModifier);
    QApplication::sendEvent(window, &drop);
    EXPECT_TRUE(drop.isAccepted());
    EXPECT_EQ(drop.dropAction(), Qt::CopyAction);  // never a move: the file stays put
    QCoreApplication::processEvents();
    return true;
}

TEST_F(ShellTest, ADroppedPictureIsOpenedAsCustomPictureOpensIt) {
    auto window = makeWindow();
    const QSize builtin = window->size();
    const QString broken = folder.filePath("broken.PNG");
    QFile file(broken);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("no picture here");
    file.close();
    ASSERT_TRUE(QDir(folder.path()).mkdir("folder.png"));
    const QString photo = writeImage("photo.png", 400, 200);
    const Qt::DropActions any = Qt::CopyAction | Qt::MoveAction;

    for (const QStringList& refused :
         {QStringList{photo, photo}, QStringList{folder.filePath("folder.png")},
          QStringList{folder.filePath("gone.png")}, QStringList{folder.filePath("puzzle.txt")},
          QStringList{"https://zolva.example.com/photo.png"}}) {
        EXPECT_FALSE(dragAndDrop(window.get(), refused, any)) << refused.join(' ').toStdString();
    }
    EXPECT_FALSE(dragAndDrop(window.get(), {photo}, Qt::MoveAction));
    EXPECT_TRUE(window->usesDefaultPicture());

    // A broken file says what Custom Picture says and changes nothing.
    fileChoice = broken;
    window->action(MainWindow::cmdCustomPicture)->trigger();
    ASSERT_TRUE(dragAndDrop(window.get(), {broken}, any));
    ASSERT_EQ(warnings.size(), 2u);
    EXPECT_EQ(warnings[1], warnings[0]);
    EXPECT_TRUE(window->action(MainWindow::cmdDefaultPicture)->isChecked());
    EXPECT_EQ(window->size(), builtin);

    ASSERT_TRUE(dragAndDrop(window.get(), {photo}, any));
    EXPECT_EQ(warnings.size(), 2u);
    EXPECT_EQ(window->customPicture(), photo);
    EXPECT_TRUE(window->action(MainWindow::cmdCustomPicture)->isChecked());
    EXPECT_EQ(window->gameView()->size(), QSize(420, 256));
    window->saveSettings();
    EXPECT_EQ(SettingsStore::loadSettings().picturePath, photo);
    EXPECT_FALSE(SettingsStore::loadSettings().defaultPicture);
}

// Qt shows a name that is not UTF-8 with replacement characters; a drop carries its bytes.
TEST_F(ShellTest, PicturesWhoseNamesAreNotUtf8ComeByDialogAndByDrop) {
    auto window = makeWindow();
    QDir(folder.path()).mkdir("f\xC3\xB6to");
    const QByteArray bytes = QFile::encodeName(folder.path()) + "/f\xC3\xB6to/\xE9t\xE9.png";
    ASSERT_EQ(::rename(QFile::encodeName(writeImage("plain.png", 200, 160)).constData(),
                       bytes.constData()),
              0);
    const QString named = fileNameFromBytes(bytes);
    fileChoice = QString::fromUtf8(bytes);
    ASSERT_NE(fileChoice, named);
    window->action(MainWindow::cmdCustomPicture)->trigger();
    EXPECT_EQ(window->customPicture(), named);
    EXPECT_TRUE(warnings.empty());

    window->action(MainWindow::cmdDefaultPicture)->trigger();
    const QUrl url = QUrl::fromEncoded("file://" + bytes.toPercentEncoding("/"));
    ASSERT_TRUE(dragAndDrop(window.get(), {url.toString(QUrl::FullyEncoded)},
                            Qt::CopyAction | Qt::MoveAction));
    EXPECT_EQ(window->customPicture(), named);
    EXPECT_TRUE(window->action(MainWindow::cmdCustomPicture)->isChecked());
    ::unlink(bytes.constData());  // the temporary folder cannot name it to remove it
}

TEST(PictureFilterTest, AcceptsEveryCaseOfTheListedExtensions) {
    const QStringList filters = pictureFileFilter().split(";;");
    ASSERT_EQ(filters.size(), 9);
    EXPECT_TRUE(filters[0].startsWith("All Pictures ("));
    EXPECT_TRUE(
        filters[1].startsWith("Supported Files (*.bmp,*.gif,*.jpg,*.png,*.tga,*.tif,*.wmf) ("));
    // The file dialog takes the last parenthesised group as the patterns.
    auto patterns = [&](int entry) {
        return filters[entry].mid(filters[entry].lastIndexOf('(') + 1).chopped(1).split(' ');
    };
    for (const char* name : {"a.bmp", "b.GIF", "c.jpeg", "d.JPG", "g.TIFF", "h.wmf", "i.pcx"}) {
        EXPECT_TRUE(QDir::match(patterns(0), name)) << name;
        EXPECT_TRUE(QDir::match(patterns(1), name)) << name;
    }
    EXPECT_TRUE(QDir::match(patterns(0), "wallpaper.webp"));
    EXPECT_TRUE(QDir::match(patterns(0), "WALLPAPER.WEBP"));
    EXPECT_TRUE(QDir::match(supportedPicturePatterns(), "wallpaper.webp"));
    // Formats the decoder refuses are not offered, whatever plugins Qt has.
    for (const char* name : {"notes.txt", "anim.mng", "icon.ico", "logo.svg", "x.xpm"}) {
        EXPECT_FALSE(QDir::match(patterns(0), name)) << name;
        EXPECT_FALSE(QDir::match(supportedPicturePatterns(), name)) << name;
    }
    EXPECT_FALSE(QDir::match(patterns(1), "notes.txt"));
}

TEST_F(ShellTest, PictureChooserOpensInThePicturesFolder) {
    auto window = makeWindow();
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    EXPECT_EQ(pictureStartFolder(window->customPicture()),
              QDir(pictures).exists() ? pictures : QDir::homePath());
    QDir(folder.path()).mkdir("holiday");
    fileChoice = writeImage("holiday/beach.png", 200, 160);
    window->action(MainWindow::cmdCustomPicture)->trigger();
    window->action(MainWindow::cmdDefaultPicture)->trigger();  // the path is still remembered
    EXPECT_EQ(pictureStartFolder(window->customPicture()), folder.filePath("holiday"));
}

TEST_F(ShellTest, SmallPicturesGrowOnlyUnderThePlayPolicy) {
    fileChoice = writeImage("tiny.png", 30, 20);
    for (const bool shaped : {true, false}) {
        auto window = makeWindow(shaped);
        window->action(MainWindow::cmdCustomPicture)->trigger();
        const TileBoard* board = window->gameScreen()->getBoard();
        EXPECT_EQ(QSize(board->getWidth(), board->getHeight()),
                  shaped ? QSize(450, 300) : QSize(30, 20));
    }
}

TEST_F(ShellTest, UndoAndRedoAreOfferedOnlyWhenTheyCanAct) {
    auto window = makeWindow();
    QAction* undo = window->action(MainWindow::cmdUndo);
    QAction* redo = window->action(MainWindow::cmdRedo);
    EXPECT_FALSE(undo->isEnabled() || redo->isEnabled());
    window->action(MainWindow::cmdNew)->trigger();
    QKeyEvent left(QEvent::KeyPress, Qt::Key_Left, Qt::NoModifier);
    QApplication::sendEvent(window->gameView(), &left);
    EXPECT_TRUE(undo->isEnabled());
    EXPECT_FALSE(redo->isEnabled());
    undo->trigger();
    EXPECT_EQ(window->gameScreen()->getMoves(), 2);
    EXPECT_FALSE(undo->isEnabled());
    EXPECT_TRUE(redo->isEnabled());
    window->action(MainWindow::cmdShowNumbers)->trigger();
    EXPECT_FALSE(undo->isEnabled() || redo->isEnabled());
}

TEST(AboutDialogTest, OnlyTheLinkRegionShowsTheHandAndOpensTheSite) {
    AboutDialog dialog(nullptr);
    std::vector<QUrl> opened;
    dialog.setUrlOpener([&](const QUrl& url) { return opened.push_back(url), true; });
    dialog.show();
    auto send = [&](QEvent::Type type, QPoint at) {
        QMouseEvent event(type, at, dialog.mapToGlobal(at), Qt::LeftButton,
                          type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, {});
        QApplication::sendEvent(&dialog, &event);
    };
    const std::pair<QPoint, bool> probes[] = {{{80, 127}, true},   {{202, 139}, true},
                                              {{79, 133}, false},  {{203, 133}, false},
                                              {{140, 126}, false}, {{140, 140}, false}};
    for (const auto& [at, inside] : probes) {
        send(QEvent::MouseMove, at);
        EXPECT_EQ(dialog.cursor().shape(), inside ? Qt::PointingHandCursor : Qt::ArrowCursor)
            << at.x() << "," << at.y();
    }
    send(QEvent::MouseButtonPress, QPoint(60, 133));
    EXPECT_TRUE(opened.empty());
    send(QEvent::MouseButtonPress, QPoint(100, 133));
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], QUrl("https://zolva.example.com"));
    EXPECT_TRUE(dialog.isVisible());
}

TEST(AboutDialogTest, OpensCentredOverItsWindow) {
    QMainWindow owner;
    owner.setGeometry(310, 205, 640, 520);
    owner.show();
    AboutDialog dialog(&owner);
    dialog.show();
    QCoreApplication::processEvents();
    const QPoint off = dialog.frameGeometry().center() - owner.frameGeometry().center();
    EXPECT_LE(off.manhattanLength(), 2) << off.x() << "," << off.y();
}

}  // namespace
}  // namespace zolva::testing
