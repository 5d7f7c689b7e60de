#include "app/picture_drop.h"

#include <QDir>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QTimer>
#include <QUrl>
#include <QWidget>
#include <utility>

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
    const QFileInfo file(url.toLocalFile());
    if (!file.isFile() || !QDir::match(patterns, file.fileName())) {
        return {};
    }
    return file.absoluteFilePath();
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
