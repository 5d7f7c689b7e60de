// HelpWindow is the help viewer: on the left a tab widget with the table of contents, the
// keyword index (with a "Look for" field that narrows it) and the full-text search; on the
// right the page itself, with Back, Forward and Home. It shows what a loaded help engine
// offers and keeps nothing of its own; one window serves the whole run and is only hidden
// when the player closes it, so the page being read is still there next time.
#pragma once

#include <QMainWindow>
#include <QUrl>

class QHelpEngine;
class QLineEdit;
class QTabWidget;

namespace zolva {

class HelpBrowser;

class HelpWindow : public QMainWindow {
    Q_OBJECT

public:
    // Tabs in the order they appear.
    enum class Tab { Contents, Index, Search };

    // The engine must be set up and must outlive the window; startPage is the first page
    // shown and the page of the Home button.
    HelpWindow(QHelpEngine* engine, const QUrl& startPage, QWidget* parent);

    // Shows the window (restoring it when minimised, raising it when hidden behind others),
    // selects the tab and puts the keyboard focus where that tab is used.
    void present(Tab tab);

    Tab currentTab() const;
    HelpBrowser* browser() const { return pageView; }
    QLineEdit* lookForField() const { return lookFor; }

    void showPage(const QUrl& url);

private:
    QWidget* buildIndexTab();
    QWidget* buildSearchTab();
    void addNavigationBar();
    // Marks the page on display in the table of contents.
    void syncContents();

    QHelpEngine* engine;
    QUrl startPage;
    QTabWidget* tabs = nullptr;
    QLineEdit* lookFor = nullptr;
    HelpBrowser* pageView = nullptr;
};

}  // namespace zolva
