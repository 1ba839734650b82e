#include "Builders.h"
#include "PixelColours.h"
#include "FormUnitPreview.h"
#include "ScriptedPrompts.h"
#include "WaveFile.h"

#include <QAction>
#include <QBuffer>
#include <QFile>
#include <QSignalSpy>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QtEndian>

class TestPreview : public QObject {
    Q_OBJECT
private slots:
    void decode_data();
    void decode();
    void drawsLineToSample_data();
    void drawsLineToSample();
    void blankedSampleMovesWithoutDrawing();
    void repaintAndWipeCadence();
    void shortLastReadKeepsUnreadBytes();
    void headerProblems_data();
    void headerProblems();
    void showPreviewCaptions();
    void headerOnlyFileStopsAtOnce();
    void missingWaveFile_data();
    void missingWaveFile();
    void foreignFileIsRefused();
    void stopEndsDrawing();
    void closingStopsDrawing();
    void rewindStartsAgain();
    void loopRepeatsUntilSwitchedOff();
    void sliderContinuesFromSample();
    void ownSliderUpdatesDoNotRestart();
};

namespace {


// The word a sample frame carries for picture point (x, y).
quint32 Sample(int x, int y, int flags = 0)
{
    const quint32 b1 = quint32((x + 128) & 0xFF), b3 = quint32((128 - y) & 0xFF);
    return quint32(flags) | b1 << 8 | 0x5A << 16 | b3 << 24;
}

QByteArray WaveBytes(const QList<quint32>& words, const QByteArray& tail = {})
{
    QBuffer buffer;
    buffer.open(QIODevice::ReadWrite);
    WriteWaveHeader(buffer, quint32(words.size()));
    for (quint32 w : words) {
        uchar b[4];
        qToLittleEndian(w, b);
        buffer.write(reinterpret_cast<const char*>(b), 4);
    }
    buffer.write(tail);
    return buffer.data();
}

TPreviewTrace TraceOf(const QByteArray& file)
{
    TPreviewTrace trace;
    trace.SetColors(Red, Blue);
    trace.SetSamples(file);
    return trace;
}

void DrawAll(TPreviewTrace& trace)
{
    while (trace.DrawToRepaint() != TPreviewTrace::TStep::End) {}
}

bool AllBlack(const QImage& image)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y) != Black)
                return false;
    return true;
}

// Back and forth along row y, `count` samples.
QList<quint32> Zigzag(int y, int count)
{
    QList<quint32> words;
    for (int i = 0; i < count; ++i)
        words << Sample(i % 2 ? 50 : 10, y);
    return words;
}

// A window with a file of `words` loaded (not shown, so nothing starts by itself).
struct TLoadedPreview {
    QTemporaryDir dir;
    TFormPreview form;
    explicit TLoadedPreview(const QList<quint32>& words)
    {
        const QString path = dir.filePath(QStringLiteral("show.RZ4.WAV"));
        if (!WriteFile(path, WaveBytes(words)))
            qFatal("cannot write the test file");
        form.SetColors(Red, Blue);
        const QString problem = form.LoadSamples(path);
        if (!problem.isEmpty())
            qFatal("%s", qPrintable(problem));
    }
};

} // namespace

void TestPreview::decode_data()
{
    QTest::addColumn<quint32>("word");
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("y");
    QTest::addColumn<bool>("color");
    QTest::addColumn<bool>("blank");

    QTest::newRow("0x80, 0x80: top left") << 0x80008000u << 0 << 0 << false << false;
    QTest::newRow("0x7F, 0x7F: right edge, second row") << 0x7F007F00u << 255 << 1 << false << false;
    QTest::newRow("byte 3 0x00 gives y 128") << 0x00008000u << 0 << 128 << false << false;
    QTest::newRow("byte 3 0xFF gives y 129") << 0xFF008000u << 0 << 129 << false << false;
    QTest::newRow("byte 2 is not read") << 0x80FF8000u << 0 << 0 << false << false;
    QTest::newRow("bit 0: colour 1") << 0x80008001u << 0 << 0 << true << false;
    QTest::newRow("bit 1: blanked") << 0x80008002u << 0 << 0 << false << true;
    QTest::newRow("other flag bits ignored") << 0x800080FCu << 0 << 0 << false << false;
}

void TestPreview::decode()
{
    QFETCH(quint32, word);
    const TPreviewSample sample = DecodeSample(word);
    QTEST(sample.X, "x");
    QTEST(sample.Y, "y");
    QTEST(sample.Color, "color");
    QTEST(sample.Blank, "blank");
}

void TestPreview::drawsLineToSample_data()
{
    QTest::addColumn<quint32>("word");
    QTest::addColumn<QPoint>("target");
    QTest::addColumn<QPoint>("onLine");
    QTest::addColumn<QColor>("colour");

    QTest::newRow("to (0, 0)") << 0x80008000u << QPoint(0, 0) << QPoint(64, 64) << Red;
    QTest::newRow("to (255, 1)") << 0x7F007F00u << QPoint(255, 1) << QPoint(191, 65) << Red;
    QTest::newRow("colour bit: Norm1") << 0x80008001u << QPoint(0, 0) << QPoint(64, 64) << Blue;
}

void TestPreview::drawsLineToSample()
{
    QFETCH(quint32, word);
    QFETCH(QPoint, target);
    QFETCH(QPoint, onLine);
    QFETCH(QColor, colour);
    TPreviewTrace trace = TraceOf(WaveBytes({word}));
    QCOMPARE(trace.DrawToRepaint(), TPreviewTrace::TStep::End);
    QCOMPARE(trace.PenPosition(), target);
    QCOMPARE(trace.Picture().pixelColor(128, 128), colour);   // from the centre
    QCOMPARE(trace.Picture().pixelColor(onLine), colour);
}

void TestPreview::blankedSampleMovesWithoutDrawing()
{
    TPreviewTrace trace = TraceOf(WaveBytes({Sample(10, 10, 2), Sample(50, 10)}));
    DrawAll(trace);
    const QImage& picture = trace.Picture();
    QCOMPARE(picture.pixelColor(128, 128), Black);
    QCOMPARE(picture.pixelColor(69, 69), Black);
    for (int x = 10; x < 50; ++x)
        QCOMPARE(picture.pixelColor(x, 10), Red);
    QCOMPARE(trace.PenPosition(), QPoint(50, 10));
}

void TestPreview::repaintAndWipeCadence()
{
    TPreviewTrace trace = TraceOf(WaveBytes(Zigzag(10, 2100)));
    for (int i = 1; i <= 9; ++i) {
        QCOMPARE(trace.DrawToRepaint(), TPreviewTrace::TStep::Repaint);
        QCOMPARE(trace.StreamPosition(), 44 + 4 * 200 * i);
    }
    QVERIFY(!AllBlack(trace.Picture()));
    QCOMPARE(trace.DrawToRepaint(), TPreviewTrace::TStep::Wipe);
    QVERIFY(AllBlack(trace.Picture()));
    QCOMPARE(trace.WipePosition(), 44 + 4 * 2000);
    QCOMPARE(trace.DrawToRepaint(), TPreviewTrace::TStep::End);
    QVERIFY(!AllBlack(trace.Picture()));   // the last 100 samples stay
    QVERIFY(trace.AtEnd());
}

void TestPreview::shortLastReadKeepsUnreadBytes()
{
    // Two bytes after the last whole sample: flags 0 and x = 20; y comes from before.
    const QByteArray tail("\x00\x94", 2);
    TPreviewTrace trace = TraceOf(WaveBytes({Sample(10, 30)}, tail));
    DrawAll(trace);
    QCOMPARE(trace.PenPosition(), QPoint(20, 30));
    QCOMPARE(trace.Picture().pixelColor(15, 30), Red);
    QCOMPARE(trace.StreamPosition(), trace.StreamSize());
}

void TestPreview::headerProblems_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<bool>("accepted");

    const QByteArray good = WaveBytes({Sample(0, 0)});
    QByteArray mono = good;
    mono[22] = 1;
    QByteArray riff = good;
    riff[0] = 'X';
    QByteArray noData = good;
    noData[36] = 'x';
    QTest::newRow("compiled show") << good << true;
    QTest::newRow("header only") << WaveBytes({}) << true;
    QTest::newRow("shorter than the header") << good.left(43) << false;
    QTest::newRow("not RIFF") << riff << false;
    QTest::newRow("mono") << mono << false;
    QTest::newRow("no data chunk at 36") << noData << false;
}

void TestPreview::headerProblems()
{
    QFETCH(QByteArray, file);
    QFETCH(bool, accepted);
    QCOMPARE(WaveHeaderProblem(file).isEmpty(), accepted);
}

void TestPreview::showPreviewCaptions()
{
    QTemporaryDir dir;
    const QString show = dir.filePath(QStringLiteral("party.RZ4"));
    QVERIFY(WriteFile(show + QStringLiteral(".WAV"), WaveBytes(Zigzag(10, 30000))));
    TFormPreview form;
    TScriptedPrompts prompts;
    QSignalSpy captions(&form, &QWidget::windowTitleChanged);
    bool wholeFile = false;
    connect(&form, &TFormPreview::samplesEnded, &form, [&] {
        wholeFile = form.Trace().AtEnd();
        form.reject();
    });
    TColorSettings colors;
    QCOMPARE(form.ShowPreview(show, colors, prompts), TFormPreview::TShowResult::Shown);
    QVERIFY(wholeFile);
    QVERIFY2(prompts.Shown.isEmpty(), "no message expected");
    QStringList titles;
    for (const QList<QVariant>& args : captions)
        titles << args.at(0).toString();
    QCOMPARE(titles, (QStringList{"Preview loading...", "Preview loaded...", "Preview playing...",
                                  "Preview stopped...", "Preview ended..."}));
    QCOMPARE(form.tbPreviewPos->minimum(), 44);
    QCOMPARE(form.tbPreviewPos->maximum(), 44 + 4 * 30000);
}

void TestPreview::headerOnlyFileStopsAtOnce()
{
    QTemporaryDir dir;
    const QString show = dir.filePath(QStringLiteral("empty.RZ4"));
    QVERIFY(WriteFile(show + QStringLiteral(".WAV"), WaveBytes({})));
    TFormPreview form;
    TScriptedPrompts prompts;
    QString caption;
    bool black = false, drawing = true;
    QTimer::singleShot(0, &form, [&] {
        caption = form.windowTitle();
        black = AllBlack(form.Trace().Picture());
        drawing = form.IsDrawing();
        form.reject();
    });
    QCOMPARE(form.ShowPreview(show, TColorSettings(), prompts), TFormPreview::TShowResult::Shown);
    QCOMPARE(caption, QStringLiteral("Preview stopped..."));
    QVERIFY(black);
    QVERIFY(!drawing);
    QCOMPARE(form.windowTitle(), QStringLiteral("Preview ended..."));
}

void TestPreview::missingWaveFile_data()
{
    QTest::addColumn<QString>("showName");
    QTest::newRow("never compiled") << "party.RZ4";
    QTest::newRow("show never saved") << "";
}

void TestPreview::missingWaveFile()
{
    QFETCH(QString, showName);
    QTemporaryDir dir;
    const QString show = showName.isEmpty() ? QString() : dir.filePath(showName);
    TFormPreview form;
    TScriptedPrompts prompts;
    prompts.ExpectTell();
    QCOMPARE(form.ShowPreview(show, TColorSettings(), prompts), TFormPreview::TShowResult::Missing);
    QCOMPARE(prompts.Shown.size(), 1);
    QCOMPARE(prompts.Shown[0].icon, TMsgIcon::Information);
    QCOMPARE(prompts.Shown[0].text, QStringLiteral("Hey, you need to compile first!"));
    QVERIFY(form.isHidden());
}

void TestPreview::foreignFileIsRefused()
{
    QTemporaryDir dir;
    const QString show = dir.filePath(QStringLiteral("song.RZ4"));
    QVERIFY(WriteFile(show + QStringLiteral(".WAV"), QByteArray("ID3 not a compiled show at all")));
    TFormPreview form;
    TScriptedPrompts prompts;
    prompts.ExpectTell();
    QCOMPARE(form.ShowPreview(show, TColorSettings(), prompts), TFormPreview::TShowResult::Unreadable);
    QCOMPARE(prompts.Shown.size(), 1);
    QCOMPARE(prompts.Shown[0].icon, TMsgIcon::Error);
    QVERIFY2(prompts.Shown[0].text.contains(QStringLiteral("song.RZ4.WAV")), qPrintable(prompts.Shown[0].text));
    QVERIFY(form.isHidden());
}

void TestPreview::stopEndsDrawing()
{
    TLoadedPreview preview(Zigzag(10, 5000));
    TFormPreview& form = preview.form;
    QSignalSpy ended(&form, &TFormPreview::samplesEnded);
    form.aLoop->setChecked(true);   // never ends by itself
    form.aPlay->trigger();
    QVERIFY(form.IsDrawing());
    QVERIFY(form.aStop->isEnabled());
    QTRY_VERIFY(ended.count() >= 2);
    form.aStop->trigger();
    QVERIFY(!form.IsDrawing());
    QVERIFY(!form.aStop->isEnabled());
    QCOMPARE(form.windowTitle(), QStringLiteral("Preview stopped..."));
    const qint64 position = form.Trace().StreamPosition();
    const int passes = ended.count();
    QTest::qWait(30);
    QCOMPARE(form.Trace().StreamPosition(), position);
    QCOMPARE(ended.count(), passes);
}

void TestPreview::closingStopsDrawing()
{
    QTemporaryDir dir;
    const QString show = dir.filePath(QStringLiteral("party.RZ4"));
    QVERIFY(WriteFile(show + QStringLiteral(".WAV"), WaveBytes(Zigzag(10, 3000))));
    TFormPreview form;
    form.aLoop->setChecked(true);
    TScriptedPrompts prompts;
    bool drawingBeforeClose = false;
    QTimer::singleShot(20, &form, [&] {
        drawingBeforeClose = form.IsDrawing();
        form.reject();
    });
    QCOMPARE(form.ShowPreview(show, TColorSettings(), prompts), TFormPreview::TShowResult::Shown);
    QVERIFY(drawingBeforeClose);
    QVERIFY(!form.IsDrawing());
    QCOMPARE(form.windowTitle(), QStringLiteral("Preview ended..."));
}

void TestPreview::rewindStartsAgain()
{
    TLoadedPreview preview(Zigzag(10, 5000));
    TFormPreview& form = preview.form;
    QSignalSpy ended(&form, &TFormPreview::samplesEnded);
    form.aPlay->trigger();
    QTRY_COMPARE(ended.count(), 1);
    QCOMPARE(form.windowTitle(), QStringLiteral("Preview stopped..."));

    form.aRewind->trigger();
    QCOMPARE(form.Trace().StreamPosition(), 44);
    QVERIFY(AllBlack(form.Trace().Picture()));
    QVERIFY(form.IsDrawing());
    QCOMPARE(form.windowTitle(), QStringLiteral("Preview playing..."));
    QTRY_COMPARE(ended.count(), 2);
    QVERIFY(form.Trace().AtEnd());
}

void TestPreview::loopRepeatsUntilSwitchedOff()
{
    TLoadedPreview preview(Zigzag(10, 1000));
    TFormPreview& form = preview.form;
    QSignalSpy ended(&form, &TFormPreview::samplesEnded);
    form.aLoop->setChecked(true);
    form.aPlay->trigger();
    QTRY_VERIFY(ended.count() >= 3);
    QVERIFY(form.IsDrawing());
    QCOMPARE(form.windowTitle(), QStringLiteral("Preview playing..."));
    form.aLoop->setChecked(false);
    QTRY_VERIFY(!form.IsDrawing());
    QCOMPARE(form.windowTitle(), QStringLiteral("Preview stopped..."));
    QVERIFY(form.Trace().AtEnd());
}

void TestPreview::sliderContinuesFromSample()
{
    // 500 samples along row 10, then 500 along row 200: fewer than a wipe's worth.
    TLoadedPreview preview(Zigzag(10, 500) + Zigzag(200, 500));
    TFormPreview& form = preview.form;
    QSignalSpy ended(&form, &TFormPreview::samplesEnded);
    form.aPlay->trigger();
    QTRY_COMPARE(ended.count(), 1);
    QCOMPARE(form.Trace().Picture().pixelColor(30, 10), Red);

    // The user drags the slider to (just past) sample 500.
    const qint64 sample500 = 44 + 4 * 500;
    form.tbPreviewPos->setSliderPosition(form.SliderValue(sample500 + 2));
    QVERIFY(form.IsDrawing());
    QCOMPARE(form.Trace().StreamPosition(), sample500);
    QTRY_COMPARE(ended.count(), 2);
    QCOMPARE(form.Trace().Picture().pixelColor(30, 200), Red);
    QCOMPARE(form.Trace().Picture().pixelColor(30, 10), Black);
}

void TestPreview::ownSliderUpdatesDoNotRestart()
{
    TLoadedPreview preview(Zigzag(10, 9000));
    TFormPreview& form = preview.form;
    QSignalSpy ended(&form, &TFormPreview::samplesEnded);
    form.aPlay->trigger();
    QTRY_VERIFY(!form.IsDrawing());
    QTest::qWait(20);
    QCOMPARE(ended.count(), 1);
    // The slider follows the wipes: the last at sample 8000.
    QCOMPARE(form.tbPreviewPos->value(), 44 + 4 * 8000);
}

QTEST_MAIN(TestPreview)
#include "tst_preview.moc"
