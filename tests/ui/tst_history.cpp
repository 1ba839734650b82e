// The edit history as the user reaches it: every kind of change made through the real
// main window is one step that undo takes back to the very bytes the show had, and redo
// brings forward again, on the frame it changed; unsaved changes follow the history.
#include "Builders.h"
#include "FormUnitHelpLines.h"
#include "FormUnitImport.h"
#include "FormUnitMain.h"
#include "FormUnitPick.h"
#include "FrameList.h"
#include "IldaFile.h"
#include "MainWindowFixture.h"
#include "ScriptedPrompts.h"
#include "SettingsStore.h"
#include "ShowFile.h"
#include "ShowFileWriter.h"

#include <QApplication>
#include <QBuffer>
#include <QDockWidget>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QUndoView>
#include <QPaintEvent>
#include <functional>

class TestHistory;

namespace {

// One kind of step: how the user makes it, and what it is called in the history.
struct TStepCase {
    const char* Row;
    const char* Step;
    std::function<void(TestHistory&)> Do;
    std::function<void(TestHistory&)> Setup = {};   // before the show's bytes are taken
    int Start = 1;                                  // the current frame before the step
    int AfterUndo = 1;                              // the frame shown after undo
    int AfterRedo = 1;                              // and after redo
};

} // namespace

class TestHistory : public QObject, protected TMainWindowFixture {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void everyStep_data();
    void everyStep();
    void dragIsOneStepAndThumbnailFollows();
    void dragRepaintsOnlyItsThumbnail();
    void cleanStateAfterSaveAndUndo();
    void saveKeepsWhatUndoNeeds();
    void budgetDropsOldestSteps();
    void deleteKeyOnThePad();
    void historyPanel();
    void historyPanelFollowsSaveAsAndFitsNames();
    void undoAndRedoKeys();
    void undoAndRedoSayTheirStep();

public:
    // --- what the step cases use
    TFormMain& Main() const { return *Form; }
    TFormMainTestAccess Access() const { return Inside(); }
    QWidget* Pad() const { return Inside().Sketchpad->pad; }
    QPoint At(int x, int y) const { return {Inside().PadTransform().PadX(x), Inside().PadTransform().PadY(y)}; }
    QPoint Raw(int x, int y) const
    {
        const TPadTransform t = Inside().PadTransform();
        return {t.PadXUnflipped(x), t.PadYUnflipped(y)};
    }
    QPoint TopRulerAt(int x) const
    {
        return {Inside().Sketchpad->iLeftRuler->width() + x * Inside().PadTransform().Zoom + 1, TopRulerHeight / 2};
    }
    void Click(QPoint at, Qt::MouseButton button = Qt::LeftButton, Qt::KeyboardModifiers mods = {})
    {
        QTest::mousePress(Pad(), button, mods, at);
        QTest::mouseRelease(Pad(), button, mods, at);
    }
    void Drag(QPoint from, QPoint to, Qt::MouseButton button = Qt::LeftButton, int steps = 1)
    {
        QTest::mousePress(Pad(), button, {}, from);
        for (int k = 1; k <= steps; ++k)
            QTest::mouseMove(Pad(), from + (to - from) * k / steps);
        QTest::mouseRelease(Pad(), button, {}, to);
    }
    void Trigger(const char* name) { Form->findChild<QAction*>(QLatin1String(name))->trigger(); }
    // Runs `inDialog` once the modal dialog of type T is up, then `trigger` opens it.
    template <typename T>
    void WithDialog(const std::function<void(T&)>& inDialog, const std::function<void()>& trigger)
    {
        bool ran = false;
        QTimer::singleShot(0, Form.get(), [&] {
            T* dialog = Form->findChild<T*>();
            if (!dialog || !dialog->isVisible())
                return;
            ran = true;
            inDialog(*dialog);
        });
        trigger();
        QVERIFY(ran);
    }
    TScriptedPrompts& Answers() { return *Prompts; }
    QString OtherShow() const { return FOtherShow; }
    QString IldaFile() const { return FIldaFile; }
    QString Bitmap() const { return FBitmap; }

private:
    void Start();
    QByteArray Bytes() const;
    bool NoUnexpectedPrompts() const { return Prompts->Unexpected.isEmpty() && Prompts->AllAnswered(); }
    QString FShow, FOtherShow, FIldaFile, FBitmap;
};

namespace {

void ClickListItem(QListWidget& list, int row)
{
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, list.visualItemRect(list.item(row)).center());
}

const std::vector<TStepCase>& StepCases()
{
    using T = TestHistory;
    static const std::vector<TStepCase> cases{
        // --- gestures on the pad (frame B: 100/100, 160/100, 130/150, 82/82)
        {"drag a point", "Move points", [](T& t) { t.Drag(t.At(100, 100), t.Raw(120, 110), Qt::LeftButton, 4); }},
        {"add a point", "Add point", [](T& t) {
             t.Trigger("aToolAdd");
             t.Click(t.Raw(60, 200));
         }},
        {"delete a point", "Delete point", [](T& t) {
             t.Trigger("aToolDel");
             t.Click(t.At(160, 100));
         }},
        {"sharpen with the point tool", "Sharpen edges & blank lines", [](T& t) {
             t.Trigger("miToolSharpen");
             t.Click(t.At(130, 150));
         }},
        {"blank with the point tool", "Sharpen edges & blank lines", [](T& t) {
             t.Trigger("miToolSharpen");
             t.Click(t.At(130, 150), Qt::RightButton);
         }},
        {"link tool", "Link frames for morphing", [](T& t) {
             t.Trigger("miToolLink");
             t.Click(t.At(160, 100));                  // this frame's point 1
             t.Click(t.At(40, 40), Qt::RightButton);   // the previous frame's point 0
         }},
        {"move the frame", "Move frame", [](T& t) {
             t.Trigger("miToolMoveRotate");
             t.Drag(t.Raw(128, 128), t.Raw(138, 120), Qt::LeftButton, 3);
         }},
        {"rotate the frame", "Rotate frame", [](T& t) {
             t.Trigger("miToolMoveRotate");
             t.Drag(t.Raw(178, 128), t.Raw(128, 178), Qt::RightButton, 3);
         }},
        {"centre tool", "Set effect & auxiliary center points", [](T& t) {
             t.Trigger("miToolAuxPoints");
             t.Click(t.Raw(60, 70), Qt::RightButton);
         }},
        {"Alt with the frame tool", "Set effect & auxiliary center points", [](T& t) {
             t.Trigger("miToolMoveRotate");
             t.Click(t.Raw(60, 70), Qt::LeftButton, Qt::AltModifier);
         }},
        {"equilateral", "Equilateral", [](T& t) {
             t.Trigger("aToolGeo");
             t.Click(t.Raw(128, 128));
             t.Answers().ExpectInput(QStringLiteral("5"));
             t.Click(t.Raw(178, 128), Qt::RightButton);
         }},
        {"Delete key", "Delete points", [](T& t) { QTest::keyClick(t.Pad(), Qt::Key_Delete); },
         [](T& t) {
             t.Click(t.At(100, 100), Qt::LeftButton, Qt::ShiftModifier);
             t.Click(t.At(130, 150), Qt::LeftButton, Qt::ShiftModifier);
         }},
        {"ruler adds a help line", "Add help line", [](T& t) {
             QTest::mouseClick(t.Access().Sketchpad->iTopRuler, Qt::RightButton, {}, t.TopRulerAt(120));
         }},
        {"ruler drags a help line", "Move help line", [](T& t) {
             QWidget* ruler = t.Access().Sketchpad->iTopRuler;
             QTest::mousePress(ruler, Qt::LeftButton, {}, t.TopRulerAt(50));
             QTest::mouseMove(ruler, t.TopRulerAt(70));
             QTest::mouseMove(ruler, t.TopRulerAt(90));
             QTest::mouseRelease(ruler, Qt::LeftButton, {}, t.TopRulerAt(90));
         }},
        // --- property buttons and frame commands
        {"sharpen button", "Sharpen", [](T& t) { t.Trigger("aSharpen"); }, [](T& t) { t.Click(t.At(160, 100)); }},
        {"blank button", "Blank", [](T& t) { t.Trigger("aBlank"); }, [](T& t) { t.Click(t.At(160, 100)); }},
        {"colour item", "Color: Blue", [](T& t) { t.Trigger("miColor1"); }},
        {"colour button", "Color: Blue", [](T& t) { t.Trigger("aColorSwitch"); }},
        {"lock", "Lock frame", [](T& t) { t.Trigger("aLock"); }},
        {"effect item", "Effect: Rotate", [](T& t) { t.Trigger("miEffectRotate"); }},
        {"effect button", "Effect: Morph", [](T& t) { t.Trigger("aEffectStep"); }},
        {"effect parameter", "Change frame effect param", [](T& t) {
             t.Answers().ExpectInput(QStringLiteral("-45"));
             t.Trigger("aFrameEffectParam");
         }},
        {"morph time", "Change frame morph/effect time", [](T& t) {
             t.Answers().ExpectInput(QStringLiteral("250"));
             t.Trigger("aFrameMorph");
         }},
        {"delay", "Change frame delay", [](T& t) {
             t.Answers().ExpectInput(QStringLiteral("70000"));
             t.Trigger("aFrameDelay");
         }},
        {"rename", "Rename frame", [](T& t) {
             t.Answers().ExpectInput(QStringLiteral("Bee"));
             t.Trigger("aRenameFrame");
         }},
        {"help lines dialog", "Helplines", [](T& t) {
             t.WithDialog<TFormHelpLines>([](TFormHelpLines& dialog) {
                 dialog.editX->setText(QStringLiteral("70"));
                 dialog.bnAddX->click();
                 dialog.bnOK->click();
             }, [&t] { t.Trigger("miHelpLines"); });
         }},
        {"background image", "Background image", [](T& t) {
             t.Answers().ExpectOpen(t.Bitmap());
             t.Trigger("aLoadBackImg");
         }},
        {"part of the image", "Choose part of image", [](T& t) {
             t.WithDialog<TFormPickImage>([](TFormPickImage& dialog) {
                 QTest::mousePress(dialog.img, Qt::LeftButton, {}, QPoint(3, 4));
                 QTest::mousePress(dialog.img, Qt::RightButton, {}, QPoint(20, 30));
                 dialog.close();
             }, [&t] { t.Trigger("miChoosePart"); });
         },
         [](T& t) {
             t.Answers().ExpectOpen(t.Bitmap());
             t.Trigger("aLoadBackImg");
         }},
        // --- the Frame menu's transforms (frame B's centres: effect 128/128, auxiliary 128/0)
        {"flip at X-axis", "Flip frame at X-axis", [](T& t) { t.Trigger("miFrameFlipX2"); }},
        {"flip at Y-axis", "Flip frame at Y-axis", [](T& t) { t.Trigger("miFrameFlipY"); }},
        {"flip at the centre axis", "Flip frame at effect center - auxiliary center axis",
         [](T& t) { t.Trigger("miFrameFlipD"); }},
        {"centre", "Center frame", [](T& t) { t.Trigger("miCenterFrame"); }},
        {"rotate", "Rotate frame", [](T& t) {
             t.Answers().ExpectInput(QStringLiteral("90"));
             t.Trigger("miRotateFrame");
         }},
        {"scale", "Scale frame", [](T& t) {
             t.Answers().ExpectInput(QStringLiteral("0.5"));
             t.Trigger("miScale");
         }},
        {"set centres", "Set effect & auxiliary center", [](T& t) {
             for (const char* answer : {"10", "20", "30", "40"})
                 t.Answers().ExpectInput(QString::fromLatin1(answer));
             t.Trigger("miSetRotPoint");
         }},
        {"renumber", "Renumber points", [](T& t) { t.Trigger("miRenum"); }},
        {"link overlaying points", "Link overlaying points", [](T& t) {
             t.Answers().ExpectTell();
             t.Trigger("miLinkOverlay");
         }},
        // --- the frame list
        {"add frame", "Add frame", [](T& t) { t.Trigger("aAddFrame"); }},
        {"delete frame", "Delete frame", [](T& t) { t.Trigger("aDeleteFrame"); }},
        {"delete the last frame", "Delete frame", [](T& t) { t.Trigger("aDeleteFrame"); }, {}, 2, 2, 1},
        {"delete the first frame", "Delete frame", [](T& t) { t.Trigger("aDeleteFrame"); }, {}, 0, 0, 0},
        {"drop a frame at the end", "Move frame in the list", [](T& t) { t.Access().lbThumbsDragDrop(1, 3); }},
        {"drop a frame at the front", "Move frame in the list", [](T& t) { t.Access().lbThumbsDragDrop(2, 0); }},
        {"cut", "Cut frame to clipboard", [](T& t) { t.Trigger("aCutFrameToClipboard"); }},
        {"paste", "Paste frame from clipboard", [](T& t) { t.Trigger("aPasteFrameFromClipboard"); },
         [](T& t) {
             t.Access().lbThumbsClick(2);
             t.Trigger("aCopyFrameToClipboard");
             t.Access().lbThumbsClick(1);
         }},
        {"import show", "Import show", [](T& t) {
             t.Answers().ExpectOpen(t.OtherShow());
             t.Trigger("aImportShow");
         }},
        {"import frame", "Import frame", [](T& t) {
             t.WithDialog<TFormImport>([&t](TFormImport& dialog) {
                 dialog.editFilename->setText(t.OtherShow());
                 ClickListItem(*dialog.lb, 1);
                 dialog.bnImport->click();
             }, [&t] { t.Trigger("aImportFrame"); });
         }},
        {"import ILDA file", "Import ILDA file", [](T& t) {
             t.Answers().ExpectOpen(t.IldaFile());
             t.Trigger("aImportIlda");
         }},
    };
    return cases;
}

TLaserFrame& AddFrame(TLaserFrames& show, const QString& name, const QList<QPoint>& points,
                      const QStringList& names = {})
{
    TLaserFrame& frame = show.Add();
    frame.Name = name;
    for (int i = 0; i < points.size(); ++i) {
        TSmallPoint p = PointAt(points[i].x(), points[i].y());
        p.Selection = 0;
        p.Name = i < names.size() ? names[i] : QString::number(i);
        frame.Points.push_back(p);
    }
    return frame;
}

} // namespace

// --- fixture -----------------------------------------------------------------------------------

void TestHistory::initTestCase()
{
    QApplication::setQuitOnLastWindowClosed(false);
}

void TestHistory::init()
{
    InitFixture();
}

void TestHistory::cleanup()
{
    CleanupFixture();
}

// A three-frame show opened from a file, the window shown at zoom 2 with the rulers:
// A, then B linked to A with a help line, its centres apart and point names that are not
// their numbers, then C. Beside it another show, an ILDA file and a bitmap to import.
void TestHistory::Start()
{
    CreateForm([](TSettingsStore& store) {
        store.WriteSwitch({}, "SnapGrid", false);
        store.WriteSwitch({}, "ShowRuler", true);
    }, true);
    TLaserFrames show;
    AddFrame(show, "A", {{40, 40}, {80, 40}, {80, 80}, {40, 80}});
    TLaserFrame& b = AddFrame(show, "B", {{100, 100}, {160, 100}, {130, 150}, {82, 82}}, {"p", "q", "r", "s"});
    b.FitLinks(4);
    for (int i = 0; i < 3; ++i)
        b.Links.Set(i, i, true);
    b.HelpLines.XLines = {50};
    b.AuxCenterY = 0;
    TLaserFrame& c = AddFrame(show, "C", {{200, 200}, {220, 200}, {220, 220}, {200, 220}, {210, 230}});
    c.FitLinks(4);
    c.Links.Set(4, 3, true);
    FShow = Dir->filePath("history.RZ4");
    QVERIFY(WriteShowFile(FShow, show).ok);

    TLaserFrames other;
    AddFrame(other, "X", {{10, 10}, {30, 10}});
    AddFrame(other, "Y", {{50, 50}, {70, 50}, {60, 70}});
    FOtherShow = Dir->filePath("other.RZ4");
    QVERIFY(WriteShowFile(FOtherShow, other).ok);
    FIldaFile = Dir->filePath("other.ild");
    QVERIFY(ExportIldaFile(FIldaFile, other, TIldaExportOptions()).outcome.ok);
    FBitmap = Dir->filePath("back.bmp");
    QImage picture(32, 32, QImage::Format_RGB32);
    picture.fill(Qt::darkCyan);
    QVERIFY(picture.save(FBitmap, "BMP"));

    Form->OpenCommandLineFile(FShow);
    QCOMPARE(Form->Show().Count(), 3);
    Form->resize(900, 800);
}

// The show as it would be saved, written from a copy so that the writer's fitting leaves
// the open show alone.
QByteArray TestHistory::Bytes() const
{
    TLaserFrames copy;
    for (int i = 0; i < Form->Show().Count(); ++i) {
        auto frame = std::make_unique<TLaserFrame>();
        frame->CopyFrom(Form->Show().Frame(i));
        copy.AddFrame(std::move(frame));
    }
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    const TResult written = TShowFileWriter::Write(buffer, copy);
    if (!written.ok)
        qWarning("%s", qPrintable(written.message));
    return buffer.data();
}

// --- one table over every kind of step ---------------------------------------------------------

void TestHistory::everyStep_data()
{
    QTest::addColumn<int>("index");
    for (size_t i = 0; i < StepCases().size(); ++i)
        QTest::newRow(StepCases()[i].Row) << int(i);
}

void TestHistory::everyStep()
{
    QFETCH(int, index);
    const TStepCase& step = StepCases()[size_t(index)];
    Start();
    Inside().lbThumbsClick(step.Start);
    if (step.Setup)
        step.Setup(*this);
    Form->Document().MarkSaved();
    const QByteArray before = Bytes();
    const int count = Form->Document().History().count();
    QVERIFY(!Form->IsModified());
    QVERIFY(!Form->isWindowModified());

    step.Do(*this);
    QVERIFY(NoUnexpectedPrompts());
    const QByteArray after = Bytes();
    QVERIFY(after != before);
    QVERIFY(Form->IsModified());
    QVERIFY(Form->isWindowModified());
    QCOMPARE(Form->Document().History().count(), count + 1);   // one step, whatever it took
    QCOMPARE(Form->Document().History().undoText(), QString::fromLatin1(step.Step));
    QCOMPARE(Ui().miUndo->statusTip(), "Undo " + QString::fromLatin1(step.Step));

    // Looking at another frame first: undo goes back to the step's own.
    Inside().lbThumbsClick(step.AfterUndo == 0 ? 1 : 0);
    Ui().miUndo->trigger();
    QCOMPARE(Bytes(), before);
    QVERIFY(!Form->IsModified());
    QVERIFY(!Form->isWindowModified());
    QCOMPARE(Form->CurrentFrameIndex(), step.AfterUndo);
    QCOMPARE(Inside().lbThumbs->currentRow(), step.AfterUndo);
    QCOMPARE(Inside().lbThumbs->count(), Form->Show().Count());

    Inside().lbThumbsClick(step.AfterUndo == 0 ? 1 : 0);
    Ui().miRedo->trigger();
    QCOMPARE(Bytes(), after);
    QVERIFY(Form->IsModified());
    QCOMPARE(Form->CurrentFrameIndex(), step.AfterRedo);
    QCOMPARE(Inside().lbThumbs->count(), Form->Show().Count());
    for (int i = 0; i < Inside().lbThumbs->count(); ++i)
        QCOMPARE(Inside().lbThumbs->item(i)->text(), Form->Show().Frame(i).Name);

    // And back once more: a step can go back and forth as often as the user likes.
    Ui().miUndo->trigger();
    QCOMPARE(Bytes(), before);
    Ui().miRedo->trigger();
    QCOMPARE(Bytes(), after);
    QVERIFY(NoUnexpectedPrompts());
}

// --- the rest ----------------------------------------------------------------------------------

// A drag with many moves is one step, and the frame list's thumbnail follows while it goes on.
void TestHistory::dragIsOneStepAndThumbnailFollows()
{
    Start();
    Inside().lbThumbsClick(1);
    TPaintCounter thumbnails;
    Inside().lbThumbs->viewport()->installEventFilter(&thumbnails);
    QTest::mousePress(Pad(), Qt::LeftButton, {}, At(100, 100));
    for (int k = 1; k <= 10; ++k) {
        QTest::mouseMove(Pad(), Raw(100 + 5 * k, 100 + 3 * k));
        QApplication::processEvents();
    }
    QVERIFY(thumbnails.Paints >= 1);
    QVERIFY(Form->Document().History().count() == 0);   // nothing yet while the button is down
    QTest::mouseRelease(Pad(), Qt::LeftButton, {}, Raw(150, 130));
    QCOMPARE(Form->Document().History().count(), 1);
    QCOMPARE(Form->Show().Frame(1).Points[0].X, quint8(150));
    Ui().miUndo->trigger();
    QCOMPARE(Form->Show().Frame(1).Points[0].X, quint8(100));
    QCOMPARE(Form->Show().Frame(1).Points[0].Y, quint8(100));
}

// A point dragged on the pad repaints that frame's entry of the list, not the whole list.
void TestHistory::dragRepaintsOnlyItsThumbnail()
{
    Start();
    Access().lbThumbsClick(1);
    QListWidget* list = Inside().lbThumbs;
    QApplication::processEvents();
    const QRect entry = list->visualItemRect(list->item(1));
    struct TRegionSpy : QObject {
        QRegion Painted;
        bool eventFilter(QObject*, QEvent* event) override
        {
            if (event->type() == QEvent::Paint)
                Painted += static_cast<QPaintEvent*>(event)->region();
            return false;
        }
    } spy;
    list->viewport()->installEventFilter(&spy);
    QTest::mousePress(Pad(), Qt::LeftButton, {}, At(100, 100));
    for (int k = 1; k <= 5; ++k) {
        QTest::mouseMove(Pad(), Raw(100 + 5 * k, 100 + 3 * k));
        QApplication::processEvents();
    }
    list->viewport()->removeEventFilter(&spy);
    QTest::mouseRelease(Pad(), Qt::LeftButton, {}, Raw(125, 115));
    QVERIFY(!spy.Painted.isEmpty());
    QVERIFY2(entry.contains(spy.Painted.boundingRect()),
             qPrintable(QStringLiteral("painted %1,%2 %3x%4")
                            .arg(spy.Painted.boundingRect().x()).arg(spy.Painted.boundingRect().y())
                            .arg(spy.Painted.boundingRect().width()).arg(spy.Painted.boundingRect().height())));
}

// Saving marks the state the history is in; undoing back to it clears Modified, and closing
// then asks nothing.
void TestHistory::cleanStateAfterSaveAndUndo()
{
    Start();
    Trigger("aAddFrame");
    Prompts->ExpectTell();   // "File was saved."
    Trigger("aSaveFile");
    QVERIFY(!Form->IsModified());
    QVERIFY(!Form->isWindowModified());
    Trigger("miFrameFlipY");
    QVERIFY(Form->IsModified());
    QVERIFY(Form->isWindowModified());
    Trigger("miUndo");
    QVERIFY(!Form->IsModified());
    Trigger("miUndo");   // past the saved state: changed again
    QVERIFY(Form->IsModified());
    Trigger("miRedo");
    QVERIFY(!Form->IsModified());
    QVERIFY(Form->close());   // no question
    QVERIFY(NoUnexpectedPrompts());
    QCOMPARE(Prompts->Shown.size(), 1);
}

// A point deleted, the show saved, the deletion undone: the point's links are back too,
// although the file was written with the matrix fitted to one point less.
void TestHistory::saveKeepsWhatUndoNeeds()
{
    Start();
    Inside().lbThumbsClick(1);
    QVERIFY(Form->Document().EditFrame(1, "Link frames for morphing",
                                       [](TLaserFrame& f) { f.Links.Set(3, 3, true); }, TShowChange::Links));
    const QByteArray before = Bytes();
    Trigger("aToolDel");
    Click(At(82, 82));   // the last point, the one linked to A's point 3
    QCOMPARE(Form->Show().Frame(1).PointCount(), 3);
    Prompts->ExpectTell();   // "File was saved."
    Trigger("aSaveFile");
    TLaserFrames saved;
    QVERIFY(ReadShowFile(saved, FShow).outcome.ok);
    QCOMPARE(saved.Frame(1).Links.Rows(), 3);
    Trigger("miUndo");
    QCOMPARE(Form->Show().Frame(1).PointCount(), 4);
    QVERIFY(Form->Show().Frame(1).Links.Get(3, 3));
    QCOMPARE(Bytes(), before);
    QVERIFY(NoUnexpectedPrompts());
}

// Past its memory budget the history drops its oldest steps; the rest still undo exactly.
void TestHistory::budgetDropsOldestSteps()
{
    Start();
    Inside().lbThumbsClick(2);
    QList<QByteArray> states{Bytes()};   // the show after each step
    Trigger("aAddFrame");
    states << Bytes();
    Form->Document().SetHistoryBudget(4 * Form->Document().HistoryCost());
    for (int k = 0; k < 20; ++k) {
        Trigger(k % 2 ? "miFrameFlipX2" : "miFrameFlipY");
        states << Bytes();
    }
    const QUndoStack& history = Form->Document().History();
    QVERIFY(history.count() < 21);
    QVERIFY(history.count() >= 1);
    QVERIFY(Form->Document().HistoryCost() <= Form->Document().HistoryBudget());
    QCOMPARE(Inside().lvHistory->model()->rowCount(), history.count() + 1);   // with the opened show
    // The kept steps undo one by one to the state the oldest of them started from, which
    // is no saved state.
    for (int k = 0; k < history.count(); ++k) {
        Trigger("miUndo");
        QCOMPARE(Bytes(), states[states.size() - 2 - k]);
    }
    QVERIFY(!history.canUndo());
    QVERIFY(Form->IsModified());
    while (history.canRedo())
        Trigger("miRedo");
    QCOMPARE(Bytes(), states.last());
}

// The Delete key on the pad deletes the selected points, or the current one, as one step.
void TestHistory::deleteKeyOnThePad()
{
    Start();
    Inside().lbThumbsClick(2);
    Click(At(200, 200), Qt::LeftButton, Qt::ShiftModifier);
    Click(At(220, 220), Qt::LeftButton, Qt::ShiftModifier);
    Click(At(210, 230), Qt::LeftButton, Qt::ShiftModifier);
    QTest::keyClick(Pad(), Qt::Key_Delete);
    QCOMPARE(Form->Show().Frame(2).PointCount(), 2);
    QCOMPARE(Form->Show().Frame(2).Points[0].X, quint8(220));
    QCOMPARE(Form->Show().Frame(2).Points[1].Y, quint8(220));
    QCOMPARE(Form->Document().History().count(), 1);
    QVERIFY(!Inside().State.MultiSelect);

    // No selection: the current point goes.
    Click(At(220, 220));
    QTest::keyClick(Pad(), Qt::Key_Delete);
    QCOMPARE(Form->Show().Frame(2).PointCount(), 1);
    Ui().miUndo->trigger();
    Ui().miUndo->trigger();
    QCOMPARE(Form->Show().Frame(2).PointCount(), 5);
    QCOMPARE(Form->Show().Frame(2).Points[4].X, quint8(210));

    // A locked frame keeps its points, as it does for the mouse.
    Trigger("aLock");
    Click(At(200, 200));
    QTest::keyClick(Pad(), Qt::Key_Delete);
    QCOMPARE(Form->Show().Frame(2).PointCount(), 5);
}

// The History panel lists the steps; choosing an earlier one goes back to it.
void TestHistory::historyPanel()
{
    Start();
    QVERIFY(!Inside().panelHistory->isVisible());
    Ui().miPanelHistory->trigger();
    QVERIFY(Inside().panelHistory->isVisible());
    QVERIFY(Ui().miPanelHistory->isChecked());
    Inside().lbThumbsClick(0);
    Trigger("miFrameFlipY");
    Inside().lbThumbsClick(2);
    Trigger("miFrameFlipX2");
    Trigger("aAddFrame");
    QAbstractItemModel* steps = Inside().lvHistory->model();
    QCOMPARE(steps->rowCount(), 4);
    QCOMPARE(steps->index(0, 0).data().toString(), QStringLiteral("history.RZ4"));   // the show as opened
    QCOMPARE(steps->index(1, 0).data().toString(), QStringLiteral("Flip frame at Y-axis"));
    QCOMPARE(steps->index(3, 0).data().toString(), QStringLiteral("Add frame"));

    Inside().lvHistory->setCurrentIndex(steps->index(1, 0));
    QCOMPARE(Form->Document().History().index(), 1);
    QCOMPARE(Form->Show().Count(), 3);
    QCOMPARE(Form->Show().Frame(2).Points[0].Y, quint8(200));   // flip X undone
    QCOMPARE(Form->Show().Frame(0).Points[0].X, quint8(215));   // flip Y kept
    QCOMPARE(Form->CurrentFrameIndex(), 2);

    // Closing the panel clears its check mark.
    Inside().panelHistory->close();
    QVERIFY(!Ui().miPanelHistory->isChecked());
}

// The first entry names the file the show now has, also after Save As; the panel opens
// wide enough for the longest step name.
void TestHistory::historyPanelFollowsSaveAsAndFitsNames()
{
    Start();
    Ui().miPanelHistory->trigger();
    QTest::qWait(20);
    QAbstractItemModel* steps = Inside().lvHistory->model();
    QCOMPARE(steps->index(0, 0).data().toString(), QStringLiteral("history.RZ4"));
    Prompts->ExpectInput(QStringLiteral("900"));
    Trigger("aFrameMorph");
    QCOMPARE(steps->index(1, 0).data().toString(), QStringLiteral("Change frame morph/effect time"));
    const QRect row = Inside().lvHistory->visualRect(steps->index(1, 0));
    const int text = Inside().lvHistory->fontMetrics().horizontalAdvance(QStringLiteral("Change frame morph/effect time"));
    QVERIFY2(Inside().lvHistory->viewport()->width() >= row.left() + text,
             qPrintable(QStringLiteral("%1 < %2").arg(Inside().lvHistory->viewport()->width()).arg(row.left() + text)));

    const QString renamed = Dir->filePath("renamed.RZ4");
    Prompts->ExpectSave(renamed);
    Prompts->ExpectTell();   // "File was saved."
    Trigger("aSaveAsFile");
    QVERIFY(NoUnexpectedPrompts());
    QCOMPARE(Form->Show().FileName, renamed);
    QCOMPARE(steps->index(0, 0).data().toString(), QStringLiteral("renamed.RZ4"));
    QCOMPARE(Inside().Sketchpad->windowTitle(), renamed);
}

void TestHistory::undoAndRedoKeys()
{
    Start();
    QCOMPARE(Ui().miUndo->shortcut(), QKeySequence(QKeySequence::Undo));
    QCOMPARE(Ui().miRedo->shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));
    QCOMPARE(Ui().miUndo->text(), QStringLiteral("&Undo"));
    QCOMPARE(Ui().miRedo->text(), QStringLiteral("&Redo"));
    Inside().lbThumbsClick(0);
    Trigger("miFrameFlipY");
    Form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(Form.get()));
    Pad()->setFocus();
    QTest::keyClick(Pad(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(Form->Show().Frame(0).Points[0].X, quint8(40));
    QTest::keyClick(Pad(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(Form->Show().Frame(0).Points[0].X, quint8(215));
    // Ctrl+C still centres the frame.
    QCOMPARE(Ui().miCenterFrame->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_C));
}

// Edit > Undo and Redo name the step they will take back or bring again; a "&" in a step's
// name is no accelerator.
void TestHistory::undoAndRedoSayTheirStep()
{
    Start();
    Trigger("miFrameFlipY");
    QCOMPARE(Ui().miUndo->text(), QStringLiteral("&Undo Flip frame at Y-axis"));
    QCOMPARE(Ui().miRedo->text(), QStringLiteral("&Redo"));
    for (const char* answer : {"1", "2", "3", "4"})
        Prompts->ExpectInput(QString::fromLatin1(answer));
    Trigger("miSetRotPoint");
    QVERIFY(NoUnexpectedPrompts());
    QCOMPARE(Ui().miUndo->text(), QStringLiteral("&Undo Set effect && auxiliary center"));
    QCOMPARE(Ui().miUndo->statusTip(), QStringLiteral("Undo Set effect & auxiliary center"));
    Trigger("miUndo");
    QCOMPARE(Ui().miUndo->text(), QStringLiteral("&Undo Flip frame at Y-axis"));
    QCOMPARE(Ui().miRedo->text(), QStringLiteral("&Redo Set effect && auxiliary center"));
    Trigger("miUndo");
    QCOMPARE(Ui().miUndo->text(), QStringLiteral("&Undo"));
    QVERIFY(!Ui().miUndo->isEnabled());
}

QTEST_MAIN(TestHistory)
#include "tst_history.moc"
