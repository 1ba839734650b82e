#pragma once

#include <QDialog>
#include <QDialogButtonBox>
#include <QMessageBox>

class QLabel;
class QScrollArea;

// Whether a message box showing `text` would not fit on the screen of `parent` (or the
// primary screen): it would be taller than the screen's available area.
bool NeedsReportBox(const QString& text, const QWidget* parent);

// A message box for a long report: the same icon, text and buttons as a message box,
// the text in a scroll area, the whole box resizable and never taller than the
// screen's available area. exec() returns the QMessageBox::StandardButton clicked.
class TReportBox : public QDialog {
    Q_OBJECT
public:
    TReportBox(QMessageBox::Icon icon, const QString& title, const QString& text,
               QMessageBox::StandardButtons buttons, QWidget* parent = nullptr);

    QLabel* iconLabel = nullptr;
    QScrollArea* scrollArea = nullptr;
    QLabel* textLabel = nullptr;
    QDialogButtonBox* buttonBox = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FitToScreen();
};
