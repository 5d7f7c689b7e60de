// HelpBrowser is the page view of the help window. The pages, their style sheet and any
// images live inside the compiled help file, under qthelp:// addresses, so every resource
// the view asks for is read from the help engine rather than from disk. Links that leave
// the help (a web address, a mail address) go to the desktop's own handler instead of
// being loaded into the view.
#pragma once

#include <QTextBrowser>

class QHelpEngineCore;

namespace zolva {

class HelpBrowser : public QTextBrowser {
    Q_OBJECT

public:
    // The engine is not owned and must outlive the browser.
    HelpBrowser(QHelpEngineCore* engine, QWidget* parent);

    QVariant loadResource(int type, const QUrl& name) override;

    // True for addresses the help file itself answers; everything else is external.
    static bool isHelpUrl(const QUrl& url);

protected:
    void doSetSource(const QUrl& name, QTextDocument::ResourceType type) override;

private:
    QHelpEngineCore* engine;
};

}  // namespace zolva
