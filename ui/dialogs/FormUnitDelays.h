#pragma once

#include "ScanDelays.h"

#include <QDialog>

class QDialogButtonBox;
class QLineEdit;
class QPushButton;

// "Driver delays": edits the four scan delays as decimal text.
class TFormDelays : public QDialog {
    Q_OBJECT
public:
    explicit TFormDelays(QWidget* parent = nullptr);

    QLineEdit* editStep5 = nullptr;
    QLineEdit* editStep10 = nullptr;
    QLineEdit* editStep40 = nullptr;
    QLineEdit* editStepEdges = nullptr;
    QPushButton* bnOK = nullptr;
    QPushButton* bnCancel = nullptr;
    QPushButton* bnHelp = nullptr;

    // Puts the four values into the boxes as decimal text.
    void Fill(const TScanDelays& delays);
    // `current` with every box that parses as a decimal integer applied, taken as
    // an unsigned 16-bit number; a box that does not parse keeps its value.
    TScanDelays Apply(TScanDelays current) const;
    // Fill, show modally, and on OK store the edited values. Returns whether OK was chosen.
    bool Execute(TScanDelays& delays);
};
