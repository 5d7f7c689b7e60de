#include "app/dialog_placement.h"

#include <QMainWindow>
#include <QWidget>

namespace zolva {

void moveToClientOrigin(QWidget* dialog, QWidget* owner) {
    if (dialog == nullptr || owner == nullptr) {
        return;
    }
    QWidget* client = owner;
    if (auto* mainWindow = qobject_cast<QMainWindow*>(owner)) {
        if (mainWindow->centralWidget() != nullptr) {
            client = mainWindow->centralWidget();
        }
    }
    dialog->move(client->mapToGlobal(QPoint(0, 0)));
}

void centerOnMainWindow(QWidget* dialog, const QWidget* mainWindow) {
    if (dialog == nullptr || mainWindow == nullptr) {
        return;
    }
    const QRect main = mainWindow->frameGeometry();
    const QRect own = dialog->frameGeometry();
    dialog->move(main.left() + (main.width() - own.width()) / 2,
                 main.top() + (main.height() - own.height()) / 2);
}

}  // namespace zolva
