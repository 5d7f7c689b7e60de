#include "app/custom_dimensions_dialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/digit_field.h"

namespace zolva {

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
