// NewRecordDialog asks for the player's name after a game that beat the stored best time of
// its level. It offers the current holder's name, so a returning player just presses Enter,
// and it cannot be dismissed: the only way out is OK, which stores the name, time and moves
// at once. A game that ends while it is open (a termination signal, a logout) stores the
// record under the name typed so far. runNewRecordFlow is what the solved handler calls:
// this dialog, then Best Times.
#pragma once

#include <QDialog>
#include <optional>

#include "app/record_keeper.h"
#include "app/settings_store.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace zolva {

class NewRecordDialog : public QDialog {
    Q_OBJECT

public:
    NewRecordDialog(QWidget* parent, RecordKeeper& records, int columns, int rows, int time,
                    int moves);

    // Offers the record under the name in the field, once; later calls do nothing.
    void storeRecord();

public slots:
    // Stores the record (name cut to the maximum length) and closes the dialog.
    void accept() override;
    // Esc and the window manager's close requests land here and are ignored: a new record
    // is always stored.
    void reject() override;

private:
    RecordKeeper& keeper;
    bool offered = false;
    std::optional<Level> level;
    quint32 time;
    quint32 moves;
    QLabel* prompt = nullptr;
    QLineEdit* nameEdit = nullptr;
    QPushButton* okButton = nullptr;
};

// New Record, then Best Times showing what the store holds (the entry, or a better time
// another game stored meanwhile), both modal over mainWindow. Does nothing for a size that
// has no best time.
void runNewRecordFlow(QWidget* mainWindow, RecordKeeper& records, int columns, int rows, int time,
                      int moves);

}  // namespace zolva
