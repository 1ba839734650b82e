#include "LinkChecks.h"
#include "Prompts.h"
#include "ReportBox.h"

#include <QApplication>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QLabel>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <functional>

namespace {

// Runs `act` on the next modal dialog once it is up (dialogs block in exec()).
void WhenModal(std::function<void(QWidget*)> act, QWidget* previous = nullptr)
{
    auto* timer = new QTimer(qApp);
    timer->setObjectName(QStringLiteral("answer"));
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, act, previous] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal == previous)
            return;
        timer->stop();
        timer->deleteLater();
        act(modal);
        // A failed check must not leave a dialog waiting for an answer that never comes.
        if (QTest::currentTestFailed())
            while (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
                dialog->reject();
    });
    timer->start();
}

struct TBoxSeen {
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString title, text;
    QMessageBox::StandardButtons buttons;
};

// Records the message box and clicks `answer` on it.
void AnswerBox(TBoxSeen& seen, QMessageBox::StandardButton answer)
{
    WhenModal([&seen, answer](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        QVERIFY(box);
        seen = {box->icon(), box->windowTitle(), box->text(), box->standardButtons()};
        box->button(answer)->click();
    });
}

// Types `name` into the file dialog and accepts it as the user would.
void AnswerFileDialog(const QString& name, QString* directory = nullptr)
{
    WhenModal([name, directory](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        QVERIFY(dialog);
        if (directory)
            *directory = dialog->directory().absolutePath();
        dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(name);
        static_cast<QDialog*>(dialog)->accept(); // QFileDialog::accept checks the name
    });
}

} // namespace

class TestPrompts : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();
    void askAndTell_data();
    void askAndTell();
    void inputText();
    void inputBoxShowsCaptionWhole_data();
    void inputBoxShowsCaptionWhole();
    void longReportScrollsWithinScreen_data();
    void longReportScrollsWithinScreen();
    void saveAddsSuffixAndConfirmsOverwrite();
    void openTakesExistingFile();
    void chooseColor();
};

void TestPrompts::initTestCase()
{
    QApplication::setApplicationName(QStringLiteral("Skelmar for Wendrill RZ4 - Pudlo Mixer"));
}

// An answer left waiting by a failed test must not answer the next test's dialog.
void TestPrompts::cleanup()
{
    qDeleteAll(qApp->findChildren<QTimer*>(QStringLiteral("answer"), Qt::FindDirectChildrenOnly));
}

void TestPrompts::askAndTell_data()
{
    QTest::addColumn<TMsgIcon>("kind");
    QTest::addColumn<int>("icon");
    QTest::newRow("warning") << TMsgIcon::Warning << int(QMessageBox::Warning);
    QTest::newRow("error") << TMsgIcon::Error << int(QMessageBox::Critical);
    QTest::newRow("information") << TMsgIcon::Information << int(QMessageBox::Information);
    QTest::newRow("confirmation") << TMsgIcon::Confirmation << int(QMessageBox::Question);
}

void TestPrompts::askAndTell()
{
    QFETCH(TMsgIcon, kind);
    QFETCH(int, icon);
    QWidget parent;
    TQtPrompts prompts(&parent);
    const QString text = QStringLiteral("Do you really want to discard any changes made to this file?");

    for (const bool yes : {true, false}) {
        TBoxSeen seen;
        AnswerBox(seen, yes ? QMessageBox::Yes : QMessageBox::No);
        QCOMPARE(prompts.Ask(kind, text), yes);
        QCOMPARE(int(seen.icon), icon);
        QCOMPARE(seen.title, QStringLiteral("Skelmar for Wendrill RZ4 - Pudlo Mixer"));
        QCOMPARE(seen.text, text);
        QCOMPARE(seen.buttons, QMessageBox::Yes | QMessageBox::No);
    }

    TBoxSeen seen;
    AnswerBox(seen, QMessageBox::Ok);
    prompts.Tell(kind, text);
    QCOMPARE(int(seen.icon), icon);
    QCOMPARE(seen.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));

    // A short message still shows the program's name whole in the title bar.
    int width = 0, captionWidth = 0;
    WhenModal([&](QWidget* modal) {
        QFont bold = modal->font();
        bold.setBold(true);
        captionWidth = QFontMetrics(bold).horizontalAdvance(modal->windowTitle());
        width = modal->width();
        qobject_cast<QMessageBox*>(modal)->button(QMessageBox::Ok)->click();
    });
    prompts.Tell(kind, QStringLiteral("File was saved."));
    QVERIFY2(width >= captionWidth + 100, qPrintable(QStringLiteral("%1 < %2 + 100").arg(width).arg(captionWidth)));
}

void TestPrompts::inputText()
{
    TQtPrompts prompts(nullptr);
    QString label, caption, shownText;
    WhenModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<QInputDialog*>(modal);
        QVERIFY(dialog);
        caption = dialog->windowTitle();
        label = dialog->labelText();
        shownText = dialog->textValue();
        dialog->setTextValue(QStringLiteral("9"));
        dialog->accept();
    });
    QCOMPARE(prompts.InputText(QStringLiteral("Enter zoom factor"), QStringLiteral("new factor"), QStringLiteral("2")),
             std::optional<QString>(QStringLiteral("9")));
    QCOMPARE(caption, QStringLiteral("Enter zoom factor"));
    QCOMPARE(label, QStringLiteral("new factor"));
    QCOMPARE(shownText, QStringLiteral("2"));

    // Accepting an emptied box is an answer; cancelling is not.
    WhenModal([](QWidget* modal) {
        qobject_cast<QInputDialog*>(modal)->setTextValue(QString());
        qobject_cast<QDialog*>(modal)->accept();
    });
    QCOMPARE(prompts.InputText(QStringLiteral("c"), QStringLiteral("p"), QStringLiteral("2")),
             std::optional<QString>(QString()));
    WhenModal([](QWidget* modal) { qobject_cast<QDialog*>(modal)->reject(); });
    QCOMPARE(prompts.InputText(QStringLiteral("c"), QStringLiteral("p"), QStringLiteral("2")), std::nullopt);
}

void TestPrompts::inputBoxShowsCaptionWhole_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("prompt");
    QTest::newRow("delay") << "Enter new framedelay in ms" << "new delay";
    QTest::newRow("progression") << "Enter 0 for linear, 1 for trigonometric effect progression"
                                 << "new effect parameter";
    QTest::newRow("long prompt") << "c" << "A prompt that is a good deal longer than the box Qt would make for it";
}

void TestPrompts::inputBoxShowsCaptionWhole()
{
    QFETCH(QString, caption);
    QFETCH(QString, prompt);
    QWidget parent;
    TQtPrompts prompts(&parent);
    int width = 0, captionWidth = 0, labelWidth = 0;
    WhenModal([&](QWidget* modal) {
        QFont bold = modal->font();
        bold.setBold(true);
        captionWidth = QFontMetrics(bold).horizontalAdvance(caption);
        labelWidth = QFontMetrics(modal->font()).horizontalAdvance(prompt);
        width = modal->width();
        qobject_cast<QDialog*>(modal)->reject();
    });
    prompts.InputText(caption, prompt, QStringLiteral("1"));
    // The title bar's icon and buttons take room beside the caption.
    QVERIFY2(width >= captionWidth + 100, qPrintable(QStringLiteral("%1 < %2 + 100").arg(width).arg(captionWidth)));
    QVERIFY(width > labelWidth);
}

void TestPrompts::longReportScrollsWithinScreen_data()
{
    QTest::addColumn<bool>("ask");
    QTest::newRow("tell") << false;
    QTest::newRow("ask") << true;
}

// The link report of an 11-frame show without links is far taller than a screen.
void TestPrompts::longReportScrollsWithinScreen()
{
    QFETCH(bool, ask);
    TLaserFrames show;
    for (int k = 0; k < 11; ++k) {
        TLaserFrame& frame = show.Add();
        for (int i = 0; i < 12; ++i)
            frame.Points.push_back(TSmallPoint{});
    }
    const QString text = LinkCheckMessage(CheckAllLinks(show)).Text;
    QVERIFY(text.count(QLatin1Char('\n')) >= 100);
    QWidget parent;
    QVERIFY(NeedsReportBox(text, &parent));
    QVERIFY(!NeedsReportBox(QStringLiteral("File was saved."), &parent));

    TQtPrompts prompts(&parent);
    bool seen = false;
    WhenModal([&](QWidget* modal) {
        auto* box = qobject_cast<TReportBox*>(modal);
        QVERIFY(box);
        const QRect area = box->screen()->availableGeometry();
        QVERIFY2(box->frameGeometry().height() <= area.height(),
                 qPrintable(QStringLiteral("%1 > %2").arg(box->frameGeometry().height()).arg(area.height())));
        QVERIFY(area.contains(box->frameGeometry()));
        QCOMPARE(box->windowTitle(), QStringLiteral("Skelmar for Wendrill RZ4 - Pudlo Mixer"));
        QCOMPARE(box->textLabel->text(), text);
        QVERIFY(!box->iconLabel->pixmap().isNull());
        // The text scrolls inside the box; the button stays in sight.
        QVERIFY(box->scrollArea->verticalScrollBar()->maximum() > 0);
        QVERIFY(box->isSizeGripEnabled());
        QCOMPARE(box->buttonBox->standardButtons(),
                 ask ? QDialogButtonBox::Yes | QDialogButtonBox::No : QDialogButtonBox::StandardButtons(QDialogButtonBox::Ok));
        QVERIFY(box->rect().contains(box->buttonBox->geometry()));
        seen = true;
        box->buttonBox->button(ask ? QDialogButtonBox::Yes : QDialogButtonBox::Ok)->click();
    });
    if (ask)
        QVERIFY(prompts.Ask(TMsgIcon::Warning, text));
    else
        prompts.Tell(TMsgIcon::Warning, text);
    QVERIFY(seen);
}

void TestPrompts::saveAddsSuffixAndConfirmsOverwrite()
{
    QTemporaryDir dir;
    TQtPrompts prompts(nullptr);
    TFileDialogRequest request{QStringLiteral("Save Pudlo file..."), QStringLiteral("Pudlo file (*.RZ4)"),
                               QStringLiteral("RZ4"), dir.path(), QString()};
    QString shownDir;
    AnswerFileDialog(QStringLiteral("party"), &shownDir);
    QCOMPARE(prompts.SaveFileName(request), dir.filePath(QStringLiteral("party.RZ4")));
    QCOMPARE(shownDir, QDir(dir.path()).absolutePath());

    // An existing file: the question comes first, and No returns to the dialog.
    QFile existing(dir.filePath(QStringLiteral("party.RZ4")));
    QVERIFY(existing.open(QIODevice::WriteOnly));
    existing.close();
    TBoxSeen seen;
    WhenModal([&seen](QWidget* fileDialog) {
        AnswerFileDialog(QStringLiteral("party.RZ4"));
        WhenModal([&seen, fileDialog](QWidget* box) {
            auto* question = qobject_cast<QMessageBox*>(box);
            QVERIFY(question);
            seen.text = question->text();
            question->button(QMessageBox::No)->click();
            WhenModal([](QWidget* modal) { qobject_cast<QDialog*>(modal)->reject(); }, box);
        }, fileDialog);
    });
    QCOMPARE(prompts.SaveFileName(request), QString());
    QVERIFY2(seen.text.contains(QStringLiteral("party.RZ4")), qPrintable(seen.text));
}

void TestPrompts::openTakesExistingFile()
{
    QTemporaryDir dir;
    QFile show(dir.filePath(QStringLiteral("party.RZ4")));
    QVERIFY(show.open(QIODevice::WriteOnly));
    show.close();
    TQtPrompts prompts(nullptr);
    const TFileDialogRequest request{QStringLiteral("Open Pudlo file..."),
                                     QStringLiteral("Pudlo file (*.RZ4);;Single pudlo frame (*.RZ4-frame)"),
                                     QStringLiteral("RZ4"), dir.path(), QStringLiteral("party.RZ4")};
    QString title;
    QStringList filters;
    WhenModal([&title, &filters](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        QVERIFY(dialog);
        title = dialog->windowTitle();
        filters = dialog->nameFilters();
        static_cast<QDialog*>(dialog)->accept();
    });
    QCOMPARE(prompts.OpenFileName(request), dir.filePath(QStringLiteral("party.RZ4")));
    QCOMPARE(title, QStringLiteral("Open Pudlo file..."));
    QCOMPARE(filters, QStringList({"Pudlo file (*.RZ4)", "Single pudlo frame (*.RZ4-frame)"}));

    // A typed name that does not exist is refused with a message, back in the dialog.
    TFileDialogRequest noName = request;
    noName.fileName.clear();
    QString refusal;
    WhenModal([&refusal](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        QVERIFY(dialog);
        WhenModal([&refusal, dialog](QWidget* box) {
            auto* message = qobject_cast<QMessageBox*>(box);
            QVERIFY(message);
            refusal = message->text();
            message->accept();
            WhenModal([](QWidget* again) { qobject_cast<QDialog*>(again)->reject(); }, box);
        }, dialog);
        dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(QStringLiteral("missing.RZ4"));
        static_cast<QDialog*>(dialog)->accept();
    });
    QCOMPARE(prompts.OpenFileName(noName), QString());
    QVERIFY2(refusal.contains(QStringLiteral("missing.RZ4")), qPrintable(refusal));
}

void TestPrompts::chooseColor()
{
    TQtPrompts prompts(nullptr);
    QColor shown;
    WhenModal([&shown](QWidget* modal) {
        auto* dialog = qobject_cast<QColorDialog*>(modal);
        QVERIFY(dialog);
        shown = dialog->currentColor();
        dialog->setCurrentColor(QColor(0, 64, 0));
        dialog->accept();
    });
    QCOMPARE(prompts.ChooseColor(QColor(255, 128, 64)), std::optional<QColor>(QColor(0, 64, 0)));
    QCOMPARE(shown, QColor(255, 128, 64));
    WhenModal([](QWidget* modal) { qobject_cast<QDialog*>(modal)->reject(); });
    QCOMPARE(prompts.ChooseColor(QColor(255, 0, 0)), std::nullopt);
}

QTEST_MAIN(TestPrompts)
#include "tst_prompts.moc"
