// The Settings menu's display switches, zoom, circle size and grid menus, the image
// modes and the window-size commands, as the main window wires them.
#include "FormUnitMain.h"
#include "MainWindowFixture.h"

#include <QApplication>
#include <QTest>
#include <QToolButton>

class TestDisplayOptions : public QObject, protected TMainWindowFixture {
    Q_OBJECT
private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }
    void init() { InitFixture(); }
    void cleanup() { CleanupFixture(); }

    void switchButtons_data();
    void switchButtons();
    void zoomInput_data();
    void zoomInput();
    void circleInput_data();
    void circleInput();
    void gridCustomValue();
    void gridStandardValueKeepsCustomItem();
    void gridUnparsedAnswerKeepsValue();
    void popupItemsSetValueAndCaption();
    void storedValuesAtStart_data();
    void storedValuesAtStart();
    void rulerButtonResizesMenuItemDoesNot();
    void optimizeForZoom();

private:
    QAction* Action(const QString& name) const { return Form->findChild<QAction*>(name); }
    QToolButton* Button(const QString& name) const { return Form->findChild<QToolButton*>(name); }
};

void TestDisplayOptions::switchButtons_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("hint");
    QTest::addColumn<QKeySequence>("keys");
    QTest::newRow("points") << "miShowPoints" << "sbShowPoints" << "Show points along frame" << QKeySequence(Qt::CTRL | Qt::Key_P);
    QTest::newRow("numbers") << "miShowNoOfPoints" << "sbShowNumPoints" << "Show numbers of points" << QKeySequence();
    QTest::newRow("backframe") << "miShowBackframe" << "sbShowBackframe" << "Show background frame" << QKeySequence(Qt::CTRL | Qt::Key_B);
    QTest::newRow("links") << "miShowLinks" << "sbShowLinks" << "Show links to background frame" << QKeySequence();
    QTest::newRow("round") << "miShowReal" << "sbShowReal" << "Show unoptimized edges" << QKeySequence();
    QTest::newRow("grid") << "miUseGrid" << "sbShowGrid" << "Show (and choose) grid" << QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_G);
    QTest::newRow("snap grid") << "miSnapGrid" << "sbSnapGrid" << "Snap points to grid" << QKeySequence(Qt::CTRL | Qt::Key_G);
    QTest::newRow("snap help") << "miSnapHelp" << "sbSnapHelp" << "Snaps points to helplines" << QKeySequence();
    QTest::newRow("ruler") << "miShowRuler" << "sbRuler" << "Display ruler to the left and top of the drawing area" << QKeySequence();
    QTest::newRow("close loop") << "miCloseloop" << "sbCloseLoop" << "Close loop by connecting last to first point" << QKeySequence(Qt::CTRL | Qt::Key_L);
    QTest::newRow("flip x") << "miFlipX" << "sbFlipX" << "Flip at X-Axis" << QKeySequence(Qt::CTRL | Qt::Key_X);
    QTest::newRow("flip y") << "miFlipY" << "sbFlipY" << "Flip at Y-Axis" << QKeySequence(Qt::CTRL | Qt::Key_Y);
    QTest::newRow("no image") << "miNoImg" << "sbNoImg" << "Don't show background image" << QKeySequence();
}

// Each switch: one check mark shared by the menu item and its button, which shows the hint.
void TestDisplayOptions::switchButtons()
{
    QFETCH(QString, item);
    QFETCH(QString, button);
    QFETCH(QString, hint);
    QFETCH(QKeySequence, keys);
    CreateForm();
    QAction* action = Action(item);
    QToolButton* sb = Button(button);
    QVERIFY(action && sb);
    QCOMPARE(sb->defaultAction(), action);
    QCOMPARE(sb->toolTip(), hint);
    QCOMPARE(action->shortcut(), keys);
    QVERIFY(sb->isCheckable());
    const bool before = action->isChecked();
    if (item == "miNoImg") {
        Ui().miFullImg->setEnabled(true);
        Ui().sbFullImg->click();
        QVERIFY(Ui().miFullImg->isChecked());
        QVERIFY(!sb->isChecked());
        sb->click();
        QVERIFY(action->isChecked() && sb->isChecked() && !Ui().sbFullImg->isChecked());
        return;
    }
    sb->click();
    QCOMPARE(action->isChecked(), !before);
    action->trigger();
    QCOMPARE(sb->isChecked(), before);
}

void TestDisplayOptions::zoomInput_data()
{
    QTest::addColumn<std::optional<QString>>("answer");
    QTest::addColumn<int>("zoom");
    QTest::newRow("in range") << std::optional<QString>("5") << 5;
    QTest::newRow("nine gives two") << std::optional<QString>("9") << 2;
    QTest::newRow("zero gives two") << std::optional<QString>("0") << 2;
    QTest::newRow("low eight bits") << std::optional<QString>("263") << 7;
    QTest::newRow("not a number") << std::optional<QString>("big") << 4;
    QTest::newRow("cancelled") << std::optional<QString>() << 4;
}

void TestDisplayOptions::zoomInput()
{
    QFETCH(std::optional<QString>, answer);
    QFETCH(int, zoom);
    CreateForm([](TSettingsStore& store) { store.WriteInteger({}, "Zoom", 4); });
    Prompts->ExpectInput(answer);
    Ui().miZoom->trigger();
    QVERIFY(Prompts->Unexpected.isEmpty());
    QCOMPARE(Prompts->Shown[0].caption, QStringLiteral("Enter zoom factor"));
    QCOMPARE(Prompts->Shown[0].prompt, QStringLiteral("new factor"));
    QCOMPARE(Prompts->Shown[0].defaultText, QStringLiteral("4"));
    QCOMPARE(Inside().Zoom, zoom);
    QVERIFY(Ui().miZoomN[zoom - 1]->isChecked());
    QCOMPARE(Ui().miZoom->text(), QStringLiteral("&Zoom: %1x...").arg(zoom));
}

void TestDisplayOptions::circleInput_data()
{
    QTest::addColumn<std::optional<QString>>("answer");
    QTest::addColumn<int>("size");
    QTest::newRow("in range") << std::optional<QString>("8") << 8;
    QTest::newRow("too big gives three") << std::optional<QString>("9") << 3;
    QTest::newRow("negative gives three") << std::optional<QString>("-1") << 3;
    QTest::newRow("not a number") << std::optional<QString>("") << 5;
}

void TestDisplayOptions::circleInput()
{
    QFETCH(std::optional<QString>, answer);
    QFETCH(int, size);
    CreateForm([](TSettingsStore& store) { store.WriteInteger({}, "Circles", 5); });
    Prompts->ExpectInput(answer);
    Ui().miCircles->trigger();
    QVERIFY(Prompts->Unexpected.isEmpty());
    QCOMPARE(Prompts->Shown[0].caption, QStringLiteral("Enter size of circles"));
    QCOMPARE(Prompts->Shown[0].prompt, QStringLiteral("new size"));
    QCOMPARE(Inside().CircleSize, size);
    QVERIFY(Ui().miCirclesN[size - 1]->isChecked());
    QCOMPARE(Ui().miCircles->text(), QStringLiteral("Circlesize: %1...").arg(size));
}

void TestDisplayOptions::gridCustomValue()
{
    CreateForm();
    Prompts->ExpectInput(QStringLiteral("20"));
    Ui().miGrid->trigger();
    QCOMPARE(Prompts->Shown[0].caption, QStringLiteral("Enter grid width"));
    QCOMPARE(Prompts->Shown[0].prompt, QStringLiteral("new width"));
    QCOMPARE(Prompts->Shown[0].defaultText, QStringLiteral("16"));
    QCOMPARE(Inside().GridSize, 20);
    QVERIFY(Ui().miGridCustom->isVisible());
    QVERIFY(Ui().miGridCustom->isChecked());
    QCOMPARE(Ui().miGridCustom->text(), QStringLiteral("&20"));
    QCOMPARE(Ui().miGrid->text(), QStringLiteral("Grid: 20..."));

    // A standard item drops the dots; the custom item brings its value back.
    Ui().miGridN[4]->trigger();
    QCOMPARE(Inside().GridSize, 64);
    QCOMPARE(Ui().miGrid->text(), QStringLiteral("Grid: 64"));
    Ui().miGridCustom->trigger();
    QCOMPARE(Inside().GridSize, 20);
    QVERIFY(Ui().miGridCustom->isChecked());
    QCOMPARE(Ui().miGrid->text(), QStringLiteral("Grid: 20"));
}

void TestDisplayOptions::gridStandardValueKeepsCustomItem()
{
    CreateForm([](TSettingsStore& store) { store.WriteInteger({}, "Grid", 12); });
    QVERIFY(Ui().miGridCustom->isVisible());
    Prompts->ExpectInput(QStringLiteral("32"));
    Ui().miGrid->trigger();
    QCOMPARE(Inside().GridSize, 32);
    QVERIFY(Ui().miGridN[3]->isChecked());
    QVERIFY(!Ui().miGridCustom->isChecked());
    QVERIFY(Ui().miGridCustom->isVisible());
    QCOMPARE(Ui().miGridCustom->text(), QStringLiteral("&12"));
    QCOMPARE(Ui().miGrid->text(), QStringLiteral("Grid: 32..."));
}

void TestDisplayOptions::gridUnparsedAnswerKeepsValue()
{
    CreateForm();
    Prompts->ExpectInput(QStringLiteral("wide"));
    Ui().miGrid->trigger();
    QCOMPARE(Inside().GridSize, 16);
    QVERIFY(Ui().miGridN[2]->isChecked());
    QVERIFY(!Ui().miGridCustom->isVisible());
    // Any parsed integer is taken as it is.
    Prompts->ExpectInput(QStringLiteral("-5"));
    Ui().miGrid->trigger();
    QCOMPARE(Inside().GridSize, -5);
    QCOMPARE(Ui().miGridCustom->text(), QStringLiteral("&-5"));
    QVERIFY(Prompts->Unexpected.isEmpty());
}

void TestDisplayOptions::popupItemsSetValueAndCaption()
{
    CreateForm();
    Ui().miZoomN[5]->trigger();
    QCOMPARE(Inside().Zoom, 6);
    QCOMPARE(Ui().miZoom->text(), QStringLiteral("&Zoom: 6x..."));
    Ui().miCirclesN[0]->trigger();
    QCOMPARE(Inside().CircleSize, 1);
    QCOMPARE(Ui().miCircles->text(), QStringLiteral("Circlesize: 1..."));
    Ui().miGridN[0]->trigger();
    QCOMPARE(Inside().GridSize, 4);
    QCOMPARE(Ui().miGrid->text(), QStringLiteral("Grid: 4"));
    // The drop-downs of the buttons carry these pop-ups.
    QCOMPARE(Ui().tbZoom->menu(), Ui().pmZoom);
    QCOMPARE(Ui().sbShowPoints->menu(), Ui().pmCircles);
    QCOMPARE(Ui().sbShowGrid->menu(), Ui().pmGrid);
    QCOMPARE(Ui().sbRuler->menu(), Ui().pmGrid);
    QCOMPARE(Ui().sbPartImg->menu(), Ui().pmBackImg);
}

void TestDisplayOptions::storedValuesAtStart_data()
{
    QTest::addColumn<int>("zoom");
    QTest::addColumn<int>("circles");
    QTest::addColumn<int>("grid");
    QTest::addColumn<int>("image");
    QTest::addColumn<int>("expectZoom");
    QTest::addColumn<int>("expectCircles");
    QTest::addColumn<QString>("imageItem");
    QTest::newRow("in range") << 7 << 1 << 128 << 1 << 7 << 1 << "miPartImg";
    QTest::newRow("out of range") << 12 << 0 << 20 << 5 << 2 << 3 << "miFullImg";
    QTest::newRow("none") << 1 << 8 << 4 << 0 << 1 << 8 << "miNoImg";
}

// Stored values check their items, but the three menu captions keep their first texts.
void TestDisplayOptions::storedValuesAtStart()
{
    QFETCH(int, zoom);
    QFETCH(int, circles);
    QFETCH(int, grid);
    QFETCH(int, image);
    QFETCH(int, expectZoom);
    QFETCH(int, expectCircles);
    QFETCH(QString, imageItem);
    CreateForm([&](TSettingsStore& store) {
        store.WriteInteger({}, "Zoom", zoom);
        store.WriteInteger({}, "Circles", circles);
        store.WriteInteger({}, "Grid", grid);
        store.WriteInteger({}, "Image", image);
    });
    QCOMPARE(Inside().Zoom, expectZoom);
    QVERIFY(Ui().miZoomN[expectZoom - 1]->isChecked());
    QCOMPARE(Inside().CircleSize, expectCircles);
    QVERIFY(Ui().miCirclesN[expectCircles - 1]->isChecked());
    QCOMPARE(Inside().GridSize, grid);
    const bool custom = grid == 20;
    QCOMPARE(Ui().miGridCustom->isVisible(), custom);
    if (custom)
        QCOMPARE(Ui().miGridCustom->text(), QStringLiteral("&20"));
    QVERIFY(Action(imageItem)->isChecked());
    QCOMPARE(Ui().miZoom->text(), QStringLiteral("&Zoom: 2x..."));
    QCOMPARE(Ui().miCircles->text(), QStringLiteral("Circlesize: 3..."));
    QCOMPARE(Ui().miGrid->text(), QStringLiteral("Grid: 16..."));
}

void TestDisplayOptions::rulerButtonResizesMenuItemDoesNot()
{
    CreateForm({}, true);
    const QSize start = Form->size();
    Ui().sbRuler->click();
    QVERIFY(Ui().miShowRuler->isChecked());
    QTRY_COMPARE(Form->size(), start + QSize(32, 20));
    Ui().sbRuler->click();
    QVERIFY(!Ui().miShowRuler->isChecked());
    QTRY_COMPARE(Form->size(), start);

    Ui().miShowRuler->trigger();
    QVERIFY(Ui().sbRuler->isChecked());
    QTest::qWait(20);
    QCOMPARE(Form->size(), start);
}

void TestDisplayOptions::optimizeForZoom()
{
    CreateForm({}, true);
    Ui().miOptimize3->trigger();
    QTRY_COMPARE(Form->size(), QSize(1015, 835));
    QCOMPARE(Inside().Zoom, 3);
    QVERIFY(Ui().miZoomN[2]->isChecked());
    QCOMPARE(Ui().miZoom->text(), QStringLiteral("&Zoom: 3x..."));

    Ui().sbRuler->click();
    Ui().miOptimize3->trigger();
    QTRY_COMPARE(Form->size(), QSize(1015 + 32, 835 + 20));

    // The 2x command sizes the window so that the drawing area is 512 pixels square.
    Ui().miOptimize2->trigger();
    QCOMPARE(Inside().Zoom, 2);
    QCOMPARE(Ui().miZoom->text(), QStringLiteral("&Zoom: 2x..."));
    QTRY_COMPARE(Inside().Sketchpad->pad->size(), QSize(512, 512));
}

QTEST_MAIN(TestDisplayOptions)
#include "tst_displayoptions.moc"
