// The corrections a user makes to tracked beats, the tempo from beats and the
// tempo tapped along with the music.
#include "BeatGrid.h"

#include <QtTest>
#include <functional>

using TBeatEdit = std::function<TBeatGrid(const TBeatGrid&)>;
Q_DECLARE_METATYPE(TBeatGrid)
Q_DECLARE_METATYPE(TBeatEdit)

class TestBeatGrid : public QObject {
    Q_OBJECT

private slots:
    void correctionsGiveTheExpectedGrid_data();
    void correctionsGiveTheExpectedGrid();
    void tempoFromBeatsIsARobustLine();
    void tapTempo_data();
    void tapTempo();
    void tappedTempoReplacesTheBeats();
};

namespace {

// Beats every half second from 1 s to 3.5 s, the bar starting on the second.
TBeatGrid Grid(std::vector<double> beats = {1.0, 1.5, 2.0, 2.5, 3.0, 3.5}, int firstDownbeat = 1)
{
    return TBeatGrid{std::move(beats), firstDownbeat};
}

} // namespace

void TestBeatGrid::correctionsGiveTheExpectedGrid_data()
{
    QTest::addColumn<TBeatGrid>("before");
    QTest::addColumn<TBeatEdit>("edit");
    QTest::addColumn<TBeatGrid>("after");
    const TBeatGrid g = Grid();
    QTest::newRow("halve keeps the downbeat") << g << TBeatEdit(HalveTempo) << Grid({1.5, 2.5, 3.5}, 0);
    QTest::newRow("halve from the first beat") << Grid(g.Beats, 0) << TBeatEdit(HalveTempo) << Grid({1.0, 2.0, 3.0}, 0);
    QTest::newRow("double") << g << TBeatEdit(DoubleTempo)
                            << Grid({1.0, 1.25, 1.5, 1.75, 2.0, 2.25, 2.5, 2.75, 3.0, 3.25, 3.5}, 2);
    QTest::newRow("half a beat later") << g << TBeatEdit([](const TBeatGrid& x) { return ShiftHalfBeat(x, +1); })
                                       << Grid({1.25, 1.75, 2.25, 2.75, 3.25, 3.75}, 1);
    QTest::newRow("half a beat later, past the end dropped")
        << g << TBeatEdit([](const TBeatGrid& x) { return ShiftHalfBeat(x, +1, 3.6); })
        << Grid({1.25, 1.75, 2.25, 2.75, 3.25}, 1);
    QTest::newRow("half a beat earlier") << g << TBeatEdit([](const TBeatGrid& x) { return ShiftHalfBeat(x, -1); })
                                         << Grid({0.75, 1.25, 1.75, 2.25, 2.75, 3.25}, 1);
    QTest::newRow("half a beat earlier, before the start dropped")
        << Grid({0.2, 0.7, 1.2}, 1) << TBeatEdit([](const TBeatGrid& x) { return ShiftHalfBeat(x, -1); })
        << Grid({0.45, 0.95}, 0);
    QTest::newRow("first downbeat on the nearest beat")
        << g << TBeatEdit([](const TBeatGrid& x) { return SetFirstDownbeat(x, 2.6); }) << Grid(g.Beats, 3);
    QTest::newRow("move a beat") << g << TBeatEdit([](const TBeatGrid& x) { return MoveBeat(x, 2, 2.1); })
                                 << Grid({1.0, 1.5, 2.1, 2.5, 3.0, 3.5}, 1);
    QTest::newRow("move a beat past its neighbour: stops before it")
        << g << TBeatEdit([](const TBeatGrid& x) { return MoveBeat(x, 2, 2.7); })
        << Grid({1.0, 1.5, 2.5 - MinBeatGap, 2.5, 3.0, 3.5}, 1);
    QTest::newRow("move the first beat before the music: to its start")
        << g << TBeatEdit([](const TBeatGrid& x) { return MoveBeat(x, 0, -3); }) << Grid({0.0, 1.5, 2.0, 2.5, 3.0, 3.5}, 1);
    QTest::newRow("move a beat that is not there") << g << TBeatEdit([](const TBeatGrid& x) { return MoveBeat(x, 6, 4); }) << g;
    QTest::newRow("add a beat after the downbeat") << g << TBeatEdit([](const TBeatGrid& x) { return AddBeat(x, 1.75); })
                                                   << Grid({1.0, 1.5, 1.75, 2.0, 2.5, 3.0, 3.5}, 1);
    QTest::newRow("add a beat before it") << g << TBeatEdit([](const TBeatGrid& x) { return AddBeat(x, 0.5); })
                                          << Grid({0.5, 1.0, 1.5, 2.0, 2.5, 3.0, 3.5}, 2);
    QTest::newRow("add a beat on a beat: refused") << g << TBeatEdit([](const TBeatGrid& x) { return AddBeat(x, 2.005); }) << g;
    QTest::newRow("add a beat before the music: refused")
        << g << TBeatEdit([](const TBeatGrid& x) { return AddBeat(x, -0.5); }) << g;
    QTest::newRow("add the first beat") << TBeatGrid{} << TBeatEdit([](const TBeatGrid& x) { return AddBeat(x, 0.5); })
                                        << Grid({0.5}, 0);
    QTest::newRow("remove a beat before the downbeat") << g << TBeatEdit([](const TBeatGrid& x) { return RemoveBeat(x, 0); })
                                                       << Grid({1.5, 2.0, 2.5, 3.0, 3.5}, 0);
    QTest::newRow("remove the downbeat: the next beat starts the bar")
        << g << TBeatEdit([](const TBeatGrid& x) { return RemoveBeat(x, 1); }) << Grid({1.0, 2.0, 2.5, 3.0, 3.5}, 1);
    QTest::newRow("remove the last beat") << Grid({1.0}, 0) << TBeatEdit([](const TBeatGrid& x) { return RemoveBeat(x, 0); })
                                          << TBeatGrid{};
    QTest::newRow("remove a beat that is not there") << g << TBeatEdit([](const TBeatGrid& x) { return RemoveBeat(x, -1); }) << g;
}

void TestBeatGrid::correctionsGiveTheExpectedGrid()
{
    QFETCH(TBeatGrid, before);
    QFETCH(TBeatEdit, edit);
    QFETCH(TBeatGrid, after);
    const TBeatGrid kept = before;
    const TBeatGrid got = edit(before);
    QCOMPARE(before, kept);   // the argument is left alone: an undo step keeps it
    QCOMPARE(got.FirstDownbeat, after.FirstDownbeat);
    QCOMPARE(got.Beats.size(), after.Beats.size());
    for (size_t i = 0; i < got.Beats.size(); ++i)
        QVERIFY2(std::abs(got.Beats[i] - after.Beats[i]) < 1e-9,
                 qPrintable(QString("beat %1: %2, not %3").arg(i).arg(got.Beats[i]).arg(after.Beats[i])));
}

void TestBeatGrid::tempoFromBeatsIsARobustLine()
{
    QCOMPARE(TempoFromBeats({}), 0.0);
    QCOMPARE(TempoFromBeats({1.0}), 0.0);
    // One skipped beat and one stray beat do not move the tempo.
    QCOMPARE(TempoFromBeats({0.0, 0.5, 1.0, 2.0, 2.5, 2.6, 3.0, 3.5}), 120.0);
    // A line through many beats is finer than any one gap: 2 ms of jitter and a
    // beat 40 ms off still give the tempo to a hundredth of a bpm.
    std::vector<double> beats;
    quint32 seed = 1;
    for (int k = 0; k < 400; ++k) {
        seed = seed * 1664525u + 1013904223u;
        beats.push_back(0.3 + k * 60.0 / 123.4 + 0.002 * (double(seed >> 8) / double(1 << 24) * 2 - 1));
    }
    beats[200] += 0.04;
    QVERIFY2(std::abs(TempoFromBeats(beats) - 123.4) < 0.01, qPrintable(QString::number(TempoFromBeats(beats))));
}

void TestBeatGrid::tapTempo_data()
{
    QTest::addColumn<std::vector<double>>("taps");
    QTest::addColumn<double>("bpm");      // 0: not enough taps
    QTest::addColumn<double>("anchor");
    QTest::newRow("steady") << std::vector<double>{10.0, 10.5, 11.0, 11.5} << 120.0 << 11.5;
    QTest::newRow("one tap missed") << std::vector<double>{10.0, 10.5, 11.5, 12.0} << 120.0 << 12.0;
    QTest::newRow("one tap twice") << std::vector<double>{10.0, 10.5, 10.52, 11.0, 11.5} << 120.0 << 11.5;
    QTest::newRow("uneven taps") << std::vector<double>{5.0, 5.62, 6.18, 6.81, 7.39, 8.0} << 100.0 << 8.0;
    QTest::newRow("one tap") << std::vector<double>{3.0} << 0.0 << 0.0;
}

void TestBeatGrid::tapTempo()
{
    QFETCH(std::vector<double>, taps);
    QFETCH(double, bpm);
    QFETCH(double, anchor);
    const TTapTempo tap = TempoFromTaps(taps);
    QCOMPARE(tap.IsValid(), bpm > 0);
    if (bpm > 0) {
        QVERIFY2(std::abs(tap.Bpm - bpm) < 1.5, qPrintable(QString::number(tap.Bpm)));
        QVERIFY2(std::abs(tap.Anchor - anchor) < 0.03, qPrintable(QString::number(tap.Anchor)));
    }
}

void TestBeatGrid::tappedTempoReplacesTheBeats()
{
    const TBeatGrid old = Grid();   // 1.0 .. 3.5 s, downbeat at 1.5 s
    const TTapTempo tap{100, 2.1};  // a beat every 0.6 s through 2.1 s
    const TBeatGrid got = ApplyTapTempo(old, tap);
    QCOMPARE(got.Beats.size(), size_t(5));
    QVERIFY(std::abs(got.Beats.front() - 0.9) < 1e-9);   // within half a beat of the old first
    for (size_t i = 1; i < got.Beats.size(); ++i)
        QVERIFY(std::abs(got.Beats[i] - got.Beats[i - 1] - 0.6) < 1e-9);
    QCOMPARE(got.FirstDownbeat, 1);   // 1.5 s, the nearest to the old downbeat

    // Without beats it covers the music, never before its start or after its end.
    const TBeatGrid fresh = ApplyTapTempo(TBeatGrid{}, tap, 3.0);
    QCOMPARE(fresh.Beats.size(), size_t(5));
    QVERIFY(std::abs(fresh.Beats.front() - 0.3) < 1e-9 && fresh.Beats.back() <= 3.0);
    // No tempo tapped: nothing changes.
    QCOMPARE(ApplyTapTempo(old, TTapTempo{}), old);
}

QTEST_GUILESS_MAIN(TestBeatGrid)
#include "tst_beatgrid.moc"
