#include "LaserFrames.h"

#include <QtTest>

namespace {

TLaserFrame& AddFrameWithPoints(TLaserFrames& show, int points)
{
    TLaserFrame& f = show.Add();
    f.Points.resize(points);
    return f;
}

std::unique_ptr<TLaserFrame> FrameWithPoints(int points, const QString& name = {})
{
    auto f = std::make_unique<TLaserFrame>();
    f->Points.resize(points);
    f->Name = name;
    return f;
}

// Marks the diagonal and the far corner of a matrix so fitting has entries to keep and drop.
void MarkLinks(TLaserFrame& f)
{
    for (int i = 0; i < f.Links.Rows() && i < f.Links.Cols(); ++i)
        f.Links.Set(i, i, true);
    f.Links.Set(f.Links.Rows() - 1, f.Links.Cols() - 1, true);
}

} // namespace

class TestModel : public QObject {
    Q_OBJECT
private slots:
    void newPointAndFrameDefaults();
    void copyFromIsIndependent();
    void linkMatrixFitKeepsEntriesThatStillFit();
    void linkMatrixFitsAgreeWithEntries();
    void linkMatrixReadsOutsideAsUnlinked();
    void showListOperations();
    void insertFrameFitsBothNeighbours();
    void insertFrameAtEndAndStart();
    void deleteOnlyFrameIsRefused();
    void deleteFrameFitsSuccessor_data();
    void deleteFrameFitsSuccessor();
    void deleteFrameHandsFrameToHolder();
    void moveFrameFitsOldAndNewNeighbours();
    void moveFrameBelowLastEntryAppends();
};

void TestModel::newPointAndFrameDefaults()
{
    const TSmallPoint p;
    QCOMPARE(p.Selection, quint16(65535));
    QCOMPARE(p.Flags, quint16(0));
    QCOMPARE(p.X, quint8(0));
    QVERIFY(p.Name.isEmpty());
    QVERIFY(!p.Marked);

    const TLaserFrame f;
    QCOMPARE(f.Delay, quint16(1000));
    QCOMPARE(f.EffectTime, quint16(0));
    QCOMPARE(f.Effect, quint16(EffectSlide));
    QCOMPARE(f.EffectParam, qint16(0));
    QCOMPARE(f.EffectCenterX, 128);
    QCOMPARE(f.EffectCenterY, 128);
    QCOMPARE(f.AuxCenterX, 128);
    QCOMPARE(f.AuxCenterY, 128);
    QCOMPARE(f.Links.Rows(), 0);
    QCOMPARE(f.Links.Cols(), 0);
    QVERIFY(f.Points.empty());
    QVERIFY(f.HelpLines.IsEmpty());
    QVERIFY(f.Image.isNull());

    TLaserFrames show;
    QCOMPARE(show.Count(), 0);
    QVERIFY(show.FileName.isEmpty());
}

void TestModel::copyFromIsIndependent()
{
    TLaserFrame source;
    source.Name = "src";
    source.Points.resize(3);
    source.Points[1].X = 7;
    source.Points[1].Name = "1";
    source.HelpLines.XLines = {10, 20};
    source.HelpLines.Add2P({1, 2}, {3, 4});
    source.Links.Fit(3, 2);
    source.Links.Set(2, 1, true);
    source.Image = QImage(4, 4, QImage::Format_RGB32);
    source.Image.fill(Qt::red);
    source.ImagePart = {1, 2, 3, 4};
    source.EffectTime = 250;

    TLaserFrame copy;
    copy.Points.resize(9); // replaced, not appended to
    copy.CopyFrom(source);
    QCOMPARE(copy.PointCount(), 3);
    QCOMPARE(copy.Points[1].X, quint8(7));
    QVERIFY(copy.Links.Get(2, 1));
    QCOMPARE(copy.ImagePart, source.ImagePart);
    QCOMPARE(copy.EffectTime, quint16(250));

    copy.Points[1].X = 99;
    copy.Points.push_back({});
    copy.HelpLines.XLines[0] = 77;
    copy.HelpLines.Lines2P[1][0].X = 55;
    copy.Links.Set(0, 0, true);
    copy.Image.fill(Qt::blue);

    QCOMPARE(source.Points[1].X, quint8(7));
    QCOMPARE(source.PointCount(), 3);
    QCOMPARE(source.HelpLines.XLines[0], quint8(10));
    QCOMPARE(source.HelpLines.Lines2P[1][0].X, 3);
    QVERIFY(!source.Links.Get(0, 0));
    QCOMPARE(source.Image.pixel(0, 0), QColor(Qt::red).rgb());
}

void TestModel::linkMatrixFitKeepsEntriesThatStillFit()
{
    TLinkMatrix m(70, 5); // more than one storage word per column
    m.Set(0, 0, true);
    m.Set(69, 4, true);
    m.Set(65, 1, true);
    m.Set(3, 2, true);

    m.Fit(66, 3);
    QCOMPARE(m.Rows(), 66);
    QCOMPARE(m.Cols(), 3);
    QVERIFY(m.Get(0, 0));
    QVERIFY(m.Get(65, 1));
    QVERIFY(m.Get(3, 2));
    QVERIFY(!m.Get(69, 4));

    // Growing again brings back no stale bits: the new entries are false.
    m.Fit(70, 5);
    QVERIFY(!m.Get(69, 4));
    QVERIFY(m.Get(65, 1));
    m.Fit(3, 3);
    m.Fit(70, 3);
    QVERIFY(!m.Get(65, 1));
    QVERIFY(m.Get(0, 0));
    QVERIFY(m == [] { TLinkMatrix e(70, 3); e.Set(0, 0, true); return e; }());
}

// A long run of fits and links, each checked entry by entry against a plain table and
// against a matrix built afresh from it; a copy taken before each round keeps what it had.
void TestModel::linkMatrixFitsAgreeWithEntries()
{
    TLinkMatrix m;
    std::vector<std::vector<bool>> table;   // table[i][j]
    quint32 seed = 12345;
    const auto next = [&seed](int range) {
        seed = seed * 1103515245u + 12345u;
        return int((seed >> 8) % quint32(range));
    };
    for (int round = 0; round < 300; ++round) {
        const TLinkMatrix copy = m;
        const std::vector<std::vector<bool>> copyTable = table;
        if (round % 3 == 0) {
            const int rows = next(200), cols = next(40);
            m.Fit(rows, cols);
            table.resize(size_t(rows));
            for (auto& row : table)
                row.resize(size_t(cols), false);
        }
        if (!table.empty() && !table[0].empty()) {
            for (int k = 0; k < 20; ++k) {
                const int i = next(int(table.size())), j = next(int(table[0].size()));
                const bool linked = next(3) != 0;
                m.Set(i, j, linked);
                table[size_t(i)][size_t(j)] = linked;
            }
        }
        TLinkMatrix fresh(int(table.size()), table.empty() ? 0 : int(table[0].size()));
        for (int i = 0; i < m.Rows(); ++i)
            for (int j = 0; j < m.Cols(); ++j) {
                QCOMPARE(m.Get(i, j), bool(table[size_t(i)][size_t(j)]));
                fresh.Set(i, j, table[size_t(i)][size_t(j)]);
            }
        QCOMPARE(m.Rows(), fresh.Rows());
        QCOMPARE(m.Cols(), fresh.Cols());
        QVERIFY(m == fresh);
        // The listed links are the set entries, column by column.
        QList<QPoint> listed, set;
        if (round % 2 == 0) {
            for (const TLinkMatrix::TEntry& entry : *m.Entries())
                listed.append({entry.Col, entry.Row});
            for (int j = 0; j < m.Cols(); ++j)
                for (int i = 0; i < m.Rows(); ++i)
                    if (table[size_t(i)][size_t(j)])
                        set.append({j, i});
            QCOMPARE(listed, set);
        }
        QCOMPARE(copy.Rows(), int(copyTable.size()));
        for (int i = 0; i < copy.Rows(); ++i)
            for (int j = 0; j < copy.Cols(); ++j)
                QCOMPARE(copy.Get(i, j), bool(copyTable[size_t(i)][size_t(j)]));
    }
}

void TestModel::linkMatrixReadsOutsideAsUnlinked()
{
    TLinkMatrix m(2, 2);
    m.Set(5, 0, true);  // dropped, not an out-of-bounds write
    m.Set(0, -1, true);
    QVERIFY(!m.Get(5, 0));
    QVERIFY(!m.Get(-1, 0));
    QVERIFY(!m.Get(0, 2));
    QVERIFY(m == TLinkMatrix(2, 2));
}

void TestModel::showListOperations()
{
    TLaserFrames show;
    show.Add().Name = "a";
    QCOMPARE(show.AddFrame(FrameWithPoints(0, "c")), 1);
    show.Insert(1, FrameWithPoints(0, "b"));
    show.Insert(3, FrameWithPoints(0, "d"));
    QCOMPARE(show.Count(), 4);
    QStringList names;
    for (int k = 0; k < show.Count(); ++k)
        names << show.Frame(k).Name;
    QCOMPARE(names, QStringList({"a", "b", "c", "d"}));

    auto extracted = show.Extract(1);
    QCOMPARE(extracted->Name, QString("b"));
    QCOMPARE(show.Count(), 3);
    show.Delete(0);
    QCOMPARE(show.Frame(0).Name, QString("c"));
    show.Clear();
    QCOMPARE(show.Count(), 0);
}

void TestModel::insertFrameFitsBothNeighbours()
{
    TLaserFrames show;
    AddFrameWithPoints(show, 5);
    TLaserFrame& next = AddFrameWithPoints(show, 6);
    next.Links.Fit(6, 5);
    MarkLinks(next); // (0,0)..(4,4) and (5,4)

    auto inserted = FrameWithPoints(4, "new");
    inserted->Links.Fit(4, 7);
    inserted->Links.Set(3, 4, true);
    inserted->Links.Set(1, 6, true); // falls outside 4 x 5
    show.InsertFrame(std::move(inserted), 1);

    QCOMPARE(show.Count(), 3);
    const TLaserFrame& f = show.Frame(1);
    QCOMPARE(f.Name, QString("new"));
    QCOMPARE(f.Links.Rows(), 4);
    QCOMPARE(f.Links.Cols(), 5);
    QVERIFY(f.Links.Get(3, 4));
    QVERIFY(!f.Links.Get(1, 6));

    const TLaserFrame& n = show.Frame(2);
    QCOMPARE(n.Links.Rows(), 6);
    QCOMPARE(n.Links.Cols(), 4);
    QVERIFY(n.Links.Get(3, 3));
    QVERIFY(!n.Links.Get(4, 4));
    QVERIFY(!n.Links.Get(5, 4));
}

void TestModel::insertFrameAtEndAndStart()
{
    TLaserFrames show;
    AddFrameWithPoints(show, 3).Links.Fit(3, 0);
    show.InsertFrame(FrameWithPoints(2), 0);
    QCOMPARE(show.Frame(0).Links.Cols(), 0);
    QCOMPARE(show.Frame(0).Links.Rows(), 2);
    QCOMPARE(show.Frame(1).Links.Cols(), 2);

    show.InsertFrame(FrameWithPoints(4), show.Count()); // no successor to fit
    QCOMPARE(show.Count(), 3);
    QCOMPARE(show.Frame(2).Links.Rows(), 4);
    QCOMPARE(show.Frame(2).Links.Cols(), 3);
}

void TestModel::deleteOnlyFrameIsRefused()
{
    TLaserFrames show;
    AddFrameWithPoints(show, 2).Name = "only";
    std::unique_ptr<TLaserFrame> holder;
    QCOMPARE(show.DeleteFrame(0, &holder), TLaserFrames::DeleteResult::OnlyFrame);
    QCOMPARE(show.Count(), 1);
    QCOMPARE(show.Frame(0).Name, QString("only"));
    QVERIFY(!holder);
}

void TestModel::deleteFrameFitsSuccessor_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QStringList>("remaining");
    QTest::addColumn<int>("successorCols"); // -1: no successor was fitted
    QTest::newRow("first") << 0 << QStringList{"b", "c"} << 0;
    QTest::newRow("middle") << 1 << QStringList{"a", "c"} << 3;
    QTest::newRow("last") << 2 << QStringList{"a", "b"} << -1;
}

void TestModel::deleteFrameFitsSuccessor()
{
    QFETCH(int, index);
    QFETCH(QStringList, remaining);
    QFETCH(int, successorCols);

    TLaserFrames show;
    AddFrameWithPoints(show, 3).Name = "a";
    TLaserFrame& b = AddFrameWithPoints(show, 4);
    b.Name = "b";
    b.FitLinks(3);
    MarkLinks(b);
    TLaserFrame& c = AddFrameWithPoints(show, 5);
    c.Name = "c";
    c.FitLinks(4);
    MarkLinks(c); // (0,0)..(3,3), (4,3)

    QCOMPARE(show.DeleteFrame(index), TLaserFrames::DeleteResult::Deleted);
    QStringList names;
    for (int k = 0; k < show.Count(); ++k)
        names << show.Frame(k).Name;
    QCOMPARE(names, remaining);
    if (successorCols >= 0) {
        const TLaserFrame& s = show.Frame(index);
        QCOMPARE(s.Links.Cols(), successorCols);
        QCOMPARE(s.Links.Rows(), s.PointCount());
        // Bits that still fit stay, although they named the removed frame's points.
        if (successorCols > 0)
            QVERIFY(s.Links.Get(2, 2));
    } else {
        QCOMPARE(show.Frame(1).Links.Cols(), 3); // untouched
        QVERIFY(show.Frame(1).Links.Get(3, 2));
    }
}

void TestModel::deleteFrameHandsFrameToHolder()
{
    TLaserFrames show;
    AddFrameWithPoints(show, 1).Name = "a";
    AddFrameWithPoints(show, 2).Name = "b";
    std::unique_ptr<TLaserFrame> holder;
    show.DeleteFrame(1, &holder);
    QVERIFY(holder);
    QCOMPARE(holder->Name, QString("b"));
    QCOMPARE(holder->PointCount(), 2);
}

void TestModel::moveFrameFitsOldAndNewNeighbours()
{
    // a(2) b(3) c(4) d(5): move b to the drop position 3 (above d).
    TLaserFrames show;
    const int counts[] = {2, 3, 4, 5};
    const char* names[] = {"a", "b", "c", "d"};
    for (int k = 0; k < 4; ++k) {
        TLaserFrame& f = AddFrameWithPoints(show, counts[k]);
        f.Name = names[k];
        f.FitLinks(show.PreviousPointCount(k));
        if (k > 0)
            MarkLinks(f);
    }
    const int to = show.MoveFrame(1, 3);
    QCOMPARE(to, 3);
    QStringList order;
    for (int k = 0; k < show.Count(); ++k)
        order << show.Frame(k).Name;
    QCOMPARE(order, QStringList({"a", "c", "d", "b"}));
    // c now follows a, b follows d; every matrix matches its neighbours again.
    for (int k = 0; k < show.Count(); ++k) {
        QCOMPARE(show.Frame(k).Links.Rows(), show.Frame(k).PointCount());
        QCOMPARE(show.Frame(k).Links.Cols(), show.PreviousPointCount(k));
    }
    QVERIFY(show.Frame(1).Links.Get(1, 1)); // c's kept bit inside 4 x 2
    QVERIFY(!show.Frame(1).Links.Get(2, 2));
    QVERIFY(show.Frame(3).Links.Get(2, 1)); // b's own bits kept inside 3 x 5
}

void TestModel::moveFrameBelowLastEntryAppends()
{
    TLaserFrames show;
    for (const char* n : {"a", "b", "c"})
        AddFrameWithPoints(show, 2).Name = n;
    const int to = show.MoveFrame(0, 3); // drop below the last of three entries
    QCOMPARE(to, 2);
    QCOMPARE(show.Frame(2).Name, QString("a"));
    QCOMPARE(show.Frame(0).Name, QString("b"));
    QCOMPARE(show.Frame(0).Links.Cols(), 0);
    QCOMPARE(show.Frame(2).Links.Cols(), 2);
}

QTEST_GUILESS_MAIN(TestModel)
#include "tst_model.moc"
