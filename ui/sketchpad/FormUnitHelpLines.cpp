#include "FormUnitHelpLines.h"

#include <QDialogButtonBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <optional>

namespace {

constexpr int ListColumns = 4;

std::optional<int> WholeNumberIn(const QString& text)
{
    bool ok = false;
    const int n = text.trimmed().toInt(&ok, 10);
    return ok ? std::optional<int>(n) : std::nullopt;
}

// The row after every entry that sorts before or equal to `text`, compared as
// text ("100" before "20").
int SortedRow(const QListWidget& list, const QString& text)
{
    int row = 0;
    while (row < list.count() && QString::compare(list.item(row)->text(), text, Qt::CaseInsensitive) <= 0)
        ++row;
    return row;
}

void InsertSorted(QListWidget& list, const QString& text)
{
    list.insertItem(SortedRow(list, text), text);
}

QListWidgetItem* FindExact(const QListWidget& list, const QString& text)
{
    for (int row = 0; row < list.count(); ++row)
        if (list.item(row)->text() == text)
            return list.item(row);
    return nullptr;
}

std::vector<quint8> ByteLines(const QListWidget& list)
{
    std::vector<quint8> lines;
    lines.reserve(size_t(list.count()));
    for (int row = 0; row < list.count(); ++row)
        lines.push_back(quint8(TFormHelpLines::WholeOrZero(list.item(row)->text())));
    return lines;
}

} // namespace

TFormHelpLines::TFormHelpLines(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FormHelpLines"));
    setWindowTitle(QStringLiteral("Helplines"));

    pgPages = new QTabWidget(this);
    pgPages->setObjectName(QStringLiteral("pgPages"));
    tsX = CreateLinePage(QStringLiteral("&Line at:"), editX, bnAddX, bnDelX, lbX, "X");
    tsY = CreateLinePage(QStringLiteral("Line at:"), editY, bnAddY, bnDelY, lbY, "Y");
    tsD = CreateTwoPointPage();
    tsX->setObjectName(QStringLiteral("tsX"));
    tsY->setObjectName(QStringLiteral("tsY"));
    pgPages->addTab(tsX, QStringLiteral("Vertical"));
    pgPages->addTab(tsY, QStringLiteral("Horizontal"));
    pgPages->addTab(tsD, QStringLiteral("2 Points"));

    auto* buttons = new QDialogButtonBox(Qt::Vertical, this);
    bnOK = buttons->addButton(QDialogButtonBox::Ok);
    bnCancel = buttons->addButton(QDialogButtonBox::Cancel);
    bnUse = buttons->addButton(QStringLiteral("An&wenden"), QDialogButtonBox::ApplyRole);
    bnUse->setObjectName(QStringLiteral("bnUse"));
    bnHelp = buttons->addButton(QDialogButtonBox::Help);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(buttons, &QDialogButtonBox::helpRequested, this, &TFormHelpLines::helpRequested);
    connect(bnUse, &QPushButton::clicked, this, &TFormHelpLines::bnUseClick);

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(pgPages, 1);
    layout->addWidget(buttons);
}

QWidget* TFormHelpLines::CreateLinePage(const QString& label, QLineEdit*& edit, QPushButton*& add,
                                        QPushButton*& remove, QListWidget*& list, const char* suffix)
{
    auto* page = new QWidget(this);
    const QString s = QString::fromLatin1(suffix);
    auto* caption = new QLabel(label, page);
    edit = new QLineEdit(page);
    edit->setObjectName(QStringLiteral("edit") + s);
    caption->setBuddy(edit);
    add = new QPushButton(QStringLiteral("&Add"), page);
    add->setObjectName(QStringLiteral("bnAdd") + s);
    remove = new QPushButton(QStringLiteral("&Remove"), page);
    remove->setObjectName(QStringLiteral("bnDel") + s);
    list = new QListWidget(page);
    list->setObjectName(QStringLiteral("lb") + s);
    // A list of several columns, filled top to bottom, then left to right.
    list->setFlow(QListView::TopToBottom);
    list->setWrapping(true);
    list->setResizeMode(QListView::Adjust);
    list->setUniformItemSizes(true);
    list->viewport()->installEventFilter(this);

    auto* row = new QHBoxLayout;
    row->addWidget(caption);
    row->addWidget(edit, 1);
    row->addWidget(add);
    row->addWidget(remove);
    auto* column = new QVBoxLayout(page);
    column->addLayout(row);
    column->addWidget(list, 1);

    QLineEdit* e = edit;
    QListWidget* l = list;
    connect(add, &QPushButton::clicked, this, [this, e, l] { AddToList(e, l); });
    connect(remove, &QPushButton::clicked, this, [this, e, l] { RemoveFromList(e, l); });
    connect(list, &QListWidget::itemClicked, this, [e](QListWidgetItem* item) { e->setText(item->text()); });
    return page;
}

QWidget* TFormHelpLines::CreateTwoPointPage()
{
    auto* page = new QWidget(this);
    page->setObjectName(QStringLiteral("tsD"));
    auto makeEdit = [page](const char* name) {
        auto* edit = new QLineEdit(page);
        edit->setObjectName(QString::fromLatin1(name));
        return edit;
    };
    editX1 = makeEdit("editX1");
    editY1 = makeEdit("editY1");
    editX2 = makeEdit("editX2");
    editY2 = makeEdit("editY2");
    bnAdd2P = new QPushButton(QStringLiteral("&Add"), page);
    bnAdd2P->setObjectName(QStringLiteral("bnAdd2P"));
    bnDel2P = new QPushButton(QStringLiteral("&Remove"), page);
    bnDel2P->setObjectName(QStringLiteral("bnDel2P"));
    lv2P = new QTreeWidget(page);
    lv2P->setObjectName(QStringLiteral("lv2P"));
    lv2P->setHeaderLabels({QStringLiteral("X1"), QStringLiteral("Y1"), QStringLiteral("X2"),
                           QStringLiteral("Y2")});
    lv2P->setRootIsDecorated(false);
    lv2P->header()->setSectionResizeMode(QHeaderView::Stretch);
    lv2P->setSelectionMode(QAbstractItemView::SingleSelection);

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("X:"), page), 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Y:"), page), 0, 2);
    grid->addWidget(new QLabel(QStringLiteral("First"), page), 1, 0);
    grid->addWidget(editX1, 1, 1);
    grid->addWidget(editY1, 1, 2);
    grid->addWidget(bnAdd2P, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("Second"), page), 2, 0);
    grid->addWidget(editX2, 2, 1);
    grid->addWidget(editY2, 2, 2);
    grid->addWidget(bnDel2P, 2, 3);
    auto* column = new QVBoxLayout(page);
    column->addLayout(grid);
    column->addWidget(lv2P, 1);

    connect(bnAdd2P, &QPushButton::clicked, this, [this] {
        Add2PRow({editX1->text(), editY1->text(), editX2->text(), editY2->text()});
    });
    connect(bnDel2P, &QPushButton::clicked, this, &TFormHelpLines::bnDel2PClick);
    connect(lv2P, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) { lv2PClick(item); });
    return page;
}

bool TFormHelpLines::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Resize) {
        for (QListWidget* list : {lbX, lbY}) {
            if (list && watched == list->viewport()) {
                const int width = qMax(1, list->viewport()->width() / ListColumns);
                list->setGridSize(QSize(width, list->fontMetrics().height() + 2));
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

int TFormHelpLines::WholeOrZero(const QString& text)
{
    return WholeNumberIn(text).value_or(0);
}

void TFormHelpLines::SelectPage(THelpLinesPage page)
{
    pgPages->setCurrentIndex(int(page));
}

void TFormHelpLines::LoadHelpLines(THelpLines& lines)
{
    lbX->clear();
    lbY->clear();
    lv2P->clear();
    for (quint8 x : lines.XLines)
        InsertSorted(*lbX, QString::number(x));
    for (quint8 y : lines.YLines)
        InsertSorted(*lbY, QString::number(y));
    for (int i = 0; i < lines.Count2P(); ++i) {
        const TIntPoint& a = lines.Lines2P[0][size_t(i)];
        const TIntPoint& b = lines.Lines2P[1][size_t(i)];
        Add2PRow({QString::number(a.X), QString::number(a.Y), QString::number(b.X),
                  QString::number(b.Y)});
    }
    FLines = &lines;
}

bool TFormHelpLines::EditHelpLines(THelpLines& lines)
{
    LoadHelpLines(lines);
    const bool accepted = exec() == QDialog::Accepted;
    if (accepted) {
        ApplyHelpLines();
        emit applied();
    }
    FLines = nullptr;   // the frame may go away once the dialog is closed
    return accepted;
}

void TFormHelpLines::ApplyHelpLines()
{
    if (!FLines)
        return;
    FLines->XLines = ByteLines(*lbX);
    FLines->YLines = ByteLines(*lbY);
    FLines->Lines2P[0].clear();
    FLines->Lines2P[1].clear();
    for (int row = 0; row < lv2P->topLevelItemCount(); ++row) {
        const QTreeWidgetItem* item = lv2P->topLevelItem(row);
        FLines->Add2P({WholeOrZero(item->text(0)), WholeOrZero(item->text(1))},
                      {WholeOrZero(item->text(2)), WholeOrZero(item->text(3))});
    }
}

void TFormHelpLines::AddToList(QLineEdit* edit, QListWidget* list)
{
    const std::optional<int> n = WholeNumberIn(edit->text());
    if (!n) {
        edit->clear();
        return;
    }
    const QString text = QString::number(*n);
    if (!FindExact(*list, text))
        InsertSorted(*list, text);
}

void TFormHelpLines::RemoveFromList(QLineEdit* edit, QListWidget* list)
{
    delete FindExact(*list, edit->text());
}

void TFormHelpLines::Add2PRow(const QStringList& texts)
{
    new QTreeWidgetItem(lv2P, texts);
}

void TFormHelpLines::lv2PClick(QTreeWidgetItem* item)
{
    editX1->setText(item->text(0));
    editY1->setText(item->text(1));
    editX2->setText(item->text(2));
    editY2->setText(item->text(3));
}

void TFormHelpLines::bnDel2PClick()
{
    const QList<QTreeWidgetItem*> selected = lv2P->selectedItems();
    if (!selected.isEmpty())
        delete selected.first();
}

void TFormHelpLines::bnUseClick()
{
    ApplyHelpLines();
    emit applied();
}
