#include "app/picture_drop.h"

#include <sys/stat.h>

#include <QDir>
#include <QDropEvent>
#include <QMimeData>
#include <QTimer>
#include <QUrl>
#include <QWidget>
#include <utility>

#include "framework/file_name.h"

namespace zolva {

PictureDrop::PictureDrop(QWidget* target, QStringList patterns,
                         std::function<void(const QString&)> open)
    : QObject(target), target(target), patterns(std::move(patterns)), open(std::move(open)) {
    target->setAcceptDrops(true);
    target->installEventFilter(this);
}

QString PictureDrop::pictureIn(const QMimeData* data) const {
    if (data == nullptr || !data->hasUrls() || data->urls().size() != 1) {
        return {};
    }
    const QUrl url = data->urls().constFirst();
    if (!url.isLocalFile()) {
        return {};
    }
    // The name's own bytes, which the URL carries percent-encoded whether or not they are
    // UTF-8; the decoded text would have replacement characters for those that are not.
    const QByteArray bytes =
        QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
    struct stat st {};
    if (!bytes.startsWith('/') || ::stat(bytes.constData(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return {};
    }
    // Matched as shown, since the patterns cannot be matched against escaped bytes.
    if (!QDir::match(patterns, QString::fromUtf8(bytes.mid(bytes.lastIndexOf('/') + 1)))) {
        return {};
    }
    return fileNameFromBytes(bytes);
}

bool PictureDrop::eventFilter(QObject* watched, QEvent* event) {
    if (watched != target) {
        return false;
    }
    switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop: {
            auto* drop = static_cast<QDropEvent*>(event);
            const QString path = pictureIn(drop->mimeData());
            // Only ever a copy: a source that can only move would take the file away.
            if (path.isEmpty() || !(drop->possibleActions() & Qt::CopyAction)) {
                drop->ignore();
                return true;
            }
            drop->setDropAction(Qt::CopyAction);
            drop->accept();
            if (event->type() == QEvent::Drop) {
                QTimer::singleShot(0, this, [this, path] { open(path); });
            }
            return true;
        }
        default:
            return false;
    }
}

}  // namespace zolva
