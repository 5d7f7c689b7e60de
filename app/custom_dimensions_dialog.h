// CustomDimensionsDialog asks for a board size of the player's choosing: a width and a
// height field that take digits only and start with the current size. It only collects
// the numbers; the board clamps them to the sizes it supports when they are applied.
#pragma once

#include <QDialog>

class QLineEdit;

namespace zolva {

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
