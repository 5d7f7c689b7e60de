#include "app/help_window.h"

#include <QAction>
#include <QHelpContentWidget>
#include <QHelpEngine>
#include <QHelpIndexWidget>
#include <QHelpLink>
#include <QHelpSearchEngine>
#include <QHelpSearchQueryWidget>
#include <QHelpSearchResultWidget>
#include <QLabel>
#include <QLineEdit>
#include <QSplitter>
#include <QStyle>
#include <QTabWidget>
#include <QToolBar>
#include <QVBoxLayout>

#include "app/help_browser.h"

namespace zolva {

HelpWindow::HelpWindow(QHelpEngine* engine, const QUrl& startPage, QWidget* parent)
    : QMainWindow(parent), engine(engine), startPage(startPage) {
    setWindowTitle(QStringLiteral("Zolva Puzzle Help"));
    setObjectName(QStringLiteral("helpWindow"));

    tabs = new QTabWidget;
    QHelpContentWidget* contents = engine->contentWidget();
    contents->setHeaderHidden(true);
    tabs->addTab(contents, QStringLiteral("&Contents"));
    tabs->addTab(buildIndexTab(), QStringLiteral("I&ndex"));
    tabs->addTab(buildSearchTab(), QStringLiteral("&Search"));

    pageView = new HelpBrowser(engine, nullptr);
    auto* splitter = new QSplitter(Qt::Horizontal);
    splitter->addWidget(tabs);
    splitter->addWidget(pageView);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({240, 560});
    setCentralWidget(splitter);
    addNavigationBar();
    resize(800, 560);

    connect(contents, &QHelpContentWidget::linkActivated, this, &HelpWindow::showPage);
    // The contents are read on a worker thread; whatever page is up by the time they
    // arrive gets marked then.
    connect(engine->contentModel(), &QHelpContentModel::contentsCreated, this, [this] {
        this->engine->contentWidget()->expandToDepth(0);
        syncContents();
    });
    connect(pageView, &QTextBrowser::sourceChanged, this, &HelpWindow::syncContents);

    showPage(startPage);
}

QWidget* HelpWindow::buildIndexTab() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    auto* label = new QLabel(QStringLiteral("&Look for:"));
    lookFor = new QLineEdit;
    label->setBuddy(lookFor);
    QHelpIndexWidget* index = engine->indexWidget();
    layout->addWidget(label);
    layout->addWidget(lookFor);
    layout->addWidget(index);

    connect(lookFor, &QLineEdit::textChanged, index, [index](const QString& text) {
        // A '*' turns the text into a wildcard pattern; plain text matches word starts.
        if (text.contains(QLatin1Char('*'))) {
            index->filterIndices(text, text);
        } else {
            index->filterIndices(text);
        }
    });
    connect(lookFor, &QLineEdit::returnPressed, index, &QHelpIndexWidget::activateCurrentItem);
    connect(index, &QHelpIndexWidget::documentActivated, this,
            [this](const QHelpLink& document, const QString&) { showPage(document.url); });
    // Every keyword of this help names one place, but a keyword shared by two pages must
    // still lead somewhere rather than nowhere.
    connect(index, &QHelpIndexWidget::documentsActivated, this,
            [this](const QList<QHelpLink>& documents, const QString&) {
                if (!documents.isEmpty()) {
                    showPage(documents.first().url);
                }
            });
    return page;
}

QWidget* HelpWindow::buildSearchTab() {
    QHelpSearchEngine* search = engine->searchEngine();
    QHelpSearchQueryWidget* query = search->queryWidget();
    QHelpSearchResultWidget* results = search->resultWidget();
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(query);
    layout->addWidget(results, 1);

    connect(query, &QHelpSearchQueryWidget::search, search,
            [search, query] { search->search(query->searchInput()); });
    connect(results, &QHelpSearchResultWidget::requestShowLink, this, &HelpWindow::showPage);
    // A query typed while the index is being built would find only part of the pages.
    connect(search, &QHelpSearchEngine::indexingStarted, query,
            [query] { query->setEnabled(false); });
    connect(search, &QHelpSearchEngine::indexingFinished, query,
            [query] { query->setEnabled(true); });
    return page;
}

void HelpWindow::addNavigationBar() {
    QToolBar* bar = addToolBar(QStringLiteral("Navigation"));
    bar->setMovable(false);
    bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);

    QAction* back = bar->addAction(style()->standardIcon(QStyle::SP_ArrowBack),
                                   QStringLiteral("&Back"), pageView, &QTextBrowser::backward);
    back->setShortcut(QKeySequence::Back);
    back->setEnabled(false);
    connect(pageView, &QTextBrowser::backwardAvailable, back, &QAction::setEnabled);

    QAction* forward = bar->addAction(style()->standardIcon(QStyle::SP_ArrowForward),
                                      QStringLiteral("&Forward"), pageView, &QTextBrowser::forward);
    forward->setShortcut(QKeySequence::Forward);
    forward->setEnabled(false);
    connect(pageView, &QTextBrowser::forwardAvailable, forward, &QAction::setEnabled);

    bar->addAction(style()->standardIcon(QStyle::SP_DirHomeIcon), QStringLiteral("&Home"), this,
                   [this] { showPage(startPage); });
}

void HelpWindow::present(Tab tab) {
    tabs->setCurrentIndex(static_cast<int>(tab));
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
    switch (tab) {
        case Tab::Contents:
            engine->contentWidget()->setFocus(Qt::ShortcutFocusReason);
            break;
        case Tab::Index:
            lookFor->setFocus(Qt::ShortcutFocusReason);
            lookFor->selectAll();
            break;
        case Tab::Search:
            // The query widget hands the focus on to its text field.
            engine->searchEngine()->queryWidget()->setFocus(Qt::ShortcutFocusReason);
            break;
    }
}

HelpWindow::Tab HelpWindow::currentTab() const {
    return static_cast<Tab>(tabs->currentIndex());
}

void HelpWindow::showPage(const QUrl& url) {
    if (url.isValid()) {
        pageView->setSource(url);
    }
}

void HelpWindow::syncContents() {
    QHelpContentWidget* contents = engine->contentWidget();
    QModelIndex item = contents->indexOf(pageView->source());
    if (!item.isValid()) {
        // A page reached through an anchor is marked at its page's entry.
        item = contents->indexOf(pageView->source().adjusted(QUrl::RemoveFragment));
    }
    if (item.isValid()) {
        contents->setCurrentIndex(item);
    }
}

}  // namespace zolva
