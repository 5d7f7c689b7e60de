#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHelpContentWidget>
#include <QHelpEngine>
#include <QHelpIndexWidget>
#include <QHelpLink>
#include <QHelpSearchEngine>
#include <QHelpSearchQueryWidget>
#include <QLineEdit>
#include <QPointer>
#include <QRegularExpression>
#include <QSet>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>
#include <functional>
#include <memory>

#include "app/help_browser.h"
#include "app/help_controller.h"
#include "app/help_window.h"

namespace zolva {
namespace {

// Generous bounds for work that runs on Qt Help's worker threads; a healthy run needs a
// fraction of a second.
constexpr int kWorkerWaitMs = 60000;

QString builtCollection() {
    return QStringLiteral(ZOLVA_HELP_COLLECTION);
}

QString builtHelpFile() {
    return QFileInfo(builtCollection()).dir().filePath(QStringLiteral("Zolva Puzzle Help.qch"));
}

// Copies the built help file and/or collection into dir, as an installation would.
void installInto(const QString& dir, bool withHelpFile, bool withCollection) {
    ASSERT_TRUE(QDir().mkpath(dir));
    if (withHelpFile) {
        ASSERT_TRUE(QFile::copy(builtHelpFile(),
                                QDir(dir).filePath(QFileInfo(builtHelpFile()).fileName())));
    }
    if (withCollection) {
        ASSERT_TRUE(QFile::copy(builtCollection(),
                                QDir(dir).filePath(HelpController::collectionFileName())));
    }
}

// Qt Help fills its contents and index models on worker threads after setupData.
void waitForContents(QHelpEngine& engine) {
    QHelpContentModel* model = engine.contentModel();
    if (model->isCreatingContents() || model->rowCount() == 0) {
        QSignalSpy created(model, &QHelpContentModel::contentsCreated);
        ASSERT_TRUE(created.wait(kWorkerWaitMs));
    }
}

void waitForIndex(QHelpEngine& engine) {
    QHelpIndexModel* index = engine.indexModel();
    if (index->isCreatingIndex() || index->rowCount() == 0) {
        QSignalSpy created(index, &QHelpIndexModel::indexCreated);
        ASSERT_TRUE(created.wait(kWorkerWaitMs));
    }
}

// Anchor names as the help browser's document sees them, so an anchor Qt cannot find
// does not pass for one because the text looks right.
QSet<QString> anchorsOf(const QByteArray& html) {
    QTextDocument document;
    document.setHtml(QString::fromUtf8(html));
    QSet<QString> anchors;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (const QString& name : block.charFormat().anchorNames()) {
            anchors.insert(name);
        }
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            for (const QString& name : it.fragment().charFormat().anchorNames()) {
                anchors.insert(name);
            }
        }
    }
    return anchors;
}

QUrl withoutFragment(const QUrl& url) {
    return url.adjusted(QUrl::RemoveFragment);
}

// --- The compiled help, read straight from the build tree --------------------------------

class HelpCollectionTest : public ::testing::Test {
protected:
    void SetUp() override {
        engine = std::make_unique<QHelpEngine>(builtCollection());
        ASSERT_TRUE(engine->setupData()) << engine->error().toStdString();
        ns = engine->registeredDocumentations().value(0);
        ASSERT_FALSE(ns.isEmpty());
    }

    QUrl page(const QString& name) const {
        return QUrl(QStringLiteral("qthelp://%1/doc/%2").arg(ns, name));
    }

    // Where a link leads: the page must be in the help file and, when the link names a
    // place in it, that place must exist.
    void expectLeadsSomewhere(const QUrl& link, const QString& from) const {
        const QByteArray target = engine->fileData(withoutFragment(link));
        EXPECT_FALSE(target.isEmpty())
            << from.toStdString() << " -> " << link.toString().toStdString();
        if (!target.isEmpty() && link.hasFragment()) {
            EXPECT_TRUE(anchorsOf(target).contains(link.fragment()))
                << from.toStdString() << " -> " << link.toString().toStdString();
        }
    }

    std::unique_ptr<QHelpEngine> engine;
    QString ns;
};

TEST_F(HelpCollectionTest, ContentsListTheTopicsUnderOneRoot) {
    waitForContents(*engine);
    QHelpContentModel* model = engine->contentModel();
    ASSERT_EQ(model->rowCount(), 1);
    const QModelIndex root = model->index(0, 0);
    QHelpContentItem* rootItem = model->contentItemAt(root);
    ASSERT_NE(rootItem, nullptr);
    EXPECT_EQ(rootItem->title(), QStringLiteral("Zolva Puzzle Help"));
    EXPECT_EQ(rootItem->url(), page(QStringLiteral("index.html")));

    const QStringList expected = {
        QStringLiteral("How to Play"),
        QStringLiteral("Levels and Custom Size"),
        QStringLiteral("The Empty Corner"),
        QStringLiteral("Tile Numbers and Find Tile"),
        QStringLiteral("Pictures and File Formats"),
        QStringLiteral("Best Times"),
        QStringLiteral("Hint and Solve"),
        QStringLiteral("Keyboard and Mouse"),
    };
    QStringList topics;
    for (int i = 0; i < rootItem->childCount(); ++i) {
        topics << rootItem->child(i)->title();
    }
    EXPECT_EQ(topics, expected);
}

TEST_F(HelpCollectionTest, EveryContentsEntryLeadsToAnExistingPlace) {
    waitForContents(*engine);
    int entries = 0;
    std::function<void(QHelpContentItem*)> walk = [&](QHelpContentItem* item) {
        ++entries;
        expectLeadsSomewhere(item->url(), QStringLiteral("contents: ") + item->title());
        for (int i = 0; i < item->childCount(); ++i) {
            walk(item->child(i));
        }
    };
    walk(engine->contentModel()->contentItemAt(engine->contentModel()->index(0, 0)));
    EXPECT_GT(entries, 8);
}

TEST_F(HelpCollectionTest, IndexKeywordsLeadToTheirTopics) {
    const struct {
        const char* keyword;
        const char* place;
    } cases[] = {
        {"New game", "how-to-play.html#new-game"},
        {"Arrow keys", "how-to-play.html#keyboard"},
        {"Custom Dimensions", "levels.html#custom"},
        {"Expert", "levels.html#standard-levels"},
        {"Empty space", "empty-corner.html#choosing"},
        {"Show Numbers", "numbers.html#show-numbers"},
        {"Find Tile", "numbers.html#find-tile"},
        {"Custom Picture", "pictures.html#custom-picture"},
        {"PCX", "pictures.html#formats"},
        {"WMF", "pictures.html#formats"},
        {"TGA", "pictures.html#formats"},
        {"Reset Score", "best-times.html#reset-score"},
        {"New Record", "best-times.html#new-record"},
        {"Keyboard shortcuts", "keyboard-mouse.html#shortcuts"},
        {"Undo", "how-to-play.html#undo"},
        {"WebP", "pictures.html#formats"},
    };
    for (const auto& c : cases) {
        const QList<QHelpLink> links = engine->documentsForKeyword(QString::fromUtf8(c.keyword));
        ASSERT_EQ(links.size(), 1) << c.keyword;
        EXPECT_EQ(links.first().url, page(QString::fromUtf8(c.place))) << c.keyword;
    }
}

TEST_F(HelpCollectionTest, EveryKeywordOfTheIndexLeadsToAnExistingPlace) {
    waitForIndex(*engine);
    QHelpIndexModel* index = engine->indexModel();
    ASSERT_GT(index->rowCount(), 30);
    for (int row = 0; row < index->rowCount(); ++row) {
        const QString keyword = index->data(index->index(row, 0), Qt::DisplayRole).toString();
        const QList<QHelpLink> links = engine->documentsForKeyword(keyword);
        ASSERT_FALSE(links.isEmpty()) << keyword.toStdString();
        for (const QHelpLink& link : links) {
            expectLeadsSomewhere(link.url, QStringLiteral("index: ") + keyword);
        }
    }
}

// Follows every link from the first page on: each must lead to a page (and place) of the
// help file, and every page of the help file must be reachable this way.
TEST_F(HelpCollectionTest, EveryLinkResolvesAndEveryPageIsReachable) {
    static const QRegularExpression linkPattern(
        QStringLiteral("(?:href|src)\\s*=\\s*\"([^\"]+)\""));
    QList<QUrl> queue = {page(QStringLiteral("index.html"))};
    QSet<QUrl> visited;
    while (!queue.isEmpty()) {
        const QUrl current = queue.takeFirst();
        if (visited.contains(current)) {
            continue;
        }
        visited.insert(current);
        const QByteArray html = engine->fileData(current);
        ASSERT_FALSE(html.isEmpty()) << current.toString().toStdString();
        if (!current.path().endsWith(QLatin1String(".html"))) {
            continue;
        }
        for (const QRegularExpressionMatch& m : linkPattern.globalMatch(QString::fromUtf8(html))) {
            const QUrl link = current.resolved(QUrl(m.captured(1)));
            if (!HelpBrowser::isHelpUrl(link)) {
                continue;  // a web address; the browser hands those to the desktop
            }
            expectLeadsSomewhere(link, current.fileName());
            queue.append(withoutFragment(link));
        }
    }

    const QList<QUrl> pages = engine->files(ns, QString(), QStringLiteral("html"));
    EXPECT_EQ(pages.size(), 9);
    for (const QUrl& p : pages) {
        EXPECT_TRUE(visited.contains(p))
            << "not linked from anywhere: " << p.toString().toStdString();
    }
    EXPECT_TRUE(visited.contains(page(QStringLiteral("style.css"))));
}

// --- The controller and its window ---------------------------------------------------------

class HelpControllerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(temp.isValid());
        mainWindow = std::make_unique<QWidget>();
    }

    QString tempPath(const QString& name) const { return temp.filePath(name); }

    std::unique_ptr<HelpController> controllerFor(const QString& collection) {
        return std::make_unique<HelpController>(mainWindow.get(), QStringList{collection},
                                                tempPath(QStringLiteral("work")));
    }

    QTemporaryDir temp;
    std::unique_ptr<QWidget> mainWindow;
};

TEST_F(HelpControllerTest, EachCommandShowsTheOneWindowOnItsTab) {
    auto help = controllerFor(builtCollection());
    EXPECT_EQ(help->helpEngine(), nullptr) << "the help is loaded before it is asked for";

    help->showContents();
    HelpWindow* window = help->window();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->currentTab(), HelpWindow::Tab::Contents);
    EXPECT_EQ(window->browser()->source(), help->startPage());
    EXPECT_TRUE(window->browser()->toPlainText().contains(QLatin1String("sliding-picture puzzle")));

    help->showIndex();
    EXPECT_EQ(help->window(), window);
    EXPECT_EQ(window->currentTab(), HelpWindow::Tab::Index);

    help->showSearch();
    EXPECT_EQ(help->window(), window);
    EXPECT_EQ(window->currentTab(), HelpWindow::Tab::Search);

    // Closing only hides the window; the next command brings it back on the page the
    // player was reading.
    const QUrl levels = help->startPage().resolved(QUrl(QStringLiteral("levels.html")));
    window->showPage(levels);
    window->close();
    EXPECT_FALSE(window->isVisible());
    help->showContents();
    EXPECT_EQ(help->window(), window);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->currentTab(), HelpWindow::Tab::Contents);
    EXPECT_EQ(window->browser()->source(), levels);
}

TEST_F(HelpControllerTest, LinksAndIndexEntriesOpenTheirPagesInTheWindow) {
    auto help = controllerFor(builtCollection());
    help->showIndex();
    HelpWindow* window = help->window();
    ASSERT_NE(window, nullptr);

    // The page's own links are followed inside the window, with history.
    HelpBrowser* browser = window->browser();
    browser->setSource(help->startPage().resolved(QUrl(QStringLiteral("numbers.html#find-tile"))));
    EXPECT_TRUE(browser->toPlainText().contains(QLatin1String("Tile Number")));
    EXPECT_TRUE(browser->isBackwardAvailable());
    browser->backward();
    EXPECT_EQ(browser->source(), help->startPage());

    // Typing in "Look for" and pressing Enter opens the keyword's page.
    waitForIndex(*help->helpEngine());
    window->lookForField()->setText(QStringLiteral("Reset Score"));
    emit window->lookForField()->returnPressed();
    EXPECT_EQ(browser->source().fileName(), QStringLiteral("best-times.html"));
    EXPECT_EQ(browser->source().fragment(), QStringLiteral("reset-score"));
}

TEST_F(HelpControllerTest, SearchFindsPagesOnceTheIndexIsBuilt) {
    const QString shippedDir = tempPath(QStringLiteral("shipped"));
    installInto(shippedDir, true, true);
    auto help = controllerFor(QDir(shippedDir).filePath(HelpController::collectionFileName()));
    help->showSearch();
    ASSERT_NE(help->helpEngine(), nullptr);
    QHelpSearchEngine* search = help->helpEngine()->searchEngine();
    QSignalSpy indexed(search, &QHelpSearchEngine::indexingFinished);
    ASSERT_TRUE(indexed.wait(kWorkerWaitMs));
    EXPECT_TRUE(search->queryWidget()->isEnabled());

    QSignalSpy searched(search, &QHelpSearchEngine::searchingFinished);
    search->search(QStringLiteral("Targa"));
    ASSERT_TRUE(searched.wait(kWorkerWaitMs));
    ASSERT_GE(search->searchResultCount(), 1);
    const QList<QHelpSearchResult> results = search->searchResults(0, search->searchResultCount());
    bool foundPictures = false;
    for (const QHelpSearchResult& r : results) {
        foundPictures = foundPictures || r.url().fileName() == QLatin1String("pictures.html");
    }
    EXPECT_TRUE(foundPictures);

    // The index went to the working folder: an installed collection may be read-only.
    EXPECT_FALSE(QDir(shippedDir).exists(QStringLiteral(".Zolva Puzzle Help")));
    EXPECT_TRUE(
        QDir(tempPath(QStringLiteral("work"))).exists(QStringLiteral(".Zolva Puzzle Help")));
}

TEST_F(HelpControllerTest, MissingCollectionIsRememberedAndNeverRetried) {
    const QString dir = tempPath(QStringLiteral("later"));
    auto help = controllerFor(QDir(dir).filePath(HelpController::collectionFileName()));
    help->showContents();
    EXPECT_TRUE(help->isUnavailable());
    EXPECT_EQ(help->window(), nullptr);

    // The help turns up while the game runs; this run has given up on it all the same.
    installInto(dir, true, true);
    help->showContents();
    help->showSearch();
    help->showIndex();
    EXPECT_TRUE(help->isUnavailable());
    EXPECT_EQ(help->window(), nullptr);
    EXPECT_EQ(help->helpEngine(), nullptr);

    // Proof that what turned up is usable: the next run of the game finds it.
    auto nextRun = controllerFor(QDir(dir).filePath(HelpController::collectionFileName()));
    nextRun->showContents();
    EXPECT_FALSE(nextRun->isUnavailable());
    EXPECT_NE(nextRun->window(), nullptr);
}

TEST_F(HelpControllerTest, UnusableCollectionsCountAsMissing) {
    // A collection whose help file is gone opens, but has no pages to show.
    const QString orphanDir = tempPath(QStringLiteral("orphan"));
    installInto(orphanDir, false, true);
    auto orphan = controllerFor(QDir(orphanDir).filePath(HelpController::collectionFileName()));
    orphan->showContents();
    EXPECT_TRUE(orphan->isUnavailable());
    EXPECT_EQ(orphan->window(), nullptr);

    // A file of that name that is no collection at all.
    const QString junk = tempPath(HelpController::collectionFileName());
    QFile file(junk);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("this is not a help collection");
    file.close();
    auto damaged = controllerFor(junk);
    damaged->showIndex();
    EXPECT_TRUE(damaged->isUnavailable());
    EXPECT_EQ(damaged->window(), nullptr);
}

// As in the game: the main window owns the controller, which owns the help window, and
// the game may end while the search index is still being built.
TEST_F(HelpControllerTest, ClosingTheGameMidIndexingTakesTheHelpDownCleanly) {
    auto* game = new QWidget;
    auto* help = new HelpController(game, {builtCollection()}, tempPath(QStringLiteral("work")));
    help->showSearch();
    ASSERT_NE(help->window(), nullptr);
    QPointer<HelpWindow> window = help->window();
    delete game;
    EXPECT_TRUE(window.isNull());
}

TEST_F(HelpControllerTest, FirstExistingCandidateWins) {
    const QString good = tempPath(QStringLiteral("good"));
    installInto(good, true, true);
    HelpController help(mainWindow.get(),
                        {tempPath(QStringLiteral("absent/") + HelpController::collectionFileName()),
                         QDir(good).filePath(HelpController::collectionFileName())},
                        QString());
    help.showContents();
    EXPECT_FALSE(help.isUnavailable());
    EXPECT_NE(help.window(), nullptr);
}

// --- Where the game looks for its help (the package test plays an installed copy) ---------

TEST(HelpLocationTest, GameRunFromTheBuildTreeFindsTheBuiltCollection) {
    const QString appDir = QStringLiteral(ZOLVA_BUILD_DIR "/app");
    const QStringList candidates = HelpController::defaultCollectionCandidates(appDir);
    ASSERT_FALSE(candidates.isEmpty());
    EXPECT_EQ(candidates.first(), QDir::cleanPath(builtCollection()));
}

}  // namespace
}  // namespace zolva
