// AboutDialog names the game and its version and carries a link to the maker's web site.
// The link is not a widget: the dialog paints it itself into a fixed region, shows the
// pointing hand only while the pointer is over that region, and opens the address on a
// left click there while staying open. OK and Esc close it. It sits centred over the window
// that owns it, measured by both outer frames, also once the window manager has framed it.
#pragma once

#include <QDialog>
#include <QRect>
#include <QString>
#include <QUrl>
#include <functional>

namespace zolva {

class AboutDialog : public QDialog {
    Q_OBJECT

public:
    // The maker's address, as shown and as opened.
    static QString linkText() { return QStringLiteral("https://zolva.example.com"); }
    // Where the link is drawn and where it reacts, in dialog pixels.
    static QRect linkRegion() { return QRect(QPoint(80, 127), QPoint(202, 139)); }

    explicit AboutDialog(QWidget* parent);

    // What opens the address; the desktop's handler unless replaced (tests do).
    void setUrlOpener(std::function<bool(const QUrl&)> opener);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    std::function<bool(const QUrl&)> openUrl;
    bool framed = false;
};

}  // namespace zolva
