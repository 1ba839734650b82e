// Transition halves: what each effect draws, where it leaves the beam, and what
// it reports. Expected positions are worked out by hand from the formulas.
#include "Effects.h"
#include "LaserFrames.h"
#include "Samples.h"

#include <QtTest>

#include <algorithm>
#include <cmath>


namespace {

// Doubles from `from` stepped `count` times to the next double either way.
QList<double> Around(double from, int count)
{
    QList<double> out{from};
    double up = from, down = from;
    for (int i = 0; i < count; ++i) {
        up = std::nextafter(up, HUGE_VAL);
        down = std::nextafter(down, -HUGE_VAL);
        out << up << down;
    }
    return out;
}

int Nearby(double v) { return int(std::nearbyint(v)); }

// A compile state over a two-position played path P0 = (200, 56), P1 = (100, 160),
// effect centre (128, 128), beam starting at (100, 100).
struct TRig {
    TLaserFrames Show;
    QByteArray Buffer;
    TProgressLog Log;
    TCompileState St;
    TSamplePath Path;
    TLaserFrame Owner;  // frame k: carries the effect, colour 0
    TLaserFrame Played; // carries the colour of the drawn samples: 1

    explicit TRig(const TScanDelays& delays = TScanDelays())
        : St(Show, Buffer, delays, false, false, Log)
    {
        Path.Positions = {{200, 56}, {100, 160}};
        Path.Blank = {1, 1}; // drawn samples ignore the path's blank flags
        St.BeamPosition = {100, 100};
        Played.Flags = TLaserFrame::FlagColor;
    }

    QList<TSample> Play(int r, bool incoming)
    {
        St.Played = TPlayedPath::Of(Path);
        St.R = r;
        PlayEffectHalf(St, Owner, Played, incoming);
        return DecodeSamples(Buffer);
    }
};

QList<TSample> Lit(const QList<TSample>& samples)
{
    QList<TSample> out;
    for (const TSample& s : samples)
        if (!s.Blank)
            out << s;
    return out;
}

} // namespace

class TestEffects : public QObject {
    Q_OBJECT

private slots:
    void drawnHalf_data();
    void drawnHalf();
    void loopsFollowR_data();
    void loopsFollowR();
    void slideDrawsNothing();
    void halfWithoutLoopsLeavesBeam();
    void dFlipWithoutAxisIsLikeSlide();
    void clamps();
    void progress_data();
    void progress();
    void morphTotalAndShapes();
    void morphSplitsMergesAndDropsPoints();
    void morphThatCannotProceed_data();
    void morphThatCannotProceed();
    void roundHalfEvenIsNearbyint();
    void quickSinCosIsWithinItsBound();
    void turnedOffsetNearHalfway_data();
    void turnedOffsetNearHalfway();
    void waveScaledNearHalfway_data();
    void waveScaledNearHalfway();
};

void TestEffects::drawnHalf_data()
{
    QTest::addColumn<int>("effect");
    QTest::addColumn<int>("param");
    QTest::addColumn<bool>("incoming");
    QTest::addColumn<TBeamPoint>("target");
    QTest::addColumn<int>("moveSamples");
    QTest::addColumn<TBeamPoint>("first");
    QTest::addColumn<TBeamPoint>("last");

    // R = 4: two loops over the two positions, s = 0.25, 0.5, 0.75, 1.
    const TBeamPoint centre{128, 128};
    QTest::newRow("explode linear out") << 2 << 0 << false << centre << 30 << TBeamPoint{182, 74} << centre;
    QTest::newRow("explode linear in") << 2 << 0 << true << centre << 30 << TBeamPoint{146, 110} << TBeamPoint{100, 160};
    QTest::newRow("explode trig out") << 2 << 1 << false << centre << 30 << TBeamPoint{195, 61} << centre;
    QTest::newRow("explode trig in") << 2 << 1 << true << centre << 30 << TBeamPoint{156, 100} << TBeamPoint{100, 160};
    QTest::newRow("x-flip squeezes Y") << 3 << 0 << false << centre << 30 << TBeamPoint{200, 74} << TBeamPoint{100, 128};
    QTest::newRow("x-flip trig in") << 3 << 1 << true << centre << 30 << TBeamPoint{200, 100} << TBeamPoint{100, 160};
    QTest::newRow("y-flip squeezes X") << 4 << 0 << false << centre << 30 << TBeamPoint{182, 56} << TBeamPoint{128, 160};
    // Auxiliary centre (100, 128): horizontal axis, every point keeps its X.
    QTest::newRow("d-flip out") << 5 << 0 << false << TBeamPoint{200, 56} << 66 << TBeamPoint{200, 74} << TBeamPoint{100, 128};
    QTest::newRow("d-flip in") << 5 << 0 << true << TBeamPoint{200, 128} << 66 << TBeamPoint{200, 110} << TBeamPoint{100, 160};
    // Turned by -90 degrees at the end of the outgoing half; the move target is
    // the first position turned by +90 in both halves.
    QTest::newRow("rotate out") << 6 << 90 << false << TBeamPoint{200, 200} << 66 << TBeamPoint{167, 34} << TBeamPoint{160, 156};
    QTest::newRow("rotate in") << 6 << 90 << true << TBeamPoint{200, 200} << 66 << TBeamPoint{222, 167} << TBeamPoint{100, 160};
    QTest::newRow("drain out") << 7 << 0 << false << centre << 30 << TBeamPoint{182, 74} << centre;
    QTest::newRow("drain in") << 7 << 0 << true << centre << 30 << TBeamPoint{146, 110} << TBeamPoint{100, 160};
    // Turned to (167, 34), then scaled by 0.75: -70.5 rounds to -70.
    QTest::newRow("drain turning out") << 7 << 90 << false << centre << 30 << TBeamPoint{157, 58} << centre;
}

void TestEffects::drawnHalf()
{
    QFETCH(int, effect);
    QFETCH(int, param);
    QFETCH(bool, incoming);
    QFETCH(TBeamPoint, target);
    QFETCH(int, moveSamples);
    QFETCH(TBeamPoint, first);
    QFETCH(TBeamPoint, last);

    TRig rig;
    rig.Owner.Effect = quint16(effect);
    rig.Owner.EffectParam = qint16(param);
    rig.Owner.AuxCenterX = 100;
    rig.Owner.EffectTime = 101;
    rig.St.Elapsed = 7;
    const QList<TSample> samples = rig.Play(4, incoming);

    QCOMPARE(rig.St.MoveTarget, target);
    QCOMPARE(samples.size(), moveSamples + 4);
    QCOMPARE(rig.St.Written, moveSamples + 4);
    // The blanked move comes first, in the owner's colour, from the beam position.
    QCOMPARE(samples[0], (TSample{100, 100, false, true}));
    for (int i = 0; i < moveSamples; ++i)
        QVERIFY(samples[i].Blank && !samples[i].Colour);
    // Drawn samples are lit whatever the path's flags, in the played frame's colour.
    const QList<TSample> drawn = samples.mid(moveSamples);
    for (const TSample& s : drawn)
        QVERIFY(!s.Blank && s.Colour);
    QCOMPARE(drawn.first(), (TSample{first.X, first.Y, true, false}));
    QCOMPARE(drawn.last(), (TSample{last.X, last.Y, true, false}));
    QCOMPARE(rig.St.BeamPosition, last);
    QCOMPARE(rig.St.Elapsed, 7 + 50);
}

void TestEffects::loopsFollowR_data()
{
    QTest::addColumn<int>("r");
    QTest::addColumn<int>("drawn");
    QTest::newRow("R 0") << 0 << 0;
    QTest::newRow("R 1 gives no loop") << 1 << 0;
    QTest::newRow("R 2") << 2 << 2;
    QTest::newRow("R 3 gives one loop") << 3 << 2;
    QTest::newRow("R 5 gives two loops") << 5 << 4;
}

void TestEffects::loopsFollowR()
{
    QFETCH(int, r);
    QFETCH(int, drawn);
    TRig rig;
    rig.Owner.Effect = EffectPlode;
    QCOMPARE(Lit(rig.Play(r, true)).size(), drawn);
}

void TestEffects::slideDrawsNothing()
{
    for (const quint16 code : {quint16(EffectSlide), quint16(99)}) {
        TRig rig;
        rig.Owner.Effect = code;
        rig.Owner.EffectTime = 1001;
        QVERIFY(rig.Play(100, false).isEmpty());
        QCOMPARE(rig.St.BeamPosition, (TBeamPoint{100, 100}));
        QCOMPARE(rig.St.Elapsed, 500);
        QVERIFY(rig.Log.Calls.isEmpty());
    }
}

void TestEffects::halfWithoutLoopsLeavesBeam()
{
    // Without loops the beam stays one step short of the move's target ...
    TRig plode;
    plode.Owner.Effect = EffectPlode;
    QCOMPARE(plode.Play(1, false).size(), 30);
    QCOMPARE(plode.St.BeamPosition, (TBeamPoint{127, 127}));

    // ... except after a D-Flip, whose marker is set to the target itself.
    TRig dflip;
    dflip.Owner.Effect = EffectDFlip;
    dflip.Owner.AuxCenterX = 100;
    dflip.St.BeamPosition = {128, 128};
    const QList<TSample> samples = dflip.Play(1, false);
    QCOMPARE(samples.size(), 66);
    QCOMPARE(samples.last(), (TSample{199, 57, false, true}));
    QCOMPARE(dflip.St.BeamPosition, (TBeamPoint{200, 56}));
}

void TestEffects::dFlipWithoutAxisIsLikeSlide()
{
    TRig rig;
    rig.Owner.Effect = EffectDFlip;
    rig.Owner.EffectTime = 10;
    rig.St.MoveTarget = {1, 2};
    for (const bool incoming : {false, true}) {
        QVERIFY(rig.Play(4, incoming).isEmpty());
        QCOMPARE(rig.St.BeamPosition, (TBeamPoint{100, 100}));
        QCOMPARE(rig.St.MoveTarget, (TBeamPoint{1, 2}));
    }
    QCOMPARE(rig.St.Elapsed, 10);
}

void TestEffects::clamps()
{
    // D-Flip: the foot of (255, 255) on the axis through (250, 10) along (10, 10)
    // is (375, 135); the move target is clamped into 0..255.
    TRig dflip;
    dflip.Path.Positions = {{255, 255}};
    dflip.Path.Blank = {0};
    dflip.Owner.Effect = EffectDFlip;
    dflip.Owner.EffectCenterX = 250;
    dflip.Owner.EffectCenterY = 10;
    dflip.Owner.AuxCenterX = 240;
    dflip.Owner.AuxCenterY = 0;
    dflip.Play(0, true);
    QCOMPARE(dflip.St.MoveTarget, (TBeamPoint{255, 135}));

    // Rotate: samples are clamped into 1..254.
    for (const bool incoming : {false, true}) {
        TRig rot;
        rot.Path.Positions = {{255, 128}, {0, 128}};
        rot.Owner.Effect = EffectRotate;
        rot.Owner.EffectParam = 90;
        const QList<TSample> drawn = Lit(rot.Play(2, incoming));
        QCOMPARE(drawn.size(), 2);
        if (incoming) {
            QCOMPARE(drawn[0], (TSample{218, 218, true, false}));
            QCOMPARE(drawn[1], (TSample{1, 128, true, false}));
        } else {
            QCOMPARE(drawn[0], (TSample{218, 38, true, false}));
            QCOMPARE(drawn[1], (TSample{128, 254, true, false}));
        }
    }
}

void TestEffects::progress_data()
{
    QTest::addColumn<int>("effect");
    QTest::addColumn<bool>("incoming");
    QTest::addColumn<QStringList>("calls");
    // R = 4, EffectTime 100, elapsed 1000: total = 1000 + 100 * r div 4.
    QTest::newRow("explode in") << 2 << true
        << QStringList{"morph 0", "total 1000", "repaint", "morph 1", "total 1025", "repaint"};
    QTest::newRow("explode out shows the bar full") << 2 << false
        << QStringList{"morphMax 4", "morph 4", "total 1000", "repaint", "morph 5", "total 1025", "repaint"};
    QTest::newRow("drain out counts up") << 7 << false
        << QStringList{"morphMax 4", "morph 0", "total 1000", "repaint", "morph 1", "total 1025", "repaint"};
}

void TestEffects::progress()
{
    QFETCH(int, effect);
    QFETCH(bool, incoming);
    QFETCH(QStringList, calls);
    TRig rig;
    rig.Owner.Effect = quint16(effect);
    rig.Owner.EffectTime = 100;
    rig.St.Elapsed = 1000;
    rig.Play(4, incoming);
    QCOMPARE(rig.Log.Calls, calls);
    QCOMPARE(rig.St.Elapsed, 1050);
}

void TestEffects::morphTotalAndShapes()
{
    // Every step count 11: each shape of two points renders 22 samples. EffectTime 1
    // gives a total of 44 (44.1 truncated): shapes at t = 0 and t = 22/44, then stop.
    TScanDelays delays{11, 11, 11, 30};
    TRig rig(delays);
    TLaserFrame& prev = rig.Show.Add();
    prev = MakeFrame({{0, 0, TSmallPoint::FlagBlank}, {100, 0}});
    prev.Flags = TLaserFrame::FlagColor;
    TLaserFrame& next = rig.Show.Add();
    next = MakeFrame({{0, 100}, {100, 100}});
    next.Effect = EffectMorph;
    next.EffectTime = 1;
    next.Links.Fit(2, 2);
    next.Links.Set(0, 0, true);
    next.Links.Set(1, 1, true);
    rig.St.FrameIndex = 1;
    rig.St.Elapsed = 300;
    rig.St.BeamPosition = {128, 128};

    rig.St.R = 0;
    PlayEffectHalf(rig.St, next, next, true);
    const QList<TSample> samples = DecodeSamples(rig.Buffer);
    QCOMPARE(samples.size(), 11 + 44);
    QCOMPARE(rig.St.Written, 55);
    // The move to the previous frame's first point, in frame k's colour.
    QCOMPARE(samples[0], (TSample{128, 128, false, true}));
    QCOMPARE(samples[10], (TSample{12, 12, false, true}));
    // Shapes in the previous frame's colour; the blank point blanks its run.
    QCOMPARE(samples[11], (TSample{0, 0, true, true}));
    QCOMPARE(samples[21], (TSample{91, 0, true, true}));
    QCOMPARE(samples[22], (TSample{100, 0, true, false}));
    QCOMPARE(samples[33], (TSample{0, 50, true, true}));
    QCOMPARE(samples[44], (TSample{100, 50, true, false}));
    QCOMPARE(samples.last(), (TSample{9, 50, true, false}));
    QCOMPARE(rig.St.BeamPosition, (TBeamPoint{9, 50}));
    // The second shape reaches the total: no morph position for it; Round(0.5) = 0.
    QCOMPARE(rig.Log.Calls, (QStringList{"morphMax 44", "morph 22", "total 300", "repaint",
                                         "total 300", "repaint"}));
    QCOMPARE(rig.St.Elapsed, 300);
}

void TestEffects::morphSplitsMergesAndDropsPoints()
{
    TRig rig;
    TLaserFrame& prev = rig.Show.Add();
    prev = MakeFrame({{0, 0}, {100, 0}, {50, 50}});
    TLaserFrame& next = rig.Show.Add();
    next = MakeFrame({{0, 100}, {100, 100}});
    next.Effect = EffectMorph;
    next.EffectTime = 1;
    // A stale matrix larger than both frames: entries beyond the points are ignored.
    next.Links.Fit(5, 5);
    next.Links.Set(0, 0, true); // point 0 splits to both points of frame k
    next.Links.Set(1, 0, true);
    next.Links.Set(1, 1, true); // and merges with point 1 into point 1
    next.Links.Set(4, 4, true); // point 2 of the previous frame is not linked
    rig.St.FrameIndex = 1;
    rig.St.BeamPosition = {0, 0};
    PlayEffectHalf(rig.St, next, next, true);
    // One shape at t = 0 with the points (0,0), (0,0), (100,0): 30 + 66 + 66 samples.
    const QList<TSample> samples = DecodeSamples(rig.Buffer);
    QCOMPARE(samples.size(), 30 + 162);
    const QList<TSample> shape = samples.mid(30);
    QCOMPARE(shape[0], (TSample{0, 0, false, false}));
    QCOMPARE(shape[29], (TSample{0, 0, false, false}));
    QCOMPARE(shape[30], (TSample{0, 0, false, false}));
    QCOMPARE(shape[96], (TSample{100, 0, false, false}));
    for (const TSample& s : shape)
        QCOMPARE(s.Y, 0); // the unlinked (50, 50) never appears
}

void TestEffects::morphThatCannotProceed_data()
{
    QTest::addColumn<int>("frameIndex");
    QTest::addColumn<bool>("prevHasPoints");
    QTest::addColumn<bool>("linked");
    QTest::addColumn<bool>("zeroDelays");
    QTest::addColumn<int>("effectTime");
    QTest::addColumn<bool>("incoming");
    QTest::addColumn<int>("samples");
    QTest::newRow("no links: only the move") << 1 << true << false << false << 1000 << true << 66;
    QTest::newRow("every delay 0") << 1 << true << true << true << 1000 << true << 0;
    QTest::newRow("effect time 0: only the move") << 1 << true << true << false << 0 << true << 66;
    QTest::newRow("predecessor without points") << 1 << false << false << false << 1000 << true << 0;
    QTest::newRow("first frame") << 0 << true << true << false << 1000 << true << 0;
    QTest::newRow("outgoing half") << 1 << true << true << false << 1000 << false << 0;
}

void TestEffects::morphThatCannotProceed()
{
    QFETCH(int, frameIndex);
    QFETCH(bool, prevHasPoints);
    QFETCH(bool, linked);
    QFETCH(bool, zeroDelays);
    QFETCH(int, effectTime);
    QFETCH(bool, incoming);
    QFETCH(int, samples);
    TRig rig(zeroDelays ? TScanDelays{0, 0, 0, 0} : TScanDelays());
    TLaserFrame& prev = rig.Show.Add();
    if (prevHasPoints)
        prev = MakeFrame({{0, 0}, {200, 0}});
    TLaserFrame& next = rig.Show.Add();
    next = MakeFrame({{0, 100}, {100, 100}});
    for (TLaserFrame* f : {&prev, &next}) {
        f->Effect = EffectMorph;
        f->EffectTime = quint16(effectTime);
    }
    next.Links.Fit(2, 2);
    if (linked)
        next.Links.Set(0, 0, true);
    rig.St.FrameIndex = frameIndex;
    rig.St.BeamPosition = {128, 128};
    const TLaserFrame& owner = rig.Show.Frame(frameIndex);
    rig.St.R = 100;
    PlayEffectHalf(rig.St, owner, owner, incoming);
    QCOMPARE(rig.Buffer.size(), samples * 4);
    QCOMPARE(rig.St.Written, samples);
    QCOMPARE(rig.St.Elapsed, owner.EffectTime / 2);
    if (samples == 0)
        QCOMPARE(rig.St.BeamPosition, (TBeamPoint{128, 128}));
    else
        QCOMPARE(rig.St.BeamPosition, (TBeamPoint{2, 2})); // one step short of (0, 0)
}

// The quick sine and cosine of the turning and scaling effects, and the roundings
// they decide: the same integers as the formulas with std::sin and std::cos, most
// of all where a value lies next to a halfway point.

void TestEffects::roundHalfEvenIsNearbyint()
{
    QList<double> values{0.0, -0.0, 1e-300, -1e-300, 0.49999999999999994, -0.49999999999999994,
                         2147483647.0, -2147483648.0, 1073741823.5, -1073741824.5};
    for (int k = -1000; k <= 1000; ++k)
        values << Around(k + 0.5, 3) << Around(k, 2) << Around(k * 1048576.25, 2);
    for (double v = 0x1p29; v < 0x1p31; v *= 1.37)
        values << Around(v, 2) << Around(-v, 2);
    for (const double v : values)
        if (std::fabs(v) < 0x1p31)
            QVERIFY2(RoundHalfEven(v) == Nearby(v), qPrintable(QString::number(v, 'g', 17)));
}

void TestEffects::quickSinCosIsWithinItsBound()
{
    // Every boundary between two table steps, and values spread over the range.
    QList<double> xs{0.0, -0.0, 1e-300, -1e-300, 1e-9, M_PI / 2, M_PI, 2 * M_PI, QuickTrigRange, -QuickTrigRange};
    for (double b = -QuickTrigRange; b <= QuickTrigRange; b += M_PI / 128)
        xs << Around(b + M_PI / 256, 1);
    for (int i = 0; i < 200000; ++i)
        xs << (i * 0.6180339887498949 - std::floor(i * 0.6180339887498949) - 0.5) * 2 * QuickTrigRange;
    double worst = 0;
    for (const double x : xs) {
        const TSinCos q = QuickSinCos(x);
        worst = std::max({worst, std::fabs(q.Sin - std::sin(x)), std::fabs(q.Cos - std::cos(x))});
    }
    QVERIFY2(worst <= 2e-15, qPrintable(QString::number(worst, 'g', 3)));
    // Beyond the range it is the library's.
    QCOMPARE(QuickSinCos(1e6).Sin, std::sin(1e6));
    QCOMPARE(QuickSinCos(-5000).Cos, std::cos(-5000.0));
}

void TestEffects::turnedOffsetNearHalfway_data()
{
    QTest::addColumn<int>("vx");
    QTest::addColumn<int>("vy");
    QTest::newRow("one step") << 1 << 0;
    QTest::newRow("a diagonal step") << 1 << 1;
    QTest::newRow("3-4-5") << 3 << 4;
    QTest::newRow("irrational radius") << 65 << 71;
    QTest::newRow("corner to corner") << 255 << 255;
    QTest::newRow("centre far off the picture") << 4000 << -3000;
}

void TestEffects::turnedOffsetNearHalfway()
{
    QFETCH(int, vx);
    QFETCH(int, vy);
    const double rho = std::sqrt(double(qint64(vx) * vx + qint64(vy) * vy));
    // Angles where cos theta * rho or sin theta * rho is a halfway point, a few
    // doubles either side, and the same a number of turns further on.
    int cases = 0;
    for (double half = -std::floor(rho) - 0.5; half <= rho; half += std::max(1.0, std::floor(rho / 16))) {
        if (std::fabs(half) > rho)
            continue;
        for (const double base : {std::acos(half / rho), std::asin(half / rho), -std::acos(half / rho)}) {
            for (const double turns : {0.0, 1.0, -3.0, 91.0}) {
                for (const double theta : Around(base + turns * 2 * M_PI, 40)) {
                    const TBeamPoint expected{Nearby(std::cos(theta) * rho), Nearby(std::sin(theta) * rho)};
                    const TBeamPoint got = TurnedOffset(theta, rho);
                    if (got != expected)
                        QFAIL(qPrintable(QStringLiteral("theta %1: (%2, %3) instead of (%4, %5)")
                                             .arg(theta, 0, 'g', 17)
                                             .arg(got.X).arg(got.Y).arg(expected.X).arg(expected.Y)));
                    ++cases;
                }
            }
        }
    }
    QVERIFY(cases > 1000);
}

void TestEffects::waveScaledNearHalfway_data()
{
    QTest::addColumn<bool>("sine");
    QTest::addColumn<TBeamPoint>("centre");
    QTest::newRow("growing, centre of the picture") << true << TBeamPoint{128, 128};
    QTest::newRow("shrinking, centre of the picture") << false << TBeamPoint{128, 128};
    QTest::newRow("growing, centre in a corner") << true << TBeamPoint{0, 255};
    QTest::newRow("shrinking, centre off the picture") << false << TBeamPoint{-700, 900};
    QTest::newRow("growing, centre far off the picture") << true << TBeamPoint{5000, -4000};
}

void TestEffects::waveScaledNearHalfway()
{
    QFETCH(bool, sine);
    QFETCH(TBeamPoint, centre);
    const auto formula = [&](int p, int c, double x) {
        return Nearby(double(p - c) * (sine ? std::sin(x) : std::cos(x)) + c);
    };
    // Angles where the scaled X is a halfway point, a few doubles either side; Y
    // scales by the same t from a position of its own.
    int cases = 0;
    for (const int px : {0, 1, 37, 127, 200, 255}) {
        const int d = px - centre.X;
        if (d == 0)
            continue;
        for (int k = 0; k < 12; ++k) {
            const double t = (k + 0.5) / 12.5; // of the way from the centre
            const double half = std::floor(centre.X + d * t) + 0.5;
            const double share = (half - centre.X) / d;
            if (share <= 0 || share >= 1)
                continue;
            for (const double x : Around(sine ? std::asin(share) : std::acos(share), 40)) {
                const TBeamPoint p{px, 255 - px};
                const TBeamPoint expected{formula(p.X, centre.X, x), formula(p.Y, centre.Y, x)};
                const TBeamPoint got = WaveScaled(p, centre, x, sine, true, true);
                if (got != expected)
                    QFAIL(qPrintable(QStringLiteral("x %1 from (%2, %3): (%4, %5) instead of (%6, %7)")
                                         .arg(x, 0, 'g', 17).arg(p.X).arg(p.Y)
                                         .arg(got.X).arg(got.Y).arg(expected.X).arg(expected.Y)));
                QCOMPARE(WaveScaled(p, centre, x, sine, true, false), (TBeamPoint{expected.X, p.Y}));
                ++cases;
            }
        }
    }
    QVERIFY(cases > 1000);
}

QTEST_GUILESS_MAIN(TestEffects)
#include "tst_effects.moc"
