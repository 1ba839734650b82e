#include "Builders.h"
#include "FrameList.h"
#include "IldaFile.h"
#include "MainWindowFixture.h"
#include "ShowFile.h"

#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QtTest>

class TestIldaUi : public QObject, public TMainWindowFixture {
    Q_OBJECT
private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }
    void init() { InitFixture(); }
    void cleanup() { CleanupFixture(); }

    void menuItems();
    void importInsertsBeforeCurrent();
    void damagedFileInsertsNothing();
    void exportWritesTheShow();

private:
    QMenu* Menu(const QList<QAction*>& actions, const QString& title) const;
    QString MakeShow(const QString& name, const QStringList& frameNames);
    QStringList Names() const;
    QStringList ItemTexts() const;
    bool NoUnexpectedPrompts() const;
};

QMenu* TestIldaUi::Menu(const QList<QAction*>& actions, const QString& title) const
{
    for (QAction* action : actions)
        if (action->menu() && action->menu()->title() == title)
            return action->menu();
    return nullptr;
}

// Frame i has i + 2 points on a line, colour i % 2.
QString TestIldaUi::MakeShow(const QString& name, const QStringList& frameNames)
{
    TLaserFrames show;
    for (int i = 0; i < frameNames.size(); ++i) {
        TLaserFrame& frame = show.Add();
        frame.Name = frameNames[i];
        frame.Flags = quint16(i % 2);
        for (int k = 0; k < i + 2; ++k)
            AddPoints(frame, {{20 + 10 * k, 40 + 5 * i}});
    }
    return WriteTestShow(Dir->filePath(name), show);
}

QStringList TestIldaUi::Names() const
{
    return FrameNames(Form->Show());
}

QStringList TestIldaUi::ItemTexts() const
{
    QStringList texts;
    for (int i = 0; i < Inside().lbThumbs->count(); ++i)
        texts << Inside().lbThumbs->item(i)->text();
    return texts;
}

bool TestIldaUi::NoUnexpectedPrompts() const
{
    if (!Prompts->Unexpected.isEmpty())
        qWarning() << "unexpected prompts:" << Prompts->Unexpected;
    return Prompts->Unexpected.isEmpty() && Prompts->AllAnswered();
}

void TestIldaUi::menuItems()
{
    CreateForm();
    QMenu* file = Menu(Form->menuBar()->actions(), "&File");
    QVERIFY(file);
    QStringList fileItems;
    for (QAction* a : file->actions())
        fileItems << a->text();
    const qsizetype exportAt = fileItems.indexOf("Export &ILDA file...");
    QVERIFY2(exportAt >= 0, qPrintable(fileItems.join('|')));
    QCOMPARE(fileItems[exportAt - 1], QStringLiteral("Save &As..."));

    QMenu* import = Menu(file->actions(), "&Import");
    QVERIFY(import);
    QStringList importItems;
    for (QAction* a : import->actions())
        importItems << a->text();
    QCOMPARE(importItems, (QStringList{"Import &frame...", "Import &show...", "Import &ILDA file...", "Import &SVG file...",
                          "Import &picture..."}));
}

void TestIldaUi::importInsertsBeforeCurrent()
{
    CreateForm();
    Form->OpenCommandLineFile(MakeShow("xyz.RZ4", {"X", "Y", "Z"}));
    // A, B, C as an ILDA file, made from a show.
    TLaserFrames abc;
    QVERIFY(ReadShowFile(abc, MakeShow("abc.RZ4", {"A", "B", "C"})).outcome.ok);
    const QString ild = Dir->filePath("abc.ild");
    QVERIFY(ExportIldaFile(ild, abc, {}).outcome.ok);

    Inside().lbThumbsClick(2);
    Form->Document().MarkSaved();
    Prompts->ExpectOpen(ild);
    Form->findChild<QAction*>("aImportIlda")->trigger();
    QVERIFY(NoUnexpectedPrompts());
    QCOMPARE(Prompts->Shown[0].request.title, QStringLiteral("Import ILDA file..."));
    QCOMPARE(Prompts->Shown[0].request.filter, QStringLiteral("ILDA files (*.ild);;All files (*)"));
    QCOMPARE(Names(), (QStringList{"X", "Y", "A", "B", "C", "Z"}));
    QCOMPARE(ItemTexts(), Names());
    QCOMPARE(Form->CurrentFrameIndex(), 2);
    QCOMPARE(Form->Show().Frame(3).PointCount(), 3);
    QCOMPARE(Form->Show().Frame(3).ColorBit(), true);
    QCOMPARE(Form->Show().Frame(3).Delay, quint16(40));
    QCOMPARE(Form->Show().Frame(2).Links.Cols(), 3);  // A follows Y
    QCOMPARE(Form->Show().Frame(5).Links.Cols(), 4);  // Z follows C
    // The frames exist nowhere else as a show: closing must ask before dropping them.
    QVERIFY(Form->IsModified());
    QVERIFY(Inside().sbFrameMessage->text().contains("3 frames imported"));
    // Undone, the frames are gone and the line that told of them too.
    Ui().miUndo->trigger();
    QCOMPARE(Inside().sbFrameMessage->text(), QString());

    // One frame is "1 frame", not "1 frames".
    TLaserFrames one;
    QVERIFY(ReadShowFile(one, MakeShow("one.RZ4", {"O"})).outcome.ok);
    const QString oneIld = Dir->filePath("one.ild");
    QVERIFY(ExportIldaFile(oneIld, one, {}).outcome.ok);
    Prompts->ExpectOpen(oneIld);
    Form->findChild<QAction*>("aImportIlda")->trigger();
    QVERIFY(NoUnexpectedPrompts());
    QVERIFY2(Inside().sbFrameMessage->text().startsWith("1 frame imported from one.ild"),
             qPrintable(Inside().sbFrameMessage->text()));
}

void TestIldaUi::damagedFileInsertsNothing()
{
    CreateForm();
    Form->OpenCommandLineFile(MakeShow("xyz.RZ4", {"X", "Y", "Z"}));
    const QString ild = Dir->filePath("cut.ild");
    {
        TLaserFrames one;
        QVERIFY(ReadShowFile(one, MakeShow("one.RZ4", {"A", "B"})).outcome.ok);
        QVERIFY(ExportIldaFile(ild, one, {}).outcome.ok);
        QFile f(ild);
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.resize(f.size() - 32 - 5)); // the end header and part of the last record
    }
    Inside().lbThumbsClick(1);
    Form->Document().MarkSaved();
    Prompts->ExpectOpen(ild);
    Prompts->ExpectTell();
    Form->findChild<QAction*>("aImportIlda")->trigger();
    QVERIFY(NoUnexpectedPrompts());
    QCOMPARE(Prompts->Shown[1].icon, TMsgIcon::Error);
    QVERIFY2(Prompts->Shown[1].text.startsWith(QDir::toNativeSeparators(ild)), qPrintable(Prompts->Shown[1].text));
    QVERIFY2(Prompts->Shown[1].text.contains("cut off"), qPrintable(Prompts->Shown[1].text));
    QCOMPARE(Names(), (QStringList{"X", "Y", "Z"}));
    QCOMPARE(ItemTexts(), Names());
    QCOMPARE(Form->CurrentFrameIndex(), 1);
    QVERIFY(!Form->IsModified());

    // Cancelling the dialog changes nothing either.
    Prompts->ExpectOpen(QString());
    Form->findChild<QAction*>("aImportIlda")->trigger();
    QVERIFY(NoUnexpectedPrompts());
    QCOMPARE(Names(), (QStringList{"X", "Y", "Z"}));
}

void TestIldaUi::exportWritesTheShow()
{
    // The user's own laser colours go into the file.
    CreateForm([](TSettingsStore& store) {
        store.WriteInteger("Colors", "Norm0", StoredFromColor(QColor(0, 255, 0)));
    });
    const QString show = MakeShow("party.RZ4", {"X", "Y"});
    Form->OpenCommandLineFile(show);
    const QString ild = Dir->filePath("out.ild");
    Prompts->ExpectSave(ild);
    Form->findChild<QAction*>("aExportIlda")->trigger();
    QVERIFY(NoUnexpectedPrompts());
    QCOMPARE(Prompts->Shown[0].request.title, QStringLiteral("Export ILDA file..."));
    QCOMPARE(Prompts->Shown[0].request.fileName, Dir->filePath("party.ild"));
    QCOMPARE(Inside().sbFrameMessage->text(), QStringLiteral("2 frames written to ") + QDir::toNativeSeparators(ild));

    QFile f(ild);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    QCOMPARE(int(bytes[7]), 5);
    // Frame X, colour 0: its second record is lit in the user's green (blue, green, red).
    QCOMPARE(bytes.mid(32 + 8 + 5, 3), QByteArray("\x00\xff\x00", 3));

    // A failed export tells why.
    Prompts->ExpectSave(Dir->filePath("no/such/folder/x.ild"));
    Prompts->ExpectTell();
    Form->findChild<QAction*>("aExportIlda")->trigger();
    QVERIFY(NoUnexpectedPrompts());
    QCOMPARE(Prompts->Shown.last().icon, TMsgIcon::Error);
    QVERIFY(Prompts->Shown.last().text.contains("x.ild"));
}

QTEST_MAIN(TestIldaUi)
#include "tst_ilda_ui.moc"
