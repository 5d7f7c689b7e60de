#include "app/custom_dimensions_dialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>
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

CustomDimensionsDialog::CustomDimensionsDialog(int columns, int rows, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("Custom Dimensions"));

    widthEdit = new QLineEdit(QString::number(columns), this);
    heightEdit = new QLineEdit(QString::number(rows), this);
    makeDigitsOnly(widthEdit);
    makeDigitsOnly(heightEdit);

    auto* fields = new QGridLayout;
    fields->addWidget(new QLabel(QStringLiteral("Width:"), this), 0, 0);
    fields->addWidget(widthEdit, 0, 1);
    fields->addWidget(new QLabel(QStringLiteral("Height:"), this), 1, 0);
    fields->addWidget(heightEdit, 1, 1);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    widthEdit->setFocus();
    widthEdit->selectAll();
}

int CustomDimensionsDialog::columns() const {
    return readDigitField(widthEdit->text());
}

int CustomDimensionsDialog::rows() const {
    return readDigitField(heightEdit->text());
}

}  // namespace zolva
