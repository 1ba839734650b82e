#include "BackgroundWork.h"
#include "Builders.h"
#include "FormUnitImportOptions.h"
#include "FormUnitText.h"
#include "FrameList.h"
#include "MainWindowFixture.h"
#include "ShowFile.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QSpinBox>
#include <QDoubleSpinBox>
#include <QImage>
#include <QPainter>
#include <QProgressDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>

#include <functional>

#include <sys/stat.h>

class TestContentUi : public QObject, public TMainWindowFixture {
    Q_OBJECT
private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }
    void init() { InitFixture(); }
    void cleanup() { CleanupFixture(); }

    void menuItems();
    void svgInsertsBeforeCurrent();
    void unreadableSvgInsertsNothing_data();
    void unreadableSvgInsertsNothing();
    void svgTooLargeOffersACoarserTolerance();
    void textInsertsBeforeCurrent();
    void textDialogCancelAndRefusals();
    void svgPicturesAreLeftOutAndSaidSo();
    void longPasteStopsAtTheTextLimit();
    void pictureInsertsBeforeCurrent();
    void badPicturesInsertNothing_data();
    void badPicturesInsertNothing();
    void cancelledImportLeavesTheShow_data();
    void cancelledImportLeavesTheShow();
    void pictureOptionsAreUsedAndKept();

private:
    QMenu* Menu(const QList<QAction*>& actions, const QString& title) const;
    QStringList Captions(QMenu* menu) const;
    void OpenShow(const QStringList& frameNames, int current);
    QStringList Names() const;
    bool NoUnexpectedPrompts() const;
    // Triggers "Insert text frame..." and runs `inDialog` while the dialog is open;
    // the dialog is cancelled afterwards unless `inDialog` closed it.
    void RunTextDialog(const std::function<void(TFormText&)>& inDialog);
    // Answers the options dialog that follows the file dialog: `inDialog` may change
    // it; then OK, unless it closed the dialog.
    void AnswerImportOptions(const std::function<void(TFormImportOptions&)>& inDialog = {});
    // A white picture with a black square in its middle, or only white.
    QString MakePicture(const QString& name, bool square);
};

void TestContentUi::AnswerImportOptions(const std::function<void(TFormImportOptions&)>& inDialog)
{
    QTimer::singleShot(0, Form.get(), [this, inDialog] {
        auto* dialog = Form->findChild<TFormImportOptions*>();
        if (!dialog || !dialog->isVisible() || !dialog->isModal()) {
            qWarning("the import options are not shown modally");
            return;
        }
        if (inDialog)
            inDialog(*dialog);
        if (dialog->isVisible())
            dialog->bnOK->click();
    });
}

QString TestContentUi::MakePicture(const QString& name, bool square)
{
    QImage picture(200, 200, QImage::Format_RGB32);
    picture.fill(Qt::white);
    if (square) {
        QPainter painter(&picture);
        painter.fillRect(50, 50, 100, 100, Qt::black);
    }
    const QString path = Dir->filePath(name);
    if (!picture.save(path))
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

QMenu* TestContentUi::Menu(const QList<QAction*>& actions, const QString& title) const
{
    for (QAction* action : actions)
        if (action->menu() && action->menu()->title() == title)
            return action->menu();
    return nullptr;
}

QStringList TestContentUi::Captions(QMenu* menu) const
{
    QStringList captions;
    for (QAction* a : menu->actions())
        captions << a->text();
    return captions;
}

// A show of frames with two points each, opened, with `current` chosen in the list.
void TestContentUi::OpenShow(const QStringList& frameNames, int current)
{
    TLaserFrames show;
    for (const QString& name : frameNames) {
        TLaserFrame& frame = show.Add();
        frame.Name = name;
        frame.Points.resize(2);
        frame.Points[1].X = 100;
    }
    const QString path = Dir->filePath("show.RZ4");
    QVERIFY(WriteShowFile(path, show).ok);
    Form->OpenCommandLineFile(path);
    Inside().lbThumbsClick(current);
    Form->Document().MarkSaved();
}

QStringList TestContentUi::Names() const
{
    const QStringList names = FrameNames(Form->Show());
    QStringList items;
    for (int i = 0; i < Inside().lbThumbs->count(); ++i)
        items << Inside().lbThumbs->item(i)->text();
    if (items != names)
        qWarning() << "the frame list shows" << items << "for" << names;
    return names;
}

bool TestContentUi::NoUnexpectedPrompts() const
{
    if (!Prompts->Unexpected.isEmpty())
        qWarning() << "unexpected prompts:" << Prompts->Unexpected;
    return Prompts->Unexpected.isEmpty() && Prompts->AllAnswered();
}

void TestContentUi::RunTextDialog(const std::function<void(TFormText&)>& inDialog)
{
    bool ran = false;
    QTimer::singleShot(0, Form.get(), [&] {
        auto* dialog = Form->findChild<TFormText*>();
        if (!dialog || !dialog->isVisible() || !dialog->isModal()) {
            qWarning("the text dialog is not shown modally");
            return;
        }
        ran = true;
        inDialog(*dialog);
        if (dialog->isVisible())
            dialog->reject();
    });
    Form->findChild<QAction*>("aInsertText")->trigger();
    QVERIFY(ran);
}

void TestContentUi::menuItems()
{
    CreateForm();
    QMenu* file = Menu(Form->menuBar()->actions(), "&File");
    QVERIFY(file);
    QMenu* import = Menu(file->actions(), "&Import");
    QVERIFY(import);
    QCOMPARE(Captions(import),
             (QStringList{"Import &frame...", "Import &show...", "Import &ILDA file...", "Import &SVG file...",
                          "Import &picture..."}));
    QMenu* frame = Menu(Form->menuBar()->actions(), "F&rame");
    QVERIFY(frame);
    const QStringList frameItems = Captions(frame);
    const qsizetype at = frameItems.indexOf("Insert &text frame...");
    QVERIFY2(at > 0, qPrintable(frameItems.join('|')));
    QCOMPARE(frameItems[at - 1], QStringLiteral("Import &frame..."));
}

void TestContentUi::svgInsertsBeforeCurrent()
{
    CreateForm();
    OpenShow({"X", "Y", "Z"}, 2);
    const QString svg = Dir->filePath("logo.svg");
    QVERIFY(WriteFile(svg, R"x(<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 10 10">
        <rect width="10" height="10" fill="none" stroke="black"/></svg>)x"));
    Prompts->ExpectOpen(svg);
    bool asked = false;
    AnswerImportOptions([&](TFormImportOptions& dialog) {
        asked = true;
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Import SVG file"));
        QCOMPARE(dialog.seTolerance->value(), 0.5);
        QCOMPARE(dialog.seMargin->value(), DefaultMargin);
        QVERIFY(!dialog.cbInvert->isVisible());   // a picture's choices only
    });
    Form->findChild<QAction*>("aImportSvg")->trigger();
    QVERIFY(asked);
    QVERIFY(NoUnexpectedPrompts());
    QCOMPARE(Prompts->Shown[0].request.title, QStringLiteral("Import SVG file..."));
    QCOMPARE(Prompts->Shown[0].request.filter, QStringLiteral("SVG drawings (*.svg *.svgz);;All files (*)"));
    QCOMPARE(Names(), (QStringList{"X", "Y", "logo", "Z"}));
    QCOMPARE(Form->CurrentFrameIndex(), 2);
    const TLaserFrame& logo = Form->Show().Frame(2);
    QCOMPARE(logo.PointCount(), 4);
    QCOMPARE(logo.Points[1].X, quint8(247));  // inside the default margin of 8 units
    QVERIFY(logo.Points[1].IsSharp());
    QCOMPARE(logo.Links.Cols(), 2);                  // after Y
    QCOMPARE(Form->Show().Frame(3).Links.Cols(), 4);  // Z after the drawing
    // The frame exists nowhere else: closing must ask before dropping it.
    QVERIFY(Form->IsModified());
    QVERIFY2(Inside().sbFrameMessage->text().contains("imported from logo.svg: 4 points"),
             qPrintable(Inside().sbFrameMessage->text()));
    // The line tells of the import while it stands: undone, the frame is gone and so is the line.
    Form->Document().Undo();
    QCOMPARE(Names(), (QStringList{"X", "Y", "Z"}));
    QCOMPARE(Inside().sbFrameMessage->text(), QString());
    Form->Document().Redo();

    // Cancelling the file dialog changes nothing.
    Prompts->ExpectOpen(QString());
    Form->findChild<QAction*>("aImportSvg")->trigger();
    QVERIFY(NoUnexpectedPrompts());
    QCOMPARE(Form->Show().Count(), 4);
}

void TestContentUi::unreadableSvgInsertsNothing_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("reason");
    QTest::newRow("broken") << QByteArray("<svg xmlns=\"http://www.w3.org/2000/svg\"><rect") << "not a readable SVG";
    QTest::newRow("nothing to draw") << QByteArray("<svg xmlns=\"http://www.w3.org/2000/svg\"/>") << "nothing to draw";
}

void TestContentUi::unreadableSvgInsertsNothing()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, reason);
    CreateForm();
    OpenShow({"X", "Y"}, 1);
    const QString svg = Dir->filePath("bad.svg");
    QVERIFY(WriteFile(svg, content));
    Prompts->ExpectOpen(svg);
    Prompts->ExpectTell();
    AnswerImportOptions();
    Form->findChild<QAction*>("aImportSvg")->trigger();
    QVERIFY(NoUnexpectedPrompts());
    QCOMPARE(Prompts->Shown[1].icon, TMsgIcon::Error);
    QVERIFY2(Prompts->Shown[1].text.startsWith(QDir::toNativeSeparators(svg)), qPrintable(Prompts->Shown[1].text));
    QVERIFY2(Prompts->Shown[1].text.contains(reason), qPrintable(Prompts->Shown[1].text));
    QCOMPARE(Names(), (QStringList{"X", "Y"}));
    QVERIFY(!Form->IsModified());
}

void TestContentUi::svgTooLargeOffersACoarserTolerance()
{
    CreateForm();
    OpenShow({"X"}, 0);
    // 2000 circles filling the square, each turned a little further: over 80,000
    // points at the default tolerance, some 56,000 at a tolerance of 1.
    QByteArray svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 2 2\">";
    for (int i = 0; i < 2000; ++i)
        svg += QStringLiteral("<circle cx=\"1\" cy=\"1\" r=\"1\" fill=\"none\" stroke=\"black\" "
                              "transform=\"rotate(%1 1 1)\"/>").arg(i * 0.18).toLatin1();
    svg += "</svg>";
    const QString path = Dir->filePath("circles.svg");
    QVERIFY(WriteFile(path, svg));

    Prompts->ExpectOpen(path);
    Prompts->ExpectAsk(false);
    AnswerImportOptions();
    Form->findChild<QAction*>("aImportSvg")->trigger();
    QVERIFY(NoUnexpectedPrompts());
    QVERIFY2(Prompts->Shown[1].text.startsWith(QDir::toNativeSeparators(path))
                 && Prompts->Shown[1].text.contains("more than a frame holds (65535)")
                 && Prompts->Shown[1].text.contains("within 1 unit?"),
             qPrintable(Prompts->Shown[1].text));
    QCOMPARE(Form->Show().Count(), 1);
    QVERIFY(!Form->IsModified());

    Prompts->ExpectOpen(path);
    Prompts->ExpectAsk(true);
    AnswerImportOptions();
    Form->findChild<QAction*>("aImportSvg")->trigger();
    QVERIFY(NoUnexpectedPrompts());
    QCOMPARE(Names(), (QStringList{"circles", "X"}));
    const int points = Form->Show().Frame(0).PointCount();
    QVERIFY2(points >= 2000 * 28 && points <= 2000 * 30, qPrintable(QString::number(points)));
}

void TestContentUi::textInsertsBeforeCurrent()
{
    CreateForm();
    OpenShow({"X", "Y", "Z"}, 1);
    RunTextDialog([](TFormText& dialog) {
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Insert text frame"));
        QVERIFY(dialog.rbHershey->isChecked());
        QCOMPARE(dialog.cbHershey->currentText(), QStringLiteral("futural"));
        QVERIFY(!dialog.bnOK->isEnabled());     // nothing to write yet
        QCOMPARE(dialog.seMargin->value(), DefaultMargin);
        dialog.seMargin->setValue(20);
        dialog.editText->setText("Hello");
        QVERIFY(dialog.bnOK->isEnabled());
        dialog.bnOK->click();
    });
    QVERIFY(NoUnexpectedPrompts());
    QCOMPARE(Names(), (QStringList{"X", "Hello", "Y", "Z"}));
    QCOMPARE(Form->CurrentFrameIndex(), 1);
    const TLaserFrame& hello = Form->Show().Frame(1);
    QVERIFY(hello.PointCount() > 20);
    // A line of text is wider than high: the margin chosen shows left and right.
    const auto [left, right] = std::minmax_element(hello.Points.begin(), hello.Points.end(),
                                                   [](const TSmallPoint& a, const TSmallPoint& b) { return a.X < b.X; });
    QCOMPARE(int(left->X), 20);
    QCOMPARE(int(right->X), 235);
    QVERIFY(std::any_of(hello.Points.begin(), hello.Points.end(), [](const TSmallPoint& p) { return p.IsBlank(); }));
    QCOMPARE(Form->Show().Frame(2).Links.Cols(), hello.PointCount());
    QVERIFY(Form->IsModified());
    QVERIFY2(Inside().sbFrameMessage->text().contains("Text frame \"Hello\" inserted"),
             qPrintable(Inside().sbFrameMessage->text()));

    // The dialog keeps the last text; an outline font draws it too.
    RunTextDialog([](TFormText& dialog) {
        QCOMPARE(dialog.editText->text(), QStringLiteral("Hello"));
        QCOMPARE(dialog.seMargin->value(), 20.0);
        dialog.rbOutline->setChecked(true);
        dialog.bnOK->click();
    });
    QVERIFY(NoUnexpectedPrompts());
    QCOMPARE(Form->Show().Count(), 5);
    QCOMPARE(Form->Show().Frame(1).Name, QStringLiteral("Hello"));
    QVERIFY(Form->Show().Frame(1).PointCount() != hello.PointCount());
}

void TestContentUi::textDialogCancelAndRefusals()
{
    CreateForm();
    OpenShow({"X"}, 0);
    RunTextDialog([](TFormText& dialog) {
        dialog.editText->setText("never");
        dialog.bnCancel->click();
    });
    QVERIFY(NoUnexpectedPrompts());
    QCOMPARE(Names(), (QStringList{"X"}));
    QVERIFY(!Form->IsModified());

    // A letter the Hershey font does not have is refused with the reason.
    Prompts->ExpectTell();
    RunTextDialog([](TFormText& dialog) {
        dialog.rbHershey->setChecked(true);
        dialog.editText->setText(QString::fromUtf8("Größe"));
        dialog.bnOK->click();
    });
    QVERIFY(NoUnexpectedPrompts());
    QCOMPARE(Prompts->Shown.last().icon, TMsgIcon::Error);
    QVERIFY2(Prompts->Shown.last().text.contains(QString::fromUtf8("has no character \"ö\"")),
             qPrintable(Prompts->Shown.last().text));
    QCOMPARE(Names(), (QStringList{"X"}));
    QVERIFY(!Form->IsModified());
}

// A picture inside the drawing (here the drawing itself, which once crashed the
// editor) is left out, and the status bar says so.
void TestContentUi::svgPicturesAreLeftOutAndSaidSo()
{
    CreateForm();
    OpenShow({"X"}, 0);
    const QString svg = Dir->filePath("self.svg");
    QVERIFY(WriteFile(svg, R"x(<svg xmlns="http://www.w3.org/2000/svg" xmlns:xlink="http://www.w3.org/1999/xlink"
        viewBox="0 0 10 10"><rect width="10" height="10" fill="none" stroke="black"/>
        <image xlink:href="self.svg" width="10" height="10"/></svg>)x"));
    Prompts->ExpectOpen(svg);
    AnswerImportOptions();
    Form->findChild<QAction*>("aImportSvg")->trigger();
    QVERIFY(NoUnexpectedPrompts());
    QCOMPARE(Names(), (QStringList{"self", "X"}));
    QVERIFY2(Inside().sbFrameMessage->text().endsWith("4 points; pictures inside an SVG are skipped (1 left out)"),
             qPrintable(Inside().sbFrameMessage->text()));
}

// A paste of 100,000 characters is cut at what a text frame takes, the dialog says
// so, and the text makes a frame.
void TestContentUi::longPasteStopsAtTheTextLimit()
{
    CreateForm();
    OpenShow({"X"}, 0);
    RunTextDialog([](TFormText& dialog) {
        dialog.rbHershey->setChecked(true);
        dialog.editText->clear();
        QVERIFY(dialog.stTextLimit->isHidden());
        dialog.editText->insert(QString("lazy dog ").repeated(11112));
        QCOMPARE(dialog.editText->text().size(), MaxTextLength);
        QVERIFY(!dialog.stTextLimit->isHidden());
        QVERIFY(dialog.stTextLimit->text().contains("at most 1000 characters"));
        dialog.bnOK->click();
    });
    QVERIFY(NoUnexpectedPrompts());
    QCOMPARE(Form->Show().Count(), 2);
    QVERIFY(Form->Show().Frame(0).Name.startsWith("lazy dog lazy dog"));
}

void TestContentUi::pictureInsertsBeforeCurrent()
{
    CreateForm();
    OpenShow({"X", "Y", "Z"}, 1);
    const QString png = MakePicture("logo.png", true);
    Prompts->ExpectOpen(png);
    AnswerImportOptions([](TFormImportOptions& dialog) {
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Import picture"));
        QVERIFY(dialog.cbAutoThreshold->isChecked());
        QVERIFY(!dialog.seThreshold->isEnabled());
        QVERIFY(dialog.cbInvert->isVisible() && !dialog.cbInvert->isChecked());
    });
    Form->findChild<QAction*>("aImportPicture")->trigger();
    QVERIFY(NoUnexpectedPrompts());
    QCOMPARE(Prompts->Shown[0].request.title, QStringLiteral("Import picture..."));
    QVERIFY(Prompts->Shown[0].request.filter.startsWith("Pictures (*.png *.jpg *.jpeg *.bmp *.gif"));
    QCOMPARE(Names(), (QStringList{"X", "logo", "Y", "Z"}));
    QCOMPARE(Form->CurrentFrameIndex(), 1);
    // The square's outline inside the default margin, its corners lit and sharp.
    const TLaserFrame& logo = Form->Show().Frame(1);
    QVERIFY(logo.PointCount() >= 4);
    int low = 255, high = 0;
    for (const TSmallPoint& p : logo.Points) {
        low = std::min({low, int(p.X), int(p.Y)});
        high = std::max({high, int(p.X), int(p.Y)});
    }
    QCOMPARE(low, 8);
    QCOMPARE(high, 247);
    QVERIFY2(Inside().sbFrameMessage->text().contains("traced from logo.png"),
             qPrintable(Inside().sbFrameMessage->text()));
    // One step of the history.
    QVERIFY(Form->IsModified());
    Form->Document().Undo();
    QCOMPARE(Names(), (QStringList{"X", "Y", "Z"}));
    QVERIFY(!Form->IsModified());
}

void TestContentUi::badPicturesInsertNothing_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("reason");
    QTest::newRow("blank") << "blank" << "nothing to trace";
    QTest::newRow("not a picture") << "text" << "not a picture to trace";
    QTest::newRow("a pipe") << "fifo" << "it is a pipe, not a regular file";
}

void TestContentUi::badPicturesInsertNothing()
{
    QFETCH(QString, kind);
    QFETCH(QString, reason);
    CreateForm();
    OpenShow({"X", "Y"}, 1);
    QString path = Dir->filePath("bad.png");
    if (kind == "blank")
        path = MakePicture("bad.png", false);
    else if (kind == "text")
        QVERIFY(WriteFile(path, "just words"));
    else
        QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    Prompts->ExpectOpen(path);
    Prompts->ExpectTell();
    AnswerImportOptions();
    Form->findChild<QAction*>("aImportPicture")->trigger();
    QVERIFY(NoUnexpectedPrompts());
    QCOMPARE(Prompts->Shown[1].icon, TMsgIcon::Error);
    QVERIFY2(Prompts->Shown[1].text.startsWith(QDir::toNativeSeparators(path)), qPrintable(Prompts->Shown[1].text));
    QVERIFY2(Prompts->Shown[1].text.contains(reason), qPrintable(Prompts->Shown[1].text));
    QCOMPARE(Names(), (QStringList{"X", "Y"}));
    QVERIFY(!Form->IsModified());
}

// An import runs off the GUI thread behind a box with "Cancel"; cancelled, the show
// stays as it was and nothing is asked.
void TestContentUi::cancelledImportLeavesTheShow_data()
{
    QTest::addColumn<QString>("action");
    QTest::newRow("SVG") << "aImportSvg";
    QTest::newRow("picture") << "aImportPicture";
}

void TestContentUi::cancelledImportLeavesTheShow()
{
    QFETCH(QString, action);
    CreateForm();
    OpenShow({"X", "Y"}, 1);
    QString path;
    if (action == "aImportSvg") {
        // A thousand circles: some 40,000 points, a while to build.
        QByteArray svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 2 2\">";
        for (int i = 0; i < 1000; ++i)
            svg += QStringLiteral("<circle cx=\"1\" cy=\"1\" r=\"%1\" fill=\"none\" stroke=\"black\"/>")
                       .arg(0.001 * (i + 1)).toLatin1();
        svg += "</svg>";
        path = Dir->filePath("many.svg");
        QVERIFY(WriteFile(path, svg));
    } else {
        QImage picture(2000, 2000, QImage::Format_RGB32);
        picture.fill(Qt::white);
        QPainter painter(&picture);
        for (int i = 0; i < 200; ++i)
            painter.fillRect(10 * i, (i * 37) % 1900, 5, 90, Qt::black);
        painter.end();
        path = Dir->filePath("big.png");
        QVERIFY(picture.save(path));
    }
    // The box is looked for from the moment the options are answered.
    bool cancelled = false;
    QTimer poll;
    poll.setInterval(1);
    connect(&poll, &QTimer::timeout, Form.get(), [&] {
        auto* box = Form->findChild<QProgressDialog*>(BackgroundWorkBoxName);
        if (!box)
            return;
        poll.stop();
        // No drop is taken while the import is worked on.
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(path)});
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(Form->windowHandle(), &enter);
        QVERIFY(!enter.isAccepted());
        QCOMPARE(box->labelText(), QStringLiteral("%1 %2...").arg(action == "aImportSvg" ? "Importing" : "Tracing",
                                                                   QFileInfo(path).fileName()));
        auto* button = box->findChild<QPushButton*>();
        if (!button || button->text() != QStringLiteral("Cancel")) {
            qWarning("the box has no Cancel button");
            return;
        }
        button->click();
        cancelled = true;
    });
    AnswerImportOptions([&](TFormImportOptions&) { poll.start(); });
    Prompts->ExpectOpen(path);
    Form->findChild<QAction*>(action)->trigger();
    QVERIFY(cancelled);
    QVERIFY(NoUnexpectedPrompts());
    QCOMPARE(Names(), (QStringList{"X", "Y"}));
    QVERIFY(!Form->IsModified());
    QCOMPARE(Form->Document().History().count(), 0);
    QVERIFY(!Form->findChild<QProgressDialog*>(BackgroundWorkBoxName));
    // Once the wait is over, the same drag is taken.
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(path)});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(Form->windowHandle(), &enter);
    QVERIFY(enter.isAccepted());

    // Not cancelled, the same import lands as one step.
    Prompts->ExpectOpen(path);
    AnswerImportOptions();
    Form->findChild<QAction*>(action)->trigger();
    QVERIFY(NoUnexpectedPrompts());
    QCOMPARE(Form->Show().Count(), 3);
    QCOMPARE(Form->Document().History().count(), 1);
}

// The options chosen reach the frame and stay for the next import; Cancel in the
// options dialog imports nothing.
void TestContentUi::pictureOptionsAreUsedAndKept()
{
    CreateForm();
    OpenShow({"X"}, 0);
    // A light square on a dark ground: traced inverted, the square is the shape.
    QImage picture(200, 200, QImage::Format_RGB32);
    picture.fill(Qt::black);
    {
        QPainter painter(&picture);
        painter.fillRect(50, 50, 100, 100, Qt::white);
    }
    const QString path = Dir->filePath("night.png");
    QVERIFY(picture.save(path));

    Prompts->ExpectOpen(path);
    AnswerImportOptions([](TFormImportOptions& dialog) { dialog.bnCancel->click(); });
    Form->findChild<QAction*>("aImportPicture")->trigger();
    QVERIFY(NoUnexpectedPrompts());
    QCOMPARE(Form->Show().Count(), 1);

    Prompts->ExpectOpen(path);
    AnswerImportOptions([](TFormImportOptions& dialog) {
        dialog.cbInvert->setChecked(true);
        dialog.cbAutoThreshold->setChecked(false);
        QVERIFY(dialog.seThreshold->isEnabled());
        dialog.seThreshold->setValue(100);
        dialog.seMargin->setValue(0);
    });
    Form->findChild<QAction*>("aImportPicture")->trigger();
    QVERIFY(NoUnexpectedPrompts());
    QCOMPARE(Names(), (QStringList{"night", "X"}));
    const TLaserFrame& frame = Form->Show().Frame(0);
    int low = 255, high = 0;
    for (const TSmallPoint& p : frame.Points)
        low = std::min({low, int(p.X), int(p.Y)}), high = std::max({high, int(p.X), int(p.Y)});
    QCOMPARE(low, 0);
    QCOMPARE(high, 255);
    QVERIFY(frame.PointCount() <= 16);  // one square's outline, not the ground's

    Prompts->ExpectOpen(path);
    AnswerImportOptions([](TFormImportOptions& dialog) {
        QVERIFY(dialog.cbInvert->isChecked());
        QCOMPARE(dialog.seThreshold->value(), 100);
        QCOMPARE(dialog.seMargin->value(), 0.0);
        dialog.bnCancel->click();
    });
    Form->findChild<QAction*>("aImportPicture")->trigger();
    QVERIFY(NoUnexpectedPrompts());
}

QTEST_MAIN(TestContentUi)
#include "tst_content_ui.moc"
