#include "Builders.h"
#include "IldaFile.h"

#include <QBuffer>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Builds ILDA bytes by hand, so the reader is tested against the layout, not the writer.
class TIldaBytes {
public:
    TIldaBytes& U8(quint8 v) { FData.append(char(v)); return *this; }
    TIldaBytes& U16(quint16 v) { return U8(v >> 8).U8(v & 0xFF); }
    TIldaBytes& Raw(const QByteArray& bytes) { FData.append(bytes); return *this; }
    TIldaBytes& Header(int format, quint16 records, const QByteArray& name = {}, quint16 number = 0,
                       quint16 total = 0)
    {
        Raw("ILDA").U8(0).U8(0).U8(0).U8(quint8(format));
        Raw(name.leftJustified(8, '\0', true)).Raw(QByteArray("Tester").leftJustified(8, '\0'));
        return U16(records).U16(number).U16(total).U8(0).U8(0);
    }
    TIldaBytes& End() { return Header(5, 0); }
    // Format 0 and 1 records.
    TIldaBytes& P3i(qint16 x, qint16 y, qint16 z, quint8 status, quint8 index)
    {
        return U16(quint16(x)).U16(quint16(y)).U16(quint16(z)).U8(status).U8(index);
    }
    TIldaBytes& P2i(qint16 x, qint16 y, quint8 status, quint8 index)
    {
        return U16(quint16(x)).U16(quint16(y)).U8(status).U8(index);
    }
    // Format 4 and 5 records: the colour goes blue first.
    TIldaBytes& P3c(qint16 x, qint16 y, qint16 z, quint8 status, QRgb c)
    {
        return U16(quint16(x)).U16(quint16(y)).U16(quint16(z)).U8(status).U8(qBlue(c)).U8(qGreen(c)).U8(qRed(c));
    }
    TIldaBytes& P2c(qint16 x, qint16 y, quint8 status, QRgb c)
    {
        return U16(quint16(x)).U16(quint16(y)).U8(status).U8(qBlue(c)).U8(qGreen(c)).U8(qRed(c));
    }
    TIldaBytes& Rgb(quint8 r, quint8 g, quint8 b) { return U8(r).U8(g).U8(b); }

    operator const QByteArray&() const { return FData; }
    const QByteArray& Data() const { return FData; }

private:
    QByteArray FData;
};

constexpr quint8 Blank = 0x40;
constexpr quint8 Last = 0x80;
const QRgb Red = qRgb(255, 0, 0);
const QRgb Blue = qRgb(0, 0, 255);

TIldaReader::Result ReadBytes(const QByteArray& bytes)
{
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    return TIldaReader::Read(buffer);
}

// --- a deliberately naive reader, written from the published layout alone ------------------

struct TNaiveSection {
    int format = -1;
    QByteArray name, company;
    int records = 0, number = 0, total = 0;
    struct TRecord {
        int x = 0, y = 0, status = 0, r = 0, g = 0, b = 0, index = -1;
    };
    QList<TRecord> points;
};

struct TNaiveFile {
    QList<TNaiveSection> frames;
    bool endHeader = false;
    QString problem;  // empty when the file follows the rules
};

int BigEndian16(const QByteArray& d, int at)
{
    return qint16(quint16((quint8(d[at]) << 8) | quint8(d[at + 1])));
}

TNaiveFile NaiveRead(const QByteArray& d)
{
    TNaiveFile file;
    int at = 0;
    while (at < d.size()) {
        if (at + 32 > d.size() || d.mid(at, 4) != "ILDA" || d[at + 4] || d[at + 5] || d[at + 6]) {
            file.problem = QStringLiteral("bad header at %1").arg(at);
            return file;
        }
        TNaiveSection s;
        s.format = quint8(d[at + 7]);
        s.name = d.mid(at + 8, 8);
        s.company = d.mid(at + 16, 8);
        s.records = quint16(BigEndian16(d, at + 24));
        s.number = quint16(BigEndian16(d, at + 26));
        s.total = quint16(BigEndian16(d, at + 28));
        at += 32;
        if (s.records == 0) {
            file.endHeader = true;
            if (at != d.size())
                file.problem = QStringLiteral("bytes after the end header");
            return file;
        }
        const int size = s.format == 0 ? 8 : s.format == 1 ? 6 : s.format == 4 ? 10 : s.format == 5 ? 8 : 0;
        if (size == 0 || at + s.records * size > d.size()) {
            file.problem = QStringLiteral("bad section at %1").arg(at - 32);
            return file;
        }
        const bool threeD = s.format == 0 || s.format == 4;
        for (int i = 0; i < s.records; ++i, at += size) {
            TNaiveSection::TRecord r;
            r.x = BigEndian16(d, at);
            r.y = BigEndian16(d, at + 2);
            const int st = at + (threeD ? 6 : 4);
            r.status = quint8(d[st]);
            if (s.format == 0 || s.format == 1) {
                r.index = quint8(d[st + 1]);
            } else {
                r.b = quint8(d[st + 1]);
                r.g = quint8(d[st + 2]);
                r.r = quint8(d[st + 3]);
            }
            if ((r.status & 0x80) != (i == s.records - 1 ? 0x80 : 0))
                file.problem = QStringLiteral("last-point bit wrong in record %1 of frame %2").arg(i).arg(file.frames.size());
            if (r.status & 0x3F)
                file.problem = QStringLiteral("status bits 0..5 set");
            s.points << r;
        }
        file.frames << s;
    }
    file.problem = QStringLiteral("no end header");
    return file;
}

// --- shows ----------------------------------------------------------------------------------------

TSmallPoint Pt(int x, int y, bool blank = false, bool sharp = false)
{
    return PointAt(x, y, quint16((blank ? TSmallPoint::FlagBlank : 0) | (sharp ? TSmallPoint::FlagSharp : 0)));
}

TLaserFrame& AddFrame(TLaserFrames& show, const QString& name, int color, const std::vector<TSmallPoint>& points)
{
    TLaserFrame& frame = show.Add();
    frame.Name = name;
    frame.Flags = quint16(color);
    frame.Points = points;
    return frame;
}

// Frames that exercise the blank translation and the loop closure.
void FillShow(TLaserFrames& show)
{
    // A square whose second side is dark.
    AddFrame(show, "square", 0, {Pt(10, 10), Pt(200, 10, true), Pt(200, 200), Pt(10, 200)});
    // The corners of the square; the closing line is dark; the name is cut to 8.
    AddFrame(show, "cornerpoints", 1, {Pt(0, 0), Pt(255, 255), Pt(0, 255), Pt(255, 0, true)});
    // One lit dot.
    AddFrame(show, "dot", 1, {Pt(128, 128)});
    // The last point lies on the first: only the written closing point is folded.
    AddFrame(show, "loop", 0, {Pt(50, 60), Pt(70, 80, true), Pt(90, 30), Pt(50, 60, true)});
    // Repeated points and a dark first line.
    AddFrame(show, QString::fromLatin1("\xC4rger"), 1,
             {Pt(5, 5, true), Pt(5, 5), Pt(5, 5), Pt(100, 5), Pt(100, 5, true), Pt(7, 9)});
    // Unnamed, every line lit.
    AddFrame(show, {}, 0, {Pt(1, 2), Pt(3, 4), Pt(250, 251)});
}

// The blank flags of a frame as a string: "-" lit, "b" blank.
QString Blanks(const TLaserFrame& frame)
{
    QString s;
    for (const TSmallPoint& p : frame.Points)
        s += p.IsBlank() ? QLatin1Char('b') : QLatin1Char('-');
    return s;
}

} // namespace

Q_DECLARE_METATYPE(TLaserColors)

class TestIlda : public QObject {
    Q_OBJECT
private slots:
    void roundTrip_data();
    void roundTrip();
    void exportReadByNaiveReader_data();
    void exportReadByNaiveReader();
    void exportLimits();
    void exportFailsWithoutLeavingAFile();
    void importBlanking_data();
    void importBlanking();
    void importCoordinatesAndLabels();
    void mixedSectionsAndPalette();
    void darkPoints_data();
    void darkPoints();
    void colourTable_data();
    void colourTable();
    void majorityColour_data();
    void majorityColour();
    void endHeaderIsNotAFrame_data();
    void endHeaderIsNotAFrame();
    void lastPointBitInTheMiddle();
    void largestSection();
    void damagedFiles_data();
    void damagedFiles();
    void standardPalette();
};

// --- export and import together -------------------------------------------------------------

void TestIlda::roundTrip_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<TLaserColors>("colors");
    const TLaserColors reds{qRgb(255, 0, 0), qRgb(250, 0, 0)}; // both nearest to palette entry 0
    const TLaserColors greenWhite{qRgb(0, 255, 0), qRgb(255, 255, 255)};
    for (int format : {0, 1, 4, 5}) {
        QTest::addRow("format %d, red and blue", format) << format << DefaultLaserColors;
        QTest::addRow("format %d, green and white", format) << format << greenWhite;
        QTest::addRow("format %d, two reds", format) << format << reds;
    }
}

void TestIlda::roundTrip()
{
    QFETCH(int, format);
    QFETCH(TLaserColors, colors);
    TLaserFrames show;
    FillShow(show);
    // Sharp corners have no ILDA counterpart; they must not disturb the rest.
    show.Frame(0).Points[2].Flags |= TSmallPoint::FlagSharp;

    QTemporaryDir dir;
    const QString path = dir.filePath("show.ild");
    TIldaExportOptions out;
    out.Format = format;
    out.Colors = colors;
    const TIldaFileResult written = ExportIldaFile(path, show, out);
    QVERIFY2(written.outcome.ok, qPrintable(written.outcome.message));
    QCOMPARE(written.frames, show.Count());

    TLaserFrames back;
    TIldaImportOptions in;
    in.Colors = colors;
    in.Delay = 70;
    const TIldaFileResult read = ImportIldaFile(path, back, in);
    QVERIFY2(read.outcome.ok, qPrintable(read.outcome.message));
    QCOMPARE(back.Count(), show.Count());
    const QStringList names{"square", "cornerpo", "dot", "loop", QString::fromLatin1("\xC4rger"), "ILDA 5"};
    for (int f = 0; f < show.Count(); ++f) {
        const TLaserFrame& a = show.Frame(f);
        const TLaserFrame& b = back.Frame(f);
        QCOMPARE(b.Name, names[f]);
        QCOMPARE(b.ColorBit(), a.ColorBit());
        QCOMPARE(b.Delay, quint16(70));
        QCOMPARE(b.PointCount(), a.PointCount());
        QCOMPARE(Blanks(b), Blanks(a));
        for (int k = 0; k < a.PointCount(); ++k) {
            QCOMPARE(b.Points[k].X, a.Points[k].X);
            QCOMPARE(b.Points[k].Y, a.Points[k].Y);
            QVERIFY(!b.Points[k].IsSharp());
        }
    }
}

void TestIlda::exportReadByNaiveReader_data()
{
    QTest::addColumn<int>("format");
    for (int format : {0, 1, 4, 5})
        QTest::addRow("format %d", format) << format;
}

void TestIlda::exportReadByNaiveReader()
{
    QFETCH(int, format);
    TLaserFrames show;
    FillShow(show);
    QTemporaryDir dir;
    const QString path = dir.filePath("naive.ild");
    TIldaExportOptions options;
    options.Format = format;
    QVERIFY(ExportIldaFile(path, show, options).outcome.ok);

    const TNaiveFile file = NaiveRead(ReadFile(path));
    QVERIFY2(file.problem.isEmpty(), qPrintable(file.problem));
    QVERIFY(file.endHeader);
    QCOMPARE(file.frames.size(), show.Count());
    for (int f = 0; f < show.Count(); ++f) {
        const TNaiveSection& s = file.frames[f];
        const TLaserFrame& frame = show.Frame(f);
        QCOMPARE(s.format, format);
        QCOMPARE(s.number, f);
        QCOMPARE(s.total, show.Count());
        QCOMPARE(s.name, frame.Name.left(8).toLatin1().leftJustified(8, '\0'));
        QCOMPARE(s.company, QByteArray("Skelmar\0", 8));
        // Every point and the first once more, closing the loop.
        const int n = frame.PointCount();
        QCOMPARE(s.records, n + 1);
        for (int k = 0; k <= n; ++k) {
            const TSmallPoint& p = frame.Points[k % n];
            QCOMPARE(s.points[k].x, 257 * p.X - 32768);
            QCOMPARE(s.points[k].y, 32767 - 257 * p.Y);
            // Dark into the first point, then into point k as our point k-1 leaves it.
            const bool blanked = k == 0 || frame.Points[k - 1].IsBlank();
            QCOMPARE(bool(s.points[k].status & 0x40), blanked);
            if (format == 4 || format == 5) {
                const QRgb color = blanked ? qRgb(0, 0, 0) : frame.ColorBit() ? Blue : Red;
                QCOMPARE(qRgb(s.points[k].r, s.points[k].g, s.points[k].b), color);
            } else {
                QCOMPARE(s.points[k].index, frame.ColorBit() ? 40 : 0);
            }
        }
    }
    // The picture keeps its orientation: top left is far left and far up.
    QCOMPARE(file.frames[1].points[0].x, -32768);
    QCOMPARE(file.frames[1].points[0].y, 32767);
    QCOMPARE(file.frames[1].points[1].x, 32767);
    QCOMPARE(file.frames[1].points[1].y, -32768);
}

void TestIlda::exportLimits()
{
    QString error;
    // An empty frame keeps its place as one dark point at the centre.
    TLaserFrame empty;
    const TIldaFrame dark = IldaFrameFromLaserFrame(empty, DefaultLaserColors, &error);
    QVERIFY(error.isEmpty());
    QCOMPARE(dark.Points.size(), size_t(1));
    QVERIFY(dark.Points[0].Blanked);
    QCOMPARE(dark.Points[0].X, qint16(128));
    QCOMPARE(dark.Points[0].Y, qint16(-129));

    // 65534 points and the closing point fill a section exactly; one more does not fit.
    TLaserFrame big;
    big.Points.assign(65534, Pt(3, 4));
    big.Points[100] = Pt(9, 9, true);
    TIldaFrame ilda = IldaFrameFromLaserFrame(big, DefaultLaserColors, &error);
    QVERIFY(error.isEmpty());
    QCOMPARE(ilda.Points.size(), size_t(65535));
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QCOMPARE(TIldaWriter::Write(buffer, {ilda}, 1).message, QString());
    QCOMPARE(buffer.data().size(), 32 + 65535 * 6 + 32);

    big.Points.push_back(Pt(5, 5));
    IldaFrameFromLaserFrame(big, DefaultLaserColors, &error);
    QVERIFY2(error.contains("65534"), qPrintable(error));
    TLaserFrames show;
    show.Add().Points = big.Points;
    show.Frame(0).Name = "huge";
    QTemporaryDir dir;
    const TIldaFileResult result = ExportIldaFile(dir.filePath("huge.ild"), show, {});
    QVERIFY(!result.outcome.ok);
    QVERIFY2(result.outcome.message.contains("huge.ild") && result.outcome.message.contains("frame 0 \"huge\""),
             qPrintable(result.outcome.message));
    QVERIFY(!QFile::exists(dir.filePath("huge.ild")));
}

void TestIlda::exportFailsWithoutLeavingAFile()
{
    QTemporaryDir dir;
    TLaserFrames show;
    FillShow(show);
    TIldaExportOptions options;
    options.Format = 3;
    TIldaFileResult result = ExportIldaFile(dir.filePath("a.ild"), show, options);
    QVERIFY(!result.outcome.ok);
    QVERIFY2(result.outcome.message.contains("format 3"), qPrintable(result.outcome.message));
    QVERIFY(!QFile::exists(dir.filePath("a.ild")));

    TLaserFrames none;
    result = ExportIldaFile(dir.filePath("b.ild"), none, {});
    QVERIFY(!result.outcome.ok);
    QVERIFY(!QFile::exists(dir.filePath("b.ild")));

    result = ExportIldaFile(dir.filePath("no/such/folder/c.ild"), show, {});
    QVERIFY(!result.outcome.ok);
    QVERIFY2(result.outcome.message.contains("c.ild"), qPrintable(result.outcome.message));

    // A failed export leaves an older file as it was.
    const QString kept = dir.filePath("kept.ild");
    QVERIFY(WriteFile(kept, "old"));
    options.Format = 9;
    QVERIFY(!ExportIldaFile(kept, show, options).outcome.ok);
    QCOMPARE(ReadFile(kept), QByteArray("old"));
}

// --- import of files from elsewhere ---------------------------------------------------------

void TestIlda::importBlanking_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("points");
    QTest::addColumn<QString>("blanks");

    // Open figure entered dark: the way back to the start stays dark.
    QTest::newRow("open, first point blanked")
        << TIldaBytes().Header(1, 4).P2i(0, 0, Blank, 0).P2i(100, 0, 0, 0).P2i(100, 100, 0, 0)
               .P2i(0, 100, Last, 0).End().Data()
        << 4 << "---b";
    // A projector repeating this frame draws the way back lit: so does the show.
    QTest::newRow("open, first point lit")
        << TIldaBytes().Header(1, 3).P2i(0, 0, 0, 0).P2i(100, 0, 0, 0).P2i(100, 100, Last, 0).End().Data()
        << 3 << "---";
    // Closed by repeating the first point: folded, its blank bit closes the loop.
    QTest::newRow("closed, dark closing line")
        << TIldaBytes().Header(1, 4).P2i(5, 5, Blank, 0).P2i(100, 0, 0, 0).P2i(100, 100, 0, 0)
               .P2i(5, 5, Blank | Last, 0).End().Data()
        << 3 << "--b";
    QTest::newRow("closed, blank inside")
        << TIldaBytes().Header(1, 5).P2i(5, 5, 0, 0).P2i(100, 0, 0, 0).P2i(100, 100, Blank, 0)
               .P2i(0, 100, 0, 0).P2i(5, 5, Last, 0).End().Data()
        << 4 << "-b--";
    // Only the position counts for the fold, not the depth.
    QTest::newRow("closed in 3D at another depth")
        << TIldaBytes().Header(0, 3).P3i(5, 5, 100, Blank, 0).P3i(9, 9, 0, 0, 0).P3i(5, 5, -100, Last, 0)
               .End().Data()
        << 2 << "--";
    QTest::newRow("one lit point")
        << TIldaBytes().Header(1, 1).P2i(0, 0, Last, 0).End().Data() << 1 << "-";
    QTest::newRow("one dark point")
        << TIldaBytes().Header(1, 1).P2i(0, 0, Blank | Last, 0).End().Data() << 1 << "b";
    // Two records on one spot: the second is the closing point.
    QTest::newRow("a point and its repetition")
        << TIldaBytes().Header(1, 2).P2i(7, 7, Blank, 0).P2i(7, 7, Last, 0).End().Data() << 1 << "-";
    QTest::newRow("dwell points are kept")
        << TIldaBytes().Header(1, 6).P2i(0, 0, Blank, 0).P2i(0, 0, Blank, 0).P2i(0, 0, 0, 0)
               .P2i(900, 0, 0, 0).P2i(900, 0, 0, 0).P2i(900, 900, Last, 0).End().Data()
        << 6 << "b----b";
    QTest::newRow("all blanked")
        << TIldaBytes().Header(5, 3).P2c(0, 0, Blank, 0).P2c(10, 0, Blank, 0).P2c(0, 10, Blank | Last, 0)
               .End().Data()
        << 3 << "bbb";
}

void TestIlda::importBlanking()
{
    QFETCH(QByteArray, file);
    QFETCH(int, points);
    QFETCH(QString, blanks);
    const TIldaReader::Result read = ReadBytes(file);
    QVERIFY2(read.outcome.ok, qPrintable(read.outcome.message));
    QCOMPARE(read.Frames.size(), size_t(1));
    const auto frame = LaserFrameFromIlda(read.Frames[0], DefaultLaserColors, 40, "x");
    QCOMPARE(frame->PointCount(), points);
    QCOMPARE(Blanks(*frame), blanks);
}

void TestIlda::importCoordinatesAndLabels()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("corners.ild");
    QVERIFY(WriteFile(path, TIldaBytes()
                                .Header(5, 5, "corners").P2c(-32768, 32767, Blank, Red).P2c(32767, 32767, 0, Red)
                                .P2c(32767, -32768, 0, Red).P2c(-32768, -32768, 0, Red).P2c(0, 0, Last, Red)
                                .Header(5, 2, "").P2c(-129, 128, 0, Red).P2c(128, -129, Last, Red)
                                .End()));
    TLaserFrames show;
    show.Add().Points = {Pt(1, 1), Pt(2, 2)}; // frames already there stay in front
    const TIldaFileResult result = ImportIldaFile(path, show, {});
    QVERIFY2(result.outcome.ok, qPrintable(result.outcome.message));
    QCOMPARE(result.frames, 2);
    QCOMPARE(show.Count(), 3);
    const TLaserFrame& a = show.Frame(1);
    QCOMPARE(a.Name, QStringLiteral("corners"));
    QCOMPARE(a.Delay, quint16(40));
    QCOMPARE(a.Effect, quint16(EffectSlide));
    const int expected[5][2] = {{0, 0}, {255, 0}, {255, 255}, {0, 255}, {128, 127}};
    for (int k = 0; k < 5; ++k) {
        QCOMPARE(a.Points[k].X, quint8(expected[k][0]));
        QCOMPARE(a.Points[k].Y, quint8(expected[k][1]));
        QCOMPARE(a.Points[k].Name, QString::number(k));
        QCOMPARE(a.Points[k].Selection, quint16(0));
    }
    // Values between two bytes round to the nearer one.
    const TLaserFrame& b = show.Frame(2);
    QCOMPARE(b.Name, QStringLiteral("ILDA 1"));
    QCOMPARE(b.Points[0].X, quint8(127));
    QCOMPARE(b.Points[0].Y, quint8(127));
    QCOMPARE(b.Points[1].X, quint8(128));
    QCOMPARE(b.Points[1].Y, quint8(128));
    // Links sized as when frames are inserted; nothing linked.
    QCOMPARE(a.Links.Rows(), 5);
    QCOMPARE(a.Links.Cols(), 2);
    QCOMPARE(b.Links.Rows(), 2);
    QCOMPARE(b.Links.Cols(), 5);
}

void TestIlda::mixedSectionsAndPalette()
{
    // Every frame format in one file, with a palette that changes the meaning of
    // the indexes for the frames after it only.
    const QByteArray bytes = TIldaBytes()
                                 .Header(1, 2, "std").P2i(0, 0, 0, 40).P2i(900, 0, Last, 40)
                                 .Header(2, 3).Rgb(0, 0, 250).Rgb(250, 0, 0).Rgb(9, 9, 9)
                                 .Header(0, 3, "idx3d").P3i(0, 0, 5, 0, 0).P3i(900, 0, 5, 0, 0)
                                 .P3i(0, 900, 5, Last, 1)
                                 .Header(4, 2, "tc3d").P3c(0, 0, -7, 0, Blue).P3c(900, 900, -7, Last, Blue)
                                 .Header(5, 2, "tc2d").P2c(0, 0, 0, Red).P2c(-900, 0, Last, qRgb(200, 0, 50))
                                 .Header(1, 2, "idx2d").P2i(0, 0, 0, 1).P2i(1, 1, Last, 1)
                                 .End();
    const TIldaReader::Result read = ReadBytes(bytes);
    QVERIFY2(read.outcome.ok, qPrintable(read.outcome.message));
    QCOMPARE(read.Palettes, 1);
    QVERIFY(read.EndHeader);
    QCOMPARE(read.Frames.size(), size_t(5));
    const QList<int> formats{1, 0, 4, 5, 1};
    const QList<int> colours{1, 1, 1, 0, 0};
    const QList<int> counts{2, 3, 2, 2, 2};
    for (int f = 0; f < 5; ++f) {
        QCOMPARE(read.Frames[f].Format, formats[f]);
        const auto frame = LaserFrameFromIlda(read.Frames[f], DefaultLaserColors, 40, {});
        QCOMPARE(frame->PointCount(), counts[f]);
        QCOMPARE(int(frame->ColorBit()), colours[f]);
    }
    // The first frame used the standard palette: index 40 is blue.
    QCOMPARE(read.Frames[0].Points[0].Color, Blue);
    QCOMPARE(read.Frames[1].Points[0].Color, qRgb(0, 0, 250));
    QCOMPARE(read.Frames[1].Points[0].Z, qint16(5));
    QCOMPARE(read.Frames[3].Points[1].Color, qRgb(200, 0, 50));
    QCOMPARE(read.Frames[2].Name, QStringLiteral("tc3d"));
    QCOMPARE(read.Frames[2].Company, QStringLiteral("Tester"));
}

// Points their authors left dark come in dark, whichever way the file darkens them.
void TestIlda::darkPoints_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("blanks");
    QTest::addColumn<int>("colour");
    const QRgb black = qRgb(0, 0, 0);
    // An "!" as a font file draws it: the dark moves have index 64, past the standard
    // palette. Into the bar's top dark, the bar lit, dark to the dot, the dot lit.
    QTest::newRow("index 64 of the standard palette")
        << TIldaBytes().Header(1, 4).P2i(0, 9000, 0, 64).P2i(0, 2000, 0, 40).P2i(0, 0, 0, 64)
               .P2i(0, -500, Last, 40).End().Data()
        << "-b-b" << 1;
    QTest::newRow("black in true colour")
        << TIldaBytes().Header(5, 4).P2c(0, 9000, 0, black).P2c(0, 2000, 0, Red).P2c(0, 0, 0, black)
               .P2c(0, -500, Last, Red).End().Data()
        << "-b-b" << 0;
    QTest::newRow("a black palette entry")
        << TIldaBytes().Header(2, 2).Rgb(0, 0, 0).Rgb(0, 0, 255)
               .Header(0, 3).P3i(0, 0, 0, 0, 1).P3i(900, 0, 0, 0, 0).P3i(900, 900, 0, Last, 1).End().Data()
        << "b--" << 1;
    // With a palette of 256 colours, index 64 is a colour like any other.
    TIldaBytes big;
    big.Header(2, 256);
    for (int i = 0; i < 256; ++i)
        big.Rgb(quint8(i == 64 ? 0 : 255), 0, quint8(i == 64 ? 255 : 0));
    QTest::newRow("index 64 of a larger palette")
        << big.Header(1, 3).P2i(0, 0, 0, 64).P2i(900, 0, 0, 64).P2i(900, 900, Last, 64).End().Data()
        << "---" << 1;
    // The blanking bit still counts, whatever the colour.
    QTest::newRow("blanked in a colour")
        << TIldaBytes().Header(5, 3).P2c(0, 0, 0, Blue).P2c(900, 0, Blank, Blue).P2c(900, 900, Last, Blue)
               .End().Data()
        << "b--" << 1;
}

void TestIlda::darkPoints()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, blanks);
    QFETCH(int, colour);
    const TIldaReader::Result read = ReadBytes(file);
    QVERIFY2(read.outcome.ok, qPrintable(read.outcome.message));
    QCOMPARE(read.Frames.size(), size_t(1));
    const auto frame = LaserFrameFromIlda(read.Frames[0], DefaultLaserColors, 40, "x");
    QCOMPARE(Blanks(*frame), blanks);
    QCOMPARE(int(frame->ColorBit()), colour);

    // Through the file as the commands read it.
    QTemporaryDir dir;
    const QString path = dir.filePath("dark.ild");
    QVERIFY(WriteFile(path, file));
    TLaserFrames show;
    QVERIFY(ImportIldaFile(path, show, {}).outcome.ok);
    QCOMPARE(Blanks(show.Frame(0)), blanks);
}

// A format 3 section (LaserBoy's 24-bit colours) colours the indexed frame after it:
// the table decides the frame's colour and which points are dark.
void TestIlda::colourTable_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("blanks");   // per frame
    QTest::addColumn<QList<int>>("colours");   // per frame
    // The indexes say red and lit; the table says blue, blue, black, black.
    const QByteArray frame = TIldaBytes().Header(1, 4).P2i(0, 0, 0, 0).P2i(900, 0, 0, 0).P2i(900, 900, 0, 0)
                                 .P2i(0, 900, Last, 0);
    const QByteArray table = TIldaBytes().Header(3, 4).Rgb(0, 0, 255).Rgb(90, 0, 250).Rgb(0, 0, 0).Rgb(0, 0, 0);
    QTest::newRow("table, frame") << (table + frame + TIldaBytes().End().Data()) << QStringList{"-bb-"}
                                  << QList<int>{1};
    // Only the frame right after the table: the next one has its palette colours.
    QTest::newRow("table, frame, frame") << (table + frame + frame + TIldaBytes().End().Data())
                                         << QStringList{"-bb-", "----"} << QList<int>{1, 0};
    // A palette between the two does not use the table up.
    QTest::newRow("table, palette, frame")
        << (table + TIldaBytes().Header(2, 1).Rgb(0, 255, 0).Data() + frame + TIldaBytes().End().Data())
        << QStringList{"-bb-"} << QList<int>{1};
    // A true-colour frame keeps its own colours.
    QTest::newRow("table, true-colour frame")
        << (table + TIldaBytes().Header(5, 2).P2c(0, 0, 0, Red).P2c(900, 0, Last, Red).End().Data())
        << QStringList{"--"} << QList<int>{0};
    // A short table colours the points it reaches; the others keep their palette colours.
    QTest::newRow("short table")
        << (TIldaBytes().Header(3, 2).Rgb(0, 0, 255).Rgb(0, 0, 0).Data() + frame + TIldaBytes().End().Data())
        << QStringList{"b---"} << QList<int>{0};
}

void TestIlda::colourTable()
{
    QFETCH(QByteArray, file);
    QFETCH(QStringList, blanks);
    QFETCH(QList<int>, colours);
    const TIldaReader::Result read = ReadBytes(file);
    QVERIFY2(read.outcome.ok, qPrintable(read.outcome.message));
    QCOMPARE(read.ColorTables, 1);
    QCOMPARE(int(read.Frames.size()), int(blanks.size()));
    for (int f = 0; f < int(blanks.size()); ++f) {
        const auto frame = LaserFrameFromIlda(read.Frames[f], DefaultLaserColors, 40, {});
        QCOMPARE(Blanks(*frame), blanks[f]);
        QCOMPARE(int(frame->ColorBit()), colours[f]);
    }
    if (QTest::currentDataTag() == QLatin1String("table, frame")) {
        QVERIFY(read.Frames[0].ColorTable);
        QCOMPARE(read.Frames[0].Points[0].Color, qRgb(0, 0, 255));
        QCOMPARE(read.Frames[0].Points[1].Index, quint8(0));
    }
}

void TestIlda::majorityColour_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("colour");
    const QRgb pink = qRgb(255, 80, 80), violet = qRgb(80, 0, 255);
    QTest::newRow("more lit points near blue")
        << TIldaBytes().Header(5, 5).P2c(0, 0, 0, pink).P2c(1, 0, 0, violet).P2c(2, 0, 0, violet)
               .P2c(3, 0, 0, pink).P2c(4, 0, Last, violet).Data()
        << 1;
    QTest::newRow("a tie is colour 0")
        << TIldaBytes().Header(5, 2).P2c(0, 0, 0, pink).P2c(1, 0, Last, violet).Data() << 0;
    QTest::newRow("blanked points do not vote")
        << TIldaBytes().Header(5, 4).P2c(0, 0, Blank, Blue).P2c(1, 0, Blank, Blue).P2c(2, 0, Blank, Blue)
               .P2c(3, 0, Last, Red).Data()
        << 0;
    QTest::newRow("black lit points do not vote")
        << TIldaBytes().Header(5, 3).P2c(0, 0, 0, 0).P2c(1, 0, 0, 0).P2c(2, 0, Last, Blue).Data() << 1;
    QTest::newRow("all dark: the blanked points' colour")
        << TIldaBytes().Header(1, 2).P2i(0, 0, Blank, 40).P2i(1, 0, Blank | Last, 40).Data() << 1;
    QTest::newRow("all dark and black")
        << TIldaBytes().Header(5, 2).P2c(0, 0, Blank, 0).P2c(1, 0, Blank | Last, 0).Data() << 0;
    // The standard palette has 64 entries: index 200 has no colour.
    QTest::newRow("index outside the palette")
        << TIldaBytes().Header(1, 3).P2i(0, 0, 0, 200).P2i(1, 0, 0, 200).P2i(2, 0, Last, 44).Data() << 1;
}

void TestIlda::majorityColour()
{
    QFETCH(QByteArray, file);
    QFETCH(int, colour);
    const TIldaReader::Result read = ReadBytes(file);
    QVERIFY2(read.outcome.ok, qPrintable(read.outcome.message));
    QVERIFY(!read.EndHeader);
    const auto frame = LaserFrameFromIlda(read.Frames[0], DefaultLaserColors, 40, {});
    QCOMPARE(int(frame->ColorBit()), colour);
}

void TestIlda::endHeaderIsNotAFrame_data()
{
    QTest::addColumn<QByteArray>("tail");
    QTest::addColumn<bool>("endHeader");
    QTest::newRow("end header") << TIldaBytes().End().Data() << true;
    QTest::newRow("end header of another format") << TIldaBytes().Header(1, 0, "end").Data() << true;
    QTest::newRow("bytes after the end header")
        << (TIldaBytes().End().Data() + TIldaBytes().Header(5, 1).P2c(0, 0, Last, Red).Data() + "junk") << true;
    QTest::newRow("no end header") << QByteArray() << false;
    QTest::newRow("zero padding instead") << QByteArray(100, '\0') << false;
}

void TestIlda::endHeaderIsNotAFrame()
{
    QFETCH(QByteArray, tail);
    QFETCH(bool, endHeader);
    const QByteArray bytes =
        TIldaBytes().Header(5, 2, "only", 0, 1).P2c(0, 0, Blank, Red).P2c(10, 10, Last, Red).Data() + tail;
    const TIldaReader::Result read = ReadBytes(bytes);
    QVERIFY2(read.outcome.ok, qPrintable(read.outcome.message));
    QCOMPARE(read.EndHeader, endHeader);
    QCOMPARE(read.Frames.size(), size_t(1));
    QCOMPARE(read.Frames[0].Name, QStringLiteral("only"));
    QCOMPARE(read.Frames[0].Total, quint16(1));
}

void TestIlda::lastPointBitInTheMiddle()
{
    // The record count decides; an early last-point bit is not the end of the frame.
    const QByteArray bytes = TIldaBytes()
                                 .Header(5, 5, "early").P2c(0, 0, Blank, Red).P2c(100, 0, Last, Red)
                                 .P2c(100, 100, 0, Red).P2c(0, 100, 0, Red).P2c(50, 50, 0, Red)
                                 .Header(5, 1, "next").P2c(7, 7, Last, Red)
                                 .End();
    const TIldaReader::Result read = ReadBytes(bytes);
    QVERIFY2(read.outcome.ok, qPrintable(read.outcome.message));
    QCOMPARE(read.Frames.size(), size_t(2));
    QCOMPARE(read.Frames[0].Points.size(), size_t(5));
    QVERIFY(read.Frames[0].Points[1].LastPoint);
    QCOMPARE(read.Frames[0].Points[4].X, qint16(50));
    QCOMPARE(read.Frames[1].Name, QStringLiteral("next"));
    QCOMPARE(LaserFrameFromIlda(read.Frames[0], DefaultLaserColors, 40, {})->PointCount(), 5);
}

void TestIlda::largestSection()
{
    // 65535 records, open: every one becomes a point, labelled up to "65534".
    TIldaBytes bytes;
    bytes.Header(1, 65535);
    for (int i = 0; i < 65535; ++i)
        bytes.P2i(qint16(i - 32768), 0, i == 65534 ? Last : 0, 0);
    const TIldaReader::Result read = ReadBytes(bytes);
    QVERIFY(read.outcome.ok);
    const auto frame = LaserFrameFromIlda(read.Frames[0], DefaultLaserColors, 40, {});
    QCOMPARE(frame->PointCount(), 65535);
    QCOMPARE(frame->Points.back().Name, QStringLiteral("65534"));
}

void TestIlda::damagedFiles_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("expected");
    const QByteArray good = TIldaBytes().Header(5, 2, "good").P2c(0, 0, Blank, Red).P2c(1, 1, Last, Red);
    const QByteArray header = TIldaBytes().Header(5, 3, "cut");

    QTest::newRow("empty") << QByteArray() << "the file is empty";
    QTest::newRow("another kind of file") << QByteArray("RZ4P\x06 and more bytes") << "does not begin with \"ILDA\"";
    QTest::newRow("only the magic") << QByteArray("ILDA") << "ends inside the section header at byte 0";
    QTest::newRow("header cut off") << header.left(20) << "ends inside the section header at byte 0";
    QTest::newRow("records cut off") << (header + QByteArray(17, '\x01')) << "section at byte 0 (format 5, 3 records of 8 bytes) is cut off";
    QTest::newRow("second header cut off") << (good + header.left(31)) << "ends inside the section header at byte 48";
    QTest::newRow("palette cut off")
        << (TIldaBytes().Header(2, 256).Rgb(1, 2, 3).Data() + good) << "section at byte 0 (format 2, 256 records";
    QTest::newRow("colour table cut off") << (good + TIldaBytes().Header(3, 9).Rgb(1, 2, 3).Data())
                                          << "section at byte 48 (format 3, 9 records of 3 bytes) is cut off";
    QTest::newRow("unknown format") << (good + TIldaBytes().Header(7, 1).Data() + QByteArray(20, '\0'))
                                    << "byte 48 has the unknown format 7";
    QTest::newRow("garbage after a section") << (good + QByteArray(40, 'x')) << "no section header at byte 48";
    QTest::newRow("a short tail that is not zero") << (good + QByteArray("\0\0\x01", 3)) << "no section header at byte 48";
}

void TestIlda::damagedFiles()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, expected);
    const TIldaReader::Result read = ReadBytes(file);
    QVERIFY(!read.outcome.ok);
    QVERIFY2(read.outcome.message.contains(expected), qPrintable(read.outcome.message));
    QVERIFY(read.Frames.empty());

    // Through the file: the message names it, and nothing reaches the show.
    QTemporaryDir dir;
    const QString path = dir.filePath("damaged.ild");
    QVERIFY(WriteFile(path, file));
    TLaserFrames show;
    show.Add().Name = "mine";
    const TIldaFileResult result = ImportIldaFile(path, show, {});
    QVERIFY(!result.outcome.ok);
    QVERIFY2(result.outcome.message.startsWith(QDir::toNativeSeparators(path) + ": "), qPrintable(result.outcome.message));
    QVERIFY2(result.outcome.message.contains(expected), qPrintable(result.outcome.message));
    QCOMPARE(show.Count(), 1);
    QCOMPARE(show.Frame(0).Name, QStringLiteral("mine"));
}

void TestIlda::standardPalette()
{
    const std::vector<QRgb>& palette = IldaStandardPalette();
    QCOMPARE(palette.size(), size_t(64));
    QCOMPARE(palette[0], qRgb(255, 0, 0));
    QCOMPARE(palette[16], qRgb(255, 255, 0));
    QCOMPARE(palette[24], qRgb(0, 255, 0));
    QCOMPARE(palette[31], qRgb(0, 255, 255));
    QCOMPARE(palette[40], qRgb(0, 0, 255));
    QCOMPARE(palette[48], qRgb(255, 0, 255));
    QCOMPARE(palette[56], qRgb(255, 255, 255));
    // Each laser colour gets an entry that reads back as that colour, even when both
    // colours are nearest to the same entry.
    const TLaserColors reds{qRgb(255, 0, 0), qRgb(250, 0, 0)};
    const auto indexes = LaserColorIndexes(palette, reds);
    QCOMPARE(indexes[0], quint8(0));
    QVERIFY(indexes[1] != indexes[0]);
    QCOMPARE(NearestLaserColor(palette[indexes[1]], reds), 1);
    QCOMPARE(LaserColorIndexes(palette, DefaultLaserColors), (std::array<quint8, 2>{0, 40}));

    // A file without frames is no import.
    QTemporaryDir dir;
    const QString path = dir.filePath("palette-only.ild");
    QVERIFY(WriteFile(path, TIldaBytes().Header(2, 2).Rgb(1, 2, 3).Rgb(4, 5, 6).End()));
    TLaserFrames show;
    const TIldaFileResult result = ImportIldaFile(path, show, {});
    QVERIFY(!result.outcome.ok);
    QVERIFY2(result.outcome.message.contains("holds no frames"), qPrintable(result.outcome.message));
    QCOMPARE(show.Count(), 0);
}

QTEST_GUILESS_MAIN(TestIlda)
#include "tst_ilda.moc"
