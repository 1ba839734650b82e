// The show document and its history without a window: the difference a step keeps of a
// frame, the steps of the frame list, gestures, the saved state and the memory budget.
#include "Builders.h"
#include "FrameDelta.h"
#include "ShowDocument.h"
#include "Transforms.h"

#include <QSignalSpy>
#include <QTest>
#include <functional>
#include <stdexcept>

Q_DECLARE_METATYPE(std::function<void(TLaserFrame&)>)

namespace {

using TChange = std::function<void(TLaserFrame&)>;

// A frame of `count` points named by their numbers, linked to a predecessor of 150 points.
TLaserFrame MakeFrame(int count = 200)
{
    TLaserFrame frame;
    frame.Name = QStringLiteral("big");
    for (int i = 0; i < count; ++i) {
        TSmallPoint p;
        p.X = quint8(i);
        p.Y = quint8(255 - i);
        p.Selection = 0;
        frame.Points.push_back(p);
    }
    RenumberPoints(frame);
    frame.FitLinks(150);
    for (int i = 0; i < count; i += 3)
        frame.Links.Set(i, i % 150, true);
    frame.HelpLines.XLines = {10, 20};
    return frame;
}

// Equal for the show file and the views; the links by their dimensions and every entry.
bool SameFrame(const TLaserFrame& a, const TLaserFrame& b)
{
    if (a.Points.size() != b.Points.size())
        return false;
    for (size_t i = 0; i < a.Points.size(); ++i) {
        if (!TFrameDelta::SamePoint(a.Points[i], b.Points[i]))
            return false;
    }
    return a.Links == b.Links && a.Delay == b.Delay && a.EffectTime == b.EffectTime && a.Flags == b.Flags
        && a.Name == b.Name && a.ImageFile == b.ImageFile && a.HelpLines == b.HelpLines
        && a.Effect == b.Effect && a.EffectParam == b.EffectParam && a.EffectCenterX == b.EffectCenterX
        && a.EffectCenterY == b.EffectCenterY && a.AuxCenterX == b.AuxCenterX && a.AuxCenterY == b.AuxCenterY
        && a.ImagePart == b.ImagePart && a.Image == b.Image;
}

TSmallPoint NewPoint(int x, int y)
{
    TSmallPoint p = PointAt(x, y);
    p.Name = QStringLiteral("new");
    return p;
}

// A show of frames with the given point counts, each frame's links fitted, a few set.
TLaserFrames MakeShow(const QList<int>& counts)
{
    TLaserFrames show;
    for (int k = 0; k < counts.size(); ++k) {
        TLaserFrame& frame = show.Add();
        frame.Name = QString(QChar('A' + k));
        for (int i = 0; i < counts[k]; ++i)
            frame.Points.push_back(NewPoint(10 * i, 10 * k));
        show.FitLinksAt(k);
        frame.Links.Set(0, 0, true);
        frame.Links.Set(counts[k] - 1, show.PreviousPointCount(k) - 1, true);
    }
    return show;
}

} // namespace

class TestShowDocument : public QObject {
    Q_OBJECT
private slots:
    void frameDelta_data();
    void frameDelta();
    void scopeLimitsWhatIsCompared();
    void stepNames();
    void editMakesOneStepOrNone();
    void failedChangeLeavesFrame();
    void gestureIsOneStep();
    void undoEndsGestureFirst();
    void signalsSayWhatChanged();
    void listStepsRestoreLinksExactly_data();
    void listStepsRestoreLinksExactly();
    void deleteRefusesOnlyFrame();
    void replaceShowStartsAfresh();
    void keepsAtLeastAHundredSteps();
    void budgetDropsOldestKeepsCleanState();
    void budgetDropsSavedState();
    void budgetKeepsStepsToRedo();
    void scopeCheckKeepsWhatEscapedTheScope_data();
    void scopeCheckKeepsWhatEscapedTheScope();
    void delaysOfEveryFrameAreOneStep();
    void soundtrackIsAStep();
    void correctedBeatsAreAStepOfTheirOwn();
};

// --- one frame's difference ------------------------------------------------------------------

void TestShowDocument::frameDelta_data()
{
    QTest::addColumn<TChange>("change");
    QTest::addColumn<int>("changes");   // TShowChanges
    QTest::addColumn<int>("maxCost");   // bytes the delta may hold for the change; 0: no bound
    const int points = int(TShowChange::Points), links = int(TShowChange::Links);
    const int timing = int(TShowChange::Timing), properties = int(TShowChange::Properties);

    QTest::newRow("move one point") << TChange([](TLaserFrame& f) { f.Points[77].X = 3; }) << points << 400;
    QTest::newRow("move every point") << TChange([](TLaserFrame& f) { RotateFrame(f, 1.0); }) << points << 2400;
    QTest::newRow("flags of two points far apart") << TChange([](TLaserFrame& f) {
        f.Points[1].Flags = TSmallPoint::FlagSharp;
        f.Points[198].Flags = TSmallPoint::FlagBlank;
    }) << points << 400;
    QTest::newRow("selection of every point") << TChange([](TLaserFrame& f) {
        for (TSmallPoint& p : f.Points)
            p.Selection = 1;
    }) << points << 0;
    QTest::newRow("rename every point") << TChange([](TLaserFrame& f) {
        for (TSmallPoint& p : f.Points)
            p.Name = QStringLiteral("x");
    }) << points << 0;
    QTest::newRow("insert first") << TChange([](TLaserFrame& f) { f.Points.insert(f.Points.begin(), NewPoint(1, 2)); })
                                  << points << 400;
    QTest::newRow("insert in the middle and renumber") << TChange([](TLaserFrame& f) {
        f.Points.insert(f.Points.begin() + 100, NewPoint(1, 2));
        RenumberPoints(f);
    }) << points << 0;
    QTest::newRow("insert last") << TChange([](TLaserFrame& f) { f.Points.push_back(NewPoint(1, 2)); }) << points << 400;
    QTest::newRow("delete first") << TChange([](TLaserFrame& f) { f.Points.erase(f.Points.begin()); }) << points << 400;
    QTest::newRow("delete in the middle") << TChange([](TLaserFrame& f) { f.Points.erase(f.Points.begin() + 99); })
                                          << points << 400;
    QTest::newRow("delete last") << TChange([](TLaserFrame& f) { f.Points.pop_back(); }) << points << 400;
    QTest::newRow("delete every point") << TChange([](TLaserFrame& f) { f.Points.clear(); }) << points << 0;
    QTest::newRow("same point deleted and added back") << TChange([](TLaserFrame& f) {
        f.Points.erase(f.Points.begin() + 10, f.Points.begin() + 20);
        f.Points.insert(f.Points.begin() + 10, NewPoint(9, 9));
    }) << points << 0;
    QTest::newRow("toggle one link") << TChange([](TLaserFrame& f) { f.Links.Set(5, 140, !f.Links.Get(5, 140)); })
                                     << links << 400;
    QTest::newRow("link everything") << TChange([](TLaserFrame& f) {
        for (int i = 0; i < f.Links.Rows(); ++i)
            for (int j = 0; j < f.Links.Cols(); ++j)
                f.Links.Set(i, j, true);
    }) << links << 0;
    QTest::newRow("fit with more rows") << TChange([](TLaserFrame& f) { f.Links.Fit(260, 150); }) << links << 400;
    QTest::newRow("fit with fewer rows and columns") << TChange([](TLaserFrame& f) { f.Links.Fit(70, 40); })
                                                     << links << 0;
    QTest::newRow("fit away every link") << TChange([](TLaserFrame& f) { f.Links.Fit(200, 0); }) << links << 0;
    QTest::newRow("delay") << TChange([](TLaserFrame& f) { f.Delay = 40; }) << timing << 0;
    QTest::newRow("effect and parameter") << TChange([](TLaserFrame& f) {
        f.Effect = EffectRotate;
        f.EffectParam = -45;
    }) << timing << 0;
    QTest::newRow("name, colour and lock") << TChange([](TLaserFrame& f) {
        f.Name = QStringLiteral("renamed");
        f.Flags = TLaserFrame::FlagColor | TLaserFrame::FlagLocked;
    }) << properties << 0;
    QTest::newRow("help lines and centres") << TChange([](TLaserFrame& f) {
        f.HelpLines.XLines.clear();
        f.HelpLines.Add2P({1, 2}, {3, 4});
        f.AuxCenterX = 7;
    }) << properties << 0;
    QTest::newRow("background image") << TChange([](TLaserFrame& f) {
        f.Image = QImage(8, 8, QImage::Format_RGB32);
        f.Image.fill(Qt::red);
        f.ImageFile = QStringLiteral("/tmp/red.bmp");
        f.ImagePart = {1, 2, 3, 4};
    }) << properties << 0;
    QTest::newRow("everything at once") << TChange([](TLaserFrame& f) {
        RotateFrame(f, 0.3);
        f.Points.insert(f.Points.begin() + 50, NewPoint(1, 1));
        f.Links.Fit(201, 150);
        f.Links.Set(200, 149, true);
        f.Delay = 5;
        f.Name = QStringLiteral("all");
    }) << (points | links | timing | properties) << 0;
}

// The delta of every kind of change turns the frame back and forth exactly, as often as
// asked, and holds little where little changed.
void TestShowDocument::frameDelta()
{
    QFETCH(TChange, change);
    QFETCH(int, changes);
    QFETCH(int, maxCost);
    TLaserFrame frame = MakeFrame();
    const TLaserFrame before = frame;
    change(frame);
    const TLaserFrame after = frame;
    TFrameDelta delta(before, after);
    QCOMPARE(int(delta.Changes()), changes);
    // Beyond the fixed part every delta has.
    const qint64 held = delta.Cost() - TFrameDelta().Cost();
    QVERIFY(held > 0);
    if (maxCost > 0)
        QVERIFY2(held <= maxCost, qPrintable(QString::number(held)));
    for (int round = 0; round < 3; ++round) {
        delta.Revert(frame);
        QVERIFY(SameFrame(frame, before));
        delta.Reapply(frame);
        QVERIFY(SameFrame(frame, after));
    }
    QVERIFY(TFrameDelta(after, after).IsEmpty());
}

// Outside its scope a delta sees nothing; the transient mark is never a change.
void TestShowDocument::scopeLimitsWhatIsCompared()
{
    TLaserFrame frame = MakeFrame();
    const TLaserFrame before = frame;
    frame.Delay = 1;
    frame.Links.Set(0, 1, true);
    frame.Points[0].Marked = true;
    QVERIFY(TFrameDelta(before, frame, TShowChange::Points).IsEmpty());
    QCOMPARE(TFrameDelta(before, frame, TShowChange::Links).Changes(), TShowChanges(TShowChange::Links));
    QCOMPARE(TFrameDelta(before, frame, HeadChanges).Changes(), TShowChanges(TShowChange::Timing));
    // A snapshot holds only its scope: points without links.
    const TLaserFrame snapshot = TFrameDelta::Snapshot(frame, TShowChange::Points);
    QCOMPARE(snapshot.PointCount(), frame.PointCount());
    QCOMPARE(snapshot.Links.Cols(), 0);
    QCOMPARE(snapshot.Delay, frame.Delay);
}

void TestShowDocument::stepNames()
{
    QCOMPARE(StepName(QStringLiteral("&Rotate frame...")), QStringLiteral("Rotate frame"));
    QCOMPARE(StepName(QStringLiteral("Set effect && auxiliary center...")), QStringLiteral("Set effect & auxiliary center"));
    QCOMPARE(StepName(QStringLiteral("C&ut frame to clipboard")), QStringLiteral("Cut frame to clipboard"));
    QCOMPARE(StepName(QStringLiteral("D&rain")), QStringLiteral("Drain"));
}

// --- steps -----------------------------------------------------------------------------------

void TestShowDocument::editMakesOneStepOrNone()
{
    TShowDocument document;
    document.ReplaceShow(MakeShow({3, 4}));
    QVERIFY(!document.IsModified());
    QVERIFY(!document.EditFrame(1, "nothing", [](TLaserFrame& f) { f.Delay = f.Delay; }));
    QVERIFY(!document.EditFrame(2, "no frame", [](TLaserFrame& f) { f.Delay = 1; }));
    QCOMPARE(document.History().count(), 0);
    QVERIFY(!document.IsModified());
    QVERIFY(document.EditFrame(1, "Change frame delay", [](TLaserFrame& f) { f.Delay = 1; }));
    QCOMPARE(document.History().count(), 1);
    QCOMPARE(document.History().undoText(), QStringLiteral("Change frame delay"));
    QVERIFY(document.IsModified());
    document.Undo();
    QCOMPARE(document.Show().Frame(1).Delay, quint16(1000));
    QVERIFY(!document.IsModified());
}

// A change that fails half way leaves the frame as it was and makes no step.
void TestShowDocument::failedChangeLeavesFrame()
{
    TShowDocument document;
    document.ReplaceShow(MakeShow({3, 4}));
    const TLaserFrame before = document.Show().Frame(1);
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, document.EditFrame(1, "fails", [](TLaserFrame& f) {
        f.Points.clear();
        f.Links.Fit(0, 0);
        f.Name = QStringLiteral("half");
        throw std::runtime_error("no");
    }));
    QVERIFY(SameFrame(document.Show().Frame(1), before));
    QCOMPARE(document.History().count(), 0);
}

void TestShowDocument::gestureIsOneStep()
{
    TShowDocument document;
    document.ReplaceShow(MakeShow({3, 4}));
    QSignalSpy changed(&document, &TShowDocument::frameChanged);
    document.BeginFrameGesture(1, "Move points", TShowChange::Points);
    QVERIFY(document.GestureActive());
    for (int x = 1; x <= 5; ++x) {
        document.Show().Frame(1).Points[2].X = quint8(x);
        document.GestureChanged(TShowChange::Points);
    }
    QCOMPARE(changed.count(), 5);   // the views follow while it goes on
    QCOMPARE(document.History().count(), 0);
    QVERIFY(document.EndFrameGesture(QStringLiteral("Move points")));
    QCOMPARE(document.History().count(), 1);
    document.Undo();
    QCOMPARE(document.Show().Frame(1).Points[2].X, quint8(20));

    // A gesture that changed nothing is no step; the name given at its end wins.
    document.BeginFrameGesture(0, "Move help line", TShowChange::Properties);
    QVERIFY(!document.EndFrameGesture());
    document.BeginFrameGesture(0, "Move help line", TShowChange::Properties);
    document.Show().Frame(0).HelpLines.YLines = {9};
    QVERIFY(document.EndFrameGesture(QStringLiteral("Add help line")));
    QCOMPARE(document.History().undoText(), QStringLiteral("Add help line"));
}

void TestShowDocument::undoEndsGestureFirst()
{
    TShowDocument document;
    document.ReplaceShow(MakeShow({3, 4}));
    document.EditFrame(0, "Change frame delay", [](TLaserFrame& f) { f.Delay = 7; });
    document.BeginFrameGesture(1, "Move points", TShowChange::Points);
    document.Show().Frame(1).Points[0].X = 99;
    document.Undo();   // the drag becomes its step, and that step is undone
    QVERIFY(!document.GestureActive());
    QCOMPARE(document.Show().Frame(1).Points[0].X, quint8(0));
    QCOMPARE(document.Show().Frame(0).Delay, quint16(7));
    QCOMPARE(document.History().count(), 2);
}

void TestShowDocument::signalsSayWhatChanged()
{
    TShowDocument document;
    document.ReplaceShow(MakeShow({3, 4, 5}));
    QSignalSpy changed(&document, &TShowDocument::frameChanged);
    QSignalSpy list(&document, &TShowDocument::framesChanged);
    QSignalSpy current(&document, &TShowDocument::currentFrameChanged);
    document.EditFrame(2, "Rename frame", [](TLaserFrame& f) { f.Name = QStringLiteral("N"); });
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed[0][0].toInt(), 2);
    QCOMPARE(changed[0][1].value<TShowChanges>(), TShowChanges(TShowChange::Properties));
    QCOMPARE(current.count(), 0);   // an edit does not switch frames

    document.SetCurrentFrameIndex(0);
    QCOMPARE(current.count(), 1);   // the frame switch
    current.clear();
    document.Undo();
    QCOMPARE(changed.count(), 2);
    QCOMPARE(current.count(), 1);
    QCOMPARE(current[0][0].toInt(), 2);   // undo shows the frame it changed
    QCOMPARE(document.CurrentFrameIndex(), 2);

    document.AppendFrame("Add frame");
    QCOMPARE(list.count(), 1);
}

// Frame-list steps put back the very link matrices the list operations fitted, dimensions
// included, also where the fit dropped links.
void TestShowDocument::listStepsRestoreLinksExactly_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<int>("index");
    QTest::newRow("delete the first") << "delete" << 0;
    QTest::newRow("delete in the middle") << "delete" << 1;
    QTest::newRow("delete the last") << "delete" << 3;
    QTest::newRow("insert at the front") << "insert" << 0;
    QTest::newRow("insert in the middle") << "insert" << 2;
    QTest::newRow("insert at the end") << "insert" << 4;
    QTest::newRow("move to the front") << "move" << 2;
    QTest::newRow("move beyond the end") << "move" << 0;
    QTest::newRow("append") << "append" << 0;
}

void TestShowDocument::listStepsRestoreLinksExactly()
{
    QFETCH(QString, operation);
    QFETCH(int, index);
    TShowDocument document;
    document.ReplaceShow(MakeShow({70, 3, 130, 5}));   // columns of more than one word
    document.SetCurrentFrameIndex(1);
    const auto state = [&document] {
        std::vector<TLaserFrame> frames;
        for (int i = 0; i < document.FrameCount(); ++i)
            frames.push_back(document.Show().Frame(i));
        return frames;
    };
    const auto same = [](const std::vector<TLaserFrame>& a, const std::vector<TLaserFrame>& b) {
        if (a.size() != b.size())
            return false;
        for (size_t i = 0; i < a.size(); ++i)
            if (!SameFrame(a[i], b[i]))
                return false;
        return true;
    };
    const std::vector<TLaserFrame> before = state();
    if (operation == "delete") {
        QVERIFY(document.DeleteFrame(index, "Delete frame"));
    } else if (operation == "insert") {
        std::vector<std::unique_ptr<TLaserFrame>> frames;
        for (int count : {2, 90}) {
            frames.push_back(std::make_unique<TLaserFrame>());
            for (int i = 0; i < count; ++i)
                frames.back()->Points.push_back(NewPoint(i, i));
            frames.back()->FitLinks(count);
            frames.back()->Links.Set(count - 1, count - 1, true);
        }
        document.InsertFrames(std::move(frames), index, "Import show");
        QCOMPARE(document.CurrentFrameIndex(), index);
    } else if (operation == "move") {
        document.MoveFrame(index, index == 0 ? 4 : 0, "Move frame in the list");
    } else {
        document.AppendFrame("Add frame");
    }
    const std::vector<TLaserFrame> after = state();
    QVERIFY(!same(before, after));
    QCOMPARE(document.History().count(), 1);
    for (int round = 0; round < 2; ++round) {
        document.Undo();
        QVERIFY(same(state(), before));
        QCOMPARE(document.CurrentFrameIndex(), 1);
        document.Redo();
        QVERIFY(same(state(), after));
    }
}

void TestShowDocument::deleteRefusesOnlyFrame()
{
    TShowDocument document;
    document.ReplaceShow(MakeShow({3}));
    QVERIFY(!document.DeleteFrame(0, "Delete frame"));
    QCOMPARE(document.FrameCount(), 1);
    QCOMPARE(document.History().count(), 0);
}

void TestShowDocument::replaceShowStartsAfresh()
{
    TShowDocument document;
    document.ReplaceShow(MakeShow({3, 4}));
    const TLaserFrames* show = &document.Show();
    document.DeleteFrame(0, "Delete frame");
    document.SetCurrentFrameIndex(0);
    QVERIFY(document.IsModified());
    document.ReplaceShow(MakeShow({5}));
    QCOMPARE(&document.Show(), show);   // the views keep their show object
    QCOMPARE(document.History().count(), 0);
    QVERIFY(!document.IsModified());
    QCOMPARE(document.CurrentFrameIndex(), 0);
}

void TestShowDocument::keepsAtLeastAHundredSteps()
{
    TShowDocument document;
    document.ReplaceShow(MakeShow({3}));
    for (int k = 0; k < 150; ++k)
        document.EditFrame(0, "Change frame delay", [k](TLaserFrame& f) { f.Delay = quint16(k + 1); });
    QCOMPARE(document.History().count(), 150);
    QVERIFY(TShowDocument::StepLimit >= 100);
    QVERIFY(TShowDocument::DefaultBudget >= qint64(256) << 20);
}

// The budget drops the oldest steps; a saved state among the kept ones stays reachable.
void TestShowDocument::budgetDropsOldestKeepsCleanState()
{
    TShowDocument document;
    document.ReplaceShow(MakeShow({3}));
    for (int k = 0; k < 10; ++k)
        document.EditFrame(0, "Change frame delay", [k](TLaserFrame& f) { f.Delay = quint16(k + 1); });
    document.MarkSaved();   // at delay 10
    for (int k = 10; k < 12; ++k)
        document.EditFrame(0, "Change frame delay", [k](TLaserFrame& f) { f.Delay = quint16(k + 1); });
    const qint64 step = document.HistoryCost() / document.History().count();
    document.SetHistoryBudget(5 * step);
    QCOMPARE(document.History().count(), 5);
    QVERIFY(document.HistoryCost() <= document.HistoryBudget());
    QCOMPARE(document.History().index(), 5);
    QVERIFY(document.IsModified());
    document.Undo();
    document.Undo();
    QVERIFY(!document.IsModified());   // delay 10, as saved
    QCOMPARE(document.Show().Frame(0).Delay, quint16(10));
    while (document.History().canUndo())
        document.Undo();
    QCOMPARE(document.Show().Frame(0).Delay, quint16(7));   // the oldest kept step started there
    QVERIFY(document.IsModified());
}

// A saved state among the dropped steps can no longer be reached: every state is unsaved.
void TestShowDocument::budgetDropsSavedState()
{
    TShowDocument document;
    document.ReplaceShow(MakeShow({3}));
    QSignalSpy modified(&document, &TShowDocument::modifiedChanged);
    for (int k = 0; k < 8; ++k)
        document.EditFrame(0, "Change frame delay", [k](TLaserFrame& f) { f.Delay = quint16(k + 1); });
    QCOMPARE(modified.count(), 1);
    document.SetHistoryBudget(document.HistoryCost() / 4);
    QVERIFY(document.History().count() < 8);
    while (document.History().canUndo()) {
        document.Undo();
        QVERIFY(document.IsModified());
    }
    QCOMPARE(modified.count(), 1);
}

// Trimming while steps wait to be done again keeps them, and they still redo.
void TestShowDocument::budgetKeepsStepsToRedo()
{
    TShowDocument document;
    document.ReplaceShow(MakeShow({3}));
    for (int k = 0; k < 8; ++k)
        document.EditFrame(0, "Change frame delay", [k](TLaserFrame& f) { f.Delay = quint16(k + 1); });
    for (int k = 0; k < 3; ++k)
        document.Undo();
    QCOMPARE(document.Show().Frame(0).Delay, quint16(5));
    const qint64 step = document.HistoryCost() / document.History().count();
    document.SetHistoryBudget(6 * step);
    QCOMPARE(document.History().count(), 6);
    QCOMPARE(document.History().index(), 3);
    QCOMPARE(document.Show().Frame(0).Delay, quint16(5));
    while (document.History().canRedo())
        document.Redo();
    QCOMPARE(document.Show().Frame(0).Delay, quint16(8));
    for (int k = 0; k < 6; ++k)
        document.Undo();
    QCOMPARE(document.Show().Frame(0).Delay, quint16(2));
}

void TestShowDocument::scopeCheckKeepsWhatEscapedTheScope_data()
{
    QTest::addColumn<bool>("gesture");
    QTest::newRow("edit") << false;
    QTest::newRow("gesture") << true;
}

// With the check on (as in debug builds and the main window's tests), a step that
// changes more than it named is told, and undo still takes all of it back.
void TestShowDocument::scopeCheckKeepsWhatEscapedTheScope()
{
    QFETCH(bool, gesture);
    const bool was = TShowDocument::ScopeChecks();
    TShowDocument::SetScopeChecks(true);
    TShowDocument document;
    document.ReplaceShow(MakeShow({3, 4}));
    const TLaserFrame before = document.Show().Frame(1);
    const auto change = [](TLaserFrame& f) {
        f.Name = QStringLiteral("renamed");
        f.Points[0].X = 99;   // not named: only Properties was
    };
    QTest::ignoreMessage(QtWarningMsg, "Step \"Rename frame\" changed points outside its scope");
    if (gesture) {
        document.BeginFrameGesture(1, "Rename frame", TShowChange::Properties);
        change(*document.Frame(1));
        QVERIFY(document.EndFrameGesture());
    } else {
        QVERIFY(document.EditFrame(1, "Rename frame", change, TShowChange::Properties));
    }
    QCOMPARE(document.History().count(), 1);
    document.Undo();
    QVERIFY(SameFrame(document.Show().Frame(1), before));
    document.Redo();
    QCOMPARE(document.Show().Frame(1).Points[0].X, quint8(99));
    QCOMPARE(document.Show().Frame(1).Name, QStringLiteral("renamed"));

    // A change inside its scope says nothing.
    QVERIFY(document.EditFrame(1, "Change frame delay", [](TLaserFrame& f) { f.Delay = 7; }, TShowChange::Timing));
    TShowDocument::SetScopeChecks(was);
}

// Fit frames to beats: every frame's delay in one step, told as such, not as a new list.
void TestShowDocument::delaysOfEveryFrameAreOneStep()
{
    TShowDocument document;
    document.ReplaceShow(MakeShow({3, 4, 5}));
    document.SetCurrentFrameIndex(1);
    QSignalSpy every(&document, &TShowDocument::everyFrameChanged);
    QSignalSpy list(&document, &TShowDocument::framesChanged);
    QSignalSpy current(&document, &TShowDocument::currentFrameChanged);
    document.SetDelays({100, 200, 300}, "Fit frames to beats");
    QCOMPARE(every.count(), 1);
    QCOMPARE(every[0][0].value<TShowChanges>(), TShowChanges(TShowChange::Timing));
    QCOMPARE(list.count(), 0);
    QCOMPARE(current.count(), 1);
    QCOMPARE(document.CurrentFrameIndex(), 1);
    QCOMPARE(document.Show().Frame(2).Delay, quint16(300));
    QCOMPARE(document.History().undoText(), QStringLiteral("Fit frames to beats"));
    document.Undo();
    QCOMPARE(document.Show().Frame(2).Delay, MakeShow({3, 4, 5}).Frame(2).Delay);
    QCOMPARE(every.count(), 2);
    QCOMPARE(list.count(), 0);
}

// The soundtrack is the document's: choosing and removing it are steps, told by their signal.
void TestShowDocument::soundtrackIsAStep()
{
    TShowDocument document;
    const TSoundtrack opened{QStringLiteral("/music/a.wav"), 250};
    QSignalSpy soundtrack(&document, &TShowDocument::soundtrackChanged);
    document.ReplaceShow(MakeShow({3}), opened);
    QCOMPARE(document.Soundtrack(), opened);
    QCOMPARE(soundtrack.count(), 1);
    QVERIFY(!document.IsModified());

    document.SetSoundtrack(opened, "Soundtrack");   // the same: no step
    QCOMPARE(document.History().count(), 0);
    document.SetSoundtrack(TSoundtrack(), "Remove soundtrack");
    QVERIFY(!document.Soundtrack().IsSet());
    QCOMPARE(soundtrack.count(), 2);
    QVERIFY(document.IsModified());
    document.Undo();
    QCOMPARE(document.Soundtrack(), opened);
    QCOMPARE(soundtrack.count(), 3);
    QVERIFY(!document.IsModified());
    document.Redo();
    QVERIFY(!document.Soundtrack().IsSet());
}

// Corrected beats are a step told by beatsChanged alone (the music goes on); none
// without a soundtrack or when nothing changes. Removing and bringing back the
// soundtrack brings its beats back too.
void TestShowDocument::correctedBeatsAreAStepOfTheirOwn()
{
    TShowDocument document;
    document.ReplaceShow(MakeShow({3}), TSoundtrack());
    QVERIFY(!document.SetBeats(TBeatGrid{{0.5, 1.0}, 0}, "Add beat"));   // no soundtrack
    QCOMPARE(document.History().count(), 0);

    const TSoundtrack opened{QStringLiteral("/music/a.wav"), 250};
    document.ReplaceShow(MakeShow({3}), opened);
    QSignalSpy soundtrack(&document, &TShowDocument::soundtrackChanged);
    QSignalSpy beats(&document, &TShowDocument::beatsChanged);
    const TBeatGrid corrected{{0.5, 1.0, 1.5}, 1};
    QVERIFY(document.SetBeats(corrected, "Set first downbeat"));
    QVERIFY(!document.SetBeats(corrected, "Set first downbeat"));   // the same: no step
    QCOMPARE(document.History().count(), 1);
    QCOMPARE(document.Soundtrack().Beats, std::optional<TBeatGrid>(corrected));
    QCOMPARE(document.Soundtrack().OffsetMs, 250);
    QCOMPARE(beats.count(), 1);
    QCOMPARE(soundtrack.count(), 0);
    QVERIFY(document.IsModified());

    document.SetSoundtrack(TSoundtrack(), "Remove soundtrack");
    document.Undo();
    QCOMPARE(document.Soundtrack().Beats, std::optional<TBeatGrid>(corrected));
    document.Undo();
    QVERIFY(!document.Soundtrack().Beats);
    QCOMPARE(beats.count(), 2);
    QVERIFY(!document.IsModified());
    document.Redo();
    QCOMPARE(document.Soundtrack().Beats, std::optional<TBeatGrid>(corrected));
}

QTEST_GUILESS_MAIN(TestShowDocument)
#include "tst_showdocument.moc"
