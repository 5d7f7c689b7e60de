#include "app/help_browser.h"

#include <QDesktopServices>
#include <QHelpEngineCore>

namespace zolva {

HelpBrowser::HelpBrowser(QHelpEngineCore* engine, QWidget* parent)
    : QTextBrowser(parent), engine(engine) {
    // QTextBrowser would hand every non-file link to the desktop when this is on, our own
    // qthelp:// pages included; external links are sorted out in doSetSource instead.
    setOpenExternalLinks(false);
}

bool HelpBrowser::isHelpUrl(const QUrl& url) {
    return url.scheme() == QLatin1String("qthelp");
}

QVariant HelpBrowser::loadResource(int type, const QUrl& name) {
    if (isHelpUrl(name)) {
        // Also the style sheet: QTextDocument accepts its text as bytes and decodes it.
        return engine->fileData(name);
    }
    return QTextBrowser::loadResource(type, name);
}

void HelpBrowser::doSetSource(const QUrl& name, QTextDocument::ResourceType type) {
    // A relative link arrives already resolved against the page's qthelp:// address, and a
    // bare "#anchor" has no scheme at all; both stay in the view.
    if (name.isRelative() || isHelpUrl(name)) {
        QTextBrowser::doSetSource(name, type);
        return;
    }
    QDesktopServices::openUrl(name);
}

}  // namespace zolva
