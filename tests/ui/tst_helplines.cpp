#include "FormUnitHelpLines.h"
#include "HelpLineGestures.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

namespace {

constexpr int L = 32;   // left ruler width

// Zoom 2, scrolled by (sx, sy), a 400 x 300 pad.
TRulerView View(int sx = 0, int sy = 0)
{
    TRulerView view;
    view.Transform.Zoom = 2;
    view.Transform.ScrollX = sx;
    view.Transform.ScrollY = sy;
    view.LeftWidth = L;
    view.PadSize = QSize(400, 300);
    return view;
}

// Top ruler pixel of frame x at zoom 2 without scrolling.
QPoint Top(int x)
{
    return QPoint(x * 2 + L, 10);
}

QPoint Left(int y)
{
    return QPoint(10, y * 2);
}

using TBytes = std::vector<quint8>;

QStringList Texts(const QListWidget* list)
{
    QStringList texts;
    for (int row = 0; row < list->count(); ++row)
        texts << list->item(row)->text();
    return texts;
}

QStringList Row(const QTreeWidget* view, int row)
{
    QStringList texts;
    for (int c = 0; c < 4; ++c)
        texts << view->topLevelItem(row)->text(c);
    return texts;
}

} // namespace

class TestHelpLines : public QObject {
    Q_OBJECT
private slots:
    // Ruler gestures
    void rightClickTwiceAddsThenRemoves();
    void removeMovesLastIntoPlace();
    void rightClickOutsideSquareClamps_data();
    void rightClickOutsideSquareClamps();
    void lastLineWithinReachIsPicked();
    void dragClampsAndReportsStatus_data();
    void dragClampsAndReportsStatus();
    void dragOfVanishedLineChangesNothing();
    void cursorShowsLineUnderPointer();
    void guideLines();
    void mirroredViewMapsLikeTheDrawing();
    void doubleClickOpensPage();
    void noFrameOnlyShowsGuide();

    // Dialog
    void fixedTexts();
    void loadSortsAsText();
    void addAndRemoveOnLinePages();
    void clicksCopyIntoEdits();
    void twoPointRows();
    void applyReadsListsBack();
    void editAppliesOnOkOnly();
};

void TestHelpLines::rightClickTwiceAddsThenRemoves()
{
    THelpLineGestures gestures;
    THelpLines lines;
    TRulerResponse r = gestures.MouseDown(TRulerSide::Top, Top(100), Qt::RightButton, &lines, View());
    QCOMPARE(lines.XLines, TBytes{100});
    QVERIFY(r.LinesChanged && !r.Repaint);
    QVERIFY(gestures.MouseUp(TRulerSide::Top).Repaint);
    r = gestures.MouseDown(TRulerSide::Top, Top(100), Qt::RightButton, &lines, View());
    QVERIFY(lines.XLines.empty());
    QVERIFY(r.LinesChanged);

    // The left ruler works on the horizontal lines, the same way.
    gestures.MouseDown(TRulerSide::Left, Left(40), Qt::RightButton, &lines, View());
    QCOMPARE(lines.YLines, TBytes{40});
    QVERIFY(lines.XLines.empty());
    gestures.MouseDown(TRulerSide::Left, Left(43), Qt::RightButton, &lines, View());
    QVERIFY(lines.YLines.empty());
}

void TestHelpLines::removeMovesLastIntoPlace()
{
    THelpLineGestures gestures;
    THelpLines lines;
    lines.XLines = {10, 20, 30};
    gestures.MouseDown(TRulerSide::Top, Top(10), Qt::RightButton, &lines, View());
    QCOMPARE(lines.XLines, (TBytes{30, 20}));
}

void TestHelpLines::rightClickOutsideSquareClamps_data()
{
    QTest::addColumn<QPoint>("pos");
    QTest::addColumn<int>("expected");
    // Frame x 300 lies right of the square, -3 over the left ruler's column.
    QTest::newRow("right of the square") << Top(300) << 255;
    QTest::newRow("over the corner") << QPoint(L - 6, 5) << 0;
}

void TestHelpLines::rightClickOutsideSquareClamps()
{
    QFETCH(QPoint, pos);
    QFETCH(int, expected);
    THelpLineGestures gestures;
    THelpLines lines;
    gestures.MouseDown(TRulerSide::Top, pos, Qt::RightButton, &lines, View());
    QCOMPARE(lines.XLines, TBytes{quint8(expected)});
}

void TestHelpLines::lastLineWithinReachIsPicked()
{
    QCOMPARE(THelpLineGestures::LineAt({100, 103}, 101), 1);
    QCOMPARE(THelpLineGestures::LineAt({100, 103}, 96), 0);
    QCOMPARE(THelpLineGestures::LineAt({100, 103}, 95), -1);
    QCOMPARE(THelpLineGestures::LineAt({100, 103}, 108), -1);

    THelpLineGestures gestures;
    THelpLines lines;
    lines.XLines = {100, 103};
    gestures.MouseDown(TRulerSide::Top, Top(101), Qt::LeftButton, &lines, View());
    QCOMPARE(gestures.HelpLineDragIndex, 1);
    QCOMPARE(gestures.RulerDragging[0], 1);
    QCOMPARE(gestures.RulerDragging[1], 0);
    QCOMPARE(lines.XLines, (TBytes{100, 103}));   // a left press only picks

    // A left press away from every line starts nothing.
    THelpLineGestures idle;
    idle.MouseDown(TRulerSide::Top, Top(150), Qt::LeftButton, &lines, View());
    QCOMPARE(idle.HelpLineDragIndex, -1);
    QCOMPARE(idle.RulerDragging[0], 0);
}

void TestHelpLines::dragClampsAndReportsStatus_data()
{
    QTest::addColumn<bool>("top");
    QTest::addColumn<QPoint>("to");
    QTest::addColumn<int>("expected");
    QTest::addColumn<QString>("status");
    QTest::newRow("top, inside") << true << Top(70) << 70 << "X:70";
    QTest::newRow("top, past the end") << true << Top(400) << 255 << "X:255";
    QTest::newRow("top, before the start") << true << QPoint(0, 3) << 0 << "X:0";
    // Scrolled by 20 pixels: pixel y 100 is frame y (100 + 20) div 2.
    QTest::newRow("left, scrolled") << false << QPoint(7, 100) << 60 << "Y:60";
    QTest::newRow("left, past the end") << false << QPoint(7, 900) << 255 << "Y:255";
}

void TestHelpLines::dragClampsAndReportsStatus()
{
    QFETCH(bool, top);
    QFETCH(QPoint, to);
    QFETCH(int, expected);
    QFETCH(QString, status);
    const TRulerSide side = top ? TRulerSide::Top : TRulerSide::Left;
    const TRulerView view = top ? View() : View(0, 20);
    THelpLineGestures gestures;
    THelpLines lines;
    lines.XLines = {50, 200};
    lines.YLines = {40, 200};
    const QPoint from = top ? Top(50) : QPoint(7, 40 * 2 - 20);
    gestures.MouseDown(side, from, Qt::LeftButton, &lines, view);
    QCOMPARE(gestures.HelpLineDragIndex, 0);

    const TRulerResponse r = gestures.MouseMove(side, to, &lines, view);
    QVERIFY(r.Repaint);
    QCOMPARE(r.Status, std::optional<QString>(status));
    QVERIFY(r.LinesChanged);
    const TBytes& dragged = top ? lines.XLines : lines.YLines;
    QCOMPARE(dragged, (TBytes{quint8(expected), 200}));

    QVERIFY(gestures.MouseUp(side).Repaint);
    QCOMPARE(gestures.HelpLineDragIndex, -1);
    QCOMPARE(gestures.RulerDragging[top ? 0 : 1], 0);
    const TRulerResponse after = gestures.MouseMove(side, from, &lines, view);
    QVERIFY(!after.Repaint && !after.Status);
    QCOMPARE(dragged, (TBytes{quint8(expected), 200}));
}

void TestHelpLines::dragOfVanishedLineChangesNothing()
{
    THelpLineGestures gestures;
    THelpLines lines;
    lines.XLines = {10, 20, 30};
    gestures.MouseDown(TRulerSide::Top, Top(30), Qt::LeftButton, &lines, View());
    QCOMPARE(gestures.HelpLineDragIndex, 2);
    lines.XLines.pop_back();   // the frame lost the line meanwhile
    const TRulerResponse r = gestures.MouseMove(TRulerSide::Top, Top(90), &lines, View());
    QCOMPARE(lines.XLines, (TBytes{10, 20}));
    QVERIFY(!r.LinesChanged);
    QCOMPARE(r.Status, std::optional<QString>("X:90"));
}

void TestHelpLines::cursorShowsLineUnderPointer()
{
    THelpLineGestures gestures;
    THelpLines lines;
    lines.YLines = {100};
    QCOMPARE(gestures.MouseMove(TRulerSide::Left, Left(104), &lines, View()).Cursor,
             std::optional(Qt::PointingHandCursor));
    QCOMPARE(gestures.MouseMove(TRulerSide::Left, Left(105), &lines, View()).Cursor,
             std::optional(Qt::ArrowCursor));
    // The top ruler looks at the vertical lines only.
    QCOMPARE(gestures.MouseMove(TRulerSide::Top, Top(100), &lines, View()).Cursor,
             std::optional(Qt::ArrowCursor));
}

void TestHelpLines::guideLines()
{
    THelpLineGestures gestures;
    THelpLines lines;
    const TRulerResponse top = gestures.MouseDown(TRulerSide::Top, QPoint(90, 4), Qt::LeftButton, &lines, View());
    QVERIFY(top.Guide);
    QCOMPARE(top.Guide->Line, QLine(90 - L, 0, 90 - L, 300));
    QCOMPARE(top.Guide->Color, QColor(0, 128, 0));
    QCOMPARE(top.Guide->Style, Qt::DashLine);
    const TRulerResponse left = gestures.MouseDown(TRulerSide::Left, QPoint(5, 77), Qt::RightButton, &lines, View());
    QVERIFY(left.Guide);
    QCOMPARE(left.Guide->Line, QLine(0, 77, 400, 77));
}

void TestHelpLines::mirroredViewMapsLikeTheDrawing()
{
    // The lines are drawn unmirrored, so the rulers map the pointer the same way.
    TRulerView flipped = View(10, 10);
    flipped.Transform.FlipX = flipped.Transform.FlipY = true;
    THelpLineGestures gestures;
    THelpLines lines;
    gestures.MouseDown(TRulerSide::Top, QPoint(2 * 60 - 10 + L, 3), Qt::RightButton, &lines, flipped);
    gestures.MouseDown(TRulerSide::Left, QPoint(3, 2 * 70 - 10), Qt::RightButton, &lines, flipped);
    QCOMPARE(lines.XLines, TBytes{60});
    QCOMPARE(lines.YLines, TBytes{70});
    QCOMPARE(flipped.Transform.PadXUnflipped(60) + L, 2 * 60 - 10 + L);
}

void TestHelpLines::doubleClickOpensPage()
{
    THelpLineGestures gestures;
    THelpLines lines;
    lines.XLines = {50};
    gestures.MouseDown(TRulerSide::Top, Top(50), Qt::LeftButton, &lines, View());
    TRulerResponse r = gestures.DoubleClick(TRulerSide::Top, Top(50), Qt::LeftButton, &lines, View());
    QCOMPARE(r.OpenDialog, std::optional(THelpLinesPage::Vertical));
    QVERIFY(r.Repaint);
    QCOMPARE(gestures.RulerDragging[0], 0);
    QCOMPARE(gestures.HelpLineDragIndex, -1);
    r = gestures.DoubleClick(TRulerSide::Left, Left(9), Qt::LeftButton, &lines, View());
    QCOMPARE(r.OpenDialog, std::optional(THelpLinesPage::Horizontal));

    // Two quick right clicks: the second arrives as a double-click and removes.
    gestures.MouseDown(TRulerSide::Top, Top(120), Qt::RightButton, &lines, View());
    QCOMPARE(lines.XLines, (TBytes{50, 120}));
    r = gestures.DoubleClick(TRulerSide::Top, Top(120), Qt::RightButton, &lines, View());
    QVERIFY(!r.OpenDialog);
    QCOMPARE(lines.XLines, TBytes{50});
}

void TestHelpLines::noFrameOnlyShowsGuide()
{
    THelpLineGestures gestures;
    const TRulerResponse r = gestures.MouseDown(TRulerSide::Top, Top(5), Qt::RightButton, nullptr, View());
    QVERIFY(r.Guide && !r.LinesChanged);
    QCOMPARE(gestures.MouseMove(TRulerSide::Top, Top(5), nullptr, View()).Cursor,
             std::optional(Qt::ArrowCursor));
}

void TestHelpLines::fixedTexts()
{
    TFormHelpLines form;
    QCOMPARE(form.windowTitle(), QStringLiteral("Helplines"));
    QCOMPARE(form.pgPages->count(), 3);
    QCOMPARE(form.pgPages->tabText(0), QStringLiteral("Vertical"));
    QCOMPARE(form.pgPages->tabText(1), QStringLiteral("Horizontal"));
    QCOMPARE(form.pgPages->tabText(2), QStringLiteral("2 Points"));
    QCOMPARE(form.pgPages->widget(0), form.tsX);
    QCOMPARE(form.pgPages->widget(2), form.tsD);
    QCOMPARE(form.bnUse->text(), QStringLiteral("An&wenden"));
    for (QPushButton* add : {form.bnAddX, form.bnAddY, form.bnAdd2P})
        QCOMPARE(add->text(), QStringLiteral("&Add"));
    for (QPushButton* remove : {form.bnDelX, form.bnDelY, form.bnDel2P})
        QCOMPARE(remove->text(), QStringLiteral("&Remove"));
    QStringList labels;
    for (QLabel* label : form.findChildren<QLabel*>())
        labels << label->text();
    for (const char* text : {"&Line at:", "Line at:", "X:", "Y:", "First", "Second"})
        QVERIFY2(labels.contains(QString::fromLatin1(text)), text);
    QStringList headers;
    for (int c = 0; c < 4; ++c)
        headers << form.lv2P->headerItem()->text(c);
    QCOMPARE(headers, (QStringList{"X1", "Y1", "X2", "Y2"}));

    form.SelectPage(THelpLinesPage::Horizontal);
    QCOMPARE(form.pgPages->currentWidget(), form.tsY);
}

void TestHelpLines::loadSortsAsText()
{
    THelpLines lines;
    lines.XLines = {20, 100, 7, 20};
    lines.YLines = {255, 3};
    lines.Add2P({1, 2}, {3, 4});
    lines.Add2P({-5, 1000}, {0, 9});
    TFormHelpLines form;
    form.editX->setText(QStringLiteral("stale"));
    form.LoadHelpLines(lines);
    QCOMPARE(Texts(form.lbX), (QStringList{"100", "20", "20", "7"}));
    QCOMPARE(Texts(form.lbY), (QStringList{"255", "3"}));
    QCOMPARE(form.lv2P->topLevelItemCount(), 2);
    QCOMPARE(Row(form.lv2P, 1), (QStringList{"-5", "1000", "0", "9"}));

    // Loading again starts from empty lists.
    THelpLines other;
    other.YLines = {8};
    form.LoadHelpLines(other);
    QVERIFY(Texts(form.lbX).isEmpty());
    QCOMPARE(Texts(form.lbY), QStringList{"8"});
    QCOMPARE(form.lv2P->topLevelItemCount(), 0);
}

void TestHelpLines::addAndRemoveOnLinePages()
{
    TFormHelpLines form;
    THelpLines lines;
    lines.XLines = {100, 20};
    form.LoadHelpLines(lines);

    form.editX->setText(QStringLiteral("07"));
    form.bnAddX->click();
    QCOMPARE(Texts(form.lbX), (QStringList{"100", "20", "7"}));
    form.editX->setText(QStringLiteral("7"));
    form.bnAddX->click();
    QCOMPARE(Texts(form.lbX), (QStringList{"100", "20", "7"}));
    form.editX->setText(QStringLiteral("abc"));
    form.bnAddX->click();
    QVERIFY(form.editX->text().isEmpty());
    QCOMPARE(form.lbX->count(), 3);

    // Remove needs the exact text of an entry.
    form.editX->setText(QStringLiteral("020"));
    form.bnDelX->click();
    QCOMPARE(form.lbX->count(), 3);
    form.editX->setText(QStringLiteral("20"));
    form.bnDelX->click();
    QCOMPARE(Texts(form.lbX), (QStringList{"100", "7"}));

    // The horizontal page has its own edit and list.
    form.editY->setText(QStringLiteral(" 300 "));
    form.bnAddY->click();
    form.editY->setText(QStringLiteral("-1"));
    form.bnAddY->click();
    QCOMPARE(Texts(form.lbY), (QStringList{"-1", "300"}));
    QCOMPARE(form.lbX->count(), 2);
}

void TestHelpLines::clicksCopyIntoEdits()
{
    TFormHelpLines form;
    THelpLines lines;
    lines.XLines = {5, 60};
    lines.YLines = {77};
    lines.Add2P({1, 2}, {3, 4});
    form.LoadHelpLines(lines);
    emit form.lbX->itemClicked(form.lbX->item(1));
    QCOMPARE(form.editX->text(), QStringLiteral("60"));
    emit form.lbY->itemClicked(form.lbY->item(0));
    QCOMPARE(form.editY->text(), QStringLiteral("77"));
    emit form.lv2P->itemClicked(form.lv2P->topLevelItem(0), 0);
    QCOMPARE((QStringList{form.editX1->text(), form.editY1->text(), form.editX2->text(), form.editY2->text()}),
             (QStringList{"1", "2", "3", "4"}));
}

void TestHelpLines::twoPointRows()
{
    TFormHelpLines form;
    THelpLines lines;
    form.LoadHelpLines(lines);
    form.bnDel2P->click();   // nothing selected, nothing there
    for (const QStringList& row : {QStringList{"1", "2", "3", "4"}, QStringList{"x", "", "7", "8"},
                                   QStringList{"1", "2", "3", "4"}}) {
        form.editX1->setText(row[0]);
        form.editY1->setText(row[1]);
        form.editX2->setText(row[2]);
        form.editY2->setText(row[3]);
        form.bnAdd2P->click();
    }
    QCOMPARE(form.lv2P->topLevelItemCount(), 3);   // as typed, duplicates too
    QCOMPARE(Row(form.lv2P, 1), (QStringList{"x", "", "7", "8"}));

    form.lv2P->clearSelection();
    form.bnDel2P->click();
    QCOMPARE(form.lv2P->topLevelItemCount(), 3);
    form.lv2P->topLevelItem(0)->setSelected(true);
    form.bnDel2P->click();
    QCOMPARE(form.lv2P->topLevelItemCount(), 2);
    QCOMPARE(Row(form.lv2P, 0), (QStringList{"x", "", "7", "8"}));
}

void TestHelpLines::applyReadsListsBack()
{
    TFormHelpLines form;
    THelpLines lines;
    lines.XLines = {9};
    form.LoadHelpLines(lines);
    for (const char* x : {"300", "-1", "20"}) {
        form.editX->setText(QString::fromLatin1(x));
        form.bnAddX->click();
    }
    form.lbX->addItem(QStringLiteral("junk"));   // a list entry that is no number
    form.editX1->setText(QStringLiteral("-5"));
    form.editY1->setText(QStringLiteral("1000"));
    form.editX2->setText(QStringLiteral("abc"));
    form.editY2->setText(QStringLiteral("12"));
    form.bnAdd2P->click();

    QSignalSpy applied(&form, &TFormHelpLines::applied);
    form.bnUse->click();
    QCOMPARE(applied.count(), 1);
    // List order, each value modulo 256, junk as 0.
    QCOMPARE(Texts(form.lbX), (QStringList{"-1", "20", "300", "9", "junk"}));
    QCOMPARE(lines.XLines, (TBytes{255, 20, 44, 9, 0}));
    QVERIFY(lines.YLines.empty());
    QCOMPARE(lines.Count2P(), 1);
    QCOMPARE(lines.Lines2P[0][0], (TIntPoint{-5, 1000}));
    QCOMPARE(lines.Lines2P[1][0], (TIntPoint{0, 12}));
}

void TestHelpLines::editAppliesOnOkOnly()
{
    TFormHelpLines form;
    QSignalSpy applied(&form, &TFormHelpLines::applied);
    THelpLines lines;
    lines.XLines = {1};

    // Cancel drops the edits, but keeps what "An&wenden" already wrote.
    QTimer::singleShot(0, &form, [&form] {
        form.editX->setText(QStringLiteral("2"));
        form.bnAddX->click();
        form.bnUse->click();
        form.editX->setText(QStringLiteral("3"));
        form.bnAddX->click();
        form.bnCancel->click();
    });
    QVERIFY(!form.EditHelpLines(lines));
    QCOMPARE(lines.XLines, (TBytes{1, 2}));
    QCOMPARE(applied.count(), 1);

    QTimer::singleShot(0, &form, [&form] {
        QCOMPARE(Texts(form.lbX), (QStringList{"1", "2"}));
        form.editX->setText(QStringLiteral("10"));
        form.bnAddX->click();
        form.bnOK->click();
    });
    QVERIFY(form.EditHelpLines(lines));
    QCOMPARE(lines.XLines, (TBytes{1, 10, 2}));
    QCOMPARE(applied.count(), 2);

    // Once closed the dialog no longer writes to the object.
    form.editX->setText(QStringLiteral("99"));
    form.bnAddX->click();
    form.ApplyHelpLines();
    QCOMPARE(lines.XLines, (TBytes{1, 10, 2}));
}

QTEST_MAIN(TestHelpLines)
#include "tst_helplines.moc"
