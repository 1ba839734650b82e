#pragma once

#include "HelpLineGestures.h"
#include "HelpLines.h"

#include <QDialog>

class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QTabWidget;
class QTreeWidget;
class QTreeWidgetItem;

// "Helplines": edits one frame's help lines on three pages. The lists hold text,
// as typed; ApplyHelpLines reads them back into the THelpLines object.
class TFormHelpLines : public QDialog {
    Q_OBJECT
public:
    explicit TFormHelpLines(QWidget* parent = nullptr);

    // Fills the lists from `lines`, shows the dialog modally and applies on OK.
    // Returns true for OK. `lines` must outlive the call.
    bool EditHelpLines(THelpLines& lines);
    // The filling part of EditHelpLines: clears the lists, adds the object's lines
    // and remembers the object until ApplyHelpLines is no longer wanted.
    void LoadHelpLines(THelpLines& lines);
    // Writes the lists into the remembered object; nothing when there is none.
    void ApplyHelpLines();
    void SelectPage(THelpLinesPage page);

    // Reads text as a whole number; 0 when it is none.
    static int WholeOrZero(const QString& text);

    QTabWidget* pgPages = nullptr;
    QWidget* tsX = nullptr;
    QWidget* tsY = nullptr;
    QWidget* tsD = nullptr;
    QLineEdit* editX = nullptr;
    QLineEdit* editY = nullptr;
    QPushButton* bnAddX = nullptr;
    QPushButton* bnDelX = nullptr;
    QPushButton* bnAddY = nullptr;
    QPushButton* bnDelY = nullptr;
    QListWidget* lbX = nullptr;
    QListWidget* lbY = nullptr;
    QLineEdit* editX1 = nullptr;
    QLineEdit* editY1 = nullptr;
    QLineEdit* editX2 = nullptr;
    QLineEdit* editY2 = nullptr;
    QPushButton* bnAdd2P = nullptr;
    QPushButton* bnDel2P = nullptr;
    QTreeWidget* lv2P = nullptr;
    QPushButton* bnOK = nullptr;
    QPushButton* bnCancel = nullptr;
    QPushButton* bnUse = nullptr;
    QPushButton* bnHelp = nullptr;

signals:
    // The object was written (OK or "An&wenden"): repaint the sketchpad and mark the show.
    void applied();
    void helpRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* CreateLinePage(const QString& label, QLineEdit*& edit, QPushButton*& add,
                            QPushButton*& remove, QListWidget*& list, const char* suffix);
    QWidget* CreateTwoPointPage();
    void AddToList(QLineEdit* edit, QListWidget* list);
    void RemoveFromList(QLineEdit* edit, QListWidget* list);
    void Add2PRow(const QStringList& texts);
    void lv2PClick(QTreeWidgetItem* item);
    void bnDel2PClick();
    void bnUseClick();

    THelpLines* FLines = nullptr;
};
