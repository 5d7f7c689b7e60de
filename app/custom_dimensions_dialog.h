// CustomDimensionsDialog asks for a board size of the player's choosing: a width and a
// height field that take digits only and start with the current size. It only collects
// the numbers; the board clamps them to the sizes it supports when they are applied.
#pragma once

#include <QDialog>
#include <QString>

class QLineEdit;

namespace zolva {

// A digits-only field read as an unsigned number: empty reads as 0, and a number too large
// for an int reads as the largest int, so an absurd entry still means "as big as allowed".
int readDigitField(const QString& text);

// Restricts a line edit to the digits 0 to 9.
void makeDigitsOnly(QLineEdit* field);

class CustomDimensionsDialog : public QDialog {
    Q_OBJECT

public:
    CustomDimensionsDialog(int columns, int rows, QWidget* parent);

    // The entered width (columns) and height (rows).
    int columns() const;
    int rows() const;

    QLineEdit* widthField() const { return widthEdit; }
    QLineEdit* heightField() const { return heightEdit; }

private:
    QLineEdit* widthEdit = nullptr;
    QLineEdit* heightEdit = nullptr;
};

}  // namespace zolva
