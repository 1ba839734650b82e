#include "FormUnitImport.h"

#include "FrameList.h"
#include "PixelFont.h"
#include "Prompts.h"
#include "ShowFile.h"

#include <QAbstractItemDelegate>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QFontMetrics>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QPainter>
#include <QPushButton>
#include <QTreeView>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

const QColor TextColor{0, 255, 0};

enum FolderRole { PathRole = Qt::UserRole, FilledRole };

// Left-aligned text whose box has its top left corner at (x, y).
void TextAt(QPainter& canvas, int x, int y, const QString& text)
{
    canvas.drawText(QPoint(x, y + QFontMetrics(canvas.font()).ascent()), text);
}

class TImportItemDelegate : public QAbstractItemDelegate {
public:
    explicit TImportItemDelegate(TFormImport* form) : QAbstractItemDelegate(form), Form(form) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override
    {
        const TLaserFrames* frames = Form->ImportFrames.get();
        if (!frames || index.row() >= frames->Count())
            return;
        DrawImportItem(*painter, option.rect, frames->Frame(index.row()), Form->ItemView(),
                       option.state.testFlag(QStyle::State_Selected));
    }

    // The view stretches each entry to its own width.
    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override
    {
        return {100, TFormImport::ItemHeight};
    }

private:
    TFormImport* Form;
};

// Selections stay as visible as they are while the view has the focus.
void KeepSelectionVisible(QWidget* view)
{
    QPalette pal = view->palette();
    for (QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText})
        pal.setColor(QPalette::Inactive, role, pal.color(QPalette::Active, role));
    view->setPalette(pal);
}

QTreeWidgetItem* NewFolderItem(const QString& text, const QString& path)
{
    auto* item = new QTreeWidgetItem(QStringList(text));
    item->setData(0, PathRole, path);
    item->setIcon(0, QFileIconProvider().icon(QFileIconProvider::Folder));
    // Whether there are subfolders is only known once the folder has been read.
    item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    return item;
}

QString CleanFolder(const QString& path)
{
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

} // namespace

void DrawImportItem(QPainter& canvas, const QRect& rect, const TLaserFrame& frame,
                    const TImportItemView& view, bool selected)
{
    const int L = rect.x(), T = rect.y();
    canvas.save();
    canvas.setRenderHint(QPainter::Antialiasing, false);
    canvas.setFont(PixelFont());
    canvas.fillRect(rect, Qt::black);
    if (selected)
        DrawSelectionOutline(canvas, rect);
    DrawThumbnail(canvas, frame, frame.ColorBit() ? view.Norm1 : view.Norm0, 4, T + 2, L,
                  view.FlipX, view.FlipY);

    canvas.setPen(TextColor);
    const int labels = L + 66, values = L + 106;
    TextAt(canvas, labels, T + 2, QStringLiteral("Frame: "));
    TextAt(canvas, values, T + 2, frame.Name);
    TextAt(canvas, labels, T + 20, QStringLiteral("Delay: "));
    TextAt(canvas, values, T + 20, QString::number(frame.Delay));
    TextAt(canvas, labels, T + 34, QStringLiteral("Morph: "));
    TextAt(canvas, values, T + 34, QString::number(frame.EffectTime));
    TextAt(canvas, labels, T + 48, QStringLiteral("Effect: "));
    TextAt(canvas, values, T + 48, ThumbEffectName(frame.Effect));
    canvas.restore();
}

TFormImport::TFormImport(TPrompts& prompts, QWidget* parent)
    : QDialog(parent), Prompts(prompts)
{
    setObjectName(QStringLiteral("FormImport"));
    setWindowTitle(QStringLiteral("Import frame"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setFixedSize(506, 345);

    CreateBrowser();

    lb = new QListWidget(this);
    lb->setObjectName(QStringLiteral("lb"));
    lb->setItemDelegate(new TImportItemDelegate(this));
    lb->setUniformItemSizes(true);
    lb->setSelectionMode(QAbstractItemView::SingleSelection);
    lb->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lb->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    lb->setFixedWidth(ListWidth);
    QPalette pal = lb->palette();
    pal.setColor(QPalette::Base, Qt::black);
    pal.setColor(QPalette::Window, Qt::black);
    lb->setPalette(pal);
    connect(lb, &QListWidget::itemSelectionChanged, this, &TFormImport::lbClick);
    connect(lb, &QListWidget::clicked, this, &TFormImport::lbClick);

    CreateButtons();

    auto* names = new QGridLayout;
    names->addWidget(labelFilename, 0, 0);
    names->addWidget(editFilename, 0, 1);
    names->addWidget(labelFiletype, 1, 0);
    names->addWidget(cbFiletype, 1, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(bnImport);
    buttons->addWidget(bnCancel);
    buttons->addWidget(bnHelp);

    auto* browser = new QVBoxLayout;
    browser->setContentsMargins(8, 8, 8, 8);
    browser->addWidget(labelSearchIn);
    browser->addWidget(scbDrives, 2);
    browser->addWidget(slvFiles, 3);
    browser->addLayout(names);
    browser->addLayout(buttons);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addLayout(browser, 1);
    layout->addWidget(lb);

    setTabOrder(scbDrives, slvFiles);
    setTabOrder(slvFiles, editFilename);
    setTabOrder(editFilename, cbFiletype);
    setTabOrder(cbFiletype, lb);
    setTabOrder(lb, bnImport);
    setTabOrder(bnImport, bnCancel);
    setTabOrder(bnCancel, bnHelp);
}

TFormImport::~TFormImport() = default;

void TFormImport::CreateBrowser()
{
    labelSearchIn = new QLabel(QStringLiteral("&Search in:"), this);
    labelSearchIn->setObjectName(QStringLiteral("labelSearchIn"));

    scbDrives = new QTreeWidget(this);
    scbDrives->setObjectName(QStringLiteral("scbDrives"));
    scbDrives->setHeaderHidden(true);
    scbDrives->setColumnCount(1);
    scbDrives->setSelectionMode(QAbstractItemView::SingleSelection);
    scbDrives->setIndentation(12);   // deep folders still show their names
    scbDrives->addTopLevelItem(NewFolderItem(QStringLiteral("/"), QDir::rootPath()));
    const QString home = CleanFolder(QDir::homePath());
    if (home != CleanFolder(QDir::rootPath()))
        scbDrives->addTopLevelItem(NewFolderItem(QDir::toNativeSeparators(home), home));
    KeepSelectionVisible(scbDrives);
    scbDrives->installEventFilter(this);
    labelSearchIn->setBuddy(scbDrives);
    connect(scbDrives, &QTreeWidget::itemExpanded, this, &TFormImport::scbDrivesExpand);
    connect(scbDrives, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (item)
            ShowFolder(item->data(0, PathRole).toString());
    });

    FilesModel = new QFileSystemModel(this);
    FilesModel->setObjectName(QStringLiteral("FilesModel"));
    FilesModel->setFilter(QDir::AllDirs | QDir::Files | QDir::NoDotAndDotDot);
    FilesModel->setNameFilterDisables(false);   // files of other types are hidden, not greyed

    slvFiles = new QTreeView(this);
    slvFiles->setObjectName(QStringLiteral("slvFiles"));
    slvFiles->setModel(FilesModel);
    slvFiles->setRootIsDecorated(false);
    slvFiles->setItemsExpandable(false);
    slvFiles->setExpandsOnDoubleClick(false);
    slvFiles->setUniformRowHeights(true);
    slvFiles->setSelectionMode(QAbstractItemView::SingleSelection);
    slvFiles->setSelectionBehavior(QAbstractItemView::SelectRows);
    slvFiles->setEditTriggers(QAbstractItemView::NoEditTriggers);
    slvFiles->setSortingEnabled(true);
    slvFiles->sortByColumn(0, Qt::AscendingOrder);
    // Name and date: the type is in the name, and the size says little about a show;
    // both fit the narrow browser without scrolling sideways.
    slvFiles->setColumnHidden(1, true);
    slvFiles->setColumnHidden(2, true);
    slvFiles->header()->setStretchLastSection(false);
    slvFiles->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    slvFiles->header()->setSectionResizeMode(3, QHeaderView::Fixed);
    const QString latest = QLocale().toString(QDateTime(QDate(2000, 12, 28), QTime(23, 58, 58)),
                                              QLocale::ShortFormat);
    slvFiles->header()->resizeSection(3, slvFiles->fontMetrics().horizontalAdvance(latest) + 16);
    KeepSelectionVisible(slvFiles);
    slvFiles->installEventFilter(this);
    connect(slvFiles, &QTreeView::clicked, this, &TFormImport::slvFilesClick);
    connect(slvFiles, &QTreeView::doubleClicked, this, [this](const QModelIndex& index) {
        if (index.isValid() && FilesModel->isDir(index))
            OpenListEntry(index);
    });

    labelFilename = new QLabel(QStringLiteral("&Filename:"), this);
    labelFilename->setObjectName(QStringLiteral("labelFilename"));
    editFilename = new QLineEdit(this);
    editFilename->setObjectName(QStringLiteral("editFilename"));
    editFilename->setReadOnly(true);
    labelFilename->setBuddy(editFilename);
    connect(editFilename, &QLineEdit::textChanged, this, &TFormImport::editFilenameChange);

    labelFiletype = new QLabel(QStringLiteral("File&type:"), this);
    labelFiletype->setObjectName(QStringLiteral("labelFiletype"));
    cbFiletype = new QComboBox(this);
    cbFiletype->setObjectName(QStringLiteral("cbFiletype"));
    cbFiletype->addItems({QStringLiteral("Pudlo files (*.RZ4)"), QStringLiteral("All files (*.*)")});
    cbFiletype->setCurrentIndex(0);
    labelFiletype->setBuddy(cbFiletype);
    cbFiletypeChange(0);
    connect(cbFiletype, &QComboBox::currentIndexChanged, this, &TFormImport::cbFiletypeChange);
}

void TFormImport::CreateButtons()
{
    bnImport = new QPushButton(QStringLiteral("Import"), this);
    bnImport->setObjectName(QStringLiteral("bnImport"));
    bnImport->setDefault(true);
    bnImport->setEnabled(false);
    connect(bnImport, &QPushButton::clicked, this, &QDialog::accept);

    bnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    bnCancel->setObjectName(QStringLiteral("bnCancel"));
    bnCancel->setAutoDefault(false);
    connect(bnCancel, &QPushButton::clicked, this, &QDialog::reject);

    bnHelp = new QPushButton(QStringLiteral("Help"), this);
    bnHelp->setObjectName(QStringLiteral("bnHelp"));
    bnHelp->setAutoDefault(false);
    connect(bnHelp, &QPushButton::clicked, this, &TFormImport::helpRequested);
}

void TFormImport::SetItemView(const TImportItemView& view)
{
    View = view;
    lb->viewport()->update();
}

void TFormImport::ClearList()
{
    lb->clear();
    bnImport->setEnabled(false);
}

int TFormImport::SelectedFrame() const
{
    const QList<QListWidgetItem*> selected = lb->selectedItems();
    return selected.isEmpty() ? -1 : lb->row(selected.first());
}

void TFormImport::ShowFolder(const QString& folder)
{
    if (folder == CurrentFolder)
        return;
    CurrentFolder = folder;
    slvFiles->clearSelection();
    slvFiles->setRootIndex(FilesModel->setRootPath(folder));
}

void TFormImport::ChooseFolder(const QString& path)
{
    const QString folder = CleanFolder(path);
    if (!QFileInfo(folder).isDir())
        return;
    ShowFolder(folder);

    // The tree follows: under the home folder when the folder lies there, else under the root.
    QTreeWidgetItem* item = scbDrives->topLevelItem(0);
    QString base = item->data(0, PathRole).toString();
    if (QTreeWidgetItem* home = scbDrives->topLevelItem(1)) {
        const QString homePath = home->data(0, PathRole).toString();
        if (folder == homePath || folder.startsWith(homePath + QLatin1Char('/'))) {
            item = home;
            base = homePath;
        }
    }
    const QStringList parts = QDir(base).relativeFilePath(folder).split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (const QString& part : parts) {
        if (part == QLatin1String("."))
            continue;
        scbDrivesExpand(item);
        QTreeWidgetItem* child = nullptr;
        for (int i = 0; i < item->childCount() && !child; ++i)
            if (item->child(i)->text(0) == part)
                child = item->child(i);
        if (!child) {   // a hidden folder, or one made since the parent was read
            child = NewFolderItem(part, QDir(item->data(0, PathRole).toString()).filePath(part));
            item->addChild(child);
        }
        item->setExpanded(true);
        item = child;
    }
    if (scbDrives->currentItem() != item) {
        const QSignalBlocker block(scbDrives);
        scbDrives->setCurrentItem(item);
    }
    scbDrives->scrollToItem(item, QAbstractItemView::PositionAtCenter);
}

void TFormImport::scbDrivesExpand(QTreeWidgetItem* item)
{
    if (!item || item->data(0, FilledRole).toBool())
        return;
    item->setData(0, FilledRole, true);
    const QDir dir(item->data(0, PathRole).toString());
    const QFileInfoList folders =
        dir.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo& info : folders)
        item->addChild(NewFolderItem(info.fileName(), CleanFolder(info.absoluteFilePath())));
    item->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicatorWhenChildless);
}

void TFormImport::slvFilesClick(const QModelIndex& index)
{
    if (!index.isValid() || !slvFiles->selectionModel()->isRowSelected(index.row(), index.parent()))
        return;
    editFilename->setText(QDir::toNativeSeparators(FilesModel->filePath(index)));
    bnImport->setEnabled(false);
}

void TFormImport::OpenListEntry(const QModelIndex& index)
{
    if (!index.isValid())
        return;
    if (FilesModel->isDir(index))
        ChooseFolder(FilesModel->filePath(index));
    else
        slvFilesClick(index);
}

void TFormImport::editFilenameChange(const QString& text)
{
    // Only an existing file is read; a folder or a vanished name keeps the list as it is.
    if (text.isEmpty() || !QFileInfo(text).isFile())
        return;
    std::unique_ptr<TLaserFrames> loaded;
    const TShowFileResult result = OpenShowFile(text, loaded);
    // A damaged show or a file of another kind (which reads as an empty show): say so
    // and keep what was listed before.
    if (!Succeeded(Prompts, result.ShowOutcome()) || !loaded)
        return;
    ClearList();
    ImportFrames = std::move(loaded);
    for (int i = 0; i < ImportFrames->Count(); ++i)
        lb->addItem(ImportFrames->Frame(i).Name);
}

void TFormImport::cbFiletypeChange(int item)
{
    FilesModel->setNameFilters(item == 0 ? QStringList{QStringLiteral("*.RZ4")} : QStringList{});
}

void TFormImport::lbClick()
{
    bnImport->setEnabled(SelectedFrame() >= 0);
}

void TFormImport::showEvent(QShowEvent* event)
{
    if (CurrentFolder.isEmpty())
        ChooseFolder(QDir::homePath());
    QDialog::showEvent(event);
}

bool TFormImport::eventFilter(QObject* watched, QEvent* event)
{
    // Return in the browser opens or chooses the entry; it must not fall through to
    // "Import", which would close the dialog while the user is still looking.
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (watched == slvFiles)
                OpenListEntry(slvFiles->currentIndex());
            else if (watched == scbDrives && scbDrives->currentItem())
                scbDrives->currentItem()->setExpanded(!scbDrives->currentItem()->isExpanded());
            if (watched == slvFiles || watched == scbDrives)
                return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
