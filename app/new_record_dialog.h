// NewRecordDialog asks for the player's name after a game that beat the stored best time of
// its level. It offers the current holder's name, so a returning player just presses Enter,
// and it cannot be dismissed: the only way out is OK, which stores the name, time and moves
// at once. runNewRecordFlow is what the solved handler calls: this dialog, then Best Times.
#pragma once

#include <QDialog>
#include <optional>

#include "app/settings_store.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace zolva {

class NewRecordDialog : public QDialog {
    Q_OBJECT

public:
    NewRecordDialog(QWidget* parent, int columns, int rows, int time, int moves);

public slots:
    // Stores the record (name cut to the maximum length) and closes the dialog.
    void accept() override;
    // Esc and the window manager's close requests land here and are ignored: a new record
    // is always stored.
    void reject() override;

private:
    std::optional<Level> level;
    quint32 time;
    quint32 moves;
    QLabel* prompt = nullptr;
    QLineEdit* nameEdit = nullptr;
    QPushButton* okButton = nullptr;
};

// New Record, then Best Times showing the entry, both modal over mainWindow. Does nothing
// for a size that has no best time.
void runNewRecordFlow(QWidget* mainWindow, int columns, int rows, int time, int moves);

}  // namespace zolva
