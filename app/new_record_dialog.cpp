#include "app/new_record_dialog.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/best_times_dialog.h"
#include "app/dialog_placement.h"

namespace zolva {

NewRecordDialog::NewRecordDialog(QWidget* parent, RecordKeeper& records, int columns, int rows,
                                 int time, int moves)
    // A caption but no close box and no system menu: the dialog closes only through OK.
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::CustomizeWindowHint),
      keeper(records),
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

    // The session manager asks for our data before a logout and may end the game right
    // after: the record goes to disk now, and the dialog closes as it would at the end.
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this] {
        storeRecord();
        done(QDialog::Rejected);
    });
}

void NewRecordDialog::storeRecord() {
    if (offered || !level) {
        return;
    }
    offered = true;
    keeper.offer(*level, BestTime{SettingsStore::truncateName(nameEdit->text()), time, moves});
}

void NewRecordDialog::accept() {
    storeRecord();
    QDialog::accept();
}

void NewRecordDialog::reject() {}

void runNewRecordFlow(QWidget* mainWindow, RecordKeeper& records, int columns, int rows, int time,
                      int moves) {
    if (!SettingsStore::levelFor(columns, rows)) {
        return;
    }
    {
        NewRecordDialog record(mainWindow, records, columns, rows, time, moves);
        if (record.exec() != QDialog::Accepted) {
            // Only the end of the game ends this dialog's loop without OK (the window's
            // close, as a termination signal does it): the record was earned all the same.
            record.storeRecord();
            return;
        }
    }
    BestTimesDialog bestTimes(mainWindow);
    bestTimes.exec();
}

}  // namespace zolva
