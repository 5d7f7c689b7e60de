#include "app/find_tile_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/digit_field.h"

namespace zolva {

FindTileDialog::FindTileDialog(int proposedNumber, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Find Tile"));

    numberEdit = new QLineEdit(QString::number(static_cast<unsigned>(proposedNumber)), this);
    makeDigitsOnly(numberEdit);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* field = new QHBoxLayout;
    field->addWidget(new QLabel(QStringLiteral("Tile Number:"), this));
    field->addWidget(numberEdit);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(field);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    numberEdit->setFocus();
    numberEdit->selectAll();
}

int FindTileDialog::number() const {
    return readDigitField(numberEdit->text());
}

}  // namespace zolva
