#pragma once

#include "LaserFrames.h"

#include <QColor>
#include <QDialog>
#include <memory>

class QComboBox;
class QFileSystemModel;
class QLabel;
class QLineEdit;
class QListWidget;
class QModelIndex;
class QPainter;
class QPushButton;
class QRect;
class QTreeView;
class QTreeWidget;
class QTreeWidgetItem;
class TPrompts;

// What an entry of the import list takes from the main window: the two outline
// colours (chosen by the frame's colour bit) and the flip display switches.
struct TImportItemView {
    QColor Norm0{255, 0, 0};
    QColor Norm1{0, 0, 255};
    bool FlipX = false;
    bool FlipY = false;
};

// Draws one entry of the import list into `rect` (right and bottom edges exclusive):
// black box, dotted green outline when selected, the outline at quarter scale and
// the frame's name, delay, effect time and effect, left-aligned.
void DrawImportItem(QPainter& canvas, const QRect& rect, const TLaserFrame& frame,
                    const TImportItemView& view, bool selected);

// "Import frame": browses for another show file, lists its frames and lets the user
// pick one. The caller takes the chosen frame out of ImportFrames.
class TFormImport : public QDialog {
    Q_OBJECT
public:
    static constexpr int ItemHeight = 68;
    static constexpr int ListWidth = 194;

    // Damaged show files are reported through `prompts`.
    explicit TFormImport(TPrompts& prompts, QWidget* parent = nullptr);
    ~TFormImport() override;

    // The show read from the chosen file; null until a file has been read.
    std::unique_ptr<TLaserFrames> ImportFrames;

    void SetItemView(const TImportItemView& view);
    const TImportItemView& ItemView() const { return View; }

    // Empties lb (ImportFrames stays) and disables "Import": the caller does this before each use.
    void ClearList();
    // Index of the frame selected in lb, -1 when none.
    int SelectedFrame() const;

    // The folder shown in the file list; empty before one was chosen.
    QString Folder() const { return CurrentFolder; }
    // Shows `path` in the folder tree and its contents in the file list.
    void ChooseFolder(const QString& path);

    QLabel* labelSearchIn = nullptr;
    QTreeWidget* scbDrives = nullptr;       // folders only; roots: the file system and the home folder
    QTreeView* slvFiles = nullptr;          // the chosen folder's folders and files, details view
    QFileSystemModel* FilesModel = nullptr;
    QLabel* labelFilename = nullptr;
    QLineEdit* editFilename = nullptr;
    QLabel* labelFiletype = nullptr;
    QComboBox* cbFiletype = nullptr;
    QListWidget* lb = nullptr;
    QPushButton* bnImport = nullptr;
    QPushButton* bnCancel = nullptr;
    QPushButton* bnHelp = nullptr;

signals:
    void helpRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void CreateBrowser();
    void CreateButtons();
    void ShowFolder(const QString& folder);         // the file list only
    void editFilenameChange(const QString& text);
    void slvFilesClick(const QModelIndex& index);
    void OpenListEntry(const QModelIndex& index);   // a folder opens, a file is chosen
    void cbFiletypeChange(int item);
    void scbDrivesExpand(QTreeWidgetItem* item);
    void lbClick();

    TPrompts& Prompts;
    TImportItemView View;
    QString CurrentFolder;
};
