#include "FormUnitDelays.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

class TestFormDelays : public QObject {
    Q_OBJECT
private slots:
    void layoutAndCaptions();
    void fillWritesDecimalText();
    void applyParsesEachBox_data();
    void applyParsesEachBox();
    void boxesAreIndependent();
    void executeStoresOnlyOnOk_data();
    void executeStoresOnlyOnOk();
};

namespace {

QString CaptionOf(QWidget* field)
{
    auto* form = qobject_cast<QFormLayout*>(field->parentWidget()->layout());
    if (!form)
        return {};
    auto* label = qobject_cast<QLabel*>(form->labelForField(field));
    return label ? label->text() : QString();
}

QList<QLineEdit*> Boxes(const TFormDelays& form)
{
    return {form.editStep5, form.editStep10, form.editStep40, form.editStepEdges};
}

} // namespace

void TestFormDelays::layoutAndCaptions()
{
    TFormDelays form;
    QCOMPARE(form.windowTitle(), QStringLiteral("Driver delays"));
    auto* group = form.editStep5->parentWidget();
    QVERIFY(qobject_cast<QGroupBox*>(group));
    QCOMPARE(static_cast<QGroupBox*>(group)->title(), QStringLiteral(" Scan delays "));
    QCOMPARE(CaptionOf(form.editStep5), QStringLiteral("5\u00B0 Step"));
    QCOMPARE(CaptionOf(form.editStep10), QStringLiteral("10\u00B0 Step"));
    QCOMPARE(CaptionOf(form.editStep40), QStringLiteral("40\u00B0 Step"));
    QCOMPARE(CaptionOf(form.editStepEdges), QStringLiteral("Max. Edges"));
    QCOMPARE(form.bnOK->text(), QStringLiteral("OK"));
    QCOMPARE(form.bnCancel->text(), QStringLiteral("Cancel"));
    QCOMPARE(form.bnHelp->text(), QStringLiteral("Help"));
    QVERIFY(form.bnOK->isEnabled());
    QVERIFY(form.bnCancel->isEnabled());
    QVERIFY(!form.bnHelp->isEnabled());

    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QCOMPARE(form.minimumSize(), form.maximumSize());
}

void TestFormDelays::fillWritesDecimalText()
{
    TFormDelays form;
    form.Fill(TScanDelays{0, 65535, 7, 300});
    QCOMPARE(form.editStep5->text(), QStringLiteral("0"));
    QCOMPARE(form.editStep10->text(), QStringLiteral("65535"));
    QCOMPARE(form.editStep40->text(), QStringLiteral("7"));
    QCOMPARE(form.editStepEdges->text(), QStringLiteral("300"));
    // What Fill wrote reads back unchanged.
    QCOMPARE(form.Apply(TScanDelays{1, 2, 3, 4}), (TScanDelays{0, 65535, 7, 300}));
}

void TestFormDelays::applyParsesEachBox_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("expected");  // -1: the box keeps its value

    QTest::newRow("plain") << "42" << 42;
    QTest::newRow("zero") << "0" << 0;
    QTest::newRow("largest") << "65535" << 65535;
    QTest::newRow("wraps to zero") << "65536" << 0;
    QTest::newRow("wraps above") << "70000" << 4464;
    QTest::newRow("minus one") << "-1" << 65535;
    QTest::newRow("plus sign") << "+7" << 7;
    QTest::newRow("surrounding blanks") << " 12 " << 12;
    QTest::newRow("letters") << "abc" << -1;
    QTest::newRow("empty") << "" << -1;
    QTest::newRow("blank") << "   " << -1;
    QTest::newRow("trailing letters") << "12abc" << -1;
    QTest::newRow("fraction") << "1.5" << -1;
    QTest::newRow("hex") << "0x10" << -1;
    QTest::newRow("inner blank") << "1 2" << -1;
    QTest::newRow("beyond 64 bits") << "99999999999999999999" << -1;
}

void TestFormDelays::applyParsesEachBox()
{
    QFETCH(QString, text);
    QFETCH(int, expected);

    TFormDelays form;
    const TScanDelays current{11, 22, 33, 44};
    const QList<QLineEdit*> boxes = Boxes(form);
    for (int k = 0; k < boxes.size(); ++k) {
        form.Fill(current);
        boxes[k]->setText(text);
        TScanDelays want = current;
        quint16* fields[] = {&want.Time5Degree, &want.Time10Degree, &want.Time40Degree, &want.TimeEdges};
        if (expected >= 0)
            *fields[k] = quint16(expected);
        QCOMPARE(form.Apply(current), want);
    }
}

void TestFormDelays::boxesAreIndependent()
{
    TFormDelays form;
    form.editStep5->setText(QStringLiteral("x"));
    form.editStep10->setText(QStringLiteral("5"));
    form.editStep40->setText(QString());
    form.editStepEdges->setText(QStringLiteral("-2"));
    QCOMPARE(form.Apply(TScanDelays{}), (TScanDelays{30, 5, 66, 65534}));
}

void TestFormDelays::executeStoresOnlyOnOk_data()
{
    QTest::addColumn<QString>("close");
    QTest::addColumn<bool>("stored");

    QTest::newRow("OK") << "ok" << true;
    QTest::newRow("Cancel") << "cancel" << false;
    QTest::newRow("Escape") << "escape" << false;
}

void TestFormDelays::executeStoresOnlyOnOk()
{
    QFETCH(QString, close);
    QFETCH(bool, stored);

    TFormDelays form;
    TScanDelays delays{1, 2, 3, 4};
    QString seen;
    QTimer::singleShot(0, &form, [&] {
        // The boxes show the current values when the dialog opens.
        for (QLineEdit* box : Boxes(form))
            seen += box->text() + QLatin1Char(' ');
        form.editStep5->setText(QStringLiteral("100"));
        form.editStepEdges->setText(QStringLiteral("nonsense"));
        if (close == QLatin1String("ok"))
            form.bnOK->click();
        else if (close == QLatin1String("cancel"))
            form.bnCancel->click();
        else
            QTest::keyClick(&form, Qt::Key_Escape);
    });
    const bool accepted = form.Execute(delays);

    QCOMPARE(seen, QStringLiteral("1 2 3 4 "));
    QCOMPARE(accepted, stored);
    QCOMPARE(delays, (stored ? TScanDelays{100, 2, 3, 4} : TScanDelays{1, 2, 3, 4}));
}

QTEST_MAIN(TestFormDelays)
#include "tst_formdelays.moc"
