#include "FormUnitStatus.h"

#include <QFormLayout>
#include <QLabel>
#include <QProgressBar>
#include <QTest>

class TestFormStatus : public QObject {
    Q_OBJECT
private slots:
    void captionsAndInitialState();
    void centredOnParentWithoutTitleButtons();
    void positionsAreClamped_data();
    void positionsAreClamped();
    void followsACompileAndResets();
};

namespace {

QString CaptionOf(QWidget* field)
{
    auto* form = qobject_cast<QFormLayout*>(field->parentWidget()->layout());
    if (!form)
        return {};
    auto* label = qobject_cast<QLabel*>(form->labelForField(field));
    if (!label)
        return {};
    // The captions stand right-aligned before their fields.
    if (!(form->labelAlignment() & Qt::AlignRight))
        return QStringLiteral("(not right-aligned)");
    return label->text();
}

} // namespace

void TestFormStatus::captionsAndInitialState()
{
    TFormStatus form;
    QCOMPARE(form.windowTitle(), QStringLiteral("Wave creation status..."));
    QCOMPARE(CaptionOf(form.labelFrame), QStringLiteral("Current frame:"));
    QCOMPARE(CaptionOf(form.pgMorph), QStringLiteral("Morph progress:"));
    QCOMPARE(CaptionOf(form.pgFrame), QStringLiteral("Frame progress:"));
    QCOMPARE(CaptionOf(form.pgTotal), QStringLiteral("Total progress:"));
    QCOMPARE(form.labelFrame->text(), QStringLiteral("No frame in work"));
    for (QProgressBar* bar : {form.pgMorph, form.pgFrame, form.pgTotal})
        QCOMPARE(bar->value(), 0);
    QVERIFY(!form.isModal());
}

void TestFormStatus::centredOnParentWithoutTitleButtons()
{
    QWidget main;
    main.setGeometry(100, 80, 900, 700);
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));

    TFormStatus form(&main);
    const Qt::WindowFlags flags = form.windowFlags();
    QVERIFY(flags & Qt::CustomizeWindowHint);
    QVERIFY(flags & Qt::WindowTitleHint);
    for (Qt::WindowType button : {Qt::WindowCloseButtonHint, Qt::WindowMinimizeButtonHint,
                                  Qt::WindowMaximizeButtonHint, Qt::WindowSystemMenuHint,
                                  Qt::WindowContextHelpButtonHint})
        QVERIFY2(!(flags & button), qPrintable(QString::number(button, 16)));

    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    const QPoint offset = form.frameGeometry().center() - main.frameGeometry().center();
    QVERIFY2(offset.manhattanLength() <= 4,
             qPrintable(QStringLiteral("off centre by %1,%2").arg(offset.x()).arg(offset.y())));
}

void TestFormStatus::positionsAreClamped_data()
{
    QTest::addColumn<int>("max");
    QTest::addColumn<int>("pos");
    QTest::addColumn<int>("shown");

    QTest::newRow("inside") << 10 << 4 << 4;
    QTest::newRow("at maximum") << 10 << 10 << 10;
    // The outgoing half reports maximum + r to show the bar full.
    QTest::newRow("above maximum") << 10 << 17 << 10;
    QTest::newRow("below zero") << 10 << -3 << 0;
    QTest::newRow("zero maximum stays empty") << 0 << 0 << 0;
}

void TestFormStatus::positionsAreClamped()
{
    QFETCH(int, max);
    QFETCH(int, pos);
    QFETCH(int, shown);

    TFormStatus form;
    TCompileProgress& progress = form;
    progress.SetMorphMax(max);
    progress.SetFrameMax(max);
    progress.SetTotalMax(max);
    // A value left over from before must not survive an out-of-range update.
    progress.SetMorphPos(1);
    progress.SetFramePos(1);
    progress.SetTotalPos(1);
    progress.SetMorphPos(pos);
    progress.SetFramePos(pos);
    progress.SetTotalPos(pos);
    for (QProgressBar* bar : {form.pgMorph, form.pgFrame, form.pgTotal}) {
        QCOMPARE(bar->value(), shown);
        QVERIFY(bar->minimum() < bar->maximum());  // never a busy indicator
    }
    QCOMPARE(form.MorphMax(), max);
    QCOMPARE(form.FrameMax(), max);
    QCOMPARE(form.TotalMax(), max);
}

void TestFormStatus::followsACompileAndResets()
{
    TFormStatus form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    TCompileProgress& progress = form;

    progress.SetTotalMax(2000);
    progress.SetFrameLabel(QStringLiteral("Star   (1/2)"));
    progress.Repaint();
    QCOMPARE(form.labelFrame->text(), QStringLiteral("Star   (1/2)"));
    progress.SetFrameMax(334);
    progress.SetMorphMax(12);
    progress.SetFramePos(333);
    progress.SetTotalPos(997);
    progress.Repaint();
    progress.Repaint();  // repeated repaints in quick succession are harmless
    QCOMPARE(form.pgFrame->value(), 333);
    QCOMPARE(form.pgTotal->value(), 997);
    QCOMPARE(form.pgMorph->value(), 0);

    form.Reset();
    QCOMPARE(form.labelFrame->text(), QStringLiteral("No frame in work"));
    for (QProgressBar* bar : {form.pgMorph, form.pgFrame, form.pgTotal})
        QCOMPARE(bar->value(), 0);
}

QTEST_MAIN(TestFormStatus)
#include "tst_formstatus.moc"
