#include "Builders.h"
#include "FormUnitMain.h"
#include "FormUnitStatus.h"
#include "HelpWindow.h"
#include "FrameList.h"
#include "MainWindowFixture.h"
#include "ScriptedPrompts.h"
#include "SettingsStore.h"
#include "ShowFile.h"

#include <QApplication>
#include <QDir>
#include <QDockWidget>
#include <QFile>
#include <QScrollBar>
#include <QSettings>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

class TestFormMain : public QObject, protected TMainWindowFixture {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void firstRunDefaults();
    void shortcuts_data();
    void shortcuts();
    void frameNumberAnswers_data();
    void frameNumberAnswers();
    void renameStartsFromEntryText();
    void modifiedByCommands_data();
    void modifiedByCommands();
    void deleteOnlyFrameRefused();
    void deleteKeepsCurrentNumber_data();
    void deleteKeepsCurrentNumber();
    void cutAndPasteFitLinks();
    void importShowInsertsBeforeCurrent();
    void dropMovesFrame_data();
    void dropMovesFrame();
    void clickSwitchesFrameAndControls();
    void effectItemsKeepMarkButtonMovesIt();
    void colourAndLockBits();
    void undoWorksOnTheStepsFrame();
    void settingsRoundTripThroughClose();
    void exitWritesNothing();
    void closeQueryNoKeepsWindowAndWritesNothing();
    void openThroughDialog();
    void openDamagedFileKeepsShow();
    void missingRecentFileKeepsShow();
    void commandLineFile();
    void saveWritesToOpenedFile();
    void saveOfNewShowCancelledKeepsModified();
    void saveFailureKeepsModified();
    void createWavefileUnsavedAsksForName();
    void createWavefileWritesNextToShow();
    void panelSwitchesFollowBars();
    void firstLayoutLeftPanel();
    void savedLayoutWins();
    void helpAndAbout();

private:
    // firstRun keeps the settings empty; otherwise the live output starts off, so the
    // tests do not depend on a sound server.
    void Start(bool firstRun = false);
    QString MakeShow(const QString& name, const QStringList& frameNames, QList<int> pointCounts = {});
    void OpenShow(const QString& path);
    QStringList Names() const;
    QStringList ItemTexts() const;
    QAction* Action(const QString& name) const;
    bool NoUnexpectedPrompts();

};

// --- fixture -----------------------------------------------------------------------------------

void TestFormMain::initTestCase()
{
    QApplication::setQuitOnLastWindowClosed(false);
}

void TestFormMain::init()
{
    InitFixture();
}

void TestFormMain::cleanup()
{
    CleanupFixture();
}

void TestFormMain::Start(bool firstRun)
{
    if (firstRun)
        Form = std::make_unique<TFormMain>(*Settings, *Prompts, Dir->path() + "/");
    else
        CreateForm();
}

// A show file whose frame i is named frameNames[i] and has pointCounts[i] points (default i + 1).
QString TestFormMain::MakeShow(const QString& name, const QStringList& frameNames, QList<int> pointCounts)
{
    TLaserFrames show;
    for (int i = 0; i < frameNames.size(); ++i) {
        TLaserFrame& frame = show.Add();
        frame.Name = frameNames[i];
        const int count = i < pointCounts.size() ? pointCounts[i] : i + 1;
        for (int k = 0; k < count; ++k)
            AddPoints(frame, {{20 + 10 * k, 40 + 5 * i}});
    }
    return WriteTestShow(Dir->filePath(name), show);
}

void TestFormMain::OpenShow(const QString& path)
{
    Form->OpenCommandLineFile(path);
    QCOMPARE(Form->Show().FileName, path);
}

QStringList TestFormMain::Names() const
{
    return FrameNames(Form->Show());
}

QStringList TestFormMain::ItemTexts() const
{
    QStringList texts;
    for (int i = 0; i < Inside().lbThumbs->count(); ++i)
        texts << Inside().lbThumbs->item(i)->text();
    return texts;
}

QAction* TestFormMain::Action(const QString& name) const
{
    auto* action = Form->findChild<QAction*>(name);
    if (!action)
        qFatal("no action %s", qPrintable(name));
    return action;
}

bool TestFormMain::NoUnexpectedPrompts()
{
    if (!Prompts->Unexpected.isEmpty())
        qWarning() << "unexpected prompts:" << Prompts->Unexpected;
    return Prompts->Unexpected.isEmpty() && Prompts->AllAnswered();
}

// --- start-up ----------------------------------------------------------------------------------

void TestFormMain::firstRunDefaults()
{
    Start(true);
    // The marker stands for unsaved changes.
    QCOMPARE(Form->windowTitle(), QStringLiteral("Skelmar 4 Wendrill RZ4 - Pudlo Mixer[*]"));
    QVERIFY(!Form->isWindowModified());
    QCOMPARE(Form->pos(), QPoint(0, 0));
    QCOMPARE(Form->size(), QSize(662, 579));
    QCOMPARE(Inside().Zoom, 2);
    QVERIFY(Ui().miZoomN[1]->isChecked());
    QCOMPARE(Inside().GridSize, 16);
    QVERIFY(Ui().miGridN[2]->isChecked());
    QVERIFY(!Ui().miGridCustom->isVisible());
    QCOMPARE(Inside().CircleSize, 3);
    QCOMPARE(Ui().miColor0->text(), QStringLiteral("&Red"));
    QCOMPARE(Ui().miColor1->text(), QStringLiteral("&Blue"));
    QVERIFY(Ui().miShowPoints->isChecked());
    QVERIFY(!Ui().miShowReal->isChecked());
    QVERIFY(Ui().miNoImg->isChecked());
    QVERIFY(Ui().aRepeatPlay->isChecked() && Ui().aLivePreview->isChecked());
    QCOMPARE(Inside().ScanDelays, TScanDelays{});
    // "&New" ran: one empty frame, one empty entry.
    QCOMPARE(Form->Show().Count(), 1);
    QCOMPARE(ItemTexts(), QStringList{QString()});
    QCOMPARE(Inside().Sketchpad->windowTitle(), QStringLiteral("new file"));
    QVERIFY(!Ui().tbPlay->isEnabled());
    // Only an existing file shows in the recent files; the designed "Logo.RZ4" does not exist.
    QVERIFY(!Ui().miLastFile[0]->isVisible());
    // Reading the settings writes nothing.
    QVERIFY(Settings->allKeys().isEmpty());
    QVERIFY(Prompts->Shown.isEmpty());
}

void TestFormMain::shortcuts_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QKeySequence>("keys");
    QTest::newRow("cut") << "aCutFrameToClipboard" << QKeySequence(Qt::SHIFT | Qt::Key_Delete);
    QTest::newRow("copy") << "aCopyFrameToClipboard" << QKeySequence(Qt::CTRL | Qt::Key_Insert);
    QTest::newRow("paste") << "aPasteFrameFromClipboard" << QKeySequence(Qt::SHIFT | Qt::Key_Insert);
    QTest::newRow("compile") << "aCreateWavefile" << QKeySequence(Qt::CTRL | Qt::Key_F9);
    QTest::newRow("preview") << "aShowPreview" << QKeySequence(Qt::Key_F9);
    QTest::newRow("frame preview") << "aFramePreview" << QKeySequence(Qt::Key_F7);
    QTest::newRow("frame links") << "aCheckFrameLinks" << QKeySequence(Qt::SHIFT | Qt::Key_F7);
    QTest::newRow("all links") << "aCheckAllLinks" << QKeySequence(Qt::SHIFT | Qt::Key_F9);
    QTest::newRow("grid") << "miUseGrid" << QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_G);
    QTest::newRow("set centres") << "miSetRotPoint" << QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_R);
    QTest::newRow("zoom 3") << "miOptimize3" << QKeySequence(Qt::CTRL | Qt::Key_3);
    QTest::newRow("help") << "aHelpContents" << QKeySequence(Qt::Key_F1);
}

void TestFormMain::shortcuts()
{
    QFETCH(QString, action);
    QFETCH(QKeySequence, keys);
    Start();
    QCOMPARE(Action(action)->shortcut(), keys);
}

// --- frame commands ----------------------------------------------------------------------------

void TestFormMain::frameNumberAnswers_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("effect");
    QTest::addColumn<int>("start");
    QTest::addColumn<QString>("answer");   // "<cancel>" cancels the box
    QTest::addColumn<int>("expected");
    QTest::addColumn<QString>("caption");

    const QString progression = "Enter 0 for linear, 1 for trigonometric effect progression";
    const QString parameter = "Enter new effect parameter";
    QTest::newRow("delay low 16 bits") << "aFrameDelay" << 0 << 1000 << "70000" << 4464 << "Enter new framedelay in ms";
    QTest::newRow("delay not a number") << "aFrameDelay" << 0 << 1000 << "abc" << 1000 << "Enter new framedelay in ms";
    QTest::newRow("delay cancelled") << "aFrameDelay" << 0 << 1000 << "<cancel>" << 1000 << "Enter new framedelay in ms";
    QTest::newRow("morph low 16 bits") << "aFrameMorph" << 0 << 0 << "70000" << 4464 << "Enter new morphtime in ms";
    QTest::newRow("morph blanks around") << "aFrameMorph" << 0 << 0 << " 250 " << 250 << "Enter new morphtime in ms";
    QTest::newRow("rotate above a turn") << "aFrameEffectParam" << 6 << 0 << "725" << 5 << parameter;
    QTest::newRow("rotate below a turn") << "aFrameEffectParam" << 6 << 0 << "-725" << -5 << parameter;
    QTest::newRow("rotate cancelled still bounded") << "aFrameEffectParam" << 6 << 725 << "<cancel>" << 5 << parameter;
    QTest::newRow("d-flip wraps like rotate") << "aFrameEffectParam" << 5 << 0 << "400" << 40 << progression;
    QTest::newRow("y-flip only 0 or 1") << "aFrameEffectParam" << 4 << 0 << "5" << 0 << progression;
    QTest::newRow("y-flip trig") << "aFrameEffectParam" << 4 << 0 << "1" << 1 << progression;
    QTest::newRow("explode not a number") << "aFrameEffectParam" << 2 << 1 << "x" << 1 << progression;
    QTest::newRow("drain keeps any") << "aFrameEffectParam" << 7 << 0 << "725" << 725 << parameter;
    QTest::newRow("slide low 16 bits signed") << "aFrameEffectParam" << 0 << 0 << "65535" << -1 << parameter;
}

void TestFormMain::frameNumberAnswers()
{
    QFETCH(QString, command);
    QFETCH(int, effect);
    QFETCH(int, start);
    QFETCH(QString, answer);
    QFETCH(int, expected);
    QFETCH(QString, caption);

    Start();
    TLaserFrame& frame = Form->Show().Frame(0);
    frame.Effect = quint16(effect);
    const auto field = [&]() -> int {
        if (command == "aFrameDelay")
            return frame.Delay;
        if (command == "aFrameMorph")
            return frame.EffectTime;
        return frame.EffectParam;
    };
    if (command == "aFrameDelay")
        frame.Delay = quint16(start);
    else if (command == "aFrameMorph")
        frame.EffectTime = quint16(start);
    else
        frame.EffectParam = qint16(start);

    Prompts->ExpectInput(answer == "<cancel>" ? std::nullopt : std::optional<QString>(answer));
    Action(command)->trigger();

    QCOMPARE(field(), expected);
    QVERIFY(NoUnexpectedPrompts());
    QCOMPARE(Prompts->Shown.size(), 1);
    QCOMPARE(Prompts->Shown[0].caption, caption);
    QCOMPARE(Prompts->Shown[0].defaultText, QString::number(start));
    // A changed value is an unsaved change.
    QCOMPARE(Form->IsModified(), expected != start);
}

void TestFormMain::renameStartsFromEntryText()
{
    Start();
    OpenShow(MakeShow("a.RZ4", {"One", "Two"}));
    Inside().lbThumbsClick(1);
    Prompts->ExpectInput(QStringLiteral("Second"));
    Prompts->ExpectInput(std::nullopt);
    Ui().aRenameFrame->trigger();
    Ui().aRenameFrame->trigger();  // cancelled: keeps the name
    QVERIFY(NoUnexpectedPrompts());
    QCOMPARE(Prompts->Shown[0].caption, QStringLiteral("Enter new framename"));
    QCOMPARE(Prompts->Shown[0].prompt, QStringLiteral("new name 4 frame"));
    QCOMPARE(Prompts->Shown[0].defaultText, QStringLiteral("Two"));
    QCOMPARE(Prompts->Shown[1].defaultText, QStringLiteral("Second"));
    QCOMPARE(Names(), (QStringList{"One", "Second"}));
    QCOMPARE(ItemTexts(), Names());
    QVERIFY(Form->IsModified());
}

void TestFormMain::modifiedByCommands_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("answer");  // queued input, empty: none
    QTest::addColumn<bool>("modified");
    // Every change of the show is an unsaved change; copying and an undo with
    // nothing to undo change nothing.
    QTest::newRow("add") << "aAddFrame" << "" << true;
    QTest::newRow("rename") << "aRenameFrame" << "x" << true;
    QTest::newRow("delay") << "aFrameDelay" << "5" << true;
    QTest::newRow("morph time") << "aFrameMorph" << "5" << true;
    QTest::newRow("effect param") << "aFrameEffectParam" << "1" << true;
    QTest::newRow("copy") << "aCopyFrameToClipboard" << "" << false;
    QTest::newRow("paste") << "aPasteFrameFromClipboard" << "" << true;
    QTest::newRow("undo") << "miUndo" << "" << false;
    QTest::newRow("delete") << "aDeleteFrame" << "" << true;
    QTest::newRow("cut") << "aCutFrameToClipboard" << "" << true;
    QTest::newRow("effect item") << "miEffectXFlip" << "" << true;
    QTest::newRow("effect button") << "aEffectStep" << "" << true;
    QTest::newRow("colour item") << "miColor1" << "" << true;
    QTest::newRow("colour button") << "aColorSwitch" << "" << true;
    QTest::newRow("lock") << "aLock" << "" << true;
}

void TestFormMain::modifiedByCommands()
{
    QFETCH(QString, command);
    QFETCH(QString, answer);
    QFETCH(bool, modified);
    Start();
    OpenShow(MakeShow("a.RZ4", {"A", "B", "C"}));
    Ui().aCopyFrameToClipboard->trigger();
    QVERIFY(!Form->IsModified());
    if (!answer.isEmpty())
        Prompts->ExpectInput(answer);
    Action(command)->trigger();
    QCOMPARE(Form->IsModified(), modified);
    QVERIFY(NoUnexpectedPrompts());
    // Whatever the command did, the list still has one entry per frame.
    QCOMPARE(Inside().lbThumbs->count(), Form->Show().Count());
}

void TestFormMain::deleteOnlyFrameRefused()
{
    Start();
    Ui().aCopyFrameToClipboard->trigger();
    const TLaserFrame* held = Inside().ClipboardFrame.get();
    Prompts->ExpectTell();
    Prompts->ExpectTell();
    Ui().aDeleteFrame->trigger();
    Ui().aCutFrameToClipboard->trigger();
    QVERIFY(NoUnexpectedPrompts());
    for (const auto& shown : Prompts->Shown) {
        QCOMPARE(shown.icon, TMsgIcon::Error);
        QCOMPARE(shown.text, QStringLiteral("You can't delete the one and only frame!"));
    }
    QCOMPARE(Form->Show().Count(), 1);
    QCOMPARE(Inside().lbThumbs->count(), 1);
    QVERIFY(!Form->IsModified());   // nothing changed
    QCOMPARE(Inside().ClipboardFrame.get(), held);  // the clipboard keeps what it held
}

void TestFormMain::deleteKeepsCurrentNumber_data()
{
    QTest::addColumn<int>("current");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<int>("newCurrent");
    QTest::newRow("first: successor takes its place") << 0 << QStringList{"B", "C"} << 0;
    QTest::newRow("middle: successor takes its place") << 1 << QStringList{"A", "C"} << 1;
    QTest::newRow("last: new last is current") << 2 << QStringList{"A", "B"} << 1;
}

void TestFormMain::deleteKeepsCurrentNumber()
{
    QFETCH(int, current);
    QFETCH(QStringList, names);
    QFETCH(int, newCurrent);
    Start();
    OpenShow(MakeShow("a.RZ4", {"A", "B", "C"}));
    Inside().lbThumbsClick(current);
    Ui().aDeleteFrame->trigger();
    QCOMPARE(Names(), names);
    QCOMPARE(ItemTexts(), names);
    QCOMPARE(Form->CurrentFrameIndex(), newCurrent);
    QCOMPARE(Inside().lbThumbs->currentRow(), newCurrent);
    QCOMPARE(Inside().Sketchpad->sbFrames->maximum(), 1);
    // The first frame's links lead to no predecessor.
    QCOMPARE(Form->Show().Frame(0).Links.Cols(), 0);
}

void TestFormMain::cutAndPasteFitLinks()
{
    Start();
    OpenShow(MakeShow("five.RZ4", {"F0", "F1", "F2", "F3", "F4"}));  // 1 .. 5 points
    Inside().lbThumbsClick(2);
    Ui().aCutFrameToClipboard->trigger();
    QCOMPARE(Names(), (QStringList{"F0", "F1", "F3", "F4"}));
    QCOMPARE(Inside().ClipboardFrame->Name, QStringLiteral("F2"));
    QCOMPARE(Form->Show().Frame(2).Links.Cols(), 2);  // F3 now follows F1

    Inside().lbThumbsClick(0);
    Form->Document().MarkSaved();
    Ui().aPasteFrameFromClipboard->trigger();
    Ui().aPasteFrameFromClipboard->trigger();
    QCOMPARE(Names(), (QStringList{"F2", "F2", "F0", "F1", "F3", "F4"}));
    QCOMPARE(ItemTexts(), Names());
    QCOMPARE(Form->CurrentFrameIndex(), 0);
    QCOMPARE(Inside().lbThumbs->currentRow(), 0);
    QVERIFY(Form->IsModified());
    const TLinkMatrix& pasted = Form->Show().Frame(0).Links;
    QCOMPARE(QSize(pasted.Rows(), pasted.Cols()), QSize(3, 0));
    const TLinkMatrix& second = Form->Show().Frame(1).Links;
    QCOMPARE(QSize(second.Rows(), second.Cols()), QSize(3, 3));
    const TLinkMatrix& oldFirst = Form->Show().Frame(2).Links;
    QCOMPARE(QSize(oldFirst.Rows(), oldFirst.Cols()), QSize(1, 3));
    // Every paste is a copy of its own.
    Form->Show().Frame(0).Points[0].X = 99;
    QVERIFY(Form->Show().Frame(1).Points[0].X != 99);
    QVERIFY(Inside().ClipboardFrame->Points[0].X != 99);
}

void TestFormMain::importShowInsertsBeforeCurrent()
{
    Start();
    OpenShow(MakeShow("xyz.RZ4", {"X", "Y", "Z"}, {2, 3, 4}));
    const QString abc = MakeShow("abc.RZ4", {"A", "B", "C"}, {5, 6, 7});
    Inside().lbThumbsClick(2);
    Prompts->ExpectOpen(abc);
    Ui().aImportShow->trigger();
    QVERIFY(NoUnexpectedPrompts());
    QCOMPARE(Prompts->Shown[0].request.title, QStringLiteral("Import Pudlo file..."));
    QCOMPARE(Names(), (QStringList{"X", "Y", "A", "B", "C", "Z"}));
    QCOMPARE(ItemTexts(), Names());
    QCOMPARE(Form->CurrentFrameIndex(), 2);
    QCOMPARE(Inside().Sketchpad->sbFrames->maximum(), 5);
    QCOMPARE(Form->Show().Frame(2).Links.Cols(), 3);  // A follows Y
    QCOMPARE(Form->Show().Frame(5).Links.Cols(), 7);  // Z follows C
    QCOMPARE(Form->Show().FileName, Dir->filePath("xyz.RZ4"));
    QVERIFY(Form->IsModified());
}

void TestFormMain::dropMovesFrame_data()
{
    QTest::addColumn<int>("effect");
    QTest::addColumn<int>("source");
    QTest::addColumn<int>("target");
    QTest::addColumn<int>("answer");  // -1: no question expected, 0 No, 1 Yes
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<int>("selected");
    QTest::newRow("morph frame, answered No") << 1 << 1 << 3 << 0 << QStringList{"A", "B", "C", "D"} << -2;
    QTest::newRow("morph frame, answered Yes") << 1 << 1 << 3 << 1 << QStringList{"A", "C", "D", "B"} << 3;
    QTest::newRow("beyond the end appends") << 0 << 0 << 4 << -1 << QStringList{"B", "C", "D", "A"} << 3;
    QTest::newRow("to the front") << 0 << 3 << 0 << -1 << QStringList{"D", "A", "B", "C"} << 0;
}

void TestFormMain::dropMovesFrame()
{
    QFETCH(int, effect);
    QFETCH(int, source);
    QFETCH(int, target);
    QFETCH(int, answer);
    QFETCH(QStringList, names);
    QFETCH(int, selected);
    Start();
    OpenShow(MakeShow("abcd.RZ4", {"A", "B", "C", "D"}));
    Form->Show().Frame(source).Effect = quint16(effect);
    const int rowBefore = Inside().lbThumbs->currentRow();
    if (answer >= 0)
        Prompts->ExpectAsk(answer == 1);
    Inside().lbThumbsDragDrop(source, target);

    QVERIFY(NoUnexpectedPrompts());
    if (answer >= 0) {
        QCOMPARE(Prompts->Shown[0].icon, TMsgIcon::Warning);
        QCOMPARE(Prompts->Shown[0].text, QStringLiteral("Do you really want to move this frame? "
                                                        "The link matrix will be corrupted after this!"));
    }
    QCOMPARE(Names(), names);
    QCOMPARE(ItemTexts(), names);
    QCOMPARE(Inside().lbThumbs->currentRow(), selected == -2 ? rowBefore : selected);
    QCOMPARE(Form->Show().Frame(0).Links.Cols(), 0);
    for (int i = 1; i < Form->Show().Count(); ++i)
        QCOMPARE(Form->Show().Frame(i).Links.Cols(), Form->Show().Frame(i - 1).PointCount());
    // A move is an unsaved change; the drop does not switch the frame.
    QCOMPARE(Form->IsModified(), answer != 0);
    QCOMPARE(Form->CurrentFrameIndex(), 0);
}

void TestFormMain::clickSwitchesFrameAndControls()
{
    Start();
    OpenShow(MakeShow("a.RZ4", {"A", "B", "C"}));
    TLaserFrame& frame = Form->Show().Frame(2);
    frame.Effect = EffectRotate;
    frame.Flags = TLaserFrame::FlagColor | TLaserFrame::FlagLocked;
    Inside().lbThumbsClick(2);
    QCOMPARE(Form->CurrentFrameIndex(), 2);
    QCOMPARE(Inside().lbThumbs->currentRow(), 2);
    QVERIFY(Ui().miEffect[EffectRotate]->isChecked());
    QVERIFY(Ui().miColor1->isChecked());
    QVERIFY(Ui().sbLock->isChecked());
    Inside().lbThumbsClick(0);
    QVERIFY(Ui().miEffect[EffectSlide]->isChecked());
    QVERIFY(Ui().miColor0->isChecked());
    QVERIFY(!Ui().sbLock->isChecked());
    Inside().lbThumbsClick(7);  // not a frame: nothing
    QCOMPARE(Form->CurrentFrameIndex(), 0);
}

void TestFormMain::effectItemsKeepMarkButtonMovesIt()
{
    Start();
    TLaserFrame& frame = Form->Show().Frame(0);
    Action("miEffectXFlip")->trigger();
    QCOMPARE(frame.Effect, quint16(EffectXFlip));
    QVERIFY(Ui().miEffect[EffectSlide]->isChecked());
    QVERIFY(!Ui().miEffect[EffectXFlip]->isChecked());

    frame.Effect = EffectDrain;
    Ui().aEffectStep->trigger();
    QCOMPARE(frame.Effect, quint16(EffectSlide));
    QVERIFY(Ui().miEffect[EffectSlide]->isChecked());
    Ui().aEffectStep->trigger();
    QCOMPARE(frame.Effect, quint16(EffectMorph));
    QVERIFY(Ui().miEffect[EffectMorph]->isChecked());
}

void TestFormMain::colourAndLockBits()
{
    Start();
    TLaserFrame& frame = Form->Show().Frame(0);
    frame.Flags = TLaserFrame::FlagLocked;
    Ui().miColor1->trigger();
    QCOMPARE(frame.Flags, quint16(TLaserFrame::FlagColor | TLaserFrame::FlagLocked));
    Ui().aColorSwitch->trigger();  // the other colour
    QCOMPARE(frame.Flags, quint16(TLaserFrame::FlagLocked));
    QVERIFY(Ui().miColor0->isChecked());
    Ui().aLock->trigger();
    QCOMPARE(frame.Flags, quint16(0));
    QVERIFY(!Ui().sbLock->isChecked());
    Ui().aLock->trigger();
    QCOMPARE(frame.Flags, quint16(TLaserFrame::FlagLocked));
    QVERIFY(Ui().sbLock->isChecked());
}

void TestFormMain::undoWorksOnTheStepsFrame()
{
    Start();
    OpenShow(MakeShow("a.RZ4", {"Square", "Triangle"}, {4, 3}));
    QVERIFY(!Ui().miUndo->isEnabled());
    // A point of Square moves; then Triangle becomes current.
    QVERIFY(Form->Document().EditFrame(0, "Move points", [](TLaserFrame& f) { f.Points[0].X = 200; }));
    Inside().lbThumbsClick(1);
    const std::vector<TSmallPoint> triangle = Form->Show().Frame(1).Points;
    QVERIFY(Ui().miUndo->isEnabled());
    QCOMPARE(Ui().miUndo->text(), QStringLiteral("&Undo Move points"));
    QCOMPARE(Ui().miUndo->statusTip(), QStringLiteral("Undo Move points"));

    Ui().miUndo->trigger();
    // Square's point is back, Triangle is untouched, and Square is shown.
    QCOMPARE(Form->Show().Frame(0).Points[0].X, quint8(20));
    QVERIFY(Form->Show().Frame(1).Points == triangle);
    QCOMPARE(Form->CurrentFrameIndex(), 0);
    QCOMPARE(Inside().lbThumbs->currentRow(), 0);
    QVERIFY(!Form->IsModified());
    QVERIFY(!Ui().miUndo->isEnabled());
    QCOMPARE(Ui().miRedo->statusTip(), QStringLiteral("Redo Move points"));

    Inside().lbThumbsClick(1);
    Ui().miRedo->trigger();
    QCOMPARE(Form->Show().Frame(0).Points[0].X, quint8(200));
    QCOMPARE(Form->CurrentFrameIndex(), 0);
    QVERIFY(Form->IsModified());
    QVERIFY(NoUnexpectedPrompts());
}

// --- settings ----------------------------------------------------------------------------------

void TestFormMain::settingsRoundTripThroughClose()
{
    {
        TSettingsStore store(*Settings);
        store.WriteSwitch({}, "ShowPoints", false);
        store.WriteSwitch({}, "FlipX", true);
        store.WriteInteger({}, "Grid", 24);
        store.WriteInteger({}, "Zoom", 9);
        store.WriteInteger({}, "Circles", 5);
        store.WriteInteger({}, "Image", 5);
        store.WriteInteger({}, "WinLeft", 30);
        store.WriteInteger({}, "WinWidth", 700);
        store.WriteText("Colors", "Name0", "&Green");
        store.WriteInteger("Colors", "Time5Degree", 12);
        store.Sync();
    }
    Start();
    QVERIFY(!Ui().miShowPoints->isChecked());
    QVERIFY(!Ui().sbShowPoints->isChecked());
    QVERIFY(Ui().miFlipX->isChecked());
    QVERIFY(Inside().lbThumbs->FlipX());
    QCOMPARE(Inside().GridSize, 24);
    QVERIFY(Ui().miGridCustom->isVisible());
    QVERIFY(Ui().miGridCustom->isChecked());
    QCOMPARE(Ui().miGridCustom->text(), QStringLiteral("&24"));
    QCOMPARE(Inside().Zoom, 2);
    QVERIFY(Ui().miZoomN[1]->isChecked());
    QCOMPARE(Inside().CircleSize, 5);
    QVERIFY(Ui().miFullImg->isChecked());
    QCOMPARE(Ui().miColor0->text(), QStringLiteral("&Green"));
    QCOMPARE(Inside().ScanDelays.Time5Degree, quint16(12));
    QCOMPARE(Form->pos().x(), 30);
    QCOMPARE(Form->width(), 700);

    Ui().miShowReal->trigger();
    Ui().miPanelPlay->trigger();  // hides the playback bar
    QVERIFY(Ui().toolbarPlay->isHidden());
    Inside().ScanDelays.TimeEdges = 77;
    QVERIFY(Form->close());
    Form.reset();

    {
        TSettingsStore store(*Settings);
        QVERIFY(store.ReadSwitch({}, "ShowRound", false));
        QVERIFY(!store.ReadSwitch({}, "ShowPoints", true));
        QCOMPARE(store.ReadInteger({}, "Grid", 0), 24);
        QCOMPARE(store.ReadInteger({}, "Zoom", 0), 2);
        QCOMPARE(store.ReadInteger({}, "Image", 0), 2);
        QCOMPARE(store.ReadInteger("Colors", "TimeEdges", 0), 77);
        QCOMPARE(store.ReadText("Colors", "Name0", {}), QStringLiteral("&Green"));
    }
    Start();
    QVERIFY(Ui().miShowReal->isChecked());
    QVERIFY(Ui().toolbarPlay->isHidden());
    QVERIFY(!Ui().miPanelPlay->isChecked());
    QCOMPARE(Inside().ScanDelays.TimeEdges, quint16(77));
}

void TestFormMain::exitWritesNothing()
{
    Start();
    const QStringList before = Settings->allKeys();
    Modify();
    Ui().miShowPoints->trigger();
    // Unsaved changes are asked about first; Yes ends the program without the settings.
    Prompts->ExpectAsk(true);
    Ui().miExit->trigger();
    QVERIFY(NoUnexpectedPrompts());
    QCOMPARE(Prompts->Shown.size(), 1);
    QCOMPARE(Prompts->Shown[0].text, QStringLiteral("Do you really want to discard any changes made to this file?"));
    Form.reset();
    Settings->sync();
    QCOMPARE(Settings->allKeys(), before);
}

void TestFormMain::closeQueryNoKeepsWindowAndWritesNothing()
{
    Start();
    const QStringList before = Settings->allKeys();
    Form->show();
    Modify();
    Prompts->ExpectAsk(false);
    QVERIFY(!Form->close());
    QVERIFY(Form->isVisible());
    QCOMPARE(Settings->allKeys(), before);
    QCOMPARE(Prompts->Shown[0].icon, TMsgIcon::Confirmation);
    QCOMPARE(Prompts->Shown[0].text, QStringLiteral("Do you really want to discard any changes made to this file?"));

    Prompts->ExpectAsk(true);
    QVERIFY(Form->close());
    QVERIFY(NoUnexpectedPrompts());
    QVERIFY(!Settings->allKeys().isEmpty());
}

// --- file commands -----------------------------------------------------------------------------

void TestFormMain::openThroughDialog()
{
    Start();
    const QString path = MakeShow("party.RZ4", {"P0", "P1"});
    Modify();
    Prompts->ExpectAsk(true);
    Prompts->ExpectOpen(path);
    Ui().aOpenFile->trigger();
    QVERIFY(NoUnexpectedPrompts());
    const TFileDialogRequest& request = Prompts->Shown[1].request;
    QCOMPARE(request.title, QStringLiteral("Open Pudlo file..."));
    QCOMPARE(request.filter, QStringLiteral("Pudlo file (*.RZ4);;Single pudlo frame (*.RZ4-frame)"));
    QCOMPARE(request.defaultSuffix, QStringLiteral("RZ4"));
    QCOMPARE(request.folder, Dir->path() + "/");
    QVERIFY(request.fileName.isEmpty());
    QCOMPARE(Names(), (QStringList{"P0", "P1"}));
    QCOMPARE(Inside().Sketchpad->windowTitle(), path);
    QVERIFY(!Form->IsModified());
    QCOMPARE(Ui().miLastFile[0]->text(), "&0 " + path);
    QVERIFY(Ui().miLastFile[0]->isVisible());
    QCOMPARE(Inside().OpenDir, QFileInfo(path).absolutePath() + "/");

    // A file listed already keeps its place.
    Prompts->ExpectOpen(path);
    Ui().aOpenFile->trigger();
    QCOMPARE(Ui().miLastFile[1]->text(), QStringLiteral("&1 Logo.RZ4"));
}

void TestFormMain::openDamagedFileKeepsShow()
{
    Start();
    OpenShow(MakeShow("good.RZ4", {"G0", "G1"}));
    const QString damaged = MakeShow("damaged.RZ4", {"D0", "D1", "D2"});
    {
        QFile file(damaged);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.resize(file.size() - 3));
    }
    Prompts->ExpectOpen(damaged);
    Prompts->ExpectTell();
    Ui().aOpenFile->trigger();
    QVERIFY(NoUnexpectedPrompts());
    QCOMPARE(Prompts->Shown.last().icon, TMsgIcon::Error);
    QVERIFY(Prompts->Shown.last().text.contains("damaged.RZ4"));
    QCOMPARE(Names(), (QStringList{"G0", "G1"}));
    QCOMPARE(ItemTexts(), Names());
    QCOMPARE(Form->Show().FileName, Dir->filePath("good.RZ4"));
    QVERIFY(!Ui().miLastFile[0]->text().contains("damaged"));
    QVERIFY(!Inside().Busy);
}

void TestFormMain::missingRecentFileKeepsShow()
{
    Start();
    const QString gone = MakeShow("gone.RZ4", {"G"});
    Prompts->ExpectOpen(gone);
    Ui().aOpenFile->trigger();
    OpenShow(MakeShow("kept.RZ4", {"K0", "K1"}));
    QVERIFY(QFile::remove(gone));
    Modify();
    Prompts->ExpectTell();
    Ui().miLastFile[0]->trigger();
    QVERIFY(NoUnexpectedPrompts());
    QCOMPARE(Prompts->Shown.last().icon, TMsgIcon::Error);
    QCOMPARE(Names(), (QStringList{"K0", "K1"}));
    QVERIFY(Form->IsModified());
}

void TestFormMain::commandLineFile()
{
    Start();
    Form->OpenCommandLineFile(Dir->filePath("nothing.RZ4"));
    QCOMPARE(Form->Show().Count(), 1);
    QVERIFY(Form->Show().FileName.isEmpty());
    const QString path = MakeShow("cmd.RZ4", {"C0", "C1", "C2"});
    Form->OpenCommandLineFile(path);
    QCOMPARE(Names(), (QStringList{"C0", "C1", "C2"}));
    QCOMPARE(Inside().lbThumbs->Show(), &Form->Show());
    QCOMPARE(Inside().Sketchpad->sbFrames->maximum(), 2);
    QCOMPARE(Ui().miLastFile[0]->text(), QStringLiteral("&0 Logo.RZ4"));  // recent files untouched
    QVERIFY(Prompts->Shown.isEmpty());
}

void TestFormMain::saveWritesToOpenedFile()
{
    Start();
    const QString path = MakeShow("show.RZ4", {"S0", "S1"});
    OpenShow(path);
    Prompts->ExpectInput(QStringLiteral("Renamed"));
    Ui().aRenameFrame->trigger();
    Modify();
    Prompts->ExpectTell();
    Ui().aSaveFile->trigger();
    QVERIFY(NoUnexpectedPrompts());
    QCOMPARE(Prompts->Shown.last().kind, QStringLiteral("Tell"));
    QCOMPARE(Prompts->Shown.last().text, QStringLiteral("File was saved."));
    QVERIFY(!Form->IsModified());
    TLaserFrames saved;
    QVERIFY(ReadShowFile(saved, path).outcome.ok);
    QCOMPARE(saved.Frame(0).Name, QStringLiteral("Renamed"));
}

void TestFormMain::saveOfNewShowCancelledKeepsModified()
{
    Start();
    Modify();
    Prompts->ExpectSave(QString());
    Ui().aSaveFile->trigger();
    QVERIFY(NoUnexpectedPrompts());
    QCOMPARE(Prompts->Shown[0].request.title, QStringLiteral("Save Pudlo file..."));
    QVERIFY(Form->IsModified());

    const QString path = Dir->filePath("new.RZ4");
    Prompts->ExpectSave(path);
    Prompts->ExpectTell();
    Ui().aSaveFile->trigger();
    QVERIFY(NoUnexpectedPrompts());
    QVERIFY(!Form->IsModified());
    QCOMPARE(Form->Show().FileName, path);
    QVERIFY(QFileInfo(path).isFile());
    QCOMPARE(Ui().miLastFile[0]->text(), "&0 " + path);
}

void TestFormMain::saveFailureKeepsModified()
{
    Start();
    Modify();
    const QString path = Dir->filePath("no such folder/new.RZ4");
    Prompts->ExpectSave(path);
    Prompts->ExpectTell();
    Ui().aSaveAsFile->trigger();
    QVERIFY(NoUnexpectedPrompts());
    QCOMPARE(Prompts->Shown.last().icon, TMsgIcon::Error);
    QVERIFY(Prompts->Shown.last().text.contains("new.RZ4"));
    QVERIFY(Form->IsModified());
    QVERIFY(Form->Show().FileName.isEmpty());
    QVERIFY(!Ui().miLastFile[0]->text().contains("new.RZ4"));
    QVERIFY(!Inside().Busy);
}

// --- compile -----------------------------------------------------------------------------------

void TestFormMain::createWavefileUnsavedAsksForName()
{
    Start();
    Prompts->ExpectSave(QString());
    Ui().aCreateWavefile->trigger();
    QVERIFY(NoUnexpectedPrompts());
    QCOMPARE(Prompts->Shown.size(), 1);
    QCOMPARE(Prompts->Shown[0].kind, QStringLiteral("Save"));
    QVERIFY(QDir(Dir->path()).entryList({"*.WAV", "*.wav"}, QDir::Files).isEmpty());
    QVERIFY(!Ui().tbPlay->isEnabled());
    QVERIFY(!Inside().FormStatus->isVisible());
}

void TestFormMain::createWavefileWritesNextToShow()
{
    Start();
    const QString path = MakeShow("wave.RZ4", {"W0", "W1"});
    OpenShow(path);
    QVERIFY(!Ui().tbPlay->isEnabled());
    QVERIFY(!Ui().tbShowPreview->isEnabled());
    Ui().aCreateWavefile->trigger();
    QVERIFY(NoUnexpectedPrompts());
    QVERIFY(QFileInfo(path + ".WAV").size() > 44);
    QVERIFY(Ui().tbPlay->isEnabled());
    QVERIFY(Ui().aShowPreview->isEnabled());
    QVERIFY(!Inside().FormStatus->isVisible());

    // Opening a show whose wave file exists enables play and preview; one without, not.
    OpenShow(MakeShow("other.RZ4", {"O"}));
    QVERIFY(!Ui().tbPlay->isEnabled());
    OpenShow(path);
    QVERIFY(Ui().tbPlay->isEnabled());
    QVERIFY(Ui().tbShowPreview->isEnabled());
}

// --- window ------------------------------------------------------------------------------------

void TestFormMain::panelSwitchesFollowBars()
{
    Start();
    Form->show();
    QVERIFY(QTest::qWaitForWindowExposed(Form.get()));
    Ui().miPanelFiles->trigger();
    QVERIFY(!Ui().toolbarFiles->isVisible());
    QVERIFY(!Ui().miPanelFiles->isChecked());
    Ui().miPanelFiles->trigger();
    QVERIFY(Ui().toolbarFiles->isVisible());
    // A bar closed on its own clears its check mark.
    Ui().toolbarDisplay->hide();
    QVERIFY(!Ui().miPanelDisplay->isChecked());
    Ui().miPanelMouse->trigger();
    QVERIFY(!Inside().sbFrame->isVisible());
}

// The designed first layout: the left panel, 180 pixels wide (or what the frame list
// needs), holds File operations, Playback and Working tools above the frame list, and the
// status bar at its foot; the timeline runs along the bottom under all of it.
void TestFormMain::firstLayoutLeftPanel()
{
    CreateForm({}, true);
    QDockWidget* panel = Inside().panelLeft;
    QCOMPARE(Form->dockWidgetArea(panel), Qt::LeftDockWidgetArea);
    QCOMPARE(panel->width(), qMax(180, panel->minimumSizeHint().width()));
    const auto inPanel = [panel](QWidget* w) {
        return QRect(w->mapTo(panel, QPoint(0, 0)), w->size());
    };
    const QRect files = inPanel(Ui().toolbarFiles), play = inPanel(Ui().toolbarPlay),
                tools = inPanel(Ui().toolbarTools), list = inPanel(Inside().lbThumbs),
                status = inPanel(Inside().sbFrame);
    for (QToolBar* bar : {Ui().toolbarFiles, Ui().toolbarPlay, Ui().toolbarTools}) {
        QVERIFY(panel->isAncestorOf(bar));
        QVERIFY(bar->isVisible());
        QVERIFY(bar->isMovable());
    }
    QVERIFY(files.bottom() < play.top());
    QVERIFY(play.bottom() < tools.top());
    QVERIFY(tools.bottom() < list.top());
    QVERIFY(list.bottom() < status.top());
    QVERIFY(panel->isAncestorOf(Inside().sbFrame));
    QVERIFY(status.bottom() >= panel->height() - 4);
    // The display bars stay at the right of the main window.
    QCOMPARE(Form->toolBarArea(Ui().toolbarDisplay), Qt::RightToolBarArea);
    QVERIFY(!panel->isAncestorOf(Ui().toolbarDisplay));
}

// Once a layout is saved under "Panels", it is the one the next start shows.
void TestFormMain::savedLayoutWins()
{
    CreateForm({}, true);
    auto* leftPanel = Form->findChild<QMainWindow*>(QStringLiteral("LeftPanelWindow"));
    QVERIFY(leftPanel);
    leftPanel->addToolBar(Qt::BottomToolBarArea, Ui().toolbarTools);
    Ui().miPanelPlay->trigger();
    Form->resizeDocks({Inside().panelLeft}, {260}, Qt::Horizontal);
    QTest::qWait(20);
    const int width = Inside().panelLeft->width();
    QVERIFY(width > 200);
    QVERIFY(Form->close());
    Form.reset();
    QVERIFY(!TSettingsStore(*Settings).ReadBytes(QStringLiteral("Panels"), QStringLiteral("LeftPanel")).isEmpty());

    CreateForm({}, true);
    leftPanel = Form->findChild<QMainWindow*>(QStringLiteral("LeftPanelWindow"));
    QCOMPARE(leftPanel->toolBarArea(Ui().toolbarTools), Qt::BottomToolBarArea);
    QVERIFY(Ui().toolbarPlay->isHidden());
    QVERIFY(!Ui().miPanelPlay->isChecked());
    QCOMPARE(Inside().panelLeft->width(), width);
}

void TestFormMain::helpAndAbout()
{
    Start();
    Ui().aHelpContents->trigger();
    QVERIFY(Inside().FormHelp->isVisible());
    QVERIFY(Inside().FormHelp->browser->toPlainText().contains("Create wavefile"));

    Prompts->ExpectTell();
    Ui().miAbout->trigger();
    QVERIFY(NoUnexpectedPrompts());
    QCOMPARE(Prompts->Shown[0].icon, TMsgIcon::Information);
    QCOMPARE(Prompts->Shown[0].text, QStringLiteral("Info about Skelmar: \n\nRelease 9 (Build 42)"));
}

QTEST_MAIN(TestFormMain)
#include "tst_formmain.moc"
