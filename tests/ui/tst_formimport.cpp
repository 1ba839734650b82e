// "Import frame": the dialog on its own (file choice, list, item drawing, browser) and
// the "Import frame..." command of a real main window.
#include "Builders.h"
#include "FormUnitImport.h"
#include "FormUnitMain.h"
#include "FrameList.h"
#include "HelpWindow.h"
#include "PixelFont.h"
#include "MainWindowFixture.h"
#include "ScriptedPrompts.h"
#include "ShowFile.h"

#include <QApplication>
#include <QComboBox>
#include <QMouseEvent>
#include <QDir>
#include <QFile>
#include <QFileSystemModel>
#include <QFontMetrics>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <QTreeWidget>
#include <functional>

namespace {

struct TFrameSpec {
    QString name;
    QList<QPoint> points;
    quint16 effect = 0;
    quint16 flags = 0;
};

// A show file of the given frames, in `dir`.
QString WriteShow(const QTemporaryDir& dir, const QString& name, const QList<TFrameSpec>& frames,
                  const std::function<void(TLaserFrames&)>& adjust = {})
{
    TLaserFrames show;
    for (const TFrameSpec& spec : frames) {
        TLaserFrame& frame = show.Add();
        frame.Name = spec.name;
        frame.Effect = spec.effect;
        frame.Flags = spec.flags;
        AddPoints(frame, spec.points);
        frame.FitLinks(show.PreviousPointCount(show.Count() - 1));
    }
    if (adjust)
        adjust(show);
    const QString path = dir.filePath(name);
    const TResult result = WriteShowFile(path, show);
    if (!result.ok)
        qFatal("cannot write %s", qPrintable(result.message));
    return path;
}

QList<QPoint> Points(int count)
{
    QList<QPoint> points;
    for (int k = 0; k < count; ++k)
        points << QPoint(20 + 10 * k, 40 + 7 * k);
    return points;
}

QStringList ItemTexts(const QListWidget& list)
{
    QStringList texts;
    for (int i = 0; i < list.count(); ++i)
        texts << list.item(i)->text();
    return texts;
}

// Clicks item `row` of the list as a user would.
void ClickItem(QListWidget& list, int row)
{
    const QRect rect = list.visualItemRect(list.item(row));
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, rect.center());
}

// Press, release, double click, release, as a mouse sends them.
void DoubleClick(QWidget* widget, QPoint pos)
{
    QTest::mousePress(widget, Qt::LeftButton, {}, pos);
    QTest::mouseRelease(widget, Qt::LeftButton, {}, pos);
    const QPointF global = widget->mapToGlobal(QPointF(pos));
    QMouseEvent doubleClick(QEvent::MouseButtonDblClick, QPointF(pos), global, Qt::LeftButton,
                            Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &doubleClick);
    QTest::mouseRelease(widget, Qt::LeftButton, {}, pos);
}

const QRect ItemRect(0, 0, TFormImport::ListWidth, TFormImport::ItemHeight);

QImage RenderItem(const TLaserFrame& frame, const TImportItemView& view, bool selected)
{
    QImage image(ItemRect.size(), QImage::Format_RGB32);
    image.fill(QColor(90, 90, 90));   // anything the item leaves unpainted shows as grey
    QPainter painter(&image);
    DrawImportItem(painter, ItemRect, frame, view, selected);
    return image;
}

// `text` in lime on black with the list's font, its box's top left at `at`.
QImage RenderText(const QString& text, QPoint at)
{
    QImage image(ItemRect.size(), QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    painter.setFont(PixelFont());
    painter.setPen(QColor(0, 255, 0));
    painter.drawText(QPoint(at.x(), at.y() + QFontMetrics(PixelFont()).ascent()), text);
    return image;
}

int CountColor(const QImage& image, const QRect& area, QRgb color)
{
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            count += image.pixel(x, y) == color;
    return count;
}

} // namespace

class TestFormImport : public QObject, public TMainWindowFixture {
    Q_OBJECT
private slots:
    void init();
    void cleanup() { CleanupFixture(); }

    void dialogLayout();
    void choosingFilesReplacesTheList();
    void noShowToReadKeepsTheList_data();
    void noShowToReadKeepsTheList();
    void emptyFrameListsOneItem();
    void itemPixels_data();
    void itemPixels();
    void itemTexts_data();
    void itemTexts();
    void browserChoosesAndOpens();
    void importInsertsBeforeCurrent();
    void nothingImported_data();
    void nothingImported();
    void sameFileAgainAfterImport();
    void helpOpensOverTheDialog();

private:
    TFormImport* Dialog() const { return Form->findChild<TFormImport*>(); }
    // Runs "Import frame..." with `inDialog` acting in the shown dialog.
    void RunImport(const std::function<void(TFormImport&)>& inDialog);
    QStringList Names() const;
    std::unique_ptr<QTemporaryDir> Files;
};

void TestFormImport::init()
{
    InitFixture();
    Files = std::make_unique<QTemporaryDir>();
    QVERIFY(Files->isValid());
}

QStringList TestFormImport::Names() const
{
    return FrameNames(Form->Show());
}

void TestFormImport::RunImport(const std::function<void(TFormImport&)>& inDialog)
{
    bool ran = false;
    QTimer::singleShot(0, Form.get(), [&] {
        TFormImport* dialog = Dialog();
        if (!dialog || !dialog->isVisible() || !dialog->isModal()) {
            qWarning("the import dialog is not shown modally");
            return;
        }
        ran = true;
        inDialog(*dialog);
        if (dialog->isVisible())
            dialog->reject();
    });
    Ui().aImportFrame->trigger();
    QVERIFY(ran);
}

// --- the dialog on its own -----------------------------------------------------------------

void TestFormImport::dialogLayout()
{
    TScriptedPrompts prompts;
    QWidget owner;
    owner.setGeometry(100, 80, 900, 700);
    TFormImport form(prompts, &owner);
    owner.show();
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));

    QCOMPARE(form.windowTitle(), QStringLiteral("Import frame"));
    QCOMPARE(form.size(), QSize(506, 345));
    QCOMPARE(form.minimumSize(), form.maximumSize());
    QCOMPARE(form.labelSearchIn->text(), QStringLiteral("&Search in:"));
    QCOMPARE(form.labelFilename->text(), QStringLiteral("&Filename:"));
    QCOMPARE(form.labelFiletype->text(), QStringLiteral("File&type:"));
    QCOMPARE(form.cbFiletype->count(), 2);
    QCOMPARE(form.cbFiletype->itemText(0), QStringLiteral("Pudlo files (*.RZ4)"));
    QCOMPARE(form.cbFiletype->itemText(1), QStringLiteral("All files (*.*)"));
    QCOMPARE(form.cbFiletype->currentIndex(), 0);
    QVERIFY(form.editFilename->isReadOnly());
    QCOMPARE(form.bnImport->text(), QStringLiteral("Import"));
    QVERIFY(form.bnImport->isDefault());
    QVERIFY(!form.bnImport->isEnabled());
    // The frame list: the right side, 194 pixels wide, from top to bottom.
    QCOMPARE(form.lb->width(), 194);
    QCOMPARE(form.lb->geometry().right(), form.width() - 1);
    QCOMPARE(form.lb->height(), form.height());
    QCOMPARE(form.lb->palette().color(QPalette::Base), QColor(Qt::black));
    // The browser shows a folder as soon as the dialog opens.
    QVERIFY(!form.Folder().isEmpty());
    QVERIFY(form.ImportFrames == nullptr);
}

void TestFormImport::choosingFilesReplacesTheList()
{
    const QString first = WriteShow(*Files, "first.RZ4", {{"Alpha", Points(3)}, {"Beta", Points(2)}});
    const QString second = WriteShow(*Files, "second.RZ4", {{"Gamma", Points(1)}});
    TScriptedPrompts prompts;
    TFormImport form(prompts);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));

    form.editFilename->setText(first);
    QCOMPARE(ItemTexts(*form.lb), (QStringList{"Alpha", "Beta"}));
    QVERIFY(form.ImportFrames);
    QCOMPARE(form.ImportFrames->Count(), 2);
    QCOMPARE(form.ImportFrames->Frame(0).PointCount(), 3);
    QVERIFY(!form.bnImport->isEnabled());

    ClickItem(*form.lb, 1);
    QCOMPARE(form.SelectedFrame(), 1);
    QVERIFY(form.bnImport->isEnabled());

    form.editFilename->setText(second);
    QCOMPARE(ItemTexts(*form.lb), QStringList{"Gamma"});
    QCOMPARE(form.ImportFrames->Count(), 1);
    QCOMPARE(form.SelectedFrame(), -1);
    QVERIFY(!form.bnImport->isEnabled());
    ClickItem(*form.lb, 0);
    QVERIFY(form.bnImport->isEnabled());
    QVERIFY(prompts.Shown.isEmpty());
}

// Names that give no show leave the list and the loaded show alone; a damaged show and
// a file of another kind are reported as such.
void TestFormImport::noShowToReadKeepsTheList_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("folder") << "folder";
    QTest::newRow("no such file") << "missing";
    QTest::newRow("damaged show") << "damaged";
    QTest::newRow("text file") << "text";
    QTest::newRow("two bytes") << "short";
}

void TestFormImport::noShowToReadKeepsTheList()
{
    QFETCH(QString, kind);
    const QString shown = WriteShow(*Files, "shown.RZ4", {{"Kept", Points(2)}, {"Too", Points(1)}});
    QString name;
    if (kind == "folder") {
        QVERIFY(QDir(Files->path()).mkdir("sub.RZ4"));
        name = Files->filePath("sub.RZ4");
    } else if (kind == "missing") {
        name = Files->filePath("gone.RZ4");
    } else if (kind == "text") {
        name = Files->filePath("notes.RZ4");
        WriteFile(name, "Shopping: lenses, mirrors, a fog machine\n");
    } else if (kind == "short") {
        name = Files->filePath("short.RZ4");
        WriteFile(name, "RZ");
    } else {
        name = WriteShow(*Files, "damaged.RZ4", {{"Lost", Points(40)}});
        QFile file(name);
        QVERIFY(file.resize(file.size() / 2));
    }
    const bool reported = kind != "folder" && kind != "missing";
    TScriptedPrompts prompts;
    if (reported)
        prompts.ExpectTell();
    TFormImport form(prompts);
    form.editFilename->setText(shown);
    ClickItem(*form.lb, 0);
    const TLaserFrames* before = form.ImportFrames.get();

    form.editFilename->setText(name);
    QCOMPARE(ItemTexts(*form.lb), (QStringList{"Kept", "Too"}));
    QCOMPARE(form.ImportFrames.get(), before);
    QCOMPARE(form.SelectedFrame(), 0);
    QVERIFY(prompts.AllAnswered());
    QVERIFY(prompts.Unexpected.isEmpty());
    if (reported) {
        QCOMPARE(prompts.Shown.size(), 1);
        QCOMPARE(prompts.Shown[0].icon, TMsgIcon::Error);
        QVERIFY(prompts.Shown[0].text.contains(QDir::toNativeSeparators(name)));
        if (kind != "damaged")
            QCOMPARE(prompts.Shown[0].text, QDir::toNativeSeparators(name) + " is not a Skelmar show file");
    }
}

void TestFormImport::emptyFrameListsOneItem()
{
    const QString path = WriteShow(*Files, "empty.RZ4", {{"Void", {}}});
    TScriptedPrompts prompts;
    TFormImport form(prompts);
    form.editFilename->setText(path);
    QCOMPARE(ItemTexts(*form.lb), QStringList{"Void"});

    // The picture stays black; only the texts right of it are drawn.
    const QImage image = RenderItem(form.ImportFrames->Frame(0), {}, false);
    const QRect picture(0, 0, 64, TFormImport::ItemHeight);
    QCOMPARE(CountColor(image, picture, qRgb(0, 0, 0)), picture.width() * picture.height());
    QVERIFY(CountColor(image, QRect(66, 0, 128, 68), qRgb(0, 255, 0)) > 0);
}

// One entry, pixel by pixel: black box, outline in the colour of the frame's colour bit
// at the mirrored place, dotted green border only when selected.
void TestFormImport::itemPixels_data()
{
    QTest::addColumn<quint16>("flags");
    QTest::addColumn<bool>("flipX");
    QTest::addColumn<bool>("flipY");
    QTest::addColumn<bool>("selected");
    QTest::addColumn<QPoint>("lit");      // a pixel of the outline
    QTest::addColumn<QPoint>("dark");     // where the unflipped outline would be
    QTest::addColumn<QRgb>("color");

    const QRgb norm0 = qRgb(200, 10, 30), norm1 = qRgb(20, 30, 220);
    // The frame: a horizontal and a vertical line from (32, 32): at quarter scale y = 8 + 2
    // and x = 8, mirrored y = 55 + 2 and x = 55.
    QTest::newRow("colour 0") << quint16(0) << false << false << false << QPoint(30, 10) << QPoint(30, 57) << norm0;
    QTest::newRow("colour 1, selected") << quint16(1) << false << false << true << QPoint(30, 10) << QPoint(30, 57) << norm1;
    QTest::newRow("locked colour 1") << quint16(3) << false << false << false << QPoint(8, 40) << QPoint(55, 40) << norm1;
    QTest::newRow("flip X mirrors y") << quint16(0) << true << false << false << QPoint(30, 57) << QPoint(30, 10) << norm0;
    QTest::newRow("flip Y mirrors x") << quint16(1) << false << true << true << QPoint(55, 40) << QPoint(8, 40) << norm1;
}

void TestFormImport::itemPixels()
{
    QFETCH(quint16, flags);
    QFETCH(bool, flipX);
    QFETCH(bool, flipY);
    QFETCH(bool, selected);
    QFETCH(QPoint, lit);
    QFETCH(QPoint, dark);
    QFETCH(QRgb, color);

    TLaserFrame frame;
    frame.Flags = flags;
    AddPoints(frame, {{32, 32}, {252, 32}, {32, 32}, {32, 252}});
    const TImportItemView view{QColor(200, 10, 30), QColor(20, 30, 220), flipX, flipY};
    const QImage image = RenderItem(frame, view, selected);

    QCOMPARE(image.pixel(lit), color);
    QCOMPARE(image.pixel(dark), qRgb(0, 0, 0));
    // Nothing of the item's box is left unpainted, and the outline uses only its colour.
    QCOMPARE(CountColor(image, ItemRect, qRgb(90, 90, 90)), 0);
    const QRgb other = color == qRgb(200, 10, 30) ? qRgb(20, 30, 220) : qRgb(200, 10, 30);
    QCOMPARE(CountColor(image, ItemRect, other), 0);

    // The border: dotted green (lit and dark pixels alternate) when selected, else none.
    const QRgb green = qRgb(0, 128, 0);
    const QRect right(ItemRect.right(), 0, 1, ItemRect.height());
    const QRect bottom(0, ItemRect.bottom(), ItemRect.width(), 1);
    for (const QRect& edge : {right, bottom}) {
        const int count = CountColor(image, edge, green);
        const int length = edge.width() * edge.height();
        if (selected) {
            QVERIFY2(count >= length / 4 && count <= length * 3 / 4, qPrintable(QString::number(count)));
            QCOMPARE(CountColor(image, edge, qRgb(0, 0, 0)), length - count);
        } else {
            QCOMPARE(count, 0);
        }
    }
}

// The texts of an entry: labels at x = 66, values left-aligned at x = 106.
void TestFormImport::itemTexts_data()
{
    QTest::addColumn<int>("effect");
    QTest::addColumn<int>("line");        // y of the text's box
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("value");

    QTest::newRow("name") << 0 << 2 << "Frame: " << "Star";
    QTest::newRow("delay") << 0 << 20 << "Delay: " << "250";
    QTest::newRow("morph") << 0 << 34 << "Morph: " << "1500";
    const QStringList names{"Slide", "Morph", "-plode", "X-Flip", "Y-Flip", "D-Flip", "Rotate", "Drain"};
    for (int effect = 0; effect < names.size(); ++effect)
        QTest::addRow("effect %d", effect) << effect << 48 << "Effect: " << names[effect];
    QTest::newRow("effect 9") << 9 << 48 << "Effect: " << "?";
}

void TestFormImport::itemTexts()
{
    QFETCH(int, effect);
    QFETCH(int, line);
    QFETCH(QString, label);
    QFETCH(QString, value);

    TLaserFrame frame;
    frame.Name = "Star";
    frame.Delay = 250;
    frame.EffectTime = 1500;
    frame.Effect = quint16(effect);
    frame.EffectParam = 45;   // the import list has no parameter line
    const QImage image = RenderItem(frame, {}, false);

    const int height = QFontMetrics(PixelFont()).height();
    const QRect labelBox(66, line, 40, qMin(height, 14));
    const QRect valueBox(106, line, ItemRect.width() - 106, qMin(height, 14));
    const QImage labelOnly = RenderText(label, labelBox.topLeft());
    const QImage valueOnly = RenderText(value, valueBox.topLeft());
    QVERIFY(CountColor(valueOnly, valueBox, qRgb(0, 255, 0)) > 0);
    QCOMPARE(image.copy(labelBox), labelOnly.copy(labelBox));
    QCOMPARE(image.copy(valueBox), valueOnly.copy(valueBox));
    // No parameter line below the effect.
    QCOMPARE(CountColor(image, QRect(66, 62, 128, 6), qRgb(0, 255, 0)), 0);
}

// The file browser: the type filter, a click choosing a file, a double click opening a folder.
void TestFormImport::browserChoosesAndOpens()
{
    QDir dir(Files->path());
    QVERIFY(dir.mkdir("sub"));
    const QString show = WriteShow(*Files, "pick.RZ4", {{"Picked", Points(2)}, {"Other", Points(3)}});
    WriteShow(*Files, "sub/inner.RZ4", {{"Inner", Points(1)}});
    {
        QFile text(Files->filePath("notes.txt"));
        QVERIFY(text.open(QIODevice::WriteOnly));
    }
    TScriptedPrompts prompts;
    TFormImport form(prompts);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.ChooseFolder(Files->path());
    QCOMPARE(form.Folder(), QDir::cleanPath(Files->path()));
    QCOMPARE(form.scbDrives->currentItem()->text(0), QFileInfo(Files->path()).fileName());

    QFileSystemModel* model = form.FilesModel;
    const QModelIndex root = form.slvFiles->rootIndex();
    auto rowNames = [&] {
        QStringList names;
        for (int r = 0; r < model->rowCount(root); ++r)
            names << model->index(r, 0, root).data().toString();
        return names;
    };
    // Folders come first, then the shows; other files only with "All files".
    QTRY_COMPARE(rowNames(), (QStringList{"sub", "pick.RZ4"}));
    form.cbFiletype->setCurrentIndex(1);
    QTRY_COMPARE(rowNames(), (QStringList{"sub", "notes.txt", "pick.RZ4"}));
    form.cbFiletype->setCurrentIndex(0);
    QTRY_COMPARE(rowNames(), (QStringList{"sub", "pick.RZ4"}));

    form.editFilename->setText(show);
    ClickItem(*form.lb, 0);
    QVERIFY(form.bnImport->isEnabled());

    // A click on a folder names it but reads nothing; Import waits for another click in the list.
    const QModelIndex folder = model->index(Files->filePath("sub"));
    QTest::mouseClick(form.slvFiles->viewport(), Qt::LeftButton, {},
                      form.slvFiles->visualRect(folder).center());
    QCOMPARE(QDir::fromNativeSeparators(form.editFilename->text()), Files->filePath("sub"));
    QVERIFY(!form.bnImport->isEnabled());
    QCOMPARE(ItemTexts(*form.lb), (QStringList{"Picked", "Other"}));
    ClickItem(*form.lb, 0);
    QVERIFY(form.bnImport->isEnabled());

    // A click on the show reads it.
    const QModelIndex file = model->index(show);
    QTest::mouseClick(form.slvFiles->viewport(), Qt::LeftButton, {},
                      form.slvFiles->visualRect(file).center());
    QCOMPARE(QDir::fromNativeSeparators(form.editFilename->text()), show);
    QVERIFY(!form.bnImport->isEnabled());

    // A double click on the folder opens it, in the list and in the tree.
    DoubleClick(form.slvFiles->viewport(), form.slvFiles->visualRect(folder).center());
    QCOMPARE(form.Folder(), QDir::cleanPath(Files->filePath("sub")));
    QCOMPARE(form.slvFiles->rootIndex(), model->index(Files->filePath("sub")));
    QCOMPARE(form.scbDrives->currentItem()->text(0), QStringLiteral("sub"));

    // Return in the browser opens or chooses; it does not press the default button.
    ClickItem(*form.lb, 0);
    QVERIFY(form.bnImport->isEnabled());
    for (QWidget* view : {static_cast<QWidget*>(form.slvFiles), static_cast<QWidget*>(form.scbDrives)}) {
        view->setFocus();
        QTest::keyClick(view, Qt::Key_Return);
        QVERIFY(form.isVisible());
        QCOMPARE(form.result(), int(QDialog::Rejected));
    }
}

// --- "Import frame..." in the main window --------------------------------------------------

// The chosen frame goes before the current one with its links fitted to both
// neighbours, becomes current, and the loaded show is discarded; Modified stays.
void TestFormImport::importInsertsBeforeCurrent()
{
    CreateForm();
    const QString target = WriteShow(*Files, "target.RZ4",
                                     {{"X", Points(2)}, {"Y", Points(3)}, {"Z", Points(1)}},
                                     [](TLaserFrames& show) { show.Frame(1).Links.Set(2, 1, true); });
    const QString source = WriteShow(*Files, "source.RZ4", {{"A", Points(1)}, {"B", Points(4)}},
                                     [](TLaserFrames& show) { show.Frame(1).Links.Set(3, 0, true); });
    Form->OpenCommandLineFile(target);
    Inside().lbThumbsClick(1);
    QCOMPARE(Form->CurrentFrameIndex(), 1);
    QVERIFY(!Form->IsModified());

    RunImport([&](TFormImport& dialog) {
        QVERIFY(dialog.lb->count() == 0);
        dialog.editFilename->setText(source);
        QCOMPARE(ItemTexts(*dialog.lb), (QStringList{"A", "B"}));
        ClickItem(*dialog.lb, 1);
        QTest::mouseClick(dialog.bnImport, Qt::LeftButton);
    });

    QCOMPARE(Names(), (QStringList{"X", "B", "Y", "Z"}));
    QCOMPARE(Form->CurrentFrameIndex(), 1);
    const TLaserFrame& imported = Form->Show().Frame(1);
    QCOMPARE(imported.PointCount(), 4);
    QCOMPARE(imported.Links.Rows(), 4);
    QCOMPARE(imported.Links.Cols(), 2);
    QVERIFY(imported.Links.Get(3, 0));          // kept where it still fits
    const TLaserFrame& follower = Form->Show().Frame(2);
    QCOMPARE(follower.Links.Rows(), 3);
    QCOMPARE(follower.Links.Cols(), 4);
    QVERIFY(follower.Links.Get(2, 1));
    QCOMPARE(Inside().lbThumbs->count(), 4);
    QCOMPARE(Inside().lbThumbs->item(1)->text(), QStringLiteral("B"));
    QVERIFY(Form->IsModified());
    QCOMPARE(Form->Document().History().undoText(), QStringLiteral("Import frame"));
    QVERIFY(Dialog()->ImportFrames == nullptr);
    QVERIFY(Prompts->Shown.isEmpty());
}

// Cancel, or OK with nothing chosen: the show stays and the loaded show is kept.
void TestFormImport::nothingImported_data()
{
    QTest::addColumn<bool>("select");
    QTest::addColumn<bool>("accept");
    QTest::newRow("cancel with a frame chosen") << true << false;
    QTest::newRow("OK without a frame chosen") << false << true;
}

void TestFormImport::nothingImported()
{
    QFETCH(bool, select);
    QFETCH(bool, accept);
    CreateForm();
    const QString source = WriteShow(*Files, "source.RZ4", {{"A", Points(1)}, {"B", Points(2)}});
    Modify();
    const QStringList before = Names();

    RunImport([&](TFormImport& dialog) {
        dialog.editFilename->setText(source);
        if (select)
            ClickItem(*dialog.lb, 0);
        if (accept)
            dialog.accept();
        else
            QTest::mouseClick(dialog.bnCancel, Qt::LeftButton);
    });

    QCOMPARE(Names(), before);
    QCOMPARE(Inside().lbThumbs->count(), before.size());
    QVERIFY(Form->IsModified());
    QVERIFY(Dialog()->ImportFrames);
    QCOMPARE(Dialog()->ImportFrames->Count(), 2);
}

// After an import the list starts empty and the file name stays: choosing the same file
// is no change, so only another file in between fills the list again.
void TestFormImport::sameFileAgainAfterImport()
{
    CreateForm();
    const QString source = WriteShow(*Files, "source.RZ4", {{"A", Points(1)}, {"B", Points(2)}});
    const QString other = WriteShow(*Files, "other.RZ4", {{"O", Points(1)}});
    RunImport([&](TFormImport& dialog) {
        dialog.editFilename->setText(source);
        ClickItem(*dialog.lb, 0);
        dialog.bnImport->click();
    });
    QCOMPARE(Names(), (QStringList{"A", ""}));

    RunImport([&](TFormImport& dialog) {
        QCOMPARE(dialog.lb->count(), 0);
        QVERIFY(!dialog.bnImport->isEnabled());
        QCOMPARE(dialog.editFilename->text(), source);
        dialog.editFilename->setText(source);
        QCOMPARE(dialog.lb->count(), 0);
        dialog.editFilename->setText(other);
        dialog.editFilename->setText(source);
        QCOMPARE(ItemTexts(*dialog.lb), (QStringList{"A", "B"}));
        dialog.reject();
    });
    QCOMPARE(Names(), (QStringList{"A", ""}));
}

// Help opens the program's help window, usable while the dialog waits.
void TestFormImport::helpOpensOverTheDialog()
{
    CreateForm();
    THelpWindow* help = Form->findChild<THelpWindow*>();
    QVERIFY(help);
    RunImport([&](TFormImport& dialog) {
        QTest::mouseClick(dialog.bnHelp, Qt::LeftButton);
        QVERIFY(help->isVisible());
        QVERIFY(help->isModal());
        QVERIFY(dialog.isVisible());
        help->close();
    });
    QVERIFY(!help->isVisible());
    QVERIFY(!help->isModal());
}

QTEST_MAIN(TestFormImport)
#include "tst_formimport.moc"
