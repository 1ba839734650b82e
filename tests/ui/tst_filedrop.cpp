// Files dropped on the main window, delivered as the platform delivers them: to the
// window, over whatever part of it the pointer is.
#include "Builders.h"
#include "FrameList.h"
#include "IldaFile.h"
#include "MainWindowFixture.h"
#include "ShowFile.h"
#include "Timeline.h"

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QMdiSubWindow>
#include <QMimeData>
#include <QStatusBar>
#include <QToolButton>
#include <QWindow>
#include <QtTest>

class TestFileDrop : public QObject, public TMainWindowFixture {
    Q_OBJECT
private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }
    void init() { InitFixture(); }
    void cleanup() { CleanupFixture(); }

    void kinds_data();
    void kinds();
    void dropImportsBeforeCurrent_data();
    void dropImportsBeforeCurrent();
    void dropOpensShow_data();
    void dropOpensShow();
    void damagedFilesAreReported_data();
    void damagedFilesAreReported();
    void refusedDropsChangeNothing_data();
    void refusedDropsChangeNothing();
    void dropIsTakenAsACopy_data();
    void dropIsTakenAsACopy();

private:
    QString MakeShow(const QString& name, const QStringList& frameNames);
    QString MakeIlda(const QString& name, const QStringList& frameNames);
    // A drawing of a square (.svg) or a picture of one (.png, .jpg): one frame named after the file.
    QString MakeDrawing(const QString& name);
    QStringList Names() const;
    // Drags `files` over `where` (a point of the main window) and drops them; true when
    // accepted, which is always as a copy.
    bool Drop(const QList<QUrl>& urls, QPoint where,
              Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction);
    QPoint Over(const QString& part) const;
};

QString TestFileDrop::MakeShow(const QString& name, const QStringList& frameNames)
{
    TLaserFrames show;
    for (const QString& frameName : frameNames) {
        TLaserFrame& frame = show.Add();
        frame.Name = frameName;
        AddPoints(frame, {{30, 40}, {100, 100}, {170, 40}});
    }
    return WriteTestShow(Dir->filePath(name), show);
}

QString TestFileDrop::MakeIlda(const QString& name, const QStringList& frameNames)
{
    TLaserFrames show;
    for (const QString& frameName : frameNames) {
        TLaserFrame& frame = show.Add();
        frame.Name = frameName;
        AddPoints(frame, {{20, 200}, {70, 160}, {120, 120}, {170, 80}});
    }
    const QString path = Dir->filePath(name);
    if (!ExportIldaFile(path, show, TIldaExportOptions{}).outcome.ok)
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

QString TestFileDrop::MakeDrawing(const QString& name)
{
    const QString path = Dir->filePath(name);
    bool made = false;
    if (name.endsWith(".svg")) {
        made = WriteFile(path, "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 10 10\">"
                               "<rect x=\"2\" y=\"2\" width=\"6\" height=\"6\" fill=\"none\" stroke=\"black\"/></svg>");
    } else {
        QImage picture(120, 120, QImage::Format_RGB32);
        picture.fill(Qt::white);
        QPainter painter(&picture);
        painter.fillRect(30, 30, 60, 60, Qt::black);
        painter.end();
        made = picture.save(path);
    }
    if (!made)
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

QStringList TestFileDrop::Names() const
{
    return FrameNames(Form->Show());
}

QPoint TestFileDrop::Over(const QString& part) const
{
    QWidget* widget = part == "frame list" ? Inside().lbThumbs->viewport()
        : part == "timeline"               ? static_cast<QWidget*>(Inside().Timeline->iTimeline)
        : part == "sketchpad"              ? static_cast<QWidget*>(Inside().Sketchpad)
                                           : static_cast<QWidget*>(Inside().sbFrame);
    return widget->mapTo(Form.get(), widget->rect().center());
}

bool TestFileDrop::Drop(const QList<QUrl>& urls, QPoint where, Qt::DropActions actions)
{
    QMimeData mime;
    mime.setUrls(urls);
    QWindow* window = Form->windowHandle();
    // Shift asks a file manager to move the files.
    QDragEnterEvent enter(where, actions, &mime, Qt::LeftButton, Qt::ShiftModifier);
    QCoreApplication::sendEvent(window, &enter);
    QDragMoveEvent move(where, actions, &mime, Qt::LeftButton, Qt::ShiftModifier);
    QCoreApplication::sendEvent(window, &move);
    if (!move.isAccepted()) {
        QDragLeaveEvent leave;
        QCoreApplication::sendEvent(window, &leave);
        return false;
    }
    if (move.dropAction() != Qt::CopyAction)
        qWarning("the drag was accepted as %d, not as a copy", int(move.dropAction()));
    QDropEvent drop(where, actions, &mime, Qt::LeftButton, Qt::ShiftModifier);
    QCoreApplication::sendEvent(window, &drop);
    if (drop.isAccepted() && drop.dropAction() != Qt::CopyAction)
        qWarning("the drop was accepted as %d, not as a copy", int(drop.dropAction()));
    // The drop is answered first; the files are read once the drag has ended.
    QCoreApplication::processEvents();
    return drop.isAccepted();
}

void TestFileDrop::kinds_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("kind");
    QTest::newRow("show") << "party.RZ4" << int(TDroppedFile::Show);
    QTest::newRow("show, small letters") << "party.rz4" << int(TDroppedFile::Show);
    QTest::newRow("frame") << "star.RZ4-frame" << int(TDroppedFile::Frame);
    QTest::newRow("frame, small letters") << "star.rz4-FRAME" << int(TDroppedFile::Frame);
    QTest::newRow("ilda") << "logo.ild" << int(TDroppedFile::Ilda);
    QTest::newRow("ilda, capitals") << "LOGO.ILD" << int(TDroppedFile::Ilda);
    QTest::newRow("svg") << "logo.svg" << int(TDroppedFile::Svg);
    QTest::newRow("svg, capitals, compressed") << "LOGO.SVGZ" << int(TDroppedFile::Svg);
    QTest::newRow("png") << "logo.png" << int(TDroppedFile::Picture);
    QTest::newRow("jpg, capitals") << "PHOTO.JPG" << int(TDroppedFile::Picture);
    QTest::newRow("jpeg") << "photo.jpeg" << int(TDroppedFile::Picture);
    QTest::newRow("gif and bmp") << "a.gif" << int(TDroppedFile::Picture);
    QTest::newRow("compiled show") << "party.RZ4.WAV" << int(TDroppedFile::None);
    QTest::newRow("no extension") << "RZ4" << int(TDroppedFile::None);
}

void TestFileDrop::kinds()
{
    QFETCH(QString, name);
    QFETCH(int, kind);
    QCOMPARE(int(DroppedFileKind("/some/folder/" + name)), kind);
}

void TestFileDrop::dropImportsBeforeCurrent_data()
{
    QTest::addColumn<QStringList>("files");   // "name.kind: frame names"
    QTest::addColumn<QString>("over");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("frame file") << QStringList{"x.RZ4-frame:X"} << "sketchpad"
                                << QStringList{"A", "X", "B", "C"};
    QTest::newRow("ILDA file") << QStringList{"y.ild:Y1,Y2"} << "sketchpad"
                               << QStringList{"A", "Y1", "Y2", "B", "C"};
    QTest::newRow("over the frame list") << QStringList{"x.RZ4-frame:X"} << "frame list"
                                         << QStringList{"A", "X", "B", "C"};
    QTest::newRow("over the timeline") << QStringList{"y.ild:Y"} << "timeline"
                                       << QStringList{"A", "Y", "B", "C"};
    QTest::newRow("several, in the order dropped") << QStringList{"x.RZ4-frame:X", "y.ild:Y", "z.RZ4-frame:Z"}
                                                   << "status bar" << QStringList{"A", "X", "Y", "Z", "B", "C"};
    // A drawing and pictures become a frame each, named after the file.
    QTest::newRow("SVG drawing") << QStringList{"square.svg"} << "sketchpad" << QStringList{"A", "square", "B", "C"};
    QTest::newRow("PNG picture") << QStringList{"logo.png"} << "frame list" << QStringList{"A", "logo", "B", "C"};
    QTest::newRow("JPEG picture, SVG and ILDA")
        << QStringList{"photo.jpg", "square.svg", "y.ild:Y"} << "sketchpad"
        << QStringList{"A", "photo", "square", "Y", "B", "C"};
}

void TestFileDrop::dropImportsBeforeCurrent()
{
    QFETCH(QStringList, files);
    QFETCH(QString, over);
    QFETCH(QStringList, expected);
    CreateForm({}, true);
    Form->OpenCommandLineFile(MakeShow("show.RZ4", {"A", "B", "C"}));
    Inside().lbThumbsClick(1);
    QList<QUrl> urls;
    for (const QString& file : files) {
        const QString name = file.section(':', 0, 0);
        const QStringList frames = file.section(':', 1).split(',');
        if (name.endsWith(".svg") || name.endsWith(".png") || name.endsWith(".jpg"))
            urls << QUrl::fromLocalFile(MakeDrawing(name));
        else
            urls << QUrl::fromLocalFile(name.endsWith(".ild") ? MakeIlda(name, frames) : MakeShow(name, frames));
    }
    QVERIFY(Drop(urls, Over(over)));
    QCOMPARE(Names(), expected);
    QCOMPARE(Inside().lbThumbs->count(), expected.size());
    // As the import commands leave it: the first new frame is current, the show keeps its file.
    QCOMPARE(Form->CurrentFrameIndex(), 1);
    QCOMPARE(Inside().lbThumbs->currentRow(), 1);
    QCOMPARE(Form->Show().FileName, Dir->filePath("show.RZ4"));
    QVERIFY(Form->IsModified());   // one step of the history, like every import
    QVERIFY(Prompts->Shown.isEmpty());
}

void TestFileDrop::dropOpensShow_data()
{
    QTest::addColumn<bool>("modified");
    QTest::addColumn<bool>("discard");    // the answer to the discard question
    QTest::addColumn<bool>("opened");
    QTest::newRow("unchanged show") << false << false << true;
    QTest::newRow("changes discarded") << true << true << true;
    QTest::newRow("changes kept") << true << false << false;
}

void TestFileDrop::dropOpensShow()
{
    QFETCH(bool, modified);
    QFETCH(bool, discard);
    QFETCH(bool, opened);
    CreateForm({}, true);
    const QString first = MakeShow("first.RZ4", {"A", "B"});
    const QString dropped = MakeShow("dropped.RZ4", {"P", "Q", "R"});
    QVERIFY(QFile(Dir->filePath("dropped.RZ4.WAV")).open(QIODevice::WriteOnly));
    Form->OpenCommandLineFile(first);
    if (modified)
        Modify();
    if (modified)
        Prompts->ExpectAsk(discard);

    QVERIFY(Drop({QUrl::fromLocalFile(dropped)}, Over("frame list")));
    QVERIFY(Prompts->Unexpected.isEmpty());
    QVERIFY(Prompts->AllAnswered());
    QCOMPARE(Prompts->Shown.size(), modified ? 1 : 0);
    if (modified)
        QCOMPARE(Prompts->Shown[0].text, QStringLiteral("Do you really want to discard any changes made to this file?"));
    QCOMPARE(Form->Show().FileName, opened ? dropped : first);
    QCOMPARE(Names(), opened ? QStringList({"P", "Q", "R"}) : QStringList({"A", "B"}));
    QCOMPARE(Form->IsModified(), opened ? false : modified);
    // Opened as "Open..." opens: a recent file, and the wave file found.
    QCOMPARE(Inside().RecentFiles.FileAt(0) == dropped, opened);
    QCOMPARE(Ui().tbPlay->isEnabled(), opened);
}

void TestFileDrop::damagedFilesAreReported_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("show") << "broken.RZ4";
    QTest::newRow("frame") << "broken.RZ4-frame";
    QTest::newRow("ILDA file") << "broken.ild";
}

void TestFileDrop::damagedFilesAreReported()
{
    QFETCH(QString, name);
    CreateForm({}, true);
    const QString show = MakeShow("show.RZ4", {"A", "B"});
    Form->OpenCommandLineFile(show);
    QFile file(Dir->filePath(name));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("RZ4P\x06 cut short");
    file.close();
    Prompts->ExpectTell();
    QVERIFY(Drop({QUrl::fromLocalFile(file.fileName())}, Over("sketchpad")));
    QVERIFY(Prompts->Unexpected.isEmpty());
    QCOMPARE(Prompts->Shown.size(), 1);
    QCOMPARE(Prompts->Shown[0].icon, TMsgIcon::Error);
    QVERIFY2(Prompts->Shown[0].text.contains(name), qPrintable(Prompts->Shown[0].text));
    QCOMPARE(Names(), QStringList({"A", "B"}));
    QCOMPARE(Form->Show().FileName, show);
}

void TestFileDrop::refusedDropsChangeNothing_data()
{
    QTest::addColumn<QStringList>("names");   // files made in the folder; "-" before a name: not made
    QTest::newRow("text file") << QStringList{"notes.txt"};
    QTest::newRow("wave file") << QStringList{"show.RZ4.WAV"};
    QTest::newRow("missing file") << QStringList{"-gone.RZ4"};
    QTest::newRow("two shows") << QStringList{"one.RZ4", "two.RZ4"};
    QTest::newRow("a show with a frame") << QStringList{"one.RZ4", "x.RZ4-frame"};
    QTest::newRow("a frame with a text file") << QStringList{"x.RZ4-frame", "notes.txt"};
    QTest::newRow("a folder named like a show") << QStringList{"folder.RZ4/"};
}

void TestFileDrop::refusedDropsChangeNothing()
{
    QFETCH(QStringList, names);
    CreateForm({}, true);
    const QString show = MakeShow("show.RZ4", {"A", "B"});
    Form->OpenCommandLineFile(show);
    QList<QUrl> urls;
    for (QString name : names) {
        if (name.startsWith('-')) {
            name.remove(0, 1);
        } else if (name.endsWith('/')) {
            name.chop(1);
            QVERIFY(QDir(Dir->path()).mkdir(name));
        } else if (name.endsWith(".RZ4") || name.endsWith(".RZ4-frame")) {
            MakeShow(name, {"N"});
        } else {
            QFile file(Dir->filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("not a show");
        }
        urls << QUrl::fromLocalFile(Dir->filePath(name));
    }
    QVERIFY(!Drop(urls, Over("sketchpad")));
    QCOMPARE(Names(), QStringList({"A", "B"}));
    QCOMPARE(Form->Show().FileName, show);
    QVERIFY(Prompts->Shown.isEmpty());

    // Nor is a web address taken for a file.
    QVERIFY(!Drop({QUrl("https://example.org/show.RZ4")}, Over("sketchpad")));
    QCOMPARE(Names(), QStringList({"A", "B"}));
}

// Whatever the source proposes, the files are taken as a copy, so a file manager
// never deletes what it handed over; a source that only lets its files be moved is
// refused.
void TestFileDrop::dropIsTakenAsACopy_data()
{
    QTest::addColumn<int>("actions");
    QTest::addColumn<bool>("taken");
    QTest::newRow("copy or move") << int(Qt::CopyAction | Qt::MoveAction) << true;
    QTest::newRow("copy only") << int(Qt::CopyAction) << true;
    QTest::newRow("move only") << int(Qt::MoveAction) << false;
    QTest::newRow("link only") << int(Qt::LinkAction) << false;
}

void TestFileDrop::dropIsTakenAsACopy()
{
    QFETCH(int, actions);
    QFETCH(bool, taken);
    CreateForm({}, true);
    Form->OpenCommandLineFile(MakeShow("show.RZ4", {"A", "B"}));
    const QString drawing = MakeDrawing("square.svg");
    QTest::failOnWarning(QRegularExpression("not as a copy"));
    QCOMPARE(Drop({QUrl::fromLocalFile(drawing)}, Over("sketchpad"), Qt::DropActions(actions)), taken);
    QCOMPARE(Names(), taken ? QStringList({"square", "A", "B"}) : QStringList({"A", "B"}));
    QVERIFY(QFile::exists(drawing));
}

QTEST_MAIN(TestFileDrop)
#include "tst_filedrop.moc"
