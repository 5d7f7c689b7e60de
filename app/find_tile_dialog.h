// FindTileDialog asks which tile to flash. Its one digits-only field starts with the
// number the window proposes (the one after the tile asked for last time); the window
// does the flashing once the dialog is confirmed.
#pragma once

#include <QDialog>

class QLineEdit;

namespace zolva {

class FindTileDialog : public QDialog {
    Q_OBJECT

public:
    FindTileDialog(int proposedNumber, QWidget* parent);

    // The entered tile number; 0 when the field is empty.
    int number() const;
    QLineEdit* numberField() const { return numberEdit; }

private:
    QLineEdit* numberEdit = nullptr;
};

}  // namespace zolva
