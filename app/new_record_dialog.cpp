#include "app/new_record_dialog.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/best_times_dialog.h"

namespace zolva {

NewRecordDialog::NewRecordDialog(QWidget* parent, int columns, int rows, int time, int moves)
    // A caption but no close box and no system menu: the dialog closes only through OK.
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::CustomizeWindowHint),
      level(SettingsStore::levelFor(columns, rows)),
      time(static_cast<quint32>(time)),
      moves(static_cast<quint32>(moves)) {
    setWindowTitle(QStringLiteral("New Record"));
    setModal(true);

    const QString suffix = level ? SettingsStore::levelSuffix(*level) : QString();
    prompt = new QLabel(QStringLiteral("You have the fastest time for\n") + suffix +
                            QStringLiteral(" level,\nplease enter your name:"),
                        this);
    prompt->setObjectName(QStringLiteral("prompt"));
    prompt->setTextFormat(Qt::PlainText);
    prompt->setAlignment(Qt::AlignCenter);

    nameEdit = new QLineEdit(this);
    nameEdit->setObjectName(QStringLiteral("name"));
    nameEdit->setMaxLength(SettingsStore::maxNameLength);
    if (level) {
        nameEdit->setText(SettingsStore::readBestTime(*level).name);
    }
    nameEdit->selectAll();

    okButton = new QPushButton(QStringLiteral("OK"), this);
    okButton->setObjectName(QStringLiteral("ok"));
    okButton->setDefault(true);
    connect(okButton, &QPushButton::clicked, this, &NewRecordDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(prompt);
    layout->addWidget(nameEdit);
    layout->addWidget(okButton, 0, Qt::AlignHCenter);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    nameEdit->setFocus();
    adjustSize();
    moveToClientOrigin(this, parent);
}

void NewRecordDialog::accept() {
    if (level) {
        SettingsStore::writeBestTime(
            *level, BestTime{SettingsStore::truncateName(nameEdit->text()), time, moves});
    }
    QDialog::accept();
}

void NewRecordDialog::reject() {}

void runNewRecordFlow(QWidget* mainWindow, int columns, int rows, int time, int moves) {
    if (!SettingsStore::levelFor(columns, rows)) {
        return;
    }
    {
        NewRecordDialog record(mainWindow, columns, rows, time, moves);
        record.exec();
    }
    BestTimesDialog bestTimes(mainWindow);
    bestTimes.exec();
}

}  // namespace zolva
