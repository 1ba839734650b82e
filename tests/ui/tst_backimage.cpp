// Background images as the user reaches them: loading a bitmap into the current frame,
// choosing the shown part with the picker, and what the sketchpad then shows.
#include "FormUnitMain.h"
#include "FormUnitPick.h"
#include "MainWindowFixture.h"
#include "ScriptedPrompts.h"
#include "SettingsStore.h"

#include <QApplication>
#include <QLabel>
#include <QPainter>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <functional>
#include <limits>

using TPart = QList<int>;   // X1, Y1, X2, Y2

namespace {

// Top-left, top-right, bottom-left, bottom-right quadrant of the test pictures.
const QColor Quadrants[4] = {QColor(200, 10, 10), QColor(10, 200, 10), QColor(10, 10, 200), QColor(200, 200, 10)};

QImage QuadrantPicture(int width, int height)
{
    QImage picture(width, height, QImage::Format_RGB32);
    QPainter canvas(&picture);
    const int w = width / 2, h = height / 2;
    for (int q = 0; q < 4; ++q)
        canvas.fillRect(QRect((q % 2) * w, (q / 2) * h, w, h), Quadrants[q]);
    return picture;
}

TImagePart Part(const TPart& p) { return {p[0], p[1], p[2], p[3]}; }

} // namespace

class TestBackImage : public QObject, protected TMainWindowFixture {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void loadFillsCurrentFrame();
    void loadRefused_data();
    void loadRefused();
    void choosePartWithoutPicture();
    void pickDialog_data();
    void pickDialog();
    void pickMarkerFollowsCorners();
    void padShowsImage_data();
    void padShowsImage();

private:
    // No grid, zoom 1, image mode "Don't display image"; shown so that the pad can be grabbed.
    void Start(int imageMode = 0);
    // A bitmap file in the test folder.
    QString WriteBitmap(const QString& name, const QImage& picture) const;
    TLaserFrame& Current() const { return Form->Show().Frame(Form->CurrentFrameIndex()); }
    QAction* Command(const QString& name) const { return Form->findChild<QAction*>(name); }
    TFormPickImage* Picker() const { return Form->findChild<TFormPickImage*>(); }
    // Runs `inDialog` once the picker is up and closes it afterwards if still open. `shown`
    // tells whether the picker was seen at all.
    void WhenPickerShown(std::function<void(TFormPickImage&)> inDialog, bool* shown);
    QString NoUnexpectedPrompts() const
    {
        return Prompts->Unexpected.join("; ") + (Prompts->AllAnswered() ? "" : " (answers left)");
    }
};

void TestBackImage::initTestCase()
{
    QApplication::setQuitOnLastWindowClosed(false);
}

void TestBackImage::init()
{
    InitFixture();
}

void TestBackImage::cleanup()
{
    CleanupFixture();
}

void TestBackImage::Start(int imageMode)
{
    CreateForm([&](TSettingsStore& store) {
        store.WriteSwitch({}, "ShowGrid", false);
        store.WriteInteger({}, "Zoom", 1);
        store.WriteInteger({}, "Image", imageMode);
    }, true);
}

QString TestBackImage::WriteBitmap(const QString& name, const QImage& picture) const
{
    const QString path = Dir->filePath(name);
    if (!picture.save(path, "BMP"))
        qWarning("could not write %s", qPrintable(path));
    return path;
}

void TestBackImage::WhenPickerShown(std::function<void(TFormPickImage&)> inDialog, bool* shown)
{
    *shown = false;
    QTimer::singleShot(0, Form.get(), [this, inDialog, shown] {
        TFormPickImage* dialog = Picker();
        if (!dialog || !dialog->isVisible())
            return;
        *shown = true;
        inDialog(*dialog);
        if (dialog->isVisible())
            dialog->close();
    });
}

// --- loading --------------------------------------------------------------------------------------

// The chosen bitmap goes into the current frame with its full path; the command names the
// file, the part and full items come alive, the image mode stays and the show needs saving.
void TestBackImage::loadFillsCurrentFrame()
{
    Start();
    const QString path = WriteBitmap("castle.bmp", QuadrantPicture(64, 48));
    Prompts->ExpectOpen(path);
    Command("aLoadBackImg")->trigger();

    QCOMPARE(Prompts->Shown.size(), 1);
    const TFileDialogRequest& request = Prompts->Shown[0].request;
    QCOMPARE(request.title, QString("Open background image..."));
    QCOMPARE(request.filter, QString("Bitmaps (*.bmp)"));
    QCOMPARE(request.fileName, QString("*.bmp"));
    QVERIFY2(Prompts->Unexpected.isEmpty(), qPrintable(NoUnexpectedPrompts()));

    QCOMPARE(Current().Image.size(), QSize(64, 48));
    QCOMPARE(Current().Image.pixelColor(50, 40), Quadrants[3]);
    QCOMPARE(Current().ImageFile, path);
    QCOMPARE(Command("aLoadBackImg")->text(), QString("Background image: castle.bmp"));
    for (const char* name : {"miPartImg", "miFullImg", "miChoosePart"})
        QVERIFY2(Command(name)->isEnabled(), name);
    QVERIFY(Form->findChild<QToolButton*>("sbPartImg")->isEnabled());
    QVERIFY(Form->findChild<QToolButton*>("sbFullImg")->isEnabled());
    QVERIFY(Command("miNoImg")->isChecked());
    QVERIFY(Form->IsModified());

    // The next dialog starts in the folder of that picture.
    Prompts->ExpectOpen({});
    Command("aLoadBackImg")->trigger();
    QCOMPARE(Prompts->Shown.last().request.folder, QFileInfo(path).absolutePath());
}

void TestBackImage::loadRefused_data()
{
    QTest::addColumn<QString>("answer");     // file name given to the dialog, relative to the test folder
    QTest::addColumn<QByteArray>("content"); // written to that file when not empty
    QTest::addColumn<bool>("error");         // an error box is shown

    QTest::newRow("dialog cancelled") << "" << QByteArray() << false;
    QTest::newRow("file gone") << "gone.bmp" << QByteArray() << false;
    QTest::newRow("not a bitmap") << "garbage.bmp" << QByteArray("BM this is no picture at all") << true;
    QTest::newRow("empty file") << "empty.bmp" << QByteArray("") << true;
}

// Nothing of the frame changes unless a picture was read: a missing file is passed over
// in silence, a file that is no picture is reported.
void TestBackImage::loadRefused()
{
    QFETCH(QString, answer);
    QFETCH(QByteArray, content);
    QFETCH(bool, error);
    Start();
    const QString before = WriteBitmap("before.bmp", QuadrantPicture(32, 32));
    Prompts->ExpectOpen(before);
    Command("aLoadBackImg")->trigger();
    QCOMPARE(Current().Image.size(), QSize(32, 32));

    QString path;
    if (!answer.isEmpty()) {
        path = Dir->filePath(answer);
        if (error) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(content);
        }
    }
    Prompts->ExpectOpen(path);
    if (error)
        Prompts->ExpectTell();
    Form->Document().MarkSaved();
    Command("aLoadBackImg")->trigger();
    QVERIFY(!Form->IsModified());

    QVERIFY2(Prompts->AllAnswered() && Prompts->Unexpected.isEmpty(), qPrintable(NoUnexpectedPrompts()));
    QCOMPARE(Prompts->Shown.size(), error ? 3 : 2);
    if (error) {
        QCOMPARE(Prompts->Shown.last().icon, TMsgIcon::Error);
        QVERIFY2(Prompts->Shown.last().text.contains(answer), qPrintable(Prompts->Shown.last().text));
    }
    QCOMPARE(Current().Image.size(), QSize(32, 32));
    QCOMPARE(Current().Image.pixelColor(0, 0), Quadrants[0]);
    QCOMPARE(Current().ImageFile, before);
    QCOMPARE(Command("aLoadBackImg")->text(), QString("Background image: before.bmp"));
}

// --- choosing the part ----------------------------------------------------------------------------

// Without a picture the command shows nothing and only selects the part mode.
void TestBackImage::choosePartWithoutPicture()
{
    Start();
    bool shown = false;
    WhenPickerShown([](TFormPickImage&) {}, &shown);
    Command("miChoosePart")->setEnabled(true);   // as after a frame whose image file is missing
    Command("miChoosePart")->trigger();
    QVERIFY(!shown);
    QVERIFY(Command("miPartImg")->isChecked());
    QVERIFY(Form->findChild<QToolButton*>("sbPartImg")->isChecked());
    QCOMPARE(Current().ImagePart, TImagePart{});
    QVERIFY(Prompts->Shown.isEmpty());
}

void TestBackImage::pickDialog_data()
{
    QTest::addColumn<TPart>("stored");     // the frame's ImagePart before
    QTest::addColumn<QString>("presses");  // "L" or "R" per press, at the points below in turn
    QTest::addColumn<QList<QPoint>>("at");
    QTest::addColumn<QString>("close");    // "box" the close button, "escape" the Escape key
    QTest::addColumn<TPart>("expected");

    QTest::newRow("left then right") << TPart{0, 0, 0, 0} << "LR" << QList<QPoint>{{10, 12}, {40, 30}} << "box"
                                     << TPart{10, 12, 40, 30};
    QTest::newRow("right before left keeps the stored corner")
        << TPart{5, 6, 7, 8} << "R" << QList<QPoint>{{40, 30}} << "box" << TPart{5, 6, 40, 30};
    QTest::newRow("second left press moves the corner")
        << TPart{0, 0, 0, 0} << "LRL" << QList<QPoint>{{10, 12}, {40, 30}, {3, 4}} << "escape" << TPart{3, 4, 40, 30};
    QTest::newRow("no press keeps even a wild part")
        << TPart{-70000, 5, std::numeric_limits<int>::max(), std::numeric_limits<int>::min()} << ""
        << QList<QPoint>{} << "escape"
        << TPart{-70000, 5, std::numeric_limits<int>::max(), std::numeric_limits<int>::min()};
}

// The picker starts from the frame's part, the presses set the corners in picture pixels,
// and however it is closed the part goes back into the frame with the part mode selected.
void TestBackImage::pickDialog()
{
    QFETCH(TPart, stored);
    QFETCH(QString, presses);
    QFETCH(QList<QPoint>, at);
    QFETCH(QString, close);
    QFETCH(TPart, expected);
    Start(2);
    Prompts->ExpectOpen(WriteBitmap("pick.bmp", QuadrantPicture(64, 48)));
    Command("aLoadBackImg")->trigger();
    Current().ImagePart = Part(stored);
    Form->Document().MarkSaved();

    bool shown = false;
    TImagePart atShow{-9, -9, -9, -9};
    WhenPickerShown([&](TFormPickImage& dialog) {
        atShow = dialog.PickRect;
        QCOMPARE(dialog.windowTitle(), QString("Pick part of image, then close window"));
        QVERIFY(dialog.windowFlags().testFlag(Qt::Tool));
        QCOMPARE(dialog.stHint->text(),
                 QString("Mark upper left corner with left mouse-button and lower right corner with right mouse-button."));
        QCOMPARE(dialog.img->size(), QSize(64, 48));
        for (int i = 0; i < presses.size(); ++i)
            QTest::mousePress(dialog.img, presses[i] == 'L' ? Qt::LeftButton : Qt::RightButton, {}, at[i]);
        if (close == "escape")
            QTest::keyClick(&dialog, Qt::Key_Escape);
        else
            dialog.close();
        QVERIFY(!dialog.isVisible());
    }, &shown);
    Command("miChoosePart")->trigger();

    QVERIFY(shown);
    QCOMPARE(atShow, Part(stored));
    QCOMPARE(Current().ImagePart, Part(expected));
    // Only a changed part is a change of the show.
    QCOMPARE(Form->IsModified(), !(Part(expected) == Part(stored)));
    QVERIFY(Command("miPartImg")->isChecked());
    QVERIFY(!Command("miFullImg")->isChecked());
}

// The marker is the dotted outline of the picked rectangle over the untouched picture, and a
// new corner wipes the old outline.
void TestBackImage::pickMarkerFollowsCorners()
{
    TFormPickImage dialog;
    QCOMPARE(dialog.PickRect.X1, -1);
    QCOMPARE(dialog.PickRect.X2, -1);
    // A mid grey shows that the dots stand out also where inverting would not.
    QImage picture(80, 60, QImage::Format_RGB32);
    picture.fill(QColor(128, 128, 128));
    picture.setPixelColor(50, 40, QColor(0, 0, 0));
    dialog.Prepare(picture, TImagePart{-1, -1, -1, -1});
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));

    // Pixels of the canvas that differ from the picture, and whether each lies on the outline
    // of the rectangle (x1, y1)-(x2, y2), lower right exclusive.
    const auto check = [&](int x1, int y1, int x2, int y2) {
        int marked = 0;
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x) {
                const QColor seen = dialog.img->Canvas().pixelColor(x, y);
                if (seen == picture.pixelColor(x, y))
                    continue;
                ++marked;
                const bool onOutline = x >= x1 && x < x2 && y >= y1 && y < y2
                                       && (x == x1 || x == x2 - 1 || y == y1 || y == y2 - 1);
                if (!onOutline)
                    return -1;
                if (qAbs(qGray(seen.rgb()) - 128) < 96)
                    return -2;   // too close to the picture to be seen
            }
        return marked;
    };

    QTest::mousePress(dialog.img, Qt::LeftButton, {}, QPoint(10, 8));
    QCOMPARE(check(0, 0, 0, 0), 0);   // one corner only: nothing marked yet
    QTest::mousePress(dialog.img, Qt::RightButton, {}, QPoint(51, 41));
    QCOMPARE(dialog.PickRect, (TImagePart{10, 8, 51, 41}));
    const int outline = 2 * (41 + 33) - 4;
    const int first = check(10, 8, 51, 41);
    QVERIFY2(first >= outline / 2 - 2 && first <= outline / 2 + 2, qPrintable(QString::number(first)));
    QVERIFY(dialog.img->Canvas().pixelColor(50, 40) != QColor(0, 0, 0));   // the corner pixel is dotted

    QTest::mousePress(dialog.img, Qt::LeftButton, {}, QPoint(30, 20));
    const int second = check(30, 20, 51, 41);
    QVERIFY2(second > 10, qPrintable(QString::number(second)));

    // Shown again for a frame with a part: the part is marked at once.
    dialog.hide();
    dialog.Prepare(picture, TImagePart{20, 10, 40, 30});
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QVERIFY(check(20, 10, 40, 30) > 10);

    // Corners far off the picture draw only what lies on it.
    dialog.PickRect = {0, 0, std::numeric_limits<int>::max(), 1 << 30};
    dialog.RedrawPickImage();
    QVERIFY(check(0, 0, 80, 60) > 0);
}

// --- the sketchpad --------------------------------------------------------------------------------

void TestBackImage::padShowsImage_data()
{
    QTest::addColumn<int>("mode");          // 0 none, 1 part, 2 full
    QTest::addColumn<TPart>("part");
    QTest::addColumn<QList<QPoint>>("probes");
    QTest::addColumn<QList<int>>("expected");   // quadrant at each probe, -1 background

    constexpr int Min = std::numeric_limits<int>::min(), Max = std::numeric_limits<int>::max();
    const QList<QPoint> quarters{{64, 64}, {192, 64}, {64, 192}, {192, 192}};
    QTest::newRow("none") << 0 << TPart{0, 0, 0, 0} << quarters << QList<int>{-1, -1, -1, -1};
    QTest::newRow("full") << 2 << TPart{128, 0, 256, 128} << quarters << QList<int>{0, 1, 2, 3};
    QTest::newRow("part: top right quarter") << 1 << TPart{128, 0, 256, 128} << quarters << QList<int>{1, 1, 1, 1};
    QTest::newRow("part hanging off the left")
        << 1 << TPart{-256, 0, 256, 256} << QList<QPoint>{{64, 64}, {160, 64}, {240, 64}, {240, 192}}
        << QList<int>{-1, 0, 1, 3};
    QTest::newRow("part picked backwards, hanging off")
        << 1 << TPart{256, 0, -256, 256} << QList<QPoint>{{16, 64}, {96, 64}, {192, 64}, {16, 192}}
        << QList<int>{1, 0, -1, 3};
    QTest::newRow("part picked backwards, far larger than the picture")
        << 1 << TPart{25000, 25000, -25000, -25000} << quarters << QList<int>{-1, -1, -1, -1};
    QTest::newRow("part far off the picture") << 1 << TPart{5000, 5000, 9000, 9000} << quarters
                                              << QList<int>{-1, -1, -1, -1};
    QTest::newRow("part of the extremes") << 1 << TPart{Min, Min, Max, Max} << quarters << QList<int>{-1, -1, -1, -1};
    QTest::newRow("part of the extremes, backwards")
        << 1 << TPart{Max, Max, Min, Min} << quarters << QList<int>{-1, -1, -1, -1};
}

// What the pad shows of the loaded picture in each image mode, at zoom 1; parts read from a
// file may be anything and must neither crash nor show the wrong piece.
void TestBackImage::padShowsImage()
{
    QFETCH(int, mode);
    QFETCH(TPart, part);
    QFETCH(QList<QPoint>, probes);
    QFETCH(QList<int>, expected);
    Start(mode);
    Prompts->ExpectOpen(WriteBitmap("pad.bmp", QuadrantPicture(256, 256)));
    Command("aLoadBackImg")->trigger();
    Current().ImagePart = Part(part);
    Inside().Colors.Background = QColor(40, 60, 80);   // not the black of a blank bitmap
    Inside().Sketchpad->RedrawSketchpad();

    const QImage pad = Inside().Sketchpad->pad->grab().toImage();
    QVERIFY(pad.width() >= 256 && pad.height() >= 256);
    for (int i = 0; i < probes.size(); ++i) {
        const QColor wanted = expected[i] < 0 ? Inside().Colors.Background : Quadrants[expected[i]];
        QVERIFY2(pad.pixelColor(probes[i]) == wanted,
                 qPrintable(QString("at %1,%2: %3, wanted %4").arg(probes[i].x()).arg(probes[i].y())
                                .arg(pad.pixelColor(probes[i]).name(), wanted.name())));
    }
}

QTEST_MAIN(TestBackImage)
#include "tst_backimage.moc"
