// PictureDrop lets a picture file be dropped on a window. A drag that carries exactly one
// local file whose name looks like a picture is welcomed with the copy cursor; anything
// else (text, links to the web, folders, several files) is refused while it is still over
// the window. A drop hands the file's path on once the drop itself has finished, so a
// message about a broken picture never holds up the program the file was dragged from.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

class QMimeData;
class QWidget;

namespace zolva {

class PictureDrop : public QObject {
    Q_OBJECT

public:
    // `patterns` are file-name wildcards such as "*.png", matched regardless of case.
    PictureDrop(QWidget* target, QStringList patterns, std::function<void(const QString&)> open);

    // The path of the one local picture file the data carries; empty when it is anything else.
    QString pictureIn(const QMimeData* data) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* target;
    QStringList patterns;
    std::function<void(const QString&)> open;
};

}  // namespace zolva
