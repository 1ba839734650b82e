#include "Builders.h"
#include "FormUnitColors.h"
#include "FrameList.h"
#include "MainWindowFixture.h"
#include "Timeline.h"

#include <QApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

class TestFormColors : public QObject, protected TMainWindowFixture {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void layoutAndCaptions();
    void frameColumnsLineUp();
    void fillShowsEverySwatch_data();
    void fillShowsEverySwatch();
    void clickChangesOnlyThatSwatch_data();
    void clickChangesOnlyThatSwatch();
    void cancelledChooserKeepsSwatch();
    void applyButtonReportsAndStaysOpen();
    void applyThenCancelKeepsAppliedColours();
    void okAppliesRenamesAndRepaints();
    void coloursSurviveRestart();

private:
    void WhenDialogShown(std::function<void(TFormColors&)> inDialog);
    TFormColors* Dialog() const { return Form->findChild<TFormColors*>(QStringLiteral("FormColors")); }
};

namespace {

// Each swatch by name and the setting it shows, written out independently of the dialog.
struct TSwatchField {
    const char* name;
    QColor& (*field)(TColorSettings&);
};

const TSwatchField SwatchFields[] = {
    {"iNorm0", [](TColorSettings& c) -> QColor& { return c.Norm[0]; }},
    {"iNorm1", [](TColorSettings& c) -> QColor& { return c.Norm[1]; }},
    {"iReal0", [](TColorSettings& c) -> QColor& { return c.Real[0]; }},
    {"iReal1", [](TColorSettings& c) -> QColor& { return c.Real[1]; }},
    {"iBack0", [](TColorSettings& c) -> QColor& { return c.Back[0]; }},
    {"iBack1", [](TColorSettings& c) -> QColor& { return c.Back[1]; }},
    {"iSel0", [](TColorSettings& c) -> QColor& { return c.Sel[0]; }},
    {"iSel1", [](TColorSettings& c) -> QColor& { return c.Sel[1]; }},
    {"iLink0", [](TColorSettings& c) -> QColor& { return c.Link[0]; }},
    {"iLink1", [](TColorSettings& c) -> QColor& { return c.Link[1]; }},
    {"iTimelineLines", [](TColorSettings& c) -> QColor& { return c.TimelineLines; }},
    {"iTimelineAreas", [](TColorSettings& c) -> QColor& { return c.TimelineAreas; }},
    {"iTimelineText", [](TColorSettings& c) -> QColor& { return c.TimelineText; }},
    {"iTimelineBack", [](TColorSettings& c) -> QColor& { return c.TimelineBackground; }},
    {"iThumbText", [](TColorSettings& c) -> QColor& { return c.ThumbText; }},
    {"iBackGround", [](TColorSettings& c) -> QColor& { return c.Background; }},
    {"iHelpLines", [](TColorSettings& c) -> QColor& { return c.HelpLines; }},
    {"iRotCenter", [](TColorSettings& c) -> QColor& { return c.Rotation; }},
};
constexpr int SwatchCount = int(std::size(SwatchFields));

// Eighteen different colours, none of them a default, and two names.
TColorSettings DistinctColours()
{
    TColorSettings colors;
    for (int i = 0; i < SwatchCount; ++i)
        SwatchFields[i].field(colors) = QColor(11 + 13 * i, 250 - 9 * i, 3 + 7 * i);
    colors.Name[0] = QStringLiteral("&Green");
    colors.Name[1] = QStringLiteral("Ye&llow");
    return colors;
}

TColorSwatch* Swatch(const QWidget& dialog, const char* name)
{
    return dialog.findChild<TColorSwatch*>(QLatin1String(name));
}

// Whether every pixel of the swatch as drawn on screen is `color`.
bool ShowsOnly(TColorSwatch& swatch, const QColor& color)
{
    const QImage image = swatch.grab().toImage();
    if (image.size() != QSize(22, 22))
        return false;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y) != color)
                return false;
    return true;
}

int CountPixels(const QImage& image, const QColor& color)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += image.pixelColor(x, y) == color;
    return count;
}

QStringList LabelTexts(const QWidget& page)
{
    QStringList texts;
    for (const QLabel* label : page.findChildren<QLabel*>())
        texts << label->text();
    return texts;
}

} // namespace

void TestFormColors::initTestCase()
{
    QApplication::setQuitOnLastWindowClosed(false);
}

void TestFormColors::init()
{
    InitFixture();
}

void TestFormColors::cleanup()
{
    CleanupFixture();
}

// Answers the modal colours dialog once it is up; a dialog left open is cancelled.
void TestFormColors::WhenDialogShown(std::function<void(TFormColors&)> inDialog)
{
    QTimer::singleShot(0, Form.get(), [this, inDialog] {
        TFormColors* dialog = Dialog();
        if (!dialog || !dialog->isVisible() || QApplication::activeModalWidget() != dialog) {
            qWarning("the colours dialog is not shown modally");
            return;
        }
        inDialog(*dialog);
        if (dialog->isVisible())
            dialog->reject();
    });
}

// --- the dialog on its own ---------------------------------------------------------------------

void TestFormColors::layoutAndCaptions()
{
    TScriptedPrompts prompts;
    TFormColors dialog(prompts);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Choose colors"));
    QCOMPARE(dialog.pgColors->count(), 3);
    const QString pages[] = {QStringLiteral("Frame colors"), QStringLiteral("Timeline colors"),
                             QStringLiteral("Other colors")};
    const QString groups[] = {QStringLiteral(" Frame colors "), QStringLiteral(" Timeline colors "),
                              QStringLiteral(" Other colors ")};
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(dialog.pgColors->tabText(i), pages[i]);
        const auto boxes = dialog.pgColors->widget(i)->findChildren<QGroupBox*>();
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes[0]->title(), groups[i]);
    }

    // The labels of the two lists read as the user sees them: a single "&", no mnemonic.
    QCOMPARE(LabelTexts(*dialog.pgColors->widget(1)),
             (QStringList{"Color of lines", "Color of areas", "Text & time divider color", "Background color"}));
    QCOMPARE(LabelTexts(*dialog.pgColors->widget(2)),
             (QStringList{"Textcolor in frame overview", "Background color in editor", "Color of helplines",
                          "Color of rotation center & rotation lines"}));
    for (int page : {1, 2})
        for (const QLabel* label : dialog.pgColors->widget(page)->findChildren<QLabel*>())
            QVERIFY(!label->buddy());
    // Each list label stands right of its swatch, on the same row.
    const QPair<const char*, QString> listRows[] = {{"iTimelineText", "Text & time divider color"},
                                                    {"iRotCenter", "Color of rotation center & rotation lines"}};
    for (const auto& [name, text] : listRows) {
        TColorSwatch* swatch = Swatch(dialog, name);
        auto* grid = qobject_cast<QGridLayout*>(swatch->parentWidget()->layout());
        QVERIFY(grid);
        int row, column, rowSpan, columnSpan;
        grid->getItemPosition(grid->indexOf(swatch), &row, &column, &rowSpan, &columnSpan);
        auto* label = qobject_cast<QLabel*>(grid->itemAtPosition(row, column + 1)->widget());
        QVERIFY(label);
        QCOMPARE(label->text(), text);
    }

    // The row captions lead to their name edits.
    const QStringList frameLabels = LabelTexts(*dialog.pgColors->widget(0));
    for (const char* header : {"Color name", "Normal", "Round", "Back", "Sel", "Links"})
        QVERIFY2(frameLabels.contains(QLatin1String(header)), header);
    for (const QLabel* label : dialog.pgColors->widget(0)->findChildren<QLabel*>()) {
        if (label->text() == QStringLiteral("Color &0:"))
            QCOMPARE(label->buddy(), dialog.editColor0);
        else if (label->text() == QStringLiteral("Color &1:"))
            QCOMPARE(label->buddy(), dialog.editColor1);
    }
    QVERIFY(frameLabels.contains(QStringLiteral("Color &0:")));
    QVERIFY(frameLabels.contains(QStringLiteral("Color &1:")));

    QCOMPARE(dialog.findChildren<TColorSwatch*>().size(), SwatchCount);
    for (const TSwatchField& entry : SwatchFields) {
        TColorSwatch* swatch = Swatch(dialog, entry.name);
        QVERIFY2(swatch, entry.name);
        QCOMPARE(swatch->size(), QSize(22, 22));
    }

    const QPair<QPushButton*, QString> buttons[] = {{dialog.bnOK, "OK"}, {dialog.bnCancel, "Cancel"},
                                                    {dialog.bnApply, "An&wenden"}, {dialog.bnHelp, "Hilfe"}};
    for (const auto& [button, text] : buttons) {
        QCOMPARE(button->text(), text);
        QCOMPARE(button->isEnabled(), button != dialog.bnHelp);
    }
    // The buttons stand in this order, left to right.
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    for (int i = 1; i < 4; ++i)
        QVERIFY(buttons[i - 1].first->geometry().right() < buttons[i].first->geometry().left());
    QCOMPARE(dialog.minimumSize(), dialog.maximumSize());   // fixed size
}

// Every column header stands centred over its two swatches.
void TestFormColors::frameColumnsLineUp()
{
    TScriptedPrompts prompts;
    TFormColors dialog(prompts);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QWidget* page = dialog.pgColors->widget(0);
    const QPair<QString, QPair<QWidget*, QWidget*>> columns[] = {
        {"Color name", {dialog.editColor0, dialog.editColor1}},
        {"Normal", {dialog.iNorm0, dialog.iNorm1}}, {"Round", {dialog.iReal0, dialog.iReal1}},
        {"Back", {dialog.iBack0, dialog.iBack1}}, {"Sel", {dialog.iSel0, dialog.iSel1}},
        {"Links", {dialog.iLink0, dialog.iLink1}},
    };
    for (const auto& [header, cells] : columns) {
        const QLabel* label = nullptr;
        for (const QLabel* candidate : page->findChildren<QLabel*>())
            if (candidate->text() == header)
                label = candidate;
        QVERIFY2(label, qPrintable(header));
        const QRect top = cells.first->geometry(), bottom = cells.second->geometry();
        QVERIFY2(label->geometry().bottom() < top.top(), qPrintable(header));
        QCOMPARE(top.left(), bottom.left());
        QVERIFY2(top.bottom() < bottom.top(), qPrintable(header));
        if (header == QStringLiteral("Color name"))
            QCOMPARE(label->geometry().left() <= top.left() + 4, true);
        else
            QVERIFY2(qAbs(label->geometry().center().x() - top.center().x()) <= 1, qPrintable(header));
    }
}

void TestFormColors::fillShowsEverySwatch_data()
{
    QTest::addColumn<int>("entry");
    for (int i = 0; i < SwatchCount; ++i)
        QTest::newRow(SwatchFields[i].name) << i;
}

void TestFormColors::fillShowsEverySwatch()
{
    QFETCH(int, entry);
    TScriptedPrompts prompts;
    TFormColors dialog(prompts);
    TColorSettings colors = DistinctColours();
    dialog.Fill(colors);

    const QColor expected = SwatchFields[entry].field(colors);
    TColorSwatch* swatch = Swatch(dialog, SwatchFields[entry].name);
    QVERIFY(ShowsOnly(*swatch, expected));
    QCOMPARE(swatch->Color(), expected);
    QCOMPARE(dialog.editColor0->text(), QStringLiteral("&Green"));
    QCOMPARE(dialog.editColor1->text(), QStringLiteral("Ye&llow"));
    QCOMPARE(dialog.Chosen(), colors);
    QVERIFY(prompts.Shown.isEmpty());
}

void TestFormColors::clickChangesOnlyThatSwatch_data()
{
    fillShowsEverySwatch_data();
}

void TestFormColors::clickChangesOnlyThatSwatch()
{
    QFETCH(int, entry);
    TScriptedPrompts prompts;
    TFormColors dialog(prompts);
    TColorSettings colors = DistinctColours();
    const TColorSettings before = colors;
    dialog.Fill(colors);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QSignalSpy applied(&dialog, &TFormColors::colorsApplied);

    TColorSwatch* swatch = Swatch(dialog, SwatchFields[entry].name);
    const QColor old = SwatchFields[entry].field(colors);
    const QColor chosen(1, 2, 3);
    prompts.ExpectColor(chosen);
    // The chooser opens on the swatch's page, as the user would see it.
    dialog.pgColors->setCurrentWidget(dialog.pgColors->widget(entry < 10 ? 0 : entry < 14 ? 1 : 2));
    QTest::mouseClick(swatch, Qt::LeftButton);

    QVERIFY(prompts.AllAnswered());
    QCOMPARE(prompts.Shown.size(), 1);
    QCOMPARE(prompts.Shown[0].text, old.name());        // preset with the swatch's colour
    QVERIFY(ShowsOnly(*swatch, chosen));
    TColorSettings expected = before;
    SwatchFields[entry].field(expected) = chosen;
    QCOMPARE(dialog.Chosen(), expected);                // no other swatch moved
    for (const TSwatchField& other : SwatchFields)
        if (other.name != SwatchFields[entry].name)
            QVERIFY2(ShowsOnly(*Swatch(dialog, other.name), other.field(colors)), other.name);
    QCOMPARE(applied.count(), 0);                       // nothing applied yet
    QCOMPARE(colors, before);
    QVERIFY(dialog.isVisible());
}

void TestFormColors::cancelledChooserKeepsSwatch()
{
    TScriptedPrompts prompts;
    TFormColors dialog(prompts);
    const TColorSettings colors = DistinctColours();
    dialog.Fill(colors);
    prompts.ExpectColor(std::nullopt);
    QTest::mouseClick(dialog.iHelpLines, Qt::LeftButton);
    QVERIFY(prompts.AllAnswered());
    QVERIFY(prompts.Unexpected.isEmpty());
    QVERIFY(ShowsOnly(*dialog.iHelpLines, colors.HelpLines));
    QCOMPARE(dialog.Chosen(), colors);

    // Only a left click asks.
    QTest::mouseClick(dialog.iHelpLines, Qt::RightButton);
    QCOMPARE(prompts.Shown.size(), 1);
}

// "An&wenden" hands over what the dialog shows and leaves it open; OK hands it over after
// closing; Cancel hands over nothing.
void TestFormColors::applyButtonReportsAndStaysOpen()
{
    TScriptedPrompts prompts;
    TFormColors dialog(prompts);
    QSignalSpy applied(&dialog, &TFormColors::colorsApplied);
    const TColorSettings start = DistinctColours();

    bool openAtApply = false;
    connect(&dialog, &TFormColors::colorsApplied, &dialog, [&] { openAtApply = dialog.isVisible(); });
    QTimer::singleShot(0, &dialog, [&] {
        prompts.ExpectColor(QColor(9, 9, 9));
        QTest::mouseClick(dialog.iLink1, Qt::LeftButton);
        dialog.editColor1->setText(QStringLiteral("&Violet"));
        QTest::mouseClick(dialog.bnApply, Qt::LeftButton);
        QVERIFY(dialog.isVisible());
        QTest::mouseClick(dialog.bnCancel, Qt::LeftButton);
    });
    QVERIFY(!dialog.Execute(start));
    QCOMPARE(applied.count(), 1);
    QVERIFY(openAtApply);
    TColorSettings expected = start;
    expected.Link[1] = QColor(9, 9, 9);
    expected.Name[1] = QStringLiteral("&Violet");
    QCOMPARE(applied[0][0].value<TColorSettings>(), expected);

    QTimer::singleShot(0, &dialog, [&] { QTest::mouseClick(dialog.bnOK, Qt::LeftButton); });
    QVERIFY(dialog.Execute(start));
    QCOMPARE(applied.count(), 2);
    QVERIFY(!openAtApply);
    QCOMPARE(applied[1][0].value<TColorSettings>(), start);   // reopening showed `start` again
}

// --- through the main window ---------------------------------------------------------------------

void TestFormColors::applyThenCancelKeepsAppliedColours()
{
    CreateForm();
    const TColorSettings original = Inside().Colors;
    WhenDialogShown([this, original](TFormColors& dialog) {
        QCOMPARE(dialog.Chosen(), original);
        Prompts->ExpectColor(QColor(12, 34, 56));
        QTest::mouseClick(dialog.iNorm0, Qt::LeftButton);
        dialog.editColor0->setText(QStringLiteral("&Cyan"));
        QCOMPARE(Inside().Colors, original);                  // a swatch alone changes nothing
        QTest::mouseClick(dialog.bnApply, Qt::LeftButton);
        QCOMPARE(Inside().Colors.Norm[0], QColor(12, 34, 56));
        QCOMPARE(Ui().miColor0->text(), QStringLiteral("&Cyan"));
        QVERIFY(dialog.isVisible());
        // Changed after applying, then cancelled: not taken.
        Prompts->ExpectColor(QColor(200, 100, 0));
        QTest::mouseClick(dialog.iBack1, Qt::LeftButton);
        QTest::mouseClick(dialog.bnCancel, Qt::LeftButton);
    });
    Ui().miColors->trigger();
    QVERIFY(Prompts->AllAnswered());
    QVERIFY(!Dialog()->isVisible());

    TColorSettings expected = original;
    expected.Norm[0] = QColor(12, 34, 56);
    expected.Name[0] = QStringLiteral("&Cyan");
    QCOMPARE(Inside().Colors, expected);
    QCOMPARE(Ui().miColor0->text(), QStringLiteral("&Cyan"));
    QCOMPARE(Inside().lbThumbs->Colors().Norm0, QColor(12, 34, 56));
}

void TestFormColors::okAppliesRenamesAndRepaints()
{
    CreateForm({}, true);
    // Frame 0 gets a horizontal stroke, drawn at y 50 from x 0 to 50 in its list entry.
    TLaserFrame& frame = Form->Show().Frame(0);
    AddPoints(frame, {{0, 128}, {200, 128}});
    Inside().lbThumbs->RepaintList();
    const QColor norm0(40, 200, 90), background(30, 30, 70), timeline(90, 0, 90);
    QCOMPARE(Inside().lbThumbs->viewport()->grab().toImage().pixelColor(20, 50), QColor(255, 0, 0));

    WhenDialogShown([&](TFormColors& dialog) {
        // Centred on the main window.
        QVERIFY((dialog.frameGeometry().center() - Form->frameGeometry().center()).manhattanLength() <= 2);
        for (const auto& [swatch, color] : {std::pair{dialog.iNorm0, norm0}, std::pair{dialog.iBackGround, background},
                                           std::pair{dialog.iTimelineBack, timeline}}) {
            Prompts->ExpectColor(color);
            QTest::mouseClick(swatch, Qt::LeftButton);
        }
        dialog.editColor0->setText(QStringLiteral("&Green"));
        dialog.editColor1->setText(QStringLiteral("Bl&ack"));
        QCOMPARE(Inside().Colors, TColorSettings());           // nothing applied before OK
        QTest::mouseClick(dialog.bnOK, Qt::LeftButton);
    });
    Ui().miColors->trigger();
    QVERIFY(Prompts->AllAnswered());
    QVERIFY(Prompts->Unexpected.isEmpty());
    QVERIFY(!Dialog()->isVisible());

    QCOMPARE(Inside().Colors.Norm[0], norm0);
    QCOMPARE(Inside().Colors.Background, background);
    QCOMPARE(Inside().Colors.TimelineBackground, timeline);
    QCOMPARE(Ui().miColor0->text(), QStringLiteral("&Green"));
    QCOMPARE(Ui().miColor1->text(), QStringLiteral("Bl&ack"));

    const QImage list = Inside().lbThumbs->viewport()->grab().toImage();
    QCOMPARE(list.pixelColor(20, 50), norm0);
    QCOMPARE(list.pixelColor(40, 75), background);
    const QImage strip = Inside().Timeline->iTimeline->Canvas();
    QVERIFY(!strip.isNull());
    QVERIFY(CountPixels(strip, timeline) > strip.width() * strip.height() / 2);
}

void TestFormColors::coloursSurviveRestart()
{
    CreateForm();
    const QColor rotation(1, 99, 199), areas(250, 5, 125);
    WhenDialogShown([&](TFormColors& dialog) {
        Prompts->ExpectColor(rotation);
        QTest::mouseClick(dialog.iRotCenter, Qt::LeftButton);
        Prompts->ExpectColor(areas);
        QTest::mouseClick(dialog.iTimelineAreas, Qt::LeftButton);
        dialog.editColor1->setText(QStringLiteral("&Amber"));
        QTest::mouseClick(dialog.bnOK, Qt::LeftButton);
    });
    Ui().miColors->trigger();
    const TColorSettings applied = Inside().Colors;
    QCOMPARE(applied.Rotation, rotation);
    QVERIFY(Form->close());
    Form.reset();

    CreateForm();
    QCOMPARE(Inside().Colors, applied);
    QCOMPARE(Ui().miColor1->text(), QStringLiteral("&Amber"));
    // The reopened dialog shows the stored colours.
    WhenDialogShown([&](TFormColors& dialog) {
        QVERIFY(ShowsOnly(*dialog.iRotCenter, rotation));
        QVERIFY(ShowsOnly(*dialog.iTimelineAreas, areas));
        QCOMPARE(dialog.editColor1->text(), QStringLiteral("&Amber"));
        QTest::mouseClick(dialog.bnCancel, Qt::LeftButton);
    });
    Ui().miColors->trigger();
    QCOMPARE(Inside().Colors, applied);
}

QTEST_MAIN(TestFormColors)
#include "tst_formcolors.moc"
