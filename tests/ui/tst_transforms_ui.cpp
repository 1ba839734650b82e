// The frame transforms, link checks and help lines as the user reaches them: the Frame
// and Project menus, the rulers and the "Helplines" dialog of a real main window. The
// rules themselves are proven in the editor and compiler tests; these cases prove the wiring.
#include "Builders.h"
#include "FormUnitHelpLines.h"
#include "FormUnitMain.h"
#include "MainWindowFixture.h"
#include "ScriptedPrompts.h"
#include "SettingsStore.h"
#include "ShowFile.h"
#include "FrameTransforms.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QSettings>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>

using TPoints = QList<QPoint>;    // a frame's points, frame coordinates
using TCenters = QList<int>;      // EffectCenterX, EffectCenterY, AuxCenterX, AuxCenterY
static const QString Cancel = QStringLiteral("<cancel>");

static TPoints PositionsOf(const TLaserFrame& frame)
{
    TPoints positions;
    for (const TSmallPoint& p : frame.Points)
        positions << QPoint(p.X, p.Y);
    return positions;
}

static TCenters CentersOf(const TLaserFrame& frame)
{
    return {frame.EffectCenterX, frame.EffectCenterY, frame.AuxCenterX, frame.AuxCenterY};
}

class TestTransformsUi : public QObject, protected TMainWindowFixture {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void frameCommands_data();
    void frameCommands();
    void questionsComeFirst_data();
    void questionsComeFirst();
    void scaleOfEmptyFrameAsksNothing();
    void linkChecks_data();
    void linkChecks();
    void linkOverlay();
    void rulerRightClickAddsThenRemoves_data();
    void rulerRightClickAddsThenRemoves();
    void rulerDragClampsAndShowsPosition();
    void doubleClickOpensDialogOnPage_data();
    void doubleClickOpensDialogOnPage();
    void helplinesDialogEditsCurrentFrame_data();
    void helplinesDialogEditsCurrentFrame();

private:
    void Start(bool rulers = false);
    // Opens a show of these frames; every point is named "p", links fitted and empty.
    void OpenShow(const QList<TPoints>& frames);
    TLaserFrame& Frame(int index) const { return Form->Show().Frame(index); }
    QAction* Command(const QString& name) const { return Form->findChild<QAction*>(name); }
    TFormHelpLines* HelpLinesDialog() const { return Form->findChild<TFormHelpLines*>(); }
    // Ruler pixel of frame coordinate v on the top ruler (x) or the left ruler (y).
    QPoint RulerAt(bool top, int v) const;
    QWidget* Ruler(bool top) const
    {
        return top ? static_cast<QWidget*>(Inside().Sketchpad->iTopRuler)
                   : static_cast<QWidget*>(Inside().Sketchpad->iLeftRuler);
    }
    // Runs `inDialog` once the modal "Helplines" dialog is up; it must close the dialog.
    void WhenDialogShown(std::function<void(TFormHelpLines&)> inDialog);
    QString NoUnexpectedPrompts() const
    {
        return Prompts->Unexpected.join("; ") + (Prompts->AllAnswered() ? "" : " (answers left)");
    }

};

// --- fixture -----------------------------------------------------------------------------------

void TestTransformsUi::initTestCase()
{
    QApplication::setQuitOnLastWindowClosed(false);
}

void TestTransformsUi::init()
{
    InitFixture();
}

void TestTransformsUi::cleanup()
{
    CleanupFixture();
}

// Zoom 2, circle size 3, no live output; with `rulers` the rulers and the help lines are shown.
void TestTransformsUi::Start(bool rulers)
{
    CreateForm([&](TSettingsStore& store) {
        store.WriteSwitch({}, "ShowRuler", rulers);
        store.WriteSwitch({}, "SnapHelp", rulers);
    }, true);
}

void TestTransformsUi::OpenShow(const QList<TPoints>& frames)
{
    TLaserFrames show;
    for (const TPoints& points : frames) {
        AddPoints(show.Add(), points, 0, QStringLiteral("p"));
    }
    for (int i = 1; i < show.Count(); ++i)
        show.FitLinksAt(i);
    const QString path = Dir->filePath("transforms.RZ4");
    QVERIFY(WriteShowFile(path, show).ok);
    Form->OpenCommandLineFile(path);
    QCOMPARE(Form->Show().Count(), frames.size());
    QVERIFY(!Form->IsModified());
}

QPoint TestTransformsUi::RulerAt(bool top, int v) const
{
    const int zoom = Inside().PadTransform().Zoom;
    if (top)
        return {Inside().Sketchpad->iLeftRuler->width() + v * zoom + 1, TopRulerHeight / 2};
    return {LeftRulerWidth / 2, v * zoom + 1};
}

void TestTransformsUi::WhenDialogShown(std::function<void(TFormHelpLines&)> inDialog)
{
    QTimer::singleShot(0, Form.get(), [this, inDialog] {
        TFormHelpLines* dialog = HelpLinesDialog();
        if (!dialog || !dialog->isVisible()) {
            qWarning("the Helplines dialog is not shown");
            return;
        }
        inDialog(*dialog);
        if (dialog->isVisible())
            dialog->reject();
    });
}

// --- Frame menu transforms ---------------------------------------------------------------------

// Each transform from its menu item on the current frame (the second one): whatever it
// changed is an unsaved change.
void TestTransformsUi::frameCommands_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<TPoints>("points");
    QTest::addColumn<TCenters>("centers");
    QTest::addColumn<QStringList>("answers");   // Cancel for a cancelled box
    QTest::addColumn<TPoints>("expected");
    QTest::addColumn<TCenters>("expectedCenters");
    QTest::addColumn<bool>("ran");        // repaints the sketchpad
    QTest::addColumn<bool>("modified");
    QTest::addColumn<QString>("message"); // information shown, empty for none

    const TCenters mid{128, 128, 128, 128};
    const QStringList none;
    QTest::newRow("flip X-axis") << "miFrameFlipX2" << TPoints{{10, 20}, {0, 255}} << mid << none
                                 << TPoints{{10, 235}, {0, 0}} << mid << true << true << "";
    QTest::newRow("flip Y-axis") << "miFrameFlipY" << TPoints{{10, 20}, {0, 255}} << mid << none
                                 << TPoints{{245, 20}, {255, 255}} << mid << true << true << "";
    QTest::newRow("flip centre axis") << "miFrameFlipD" << TPoints{{100, 50}} << TCenters{128, 128, 128, 0}
                                      << none << TPoints{{156, 50}} << TCenters{128, 128, 128, 0} << true
                                      << true << "";
    QTest::newRow("flip centre axis, one spot") << "miFrameFlipD" << TPoints{{100, 50}} << mid << none
                                                << TPoints{{100, 50}} << mid << false << false
                                                << NoCenterAxisMessage();
    QTest::newRow("centre") << "miCenterFrame" << TPoints{{10, 10}, {50, 50}} << mid << none
                            << TPoints{{69, 69}, {109, 109}} << mid << true << true << "";
    QTest::newRow("rotate 90") << "miRotateFrame" << TPoints{{228, 128}} << mid
                               << QStringList{QString("90")} << TPoints{{128, 28}} << mid
                               << true << true << "";
    QTest::newRow("rotate cancelled") << "miRotateFrame" << TPoints{{228, 128}} << TCenters{100, 100, 128, 128}
                                      << QStringList{Cancel} << TPoints{{228, 128}}
                                      << TCenters{100, 100, 128, 128} << false << false << "";
    QTest::newRow("scale 0.5") << "miScale" << TPoints{{200, 100}} << mid
                               << QStringList{QString("0.5")} << TPoints{{164, 114}} << mid
                               << true << true << "";
    QTest::newRow("scale not a number") << "miScale" << TPoints{{200, 100}} << mid
                                        << QStringList{QString("abc")} << TPoints{{200, 100}}
                                        << mid << false << false << "";
    QTest::newRow("set centres") << "miSetRotPoint" << TPoints{{1, 2}} << mid
                                 << QStringList{QString("10"), QString("20"), QString("300"),
                                                                  QString("40")}
                                 << TPoints{{1, 2}} << TCenters{10, 20, 128, 128} << true << true << "";
    QTest::newRow("renumber") << "miRenum" << TPoints{{1, 2}, {3, 4}} << mid << none << TPoints{{1, 2}, {3, 4}}
                              << mid << true << true << "";
}

void TestTransformsUi::frameCommands()
{
    QFETCH(QString, item);
    QFETCH(TPoints, points);
    QFETCH(TCenters, centers);
    QFETCH(QStringList, answers);
    QFETCH(TPoints, expected);
    QFETCH(TCenters, expectedCenters);
    QFETCH(bool, ran);
    QFETCH(bool, modified);
    QFETCH(QString, message);

    Start();
    OpenShow({{{30, 40}}, points});
    Inside().Sketchpad->SetFramePosition(1);
    TLaserFrame& frame = Frame(1);
    frame.EffectCenterX = centers[0];
    frame.EffectCenterY = centers[1];
    frame.AuxCenterX = centers[2];
    frame.AuxCenterY = centers[3];
    for (const QString& answer : answers)
        Prompts->ExpectInput(answer == Cancel ? std::nullopt : std::optional<QString>(answer));
    if (!message.isEmpty())
        Prompts->ExpectTell();

    QAction* action = Command(item);
    QVERIFY(action);
    QVERIFY(action->isEnabled());
    QMenu* frameMenu = nullptr;
    for (QAction* menu : Form->menuBar()->actions())
        if (menu->text() == "F&rame")
            frameMenu = menu->menu();
    QVERIFY(frameMenu && frameMenu->actions().contains(action));

    TPaintCounter counter;
    Inside().Sketchpad->pad->installEventFilter(&counter);
    action->trigger();
    Inside().Sketchpad->pad->removeEventFilter(&counter);

    QVERIFY2(Prompts->Unexpected.isEmpty() && Prompts->AllAnswered(), qPrintable(NoUnexpectedPrompts()));
    QCOMPARE(PositionsOf(frame), expected);
    QCOMPARE(CentersOf(frame), expectedCenters);
    for (size_t i = 0; i < frame.Points.size(); ++i)
        QCOMPARE(frame.Points[i].Name, item == "miRenum" ? QString::number(i) : QString("p"));
    QCOMPARE(Frame(0).Points.front().X, quint8(30));   // the other frame stays
    QCOMPARE(counter.Paints > 0, ran);
    QCOMPARE(Form->IsModified(), modified);
    if (!message.isEmpty()) {
        QCOMPARE(Prompts->Shown.last().icon, TMsgIcon::Information);
        QCOMPARE(Prompts->Shown.last().text, message);
    }
    if (!answers.isEmpty() && item == "miRotateFrame") {
        QCOMPARE(Prompts->Shown.first().caption, QString("Enter rotation in degrees"));
        QCOMPARE(Prompts->Shown.first().prompt, QString("rotate frame"));
        QCOMPARE(Prompts->Shown.first().defaultText, QString("0"));
    }
}

// --- link checks -------------------------------------------------------------------------------

void TestTransformsUi::questionsComeFirst_data()
{
    // On (20,200) and (60,90), effect centre (100,120), auxiliary centre (30,120): the
    // centre axis is the line y = 120.
    QTest::addColumn<QString>("item");
    QTest::addColumn<QStringList>("answers");   // Cancel for a cancelled box
    QTest::addColumn<QStringList>("asked");     // caption | prompt | default of each box
    QTest::addColumn<TPoints>("expected");
    QTest::addColumn<TCenters>("expectedCenters");
    QTest::addColumn<QStringList>("names");
    const TPoints start{{20, 200}, {60, 90}};
    const TCenters centers{100, 120, 30, 120};
    const QStringList unnamed{"p", "p"};
    const QStringList none;
    const QStringList rotate{"Enter rotation in degrees | rotate frame | 0"};
    const QStringList scale{"Enter scale factor (1=100%) | scale frame | 1"};
    const QStringList setCenters{"Enter new effect center point (x) | effect center | 100",
                                 "Enter new effect center point (y) | effect center | 120",
                                 "Enter new auxiliary center point (x) | auxiliary center | 30",
                                 "Enter new auxiliary center point (y) | auxiliary center | 120"};
    QTest::newRow("flip at the x-axis") << "miFrameFlipX2" << none << none << TPoints{{20, 55}, {60, 165}}
                                        << centers << unnamed;
    QTest::newRow("flip at the y-axis") << "miFrameFlipY" << none << none << TPoints{{235, 200}, {195, 90}}
                                        << centers << unnamed;
    QTest::newRow("flip at the centre axis") << "miFrameFlipD" << none << none << TPoints{{20, 40}, {60, 150}}
                                             << centers << unnamed;
    QTest::newRow("centre") << "miCenterFrame" << none << none << TPoints{{80, 175}, {120, 65}} << centers
                            << unnamed;
    QTest::newRow("rotate half a turn") << "miRotateFrame" << QStringList{"180"} << rotate
                                        << TPoints{{110, 40}, {70, 150}} << centers << unnamed;
    QTest::newRow("rotate, -90 turns clockwise") << "miRotateFrame" << QStringList{" -90 "} << rotate
                                                 << TPoints{{20, 110}, {130, 150}} << centers << unnamed;
    QTest::newRow("rotate, not a whole number") << "miRotateFrame" << QStringList{"45.5"} << rotate << start
                                                << centers << unnamed;
    QTest::newRow("rotate cancelled: no shift") << "miRotateFrame" << QStringList{Cancel} << rotate << start
                                                << centers << unnamed;
    QTest::newRow("scale twice, clamped") << "miScale" << QStringList{"2"} << scale
                                          << TPoints{{10, 255}, {90, 60}} << centers << unnamed;
    QTest::newRow("scale, comma is no decimal point") << "miScale" << QStringList{"0,5"} << scale << start
                                                      << centers << unnamed;
    QTest::newRow("scale, infinite") << "miScale" << QStringList{"inf"} << scale << start << centers << unnamed;
    QTest::newRow("scale cancelled") << "miScale" << QStringList{Cancel} << scale << start << centers << unnamed;
    QTest::newRow("set the centres") << "miSetRotPoint" << QStringList{"3", "4", "5", "6"} << setCenters << start
                                     << TCenters{3, 4, 5, 6} << unnamed;
    QTest::newRow("set the centres, cancelled box keeps its value")
        << "miSetRotPoint" << QStringList{Cancel, "99", Cancel, Cancel} << setCenters << start
        << TCenters{100, 99, 30, 120} << unnamed;
    QTest::newRow("renumber") << "miRenum" << none << none << start << centers << QStringList{"0", "1"};
}

// Each reshaping item asks its questions before it changes anything, and then does
// what it says as one step; an answer that changes nothing leaves no step.
void TestTransformsUi::questionsComeFirst()
{
    QFETCH(QString, item);
    QFETCH(QStringList, answers);
    QFETCH(QStringList, asked);
    QFETCH(TPoints, expected);
    QFETCH(TCenters, expectedCenters);
    QFETCH(QStringList, names);

    Start();
    OpenShow({{{30, 40}}, {{20, 200}, {60, 90}}});
    Inside().Sketchpad->SetFramePosition(1);
    TLaserFrame& frame = Frame(1);
    frame.EffectCenterX = 100;
    frame.EffectCenterY = 120;
    frame.AuxCenterX = 30;
    frame.AuxCenterY = 120;
    const std::vector<TSmallPoint> before = frame.Points;
    // No step may start before the last question is answered.
    int stepsWhileAsking = 0;
    for (const QString& answer : answers) {
        Prompts->ExpectInput(answer == Cancel ? std::nullopt : std::optional<QString>(answer));
    }
    connect(&Form->Document().History(), &QUndoStack::indexChanged, this, [&] {
        if (Prompts->Shown.size() < asked.size())
            ++stepsWhileAsking;
    });
    Command(item)->trigger();

    QVERIFY2(Prompts->Unexpected.isEmpty() && Prompts->AllAnswered(), qPrintable(NoUnexpectedPrompts()));
    QStringList shown;
    for (const auto& box : std::as_const(Prompts->Shown))
        shown << box.caption + " | " + box.prompt + " | " + box.defaultText;
    QCOMPARE(shown, asked);
    QCOMPARE(stepsWhileAsking, 0);
    QCOMPARE(PositionsOf(frame), expected);
    QCOMPARE(CentersOf(frame), expectedCenters);
    QCOMPARE((QStringList{frame.Points[0].Name, frame.Points[1].Name}), names);
    const bool changed = expected != TPoints{{20, 200}, {60, 90}} || names != QStringList{"p", "p"}
        || expectedCenters != TCenters{100, 120, 30, 120};
    QCOMPARE(Form->Document().History().count(), changed ? 1 : 0);
    if (changed) {
        Form->Document().Undo();
        QVERIFY(frame.Points == before);
    }
}

// "Scale frame..." on a frame without points asks nothing.
void TestTransformsUi::scaleOfEmptyFrameAsksNothing()
{
    Start();
    OpenShow({{}, {{1, 1}}});
    Inside().Sketchpad->SetFramePosition(0);
    Command("miScale")->trigger();
    QVERIFY(Prompts->Shown.isEmpty());
    QCOMPARE(Form->Document().History().count(), 0);
}

void TestTransformsUi::linkChecks_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<bool>("linked");    // every point of frame 0 linked from frame 1
    QTest::addColumn<int>("icon");   // a TMsgIcon
    QTest::addColumn<QString>("text");

    const QString missing = "Frame 1 has no link from point 0!\r\nFrame 1 has no link from point 2!\r\n";
    QTest::newRow("frame, missing") << "aCheckFrameLinks" << false << int(TMsgIcon::Warning) << missing;
    QTest::newRow("frame, fine") << "aCheckFrameLinks" << true << int(TMsgIcon::Information) << "Everything's fine!";
    QTest::newRow("all, missing") << "aCheckAllLinks" << false << int(TMsgIcon::Warning) << missing;
    QTest::newRow("all, fine") << "aCheckAllLinks" << true << int(TMsgIcon::Information) << "Everything's fine!";
}

void TestTransformsUi::linkChecks()
{
    QFETCH(QString, command);
    QFETCH(bool, linked);
    QFETCH(int, icon);
    QFETCH(QString, text);

    Start();
    OpenShow({{{10, 10}, {20, 20}, {30, 30}}, {{10, 10}, {20, 20}}});
    Inside().Sketchpad->SetFramePosition(1);
    TLinkMatrix& links = Frame(1).Links;
    links.Set(0, 1, true);
    if (linked) {
        links.Set(0, 0, true);
        links.Set(1, 2, true);
    }
    Prompts->ExpectTell();
    QAction* action = Command(command);
    QVERIFY(action && action->isEnabled());
    action->trigger();

    QVERIFY2(Prompts->Unexpected.isEmpty() && Prompts->AllAnswered(), qPrintable(NoUnexpectedPrompts()));
    QCOMPARE(int(Prompts->Shown.last().icon), icon);
    QCOMPARE(Prompts->Shown.last().text, text);
    QVERIFY(!Form->IsModified());
}

// One pair within reach: linked, counted and the show marked; a second run finds the
// same pair again but lays no new link. A frame 0 has nothing to link to: no message.
void TestTransformsUi::linkOverlay()
{
    Start();
    OpenShow({{{10, 10}, {100, 100}}, {{200, 200}, {14, 15}}});
    Inside().Sketchpad->SetFramePosition(1);
    Prompts->ExpectTell();
    Ui().miLinkOverlay->trigger();
    QCOMPARE(Prompts->Shown.last().text, QString("1 overlapping points found!"));
    QVERIFY(Frame(1).Links.Get(1, 0));
    QVERIFY(!Frame(1).Links.Get(0, 1));
    QVERIFY(Form->IsModified());

    Form->Document().MarkSaved();
    Prompts->ExpectTell();
    Ui().miLinkOverlay->trigger();
    QCOMPARE(Prompts->Shown.last().text, QString("1 overlapping points found!"));
    QVERIFY(!Form->IsModified());

    Inside().Sketchpad->SetFramePosition(0);
    TPaintCounter counter;
    Inside().Sketchpad->pad->installEventFilter(&counter);
    Ui().miLinkOverlay->trigger();
    QVERIFY(counter.Paints > 0);
    QVERIFY2(Prompts->Unexpected.isEmpty() && Prompts->AllAnswered(), qPrintable(NoUnexpectedPrompts()));
}

// --- rulers ------------------------------------------------------------------------------------

void TestTransformsUi::rulerRightClickAddsThenRemoves_data()
{
    QTest::addColumn<bool>("top");
    QTest::newRow("top ruler, vertical line") << true;
    QTest::newRow("left ruler, horizontal line") << false;
}

// A right click lays a line where it was clicked, a second one at the same place takes it
// away; the dashed guide stays over the pad from the press to the next repaint. None of
// it marks the show.
void TestTransformsUi::rulerRightClickAddsThenRemoves()
{
    QFETCH(bool, top);
    Start(true);
    OpenShow({{{10, 10}}, {{20, 20}}});
    Inside().Sketchpad->SetFramePosition(1);
    const std::vector<quint8>& lines = top ? Frame(1).HelpLines.XLines : Frame(1).HelpLines.YLines;
    QWidget* ruler = Ruler(top);
    QVERIFY(ruler->isVisible() && ruler->width() > 0 && ruler->height() > 0);

    const QPoint at = RulerAt(top, 100);
    QTest::mousePress(ruler, Qt::RightButton, {}, at);
    QCOMPARE(lines, std::vector<quint8>{100});
    const QImage guided = Inside().Sketchpad->pad->grab().toImage();
    // The dash starts at the pad's edge, under the pointer.
    const QPoint onGuide = top ? QPoint(at.x() - LeftRulerWidth, 0) : QPoint(0, at.y());
    QCOMPARE(guided.pixelColor(onGuide), QColor(0, 128, 0));
    QTest::mouseRelease(ruler, Qt::RightButton, {}, at);
    QVERIFY(Inside().Sketchpad->pad->grab().toImage().pixelColor(onGuide) != QColor(0, 128, 0));

    QTest::mouseClick(ruler, Qt::RightButton, {}, at + QPoint(4, 4));
    QVERIFY(lines.empty());
    QCOMPARE(Frame(0).HelpLines.IsEmpty(), true);
    // Two steps on the current frame, the other frame untouched.
    QVERIFY(Form->IsModified());
    QCOMPARE(Form->Document().History().count(), 2);
    QCOMPARE(Form->Document().History().text(0), QStringLiteral("Add help line"));
    QCOMPARE(Form->Document().History().text(1), QStringLiteral("Remove help line"));
}

// A left press on a line drags it; past the square's end it stops at 255 and the status
// bar shows the position.
void TestTransformsUi::rulerDragClampsAndShowsPosition()
{
    Start(true);
    OpenShow({{{10, 10}}});
    Frame(0).HelpLines.XLines = {50, 100};
    QWidget* ruler = Ruler(true);
    QTest::mousePress(ruler, Qt::LeftButton, {}, RulerAt(true, 101));
    QTest::mouseMove(ruler, RulerAt(true, 180));
    QCOMPARE(Frame(0).HelpLines.XLines, (std::vector<quint8>{50, 180}));
    QCOMPARE(Inside().sbFramePos->text(), QString("X:180"));
    QTest::mouseMove(ruler, QPoint(ruler->width() + 400, TopRulerHeight / 2));
    QCOMPARE(Frame(0).HelpLines.XLines, (std::vector<quint8>{50, 255}));
    QCOMPARE(Inside().sbFramePos->text(), QString("X:255"));
    QTest::mouseRelease(ruler, Qt::LeftButton, {}, QPoint(ruler->width() + 400, TopRulerHeight / 2));
    QTest::mouseMove(ruler, RulerAt(true, 10));
    QCOMPARE(Frame(0).HelpLines.XLines, (std::vector<quint8>{50, 255}));
    // The whole drag is one step; undone, the line is back where it was.
    QVERIFY(Form->IsModified());
    QCOMPARE(Form->Document().History().count(), 1);
    QCOMPARE(Form->Document().History().undoText(), QStringLiteral("Move help line"));
    Ui().miUndo->trigger();
    QCOMPARE(Frame(0).HelpLines.XLines, (std::vector<quint8>{50, 100}));
}

void TestTransformsUi::doubleClickOpensDialogOnPage_data()
{
    QTest::addColumn<bool>("top");
    QTest::addColumn<int>("page");
    QTest::newRow("top ruler") << true << int(THelpLinesPage::Vertical);
    QTest::newRow("left ruler") << false << int(THelpLinesPage::Horizontal);
}

void TestTransformsUi::doubleClickOpensDialogOnPage()
{
    QFETCH(bool, top);
    QFETCH(int, page);
    Start(true);
    OpenShow({{{10, 10}}});
    Frame(0).HelpLines.XLines = {40};
    Frame(0).HelpLines.YLines = {60};
    HelpLinesDialog()->SelectPage(THelpLinesPage::TwoPoints);

    int shownPage = -1;
    QStringList listed;
    WhenDialogShown([&](TFormHelpLines& dialog) {
        shownPage = dialog.pgPages->currentIndex();
        QListWidget* list = top ? dialog.lbX : dialog.lbY;
        for (int row = 0; row < list->count(); ++row)
            listed << list->item(row)->text();
        dialog.bnCancel->click();
    });
    // As Qt delivers it: press, release, double-click in place of the second press, release.
    QTest::mouseClick(Ruler(top), Qt::LeftButton, {}, RulerAt(top, 120));
    QTest::mouseDClick(Ruler(top), Qt::LeftButton, {}, RulerAt(top, 120));
    QTest::mouseRelease(Ruler(top), Qt::LeftButton, {}, RulerAt(top, 120));
    QCOMPARE(shownPage, page);
    QCOMPARE(listed, QStringList{top ? "40" : "60"});
    QVERIFY(!HelpLinesDialog()->isVisible());
    QVERIFY(!Form->IsModified());
}

// --- "&Helplines..." ---------------------------------------------------------------------------

void TestTransformsUi::helplinesDialogEditsCurrentFrame_data()
{
    QTest::addColumn<bool>("ok");
    QTest::newRow("OK") << true;
    QTest::newRow("Cancel") << false;
}

// OK writes the lists into the current frame, repaints and marks the show; Cancel
// changes nothing.
void TestTransformsUi::helplinesDialogEditsCurrentFrame()
{
    QFETCH(bool, ok);
    Start(true);
    OpenShow({{{10, 10}}, {{20, 20}}});
    Inside().Sketchpad->SetFramePosition(1);
    Frame(1).HelpLines.XLines = {30};
    QVERIFY(Ui().miHelpLines->isEnabled());

    TPaintCounter counter;
    WhenDialogShown([&](TFormHelpLines& dialog) {
        dialog.editX->setText("07");
        dialog.bnAddX->click();
        Inside().Sketchpad->pad->installEventFilter(&counter);
        (ok ? dialog.bnOK : dialog.bnCancel)->click();
    });
    Ui().miHelpLines->trigger();
    Inside().Sketchpad->pad->removeEventFilter(&counter);

    QCOMPARE(Frame(1).HelpLines.XLines, ok ? (std::vector<quint8>{30, 7}) : (std::vector<quint8>{30}));
    QVERIFY(Frame(0).HelpLines.IsEmpty());
    QCOMPARE(Form->IsModified(), ok);
    QCOMPARE(counter.Paints > 0, ok);
}

QTEST_MAIN(TestTransformsUi)
#include "tst_transforms_ui.moc"
