// BestTimesDialog shows the stored best time of each standard level (holder, seconds,
// moves) and lets the player wipe them with Reset Score after a confirmation. It reads the
// store every time it opens and keeps nothing itself. Like the game's other dialogs it
// opens at the top-left corner of the main window's client area instead of being centred.
#pragma once

#include <QDialog>
#include <array>

class QLabel;
class QPushButton;

namespace zolva {

struct BestTime;

class BestTimesDialog : public QDialog {
    Q_OBJECT

public:
    explicit BestTimesDialog(QWidget* parent);

    // Re-reads the store into the three rows. The fields are named after the values they
    // show ("nameBeginner", "timeExpert", "moveIntermediate", ...).
    void refresh();

public slots:
    // Reset Score: asks first; on Yes stores and shows the defaults, and stays open.
    void requestReset();

protected:
    // Asks the player to confirm a reset; a seam so the question can be answered without a
    // real message box.
    virtual bool confirmReset();

private:
    struct Row {
        QLabel* name = nullptr;
        QLabel* time = nullptr;
        QLabel* moves = nullptr;
    };

    void display(const std::array<BestTime, 3>& records);

    std::array<Row, 3> rows;
    QPushButton* resetButton = nullptr;
    QPushButton* okButton = nullptr;
};

}  // namespace zolva
