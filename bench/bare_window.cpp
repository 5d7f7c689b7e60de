// The floor of start-up for a game built on Qt Widgets: an application and a main window
// with a menu bar of four menus over a plain area the size of the game's, nothing else.
// bench/startup.sh starts it beside the game, so the game's start-up is seen against what
// the toolkit alone costs on the same machine at the same moment.
#include <QApplication>
#include <QMainWindow>
#include <QMenuBar>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Bare Window"));
    for (const char* title : {"&Game", "&Options", "&View", "&Help"}) {
        window.menuBar()->addMenu(QString::fromLatin1(title))->addAction(QStringLiteral("Item"));
    }
    auto* area = new QWidget;
    area->setFixedSize(320, 356);
    window.setCentralWidget(area);
    window.show();
    return QApplication::exec();
}
