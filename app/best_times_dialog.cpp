#include "app/best_times_dialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/dialog_placement.h"
#include "app/settings_store.h"

namespace zolva {

namespace {

// Names come from a file the player can edit; never let one be taken for rich text.
QLabel* plainLabel(const QString& text, const QString& objectName, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setObjectName(objectName);
    return label;
}

}  // namespace

BestTimesDialog::BestTimesDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Best Times"));
    setModal(true);

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(8);
    for (std::size_t i = 0; i < kLevels.size(); ++i) {
        const QString suffix = SettingsStore::levelSuffix(kLevels[i].level);
        const int r = static_cast<int>(i);
        Row& row = rows[i];
        row.name = plainLabel(SettingsStore::defaultName(), QStringLiteral("name") + suffix, this);
        row.time = plainLabel(QString::number(SettingsStore::defaultBestTime),
                              QStringLiteral("time") + suffix, this);
        row.moves = plainLabel(QString::number(SettingsStore::defaultBestMoves),
                               QStringLiteral("move") + suffix, this);
        row.time->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        row.moves->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        grid->addWidget(new QLabel(suffix + QLatin1Char(':'), this), r, 0);
        grid->addWidget(row.name, r, 1);
        grid->addWidget(row.time, r, 2);
        grid->addWidget(new QLabel(QStringLiteral("seconds"), this), r, 3);
        grid->addWidget(row.moves, r, 4);
        grid->addWidget(new QLabel(QStringLiteral("steps"), this), r, 5);
    }
    // Leave room for a full-length name so the columns do not jump after a reset.
    grid->setColumnMinimumWidth(1, fontMetrics().horizontalAdvance(
                                       QString(SettingsStore::maxNameLength, QLatin1Char('W'))));

    // Reset Score comes first so it takes the focus and, with it, the Enter key.
    resetButton = new QPushButton(QStringLiteral("Reset Score"), this);
    resetButton->setObjectName(QStringLiteral("resetScore"));
    resetButton->setDefault(true);
    okButton = new QPushButton(QStringLiteral("OK"), this);
    okButton->setObjectName(QStringLiteral("ok"));
    connect(resetButton, &QPushButton::clicked, this, &BestTimesDialog::requestReset);
    connect(okButton, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(resetButton);
    buttons->addWidget(okButton);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    refresh();
    adjustSize();
    moveToClientOrigin(this, parent);
}

void BestTimesDialog::refresh() {
    display(SettingsStore::readBestTimes());
}

void BestTimesDialog::requestReset() {
    if (!confirmReset()) {
        return;
    }
    // Show the defaults even if the file refuses the write: that is what was asked for, and
    // the next opening tells the truth from the store.
    SettingsStore::resetScores();
    BestTime defaults;
    defaults.name = SettingsStore::defaultName();
    display({defaults, defaults, defaults});
}

bool BestTimesDialog::confirmReset() {
    QWidget* owner = parentWidget() != nullptr ? parentWidget() : this;
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Reset Score"),
                    QStringLiteral("Are you sure you want to reset the scores?"),
                    QMessageBox::Yes | QMessageBox::No, owner);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

void BestTimesDialog::display(const std::array<BestTime, 3>& records) {
    for (std::size_t i = 0; i < records.size(); ++i) {
        rows[i].name->setText(records[i].name);
        rows[i].time->setText(QString::number(records[i].time));
        rows[i].moves->setText(QString::number(records[i].moves));
    }
}

}  // namespace zolva
