#pragma once

#include "TextFrame.h"

#include <QDialog>

class QComboBox;
class QDoubleSpinBox;
class QFontComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// "Insert text frame": the line of text and its font, a Hershey single-stroke font
// (best for a laser) or an installed outline font, and the margin kept free around
// it. Keeps its choices between uses.
class TFormText : public QDialog {
    Q_OBJECT
public:
    explicit TFormText(QWidget* parent = nullptr);

    QLineEdit* editText = nullptr;
    QLabel* stTextLimit = nullptr;   // shown when the text is as long as a text frame takes
    QRadioButton* rbHershey = nullptr;
    QComboBox* cbHershey = nullptr;
    QRadioButton* rbOutline = nullptr;
    QFontComboBox* cbOutline = nullptr;
    QDoubleSpinBox* seMargin = nullptr;
    QPushButton* bnOK = nullptr;
    QPushButton* bnCancel = nullptr;

    QString Text() const;
    TTextFont Font() const;
    double Margin() const;  // frame units free on each side

    // Shows the dialog modally with the text selected; true when OK was chosen.
    bool Execute();

private:
    void UpdateControls();
};
