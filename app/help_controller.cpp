#include "app/help_controller.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHelpEngine>
#include <QHelpSearchEngine>
#include <QStandardPaths>
#include <QWidget>
#include <utility>

// The build passes ZOLVA_HELP_RELATIVE_DIR and ZOLVA_HELP_INSTALL_DIR: where an
// installation keeps the help, relative to the executable and absolute.

namespace zolva {

namespace {

// Where the pages sit inside the compiled help: the project's virtual folder and its
// first page.
constexpr const char* kVirtualFolder = "doc";
constexpr const char* kStartPageName = "index.html";

}  // namespace

QString HelpController::collectionFileName() {
    return QStringLiteral("Zolva Puzzle Help.qhc");
}

QStringList HelpController::defaultCollectionCandidates(const QString& applicationDir) {
    const QDir appDir(applicationDir);
    QStringList paths = {
        appDir.filePath(QStringLiteral("help/") + collectionFileName()),
        appDir.filePath(QStringLiteral(ZOLVA_HELP_RELATIVE_DIR "/") + collectionFileName()),
        QDir(QStringLiteral(ZOLVA_HELP_INSTALL_DIR)).filePath(collectionFileName()),
    };
    for (QString& path : paths) {
        path = QDir::cleanPath(path);
    }
    paths.removeDuplicates();
    return paths;
}

QString HelpController::defaultWorkDirectory() {
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    return cache.isEmpty() ? QString() : QDir(cache).filePath(QStringLiteral("help"));
}

HelpController::HelpController(QWidget* mainWindow)
    : HelpController(mainWindow,
                     defaultCollectionCandidates(QCoreApplication::applicationDirPath()),
                     defaultWorkDirectory()) {}

HelpController::HelpController(QWidget* mainWindow, QStringList candidates, QString workDirectory)
    : QObject(mainWindow),
      owner(mainWindow),
      candidates(std::move(candidates)),
      workDirectory(std::move(workDirectory)) {}

HelpController::~HelpController() {
    // The window's widgets come from the engine and keep pointers into it, so the window
    // goes first; the engine follows as this object's child.
    delete helpWindow.data();
}

void HelpController::showContents() {
    show(HelpWindow::Tab::Contents);
}

void HelpController::showSearch() {
    show(HelpWindow::Tab::Search);
}

void HelpController::showIndex() {
    show(HelpWindow::Tab::Index);
}

void HelpController::show(HelpWindow::Tab tab) {
    if (!ensureLoaded()) {
        return;
    }
    bool firstWindow = false;
    if (helpWindow.isNull()) {
        helpWindow = new HelpWindow(engine, home, owner);
        firstWindow = true;
    }
    helpWindow->present(tab);
    if (firstWindow) {
        // Built on the search engine's own thread; the window is listening by now, so it
        // keeps its search field disabled until the index is complete.
        engine->searchEngine()->reindexDocumentation();
    }
}

bool HelpController::ensureLoaded() {
    if (state == State::NotLoaded) {
        state = load() ? State::Ready : State::Unavailable;
    }
    return state == State::Ready;
}

bool HelpController::load() {
    QString shipped;
    for (const QString& candidate : std::as_const(candidates)) {
        if (QFileInfo(candidate).isFile()) {
            shipped = candidate;
            break;
        }
    }
    if (shipped.isEmpty()) {
        return false;
    }

    const QString collection = workingCollection(shipped);
    auto* opened = new QHelpEngine(collection, this);
    // A copied collection lacks the tables that make its documentation readable; the
    // engine rebuilds them on setup, which it may do only in a collection it can write.
    opened->setReadOnly(collection == shipped);
    const QString ns =
        opened->setupData() ? opened->registeredDocumentations().value(0) : QString();
    const QUrl start(QStringLiteral("qthelp://%1/%2/%3")
                         .arg(ns, QLatin1String(kVirtualFolder), QLatin1String(kStartPageName)));
    // A collection can open fine and still be useless: it may register no documentation,
    // or the documentation file it refers to may be gone. Its first page tells.
    if (ns.isEmpty() || opened->fileData(start).isEmpty()) {
        delete opened;
        return false;
    }
    engine = opened;
    home = start;
    return true;
}

QString HelpController::workingCollection(const QString& shipped) const {
    if (workDirectory.isEmpty() || !QDir().mkpath(workDirectory)) {
        return shipped;
    }
    const QString copy = QDir(workDirectory).filePath(collectionFileName());
    const QFileInfo copyInfo(copy);
    if (copyInfo.exists() &&
        copyInfo.canonicalFilePath() == QFileInfo(shipped).canonicalFilePath()) {
        return shipped;
    }
    // A copy left by an earlier run may belong to an older version of the game, so it is
    // made afresh from what is installed now.
    QFile::remove(copy);
    QHelpEngineCore source(shipped);
    if (!source.setupData() || !source.copyCollectionFile(copy)) {
        QFile::remove(copy);
        return shipped;
    }
    return copy;
}

}  // namespace zolva
