#include "LiveOutput.h"
#include "Render.h"
#include "Samples.h"

#include <QtEndian>
#include <QtTest>

class TestLiveOutput : public QObject {
    Q_OBJECT

private slots:
    void tooFewPointsGiveNoImage_data();
    void tooFewPointsGiveNoImage();
    void imageIsOnePassWithHeader();
    void colourBitIsAlwaysZero();
    void blankBitsAndInversionsKept();
    void silentDelaysGiveNoImage();
    void passOverAMinuteGivesNoImage();
};

void TestLiveOutput::tooFewPointsGiveNoImage_data()
{
    QTest::addColumn<TLaserFrame>("frame");
    QTest::newRow("none") << MakeFrame({});
    QTest::newRow("one") << MakeFrame({{5, 5}});
    QTest::newRow("two") << MakeFrame({{0, 128}, {255, 128}});
}

void TestLiveOutput::tooFewPointsGiveNoImage()
{
    QFETCH(TLaserFrame, frame);
    QByteArray stream = "left over from the last frame";
    QVERIFY(!BuildLiveImage(stream, frame, TScanDelays{}, false, false));
    QVERIFY(stream.isEmpty());
}

void TestLiveOutput::imageIsOnePassWithHeader()
{
    // Sharp corners included: the live loop carries the edge holds like the compile.
    const TLaserFrame frame = MakeFrame({{0, 128}, {255, 128, TSmallPoint::FlagSharp}, {128, 0}});
    const TScanDelays delays{30, 55, 66, 30};
    QByteArray stream;
    QVERIFY(BuildLiveImage(stream, frame, delays, false, false));

    TSamplePath path;
    RenderFramePath(frame, path, delays);
    QCOMPARE(stream.size(), 44 + 4 * path.Count());

    const auto h = reinterpret_cast<const uchar*>(stream.constData());
    QCOMPARE(stream.left(4), QByteArray("RIFF"));
    QCOMPARE(qFromLittleEndian<quint32>(h + 4), quint32(36 + 4 * path.Count()));
    QCOMPARE(stream.mid(8, 8), QByteArray("WAVEfmt "));
    QCOMPARE(qFromLittleEndian<quint32>(h + 24), 44100u);
    QCOMPARE(stream.mid(36, 4), QByteArray("data"));
    QCOMPARE(qFromLittleEndian<quint32>(h + 40), quint32(4 * path.Count()));

    QByteArray expected;
    TSampleStream out{expected};
    qint64 written = 0;
    TBeamPoint last;
    EmitPath(out, path, false, written, last);
    QCOMPARE(stream.mid(44), expected);
}

void TestLiveOutput::colourBitIsAlwaysZero()
{
    TLaserFrame frame = MakeFrame({{10, 10}, {200, 10}, {100, 200}});
    frame.Flags |= TLaserFrame::FlagColor;
    QByteArray stream;
    QVERIFY(BuildLiveImage(stream, frame, TScanDelays{}, false, false));
    const QList<TSample> samples = DecodeSamples(stream, 44);
    QVERIFY(!samples.isEmpty());
    for (const TSample& s : samples)
        QVERIFY(!s.Colour);
}

void TestLiveOutput::blankBitsAndInversionsKept()
{
    const TLaserFrame frame =
        MakeFrame({{10, 10}, {200, 10, TSmallPoint::FlagBlank}, {100, 200}});
    QByteArray plain, flipped;
    QVERIFY(BuildLiveImage(plain, frame, TScanDelays{}, false, false));
    QVERIFY(BuildLiveImage(flipped, frame, TScanDelays{}, true, true));
    QCOMPARE(flipped.size(), plain.size());

    // Point 1's run (from sample 66 on) is blank, the others lit; with both
    // inversions X mirrors and Y is no longer inverted.
    const QList<TSample> samples = DecodeSamples(plain, 44);
    QCOMPARE(samples.first(), (TSample{10, 10, false, false}));
    QVERIFY(!samples.at(65).Blank);
    QCOMPARE(samples.at(66), (TSample{200, 10, false, true}));
    QVERIFY(!samples.last().Blank);
    const auto f = reinterpret_cast<const uchar*>(flipped.constData()) + 44;
    QCOMPARE(int(f[0]), 0);
    QCOMPARE(int(f[1]), 255 - ((10 + 128) & 255));
    QCOMPARE(int(f[3]), (10 + 128) & 255);
}

void TestLiveOutput::silentDelaysGiveNoImage()
{
    // All points in one spot with a 5-degree step of 0: nothing to loop.
    const TLaserFrame frame = MakeFrame({{10, 10}, {10, 10}, {10, 10}});
    QByteArray stream;
    QVERIFY(!BuildLiveImage(stream, frame, TScanDelays{0, 55, 66, 30}, false, false));
    QVERIFY(stream.isEmpty());
}

void TestLiveOutput::passOverAMinuteGivesNoImage()
{
    // 200 corners at the longest delays: one pass lasts far longer than a minute.
    TLaserFrame frame;
    for (int i = 0; i < 200; ++i)
        frame.Points.push_back(i % 2 ? PointAt(10, 10) : PointAt(245, 245));
    const TScanDelays longest{65535, 65535, 65535, 65535};
    QVERIFY(RenderedLength(frame.Points, longest) > LiveMaximumSampleFrames);
    QVERIFY(LivePassTooLong(frame, longest));
    QByteArray stream = "left over from the last frame";
    QVERIFY(!BuildLiveImage(stream, frame, longest, false, false));
    QVERIFY(stream.isEmpty());

    // The same frame at the usual delays loops.
    const TScanDelays usual{30, 55, 66, 30};
    QVERIFY(!LivePassTooLong(frame, usual));
    QVERIFY(BuildLiveImage(stream, frame, usual, false, false));
    QCOMPARE(qint64(stream.size()), 44 + 4 * RenderedLength(frame.Points, usual));
}

QTEST_APPLESS_MAIN(TestLiveOutput)
#include "tst_liveoutput.moc"
