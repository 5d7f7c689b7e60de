#include "app/about_dialog.h"

#include <QDesktopServices>
#include <QFontMetrics>
#include <QIcon>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <utility>

#include "app/dialog_placement.h"
#include "app/version.h"

namespace zolva {

namespace {

// The largest underlined font, at most 13 pixels high, whose rendering of the address
// stays inside the link region, so the whole visible link is clickable.
QFont linkFont() {
    QFont font(QStringLiteral("Arial"));
    font.setUnderline(true);
    const QRect region = AboutDialog::linkRegion();
    for (int pixels = region.height(); pixels > 6; --pixels) {
        font.setPixelSize(pixels);
        const QFontMetrics metrics(font);
        if (metrics.horizontalAdvance(AboutDialog::linkText()) <= region.width() &&
            metrics.height() <= region.height()) {
            break;
        }
    }
    return font;
}

QLabel* placedLabel(const QString& text, int x, int y, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->move(x, y);
    label->adjustSize();
    return label;
}

}  // namespace

AboutDialog::AboutDialog(QWidget* parent)
    : QDialog(parent), openUrl([](const QUrl& url) { return QDesktopServices::openUrl(url); }) {
    setWindowTitle(QStringLiteral("About Zolva Puzzle"));
    setFixedSize(308, 190);
    setMouseTracking(true);

    auto* icon = new QLabel(this);
    icon->setPixmap(QIcon(QStringLiteral(":/icons/zolva-puzzle-48.png")).pixmap(48, 48));
    icon->setGeometry(16, 20, 48, 48);

    // Fixed places keep the labels clear of the painted link: the pointer must reach the
    // dialog itself anywhere over the link region.
    placedLabel(QStringLiteral("Version " ZOLVA_VERSION), 80, 24, this);
    placedLabel(QStringLiteral("A sliding-picture puzzle game."), 80, 46, this);
    placedLabel(QStringLiteral("Visit us at:"), 80, 106, this);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setDefault(true);
    ok->setGeometry(218, 154, 80, 26);
    connect(ok, &QPushButton::clicked, this, &QDialog::reject);
}

void AboutDialog::setUrlOpener(std::function<bool(const QUrl&)> opener) {
    openUrl = std::move(opener);
}

bool AboutDialog::event(QEvent* event) {
    const bool handled = QDialog::event(event);
    // Placed before it is shown, the dialog has no frame yet, and the frame the window
    // manager adds later shifts its middle: centre it again when it is shown and when the
    // frame arrives, then leave it where the player may drag it.
    const QEvent::Type type = event->type();
    if (!framed && parentWidget() != nullptr &&
        (type == QEvent::Show || type == QEvent::Move || type == QEvent::Resize)) {
        framed = frameGeometry().size() != size();
        centerOnMainWindow(this, parentWidget()->window());
    }
    return handled;
}

void AboutDialog::paintEvent(QPaintEvent* event) {
    QDialog::paintEvent(event);
    QPainter painter(this);
    painter.setFont(linkFont());
    painter.setPen(QColor(0, 0, 255));
    painter.drawText(linkRegion(), Qt::AlignLeft | Qt::AlignTop, linkText());
}

void AboutDialog::mouseMoveEvent(QMouseEvent* event) {
    const bool overLink = linkRegion().contains(event->position().toPoint());
    setCursor(overLink ? Qt::PointingHandCursor : Qt::ArrowCursor);
    QDialog::mouseMoveEvent(event);
}

void AboutDialog::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && linkRegion().contains(event->position().toPoint()) &&
        openUrl) {
        openUrl(QUrl(linkText()));
        return;
    }
    QDialog::mousePressEvent(event);
}

}  // namespace zolva
