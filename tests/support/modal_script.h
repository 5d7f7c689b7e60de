// Modal dialogs answered from inside their own event loops, for the tests of the window
// and of the record dialogs.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <functional>
#include <vector>

namespace zolva::testing {

// Answers modal dialogs in the order they open; each step must close its dialog. Dialogs
// beyond the script are counted and closed, so a wrong turn fails instead of hanging.
class ModalScript {
public:
    using Step = std::function<void(QWidget* dialog)>;
    explicit ModalScript(std::vector<Step> script) : steps(std::move(script)) {
        QObject::connect(&poll, &QTimer::timeout, [this] { answer(); });
        poll.start(10);
    }
    int answered() const { return static_cast<int>(next); }
    int unexpected() const { return extra; }

private:
    void answer() {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr || modal == current) {
            return;
        }
        current = modal;
        if (next < steps.size()) {
            steps[next++](modal);
        } else if (auto* dialog = qobject_cast<QDialog*>(modal); dialog != nullptr) {
            ++extra;
            dialog->done(QDialog::Rejected);
        }
    }
    std::vector<Step> steps;
    std::size_t next = 0;
    int extra = 0;
    QPointer<QWidget> current;
    QTimer poll;
};

// Clicks the dialog's button with this text; without one, fails and closes the dialog.
inline void clickButton(QWidget* dialog, const QString& text) {
    for (QPushButton* button : dialog->findChildren<QPushButton*>()) {
        if (button->text() == text) {
            button->click();
            return;
        }
    }
    ADD_FAILURE() << "no button " << text.toStdString();
    static_cast<QDialog*>(dialog)->done(QDialog::Rejected);
}

// The dialog as the type a step expects; another one fails the test and is closed.
template <typename T>
T* dialogAs(QWidget* dialog) {
    auto* typed = qobject_cast<T*>(dialog);
    if (typed == nullptr) {
        ADD_FAILURE() << "unexpected dialog " << dialog->metaObject()->className();
        static_cast<QDialog*>(dialog)->done(QDialog::Rejected);
    }
    return typed;
}

}  // namespace zolva::testing
