// Nothing the user made is lost without a question, and no other file becomes the save
// target: files that are no show, recent files over unsaved changes, Exit, and commands
// that once changed the show without marking it.
#include "Builders.h"
#include "FormUnitMain.h"
#include "FrameList.h"
#include "MainWindowFixture.h"
#include "ScriptedPrompts.h"
#include "SettingsStore.h"
#include "ShowFile.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QImage>
#include <QTest>
#include <QTimer>
#include <QWindow>

class TestUnsaved : public QObject, protected TMainWindowFixture {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void notAShowFile_data();
    void notAShowFile();
    void recentFileAsksBeforeDiscarding();
    void formerlyUnmarkedEditsAreAsked_data();
    void formerlyUnmarkedEditsAreAsked();
    void titleMarkSurvivesMinimiseAndOtherWindows();
    // Last: a granted Exit ends every event loop of the test program.
    void exitAsksBeforeDiscarding();

private:
    QString MakeShow(const QString& name, const QStringList& frameNames);
    QStringList Names() const;
    QStringList RecentCaptions() const;
    bool NoUnexpectedPrompts() const { return Prompts->Unexpected.isEmpty() && Prompts->AllAnswered(); }
    // Runs an event loop that a timer ends with 5: -1 when the program was told to exit.
    static int EventLoopResult();
};

void TestUnsaved::initTestCase()
{
    QApplication::setQuitOnLastWindowClosed(false);
}

void TestUnsaved::init()
{
    InitFixture();
}

void TestUnsaved::cleanup()
{
    CleanupFixture();
}

// The "*" of unsaved changes stays in the title when the window is minimised and
// restored or another window is active for a while, and through further edits; it goes
// only when the history is back at its saved state.
void TestUnsaved::titleMarkSurvivesMinimiseAndOtherWindows()
{
    CreateForm({}, true);
    Form->OpenCommandLineFile(MakeShow("mark.RZ4", {"A", "B"}));
    QVERIFY(!Form->isWindowModified());
    // The title as the window system shows it.
    const auto title = [this] { return Form->windowHandle()->title(); };
    const auto marked = [&] { return Form->isWindowModified() && title().contains(QStringLiteral("Pudlo Mixer*")); };
    Ui().miFrameFlipY->trigger();
    QVERIFY2(marked(), qPrintable(title()));

    QWidget other;
    other.setWindowTitle(QStringLiteral("another program"));
    other.resize(200, 100);
    for (int round = 0; round < 2; ++round) {
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        QVERIFY2(marked(), qPrintable(title()));
        Form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(Form.get()));
        QVERIFY2(marked(), qPrintable(title()));

        Form->showMinimized();
        QTest::qWait(20);
        Form->showNormal();
        Form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(Form.get()));
        QVERIFY2(marked(), qPrintable(title()));

        // A further edit keeps it too.
        Ui().miFrameFlipX2->trigger();
        QVERIFY2(marked(), qPrintable(title()));
    }
    // Back at the state as opened: no mark.
    while (Form->Document().History().canUndo())
        Ui().miUndo->trigger();
    QVERIFY(!Form->isWindowModified());
    QVERIFY2(!title().contains(QLatin1Char('*')), qPrintable(title()));
    QVERIFY(NoUnexpectedPrompts());
}

QString TestUnsaved::MakeShow(const QString& name, const QStringList& frameNames)
{
    TLaserFrames show;
    for (const QString& frameName : frameNames) {
        TLaserFrame& frame = show.Add();
        frame.Name = frameName;
        AddPoints(frame, {{10, 20}});
    }
    return WriteTestShow(Dir->filePath(name), show);
}

QStringList TestUnsaved::Names() const
{
    return FrameNames(Form->Show());
}

QStringList TestUnsaved::RecentCaptions() const
{
    QStringList captions;
    for (QAction* item : Ui().miLastFile)
        captions << item->text() + (item->isVisible() ? "" : " (hidden)");
    return captions;
}

int TestUnsaved::EventLoopResult()
{
    QEventLoop loop;
    QTimer::singleShot(0, &loop, [&loop] { loop.exit(5); });
    return loop.exec();
}

// A file of another kind is refused by name wherever it is opened from; the open show, its
// file name (the save target) and the recent files stay, and saving leaves that file alone.
void TestUnsaved::notAShowFile_data()
{
    QTest::addColumn<QString>("way");
    QTest::addColumn<QString>("kind");   // "png" or "empty"
    QTest::newRow("open: a picture") << "open" << "png";
    QTest::newRow("open: an empty file") << "open" << "empty";
    QTest::newRow("recent file") << "recent" << "png";
    QTest::newRow("command line") << "command line" << "png";
    QTest::newRow("import show") << "import" << "png";
}

void TestUnsaved::notAShowFile()
{
    QFETCH(QString, way);
    QFETCH(QString, kind);
    const QString other = Dir->filePath(kind == "png" ? "picture.png" : "empty.RZ4");
    if (kind == "png") {
        QImage picture(16, 16, QImage::Format_RGB32);
        picture.fill(Qt::blue);
        QVERIFY(picture.save(other, "PNG"));
    } else {
        QVERIFY(WriteFile(other, {}));
    }
    const QByteArray otherBytes = ReadFile(other);
    CreateForm([&](TSettingsStore& store) {
        if (way == "recent")
            store.WriteText({}, "LastFile0", other);
    });
    const QString kept = MakeShow("kept.RZ4", {"K0", "K1"});
    Form->OpenCommandLineFile(kept);
    const QStringList recent = RecentCaptions();

    if (way == "open" || way == "import")
        Prompts->ExpectOpen(other);
    Prompts->ExpectTell();
    if (way == "open")
        Ui().aOpenFile->trigger();
    else if (way == "recent")
        Ui().miLastFile[0]->trigger();
    else if (way == "command line")
        Form->OpenCommandLineFile(other);
    else
        Ui().aImportShow->trigger();

    const TScriptedPrompts::TShown& told = Prompts->Shown.last();
    QCOMPARE(told.kind, QStringLiteral("Tell"));
    QCOMPARE(told.icon, TMsgIcon::Error);
    QCOMPARE(told.text, QDir::toNativeSeparators(other) + QStringLiteral(" is not a Skelmar show file"));
    QCOMPARE(Names(), (QStringList{"K0", "K1"}));
    QCOMPARE(Inside().lbThumbs->count(), 2);
    QCOMPARE(Form->Document().FileName(), kept);
    QCOMPARE(Inside().Sketchpad->windowTitle(), kept);
    QCOMPARE(RecentCaptions(), recent);
    QVERIFY(!Form->IsModified());

    QVERIFY(NoUnexpectedPrompts());

    // Saving writes the open show's own file.
    Prompts->ExpectTell();   // "File was saved."
    Ui().aSaveFile->trigger();
    QVERIFY(NoUnexpectedPrompts());
    QCOMPARE(Prompts->Shown.last().text, QStringLiteral("File was saved."));
    QCOMPARE(ReadFile(other), otherBytes);
    TLaserFrames saved;
    QVERIFY(ReadShowFile(saved, kept).outcome.ok);
    QCOMPARE(saved.Count(), 2);
}

// A recent file over unsaved changes asks the discard question, as Open does; No keeps the show.
void TestUnsaved::recentFileAsksBeforeDiscarding()
{
    const QString recent = MakeShow("recent.RZ4", {"R0", "R1", "R2"});
    CreateForm([&](TSettingsStore& store) { store.WriteText({}, "LastFile0", recent); });
    Form->OpenCommandLineFile(MakeShow("work.RZ4", {"W"}));
    QVERIFY(Ui().miLastFile[0]->isVisible());
    Modify();

    Prompts->ExpectAsk(false);
    Ui().miLastFile[0]->trigger();
    QVERIFY(NoUnexpectedPrompts());
    QCOMPARE(Prompts->Shown.last().icon, TMsgIcon::Confirmation);
    QCOMPARE(Prompts->Shown.last().text, QStringLiteral("Do you really want to discard any changes made to this file?"));
    QCOMPARE(Names(), QStringList{"W"});
    QVERIFY(Form->IsModified());

    Prompts->ExpectAsk(true);
    Ui().miLastFile[0]->trigger();
    QVERIFY(NoUnexpectedPrompts());
    QCOMPARE(Names(), (QStringList{"R0", "R1", "R2"}));
    QVERIFY(!Form->IsModified());

    // Without unsaved changes nothing is asked.
    Ui().miLastFile[0]->trigger();
    QVERIFY(NoUnexpectedPrompts());
    QCOMPARE(Prompts->Shown.size(), 2);
}

// Commands that changed the show without marking it are unsaved changes now: New asks first.
void TestUnsaved::formerlyUnmarkedEditsAreAsked_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("answer");   // queued input, empty: none
    QTest::newRow("flip at X-axis") << "miFrameFlipX2" << "";
    QTest::newRow("flip at Y-axis") << "miFrameFlipY" << "";
    QTest::newRow("rotate") << "miRotateFrame" << "30";
    QTest::newRow("renumber") << "miRenum" << "";
    QTest::newRow("add frame") << "aAddFrame" << "";
    QTest::newRow("rename") << "aRenameFrame" << "new";
    QTest::newRow("delay") << "aFrameDelay" << "20";
    QTest::newRow("morph time") << "aFrameMorph" << "20";
    QTest::newRow("effect parameter") << "aFrameEffectParam" << "20";
}

void TestUnsaved::formerlyUnmarkedEditsAreAsked()
{
    QFETCH(QString, command);
    QFETCH(QString, answer);
    CreateForm();
    const QString path = MakeShow("show.RZ4", {"A", "B"});
    Form->OpenCommandLineFile(path);
    TLaserFrame& frame = Form->Show().Frame(0);
    frame.Points[0].Name = QStringLiteral("p");   // renumbering has something to do
    frame.Points.push_back(frame.Points[0]);
    frame.Points.back().X = 200;
    if (!answer.isEmpty())
        Prompts->ExpectInput(answer);
    Form->findChild<QAction*>(command)->trigger();
    QVERIFY(Form->IsModified());

    Prompts->ExpectAsk(false);
    Ui().aNewFile->trigger();
    QVERIFY(NoUnexpectedPrompts());
    QCOMPARE(Form->Document().FileName(), path);
    QCOMPARE(Form->Show().Frame(1).Name, QStringLiteral("B"));
}

// Exit over unsaved changes asks first: No keeps the program running, Yes ends it, and
// neither writes the settings.
void TestUnsaved::exitAsksBeforeDiscarding()
{
    CreateForm();
    Ui().miShowPoints->trigger();
    Settings->sync();
    const QStringList keys = Settings->allKeys();
    Modify();

    Prompts->ExpectAsk(false);
    Ui().miExit->trigger();
    QVERIFY(NoUnexpectedPrompts());
    QCOMPARE(Prompts->Shown.last().text, QStringLiteral("Do you really want to discard any changes made to this file?"));
    QCOMPARE(EventLoopResult(), 5);   // still running
    QVERIFY(Form->IsModified());

    Prompts->ExpectAsk(true);
    Ui().miExit->trigger();
    QVERIFY(NoUnexpectedPrompts());
    QCOMPARE(EventLoopResult(), -1);   // told to end
    Settings->sync();
    QCOMPARE(Settings->allKeys(), keys);
}

QTEST_MAIN(TestUnsaved)
#include "tst_unsaved.moc"
