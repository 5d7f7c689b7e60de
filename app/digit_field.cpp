#include "app/digit_field.h"

#include <QLineEdit>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <algorithm>
#include <limits>

namespace zolva {

int readDigitField(const QString& text) {
    constexpr auto largest = static_cast<qulonglong>(std::numeric_limits<int>::max());
    const QString digits = text.trimmed();
    const bool onlyDigits =
        std::all_of(digits.begin(), digits.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    if (digits.isEmpty() || !onlyDigits) {
        return 0;
    }
    bool ok = false;
    const qulonglong value = digits.toULongLong(&ok);
    // All digits yet unreadable can only mean more of them than 64 bits hold.
    return ok ? static_cast<int>(std::min(value, largest)) : static_cast<int>(largest);
}

void makeDigitsOnly(QLineEdit* field) {
    static const QRegularExpression digits(QStringLiteral("[0-9]*"));
    field->setValidator(new QRegularExpressionValidator(digits, field));
}

}  // namespace zolva
