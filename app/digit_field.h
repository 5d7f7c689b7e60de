// Digits-only line edits, as the Custom Dimensions and Find Tile dialogs use them.
#pragma once

#include <QString>

class QLineEdit;

namespace zolva {

// A digits-only field read as an unsigned number: empty reads as 0, and a number too large
// for an int reads as the largest int, so an absurd entry still means "as big as allowed".
int readDigitField(const QString& text);

// Restricts a line edit to the digits 0 to 9.
void makeDigitsOnly(QLineEdit* field);

}  // namespace zolva
