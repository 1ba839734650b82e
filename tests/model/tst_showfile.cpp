#include "Builders.h"
#include "ShowBytes.h"
#include "ShowCompare.h"
#include "ShowFile.h"
#include "ShowFileReader.h"
#include "ShowFileWriter.h"

#include <QBuffer>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

namespace {

TShowFileReader::Result ReadBytes(const QByteArray& bytes, TLaserFrames& show)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return TShowFileReader::Read(buffer, show);
}

QByteArray WriteBytes(TLaserFrames& show)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    const TResult written = TShowFileWriter::Write(buffer, show);
    if (!written.ok)
        qWarning() << written.message;
    return buffer.data();
}

QByteArray FromHex(const char* hex) { return QByteArray::fromHex(QByteArray(hex).replace(' ', "")); }

// A show that uses every field of the format.
void FillRichShow(TLaserFrames& show)
{
    TLaserFrame& a = show.Add();
    a.Name = QString::fromLatin1("Caf\xe9 \xff"); // 8-bit text must survive unchanged
    a.Delay = 65535;
    a.EffectTime = 300;
    a.Effect = EffectRotate;
    a.EffectParam = -90;
    a.EffectCenterX = 10;
    a.EffectCenterY = 250;
    a.AuxCenterX = 0;
    a.AuxCenterY = 255;
    a.Flags = TLaserFrame::FlagColor | TLaserFrame::FlagLocked;
    a.ImageFile = "/nonexistent/picture.bmp";
    a.ImagePart = {-1, 2, 70000, -70000};
    a.HelpLines.XLines = {0, 128, 255};
    a.HelpLines.YLines = {7};
    a.HelpLines.Add2P({1, 2}, {3, 4});
    a.HelpLines.Add2P({250, 251}, {252, 253});
    for (int i = 0; i < 3; ++i) {
        TSmallPoint p;
        p.Name = QString::number(i);
        p.X = quint8(i * 100);
        p.Y = quint8(255 - i);
        p.Flags = quint16(i);
        a.Points.push_back(p);
    }
    TLaserFrame& b = show.Add();
    b.Name = "b";
    b.Points.resize(20);
    b.FitLinks(3);
    b.Links.Set(17, 2, true);
    b.Links.Set(0, 0, true);
    show.Add().Name = "empty";
}

} // namespace

class TestShowFile : public QObject {
    Q_OBJECT
private slots:
    void writesTheSmallExampleByteForByte();
    void readsTheSmallExample();
    void roundTripKeepsEveryField();
    void readsVersion1();
    void readsVersion4();
    void versionAboveSixReadsAsSix();
    void linkBlockOfTwentyByThree();
    void pointNamesArePaddedAndCut();
    void pointLabelsComeBackByteForByte_data();
    void pointLabelsComeBackByteForByte();
    void staleMatrixIsFittedOnWrite();
    void linkBlockWithOtherDimensionsStaysInsideTheMatrix();
    void openingShortOrForeignFilesGivesOneDefaultFrame_data();
    void openingShortOrForeignFilesGivesOneDefaultFrame();
    void damagedFilesFailWithoutTouchingTheOpenShow_data();
    void damagedFilesFailWithoutTouchingTheOpenShow();
    void randomDamageIsSurvived();
    void savingReplacesTheFileOnlyWhenComplete();
    void savingIntoAMissingFolderNamesTheFile();
};

static const char* const SmallExampleHex =
    "52 5A 34 50 06 01 00 41 E8 03 00 00 00 00 00 00 80 80 80 80 00 00 00 00"
    "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 01 00"
    "30 00 00 00 00 0A 14 FF FF 00 00 01 00 00 00";

void TestShowFile::writesTheSmallExampleByteForByte()
{
    TLaserFrames show;
    TLaserFrame& f = show.Add();
    f.Name = "A";
    TSmallPoint p;
    p.Name = "0";
    p.X = 10;
    p.Y = 20;
    f.Points.push_back(p);
    const QByteArray bytes = WriteBytes(show);
    QCOMPARE(bytes.size(), 63);
    QCOMPARE(bytes.toHex(' '), FromHex(SmallExampleHex).toHex(' '));
}

void TestShowFile::readsTheSmallExample()
{
    TLaserFrames show;
    const auto r = ReadBytes(FromHex(SmallExampleHex), show);
    QVERIFY(r.IsShow());
    QCOMPARE(r.version, 6);
    QCOMPARE(show.Count(), 1);
    const TLaserFrame& f = show.Frame(0);
    QCOMPARE(f.Name, QString("A"));
    QCOMPARE(f.PointCount(), 1);
    QCOMPARE(f.Points[0].Name, QString("0"));
    QCOMPARE(f.Points[0].X, quint8(10));
    QCOMPARE(f.Points[0].Y, quint8(20));
    QCOMPARE(f.Points[0].Selection, quint16(0)); // stored as FFFF, never taken back
    QCOMPARE(f.Links.Rows(), 1);
    QCOMPARE(f.Links.Cols(), 0);
}

void TestShowFile::roundTripKeepsEveryField()
{
    TLaserFrames show;
    FillRichShow(show);
    const QByteArray bytes = WriteBytes(show);

    TLaserFrames back;
    QVERIFY(ReadBytes(bytes, back).IsShow());
    QCOMPARE(back.Count(), 3);
    CompareShows(back, show);
    if (QTest::currentTestFailed())
        return;
    // Read shows write back to the same bytes but for the Selection words.
    QByteArray again = WriteBytes(back);
    QCOMPARE(again.size(), bytes.size());
}

void TestShowFile::readsVersion1()
{
    // Version 1: no parameter, centres, frame flags or help lines; 9-byte points.
    TShowBytes b(1);
    b.Text("old").U16(500).U16(40).U16(EffectMorph);
    b.Text({}).I32(1).I32(2).I32(3).I32(4);
    b.U16(2).Raw(QByteArray("ab\0\0\0", 5)).U8(5).U8(6).U16BE(1);
    b.Raw(QByteArray("c\0\0\0\0", 5)).U8(7).U8(8).U16BE(0);
    b.U16(2).U16(0);
    TLaserFrames show;
    const auto r = ReadBytes(b, show);
    QVERIFY(r.IsShow());
    QCOMPARE(r.version, 1);
    QCOMPARE(show.Count(), 1);
    const TLaserFrame& f = show.Frame(0);
    QCOMPARE(f.Name, QString("old"));
    QCOMPARE(f.Delay, quint16(500));
    QCOMPARE(f.EffectTime, quint16(40));
    QCOMPARE(f.Effect, quint16(EffectMorph));
    QCOMPARE(f.EffectParam, qint16(0));
    QCOMPARE(f.EffectCenterX, 128);
    QCOMPARE(f.AuxCenterY, 128);
    QCOMPARE(f.Flags, quint16(0));
    QCOMPARE(f.ImagePart, (TImagePart{1, 2, 3, 4}));
    QVERIFY(f.HelpLines.IsEmpty());
    QCOMPARE(f.PointCount(), 2);
    QCOMPARE(f.Points[0].Name, QString("ab"));
    QCOMPARE(f.Points[1].X, quint8(7));
    QCOMPARE(f.Points[1].Y, quint8(8));
    QCOMPARE(f.Points[0].Flags, quint16(0));
    QCOMPARE(f.Points[0].Selection, quint16(0));
}

void TestShowFile::readsVersion4()
{
    TShowBytes b(4);
    b.Text("v4").U16(1000).U16(0).U16(EffectRotate).U16(quint16(-45));
    b.U16(3); // frame flags (from version 2)
    b.Text({}).Zeros(16);
    b.U16(1).U8(9).U16(0).U16(1).U8(1).U8(2).U8(3).U8(4); // help lines (from version 3)
    b.U16(1).Point("x", 1, 2, 0xABCD, 0x0102);
    b.U16(1).U16(0);
    TLaserFrames show;
    QVERIFY(ReadBytes(b, show).IsShow());
    const TLaserFrame& f = show.Frame(0);
    QCOMPARE(f.EffectParam, qint16(-45));
    QCOMPARE(f.EffectCenterX, 128);
    QCOMPARE(f.EffectCenterY, 128);
    QCOMPARE(f.AuxCenterX, 128);
    QCOMPARE(f.Flags, quint16(3));
    QCOMPARE(f.HelpLines.XLines, std::vector<quint8>{9});
    QCOMPARE(f.HelpLines.Count2P(), 1);
    QCOMPARE(f.HelpLines.Lines2P[1][0], (TIntPoint{3, 4}));
    QCOMPARE(f.Points[0].Flags, quint16(0x0102));
    QCOMPARE(f.Points[0].Selection, quint16(0));
}

void TestShowFile::versionAboveSixReadsAsSix()
{
    QByteArray bytes = FromHex(SmallExampleHex);
    bytes[4] = char(200);
    TLaserFrames show;
    const auto r = ReadBytes(bytes, show);
    QVERIFY(r.IsShow());
    QCOMPARE(r.version, 200);
    QCOMPARE(show.Frame(0).Points[0].X, quint8(10));
}

void TestShowFile::linkBlockOfTwentyByThree()
{
    TLaserFrames show;
    show.Add().Points.resize(3);
    TLaserFrame& f = show.Add();
    f.Points.resize(20);
    f.FitLinks(3);
    f.Links.Set(17, 2, true);
    const QByteArray bytes = WriteBytes(show);

    // The second frame's link block ends the file: r, s, then two words per column.
    const QByteArray block = bytes.right(4 + 6 * 2);
    QCOMPARE(block.toHex(' '), FromHex("14 00 03 00  00 00 00 00  00 00 00 00  00 00 02 00").toHex(' '));

    TLaserFrames back;
    QVERIFY(ReadBytes(bytes, back).IsShow());
    const TLinkMatrix& links = back.Frame(1).Links;
    for (int i = 0; i < 20; ++i)
        for (int j = 0; j < 3; ++j)
            QCOMPARE(links.Get(i, j), i == 17 && j == 2);
    // The first frame never has columns.
    QCOMPARE(bytes.mid(5 + 42 + 3 * 11, 4).toHex(' '), FromHex("03 00 00 00").toHex(' '));
}

void TestShowFile::pointNamesArePaddedAndCut()
{
    TLaserFrames show;
    TLaserFrame& f = show.Add();
    f.Points.resize(3);
    f.Points[0].Name = "7";
    f.Points[1].Name = "12";
    f.Points[1].Name = "9"; // a shorter label leaves nothing of the old one
    f.Points[2].Name = "abcdefg";
    const QByteArray bytes = WriteBytes(show);
    const int first = 5 + 42; // header, frame head with empty name, point count
    QCOMPARE(bytes.mid(first, 5), QByteArray("7\0\0\0\0", 5));
    QCOMPARE(bytes.mid(first + 11, 5), QByteArray("9\0\0\0\0", 5));
    QCOMPARE(bytes.mid(first + 22, 5), QByteArray("abcde"));

    TLaserFrames back;
    QVERIFY(ReadBytes(bytes, back).IsShow());
    QCOMPARE(back.Frame(0).Points[0].Name, QString("7"));
    QCOMPARE(back.Frame(0).Points[2].Name, QString("abcde"));
}

// A label that is a plain number is kept as the number; every label, number or not,
// is written back as the bytes it was read from.
void TestShowFile::pointLabelsComeBackByteForByte_data()
{
    QTest::addColumn<QByteArray>("label");   // the 5 bytes in the file
    QTest::addColumn<bool>("number");
    QTest::newRow("0") << QByteArray("0\0\0\0\0", 5) << true;
    QTest::newRow("12") << QByteArray("12\0\0\0", 5) << true;
    QTest::newRow("65535") << QByteArray("65535") << true;
    QTest::newRow("99999") << QByteArray("99999") << true;
    QTest::newRow("leading zero") << QByteArray("012\0\0", 5) << false;
    QTest::newRow("00") << QByteArray("00\0\0\0", 5) << false;
    QTest::newRow("sign") << QByteArray("+1\0\0\0", 5) << false;
    QTest::newRow("space after") << QByteArray("1 \0\0\0", 5) << false;
    QTest::newRow("text") << QByteArray("abc\0\0", 5) << false;
    QTest::newRow("8-bit") << QByteArray("\xe9\xff\0\0\0", 5) << false;
    QTest::newRow("none") << QByteArray("\0\0\0\0\0", 5) << false;
}

void TestShowFile::pointLabelsComeBackByteForByte()
{
    QFETCH(QByteArray, label);
    QFETCH(bool, number);
    TLaserFrames show;
    TLaserFrame& f = show.Add();
    f.Points.resize(3);
    for (TSmallPoint& p : f.Points)
        p.Selection = 0;   // as read points have it
    f.Points[0].Name = TPointName::Number(0);
    f.Points[1].Name = QString::fromLatin1(label.constData(), qstrnlen(label.constData(), 5));
    f.Points[2].Name = QStringLiteral("x");
    const QByteArray bytes = WriteBytes(show);
    const int second = 5 + 42 + 11;
    QCOMPARE(bytes.mid(second, 5), label);

    TLaserFrames back;
    QVERIFY(ReadBytes(bytes, back).IsShow());
    const TPointName& read = back.Frame(0).Points[1].Name;
    QCOMPARE(read.IsNumber(), number);
    QCOMPARE(read.Text(), f.Points[1].Name.Text());
    QVERIFY(read == f.Points[1].Name);
    QCOMPARE(WriteBytes(back), bytes);
}

void TestShowFile::staleMatrixIsFittedOnWrite()
{
    TLaserFrames show;
    show.Add().Points.resize(2);
    TLaserFrame& f = show.Add();
    f.Points.resize(3);
    f.FitLinks(2);
    f.Links.Set(2, 1, true);
    f.Links.Set(0, 0, true);
    f.Points.pop_back(); // a point deleted in the sketchpad leaves the matrix stale
    QCOMPARE(f.Links.Rows(), 3);

    const QByteArray bytes = WriteBytes(show);
    QCOMPARE(f.Links.Rows(), 2); // fitted in the model too
    QCOMPARE(f.Links.Cols(), 2);
    QVERIFY(f.Links.Get(0, 0));
    QCOMPARE(bytes.right(8).toHex(' '), FromHex("02 00 02 00 01 00 00 00").toHex(' '));
}

void TestShowFile::linkBlockWithOtherDimensionsStaysInsideTheMatrix()
{
    // The second frame has 2 points after a frame of 1, but its block claims 40 x 3.
    TShowBytes b;
    b.DefaultFrameHead("a").U16(1).Point("0", 1, 1, 0, 0).U16(1).U16(0);
    b.DefaultFrameHead("b").U16(2).Point("0", 1, 1, 0, 0).Point("1", 2, 2, 0, 0);
    b.U16(40).U16(3);
    for (int j = 0; j < 3; ++j)
        b.U16(0xFFFF).U16(0xFFFF).U16(0xFFFF);
    TLaserFrames show;
    QVERIFY(ReadBytes(b, show).IsShow());
    const TLinkMatrix& links = show.Frame(1).Links;
    QCOMPARE(links.Rows(), 2);
    QCOMPARE(links.Cols(), 1);
    QVERIFY(links.Get(0, 0));
    QVERIFY(links.Get(1, 0));
}

void TestShowFile::openingShortOrForeignFilesGivesOneDefaultFrame_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("exists");
    QTest::addColumn<qint64>("size");   // the file grown (sparse) to this size; 0 keeps it
    QTest::newRow("missing") << QByteArray() << false << qint64(0);
    QTest::newRow("empty") << QByteArray() << true << qint64(0);
    QTest::newRow("header only") << QByteArray("RZ4P\x06") << true << qint64(0);
    QTest::newRow("wrong magic") << QByteArray("RIFF1234567890") << true << qint64(0);
    // Turned away by its first bytes, not read whole or refused as too large.
    QTest::newRow("huge foreign file") << QByteArray("RIFF1234567890") << true << (qint64(3) << 30);
}

void TestShowFile::openingShortOrForeignFilesGivesOneDefaultFrame()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, exists);
    QFETCH(qint64, size);
    QTemporaryDir dir;
    const QString path = dir.filePath("x.RZ4");
    if (exists)
        QVERIFY(WriteFile(path, bytes));
    if (size > 0) {
        QFile file(path);
        if (!file.resize(size))
            QSKIP("no room for a sparse file here");
    }
    auto target = std::make_unique<TLaserFrames>();
    target->Add().Name = "old";
    const TShowFileResult r = OpenShowFile(path, target);
    QVERIFY(r.outcome.ok);
    QCOMPARE(target->Count(), 1);
    QVERIFY(target->Frame(0).Name.isEmpty());
    QCOMPARE(target->Frame(0).Delay, quint16(1000));
    QCOMPARE(target->FileName, exists ? path : QString());
}

void TestShowFile::damagedFilesFailWithoutTouchingTheOpenShow_data()
{
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray good = FromHex(SmallExampleHex);
    QTest::newRow("one stray byte") << QByteArray("RZ4P\x06\x01");
    QTest::newRow("cut in the name") << good.left(7);
    QTest::newRow("cut in the image part") << good.left(30);
    QTest::newRow("cut in a point") << good.left(55);
    QTest::newRow("cut before the link columns") << good.left(61);
    QTest::newRow("name longer than the file") << QByteArray("RZ4P\x06\xff\xff" "abc");
    QTest::newRow("point count beyond the file")
        << (TShowBytes().DefaultFrameHead("a").U16(60000).Point("0", 1, 1, 0, 0).Data());
    QTest::newRow("link block beyond the file")
        << (TShowBytes().DefaultFrameHead("a").U16(1).Point("0", 1, 1, 0, 0).U16(65535).U16(65535).U16(1).Data());
    QTest::newRow("second frame cut") << good + good.mid(5, 20);
}

void TestShowFile::damagedFilesFailWithoutTouchingTheOpenShow()
{
    QFETCH(QByteArray, bytes);
    QTemporaryDir dir;
    const QString path = dir.filePath("damaged.RZ4");
    QVERIFY(WriteFile(path, bytes));
    auto target = std::make_unique<TLaserFrames>();
    target->Add().Name = "open show";
    target->FileName = "open.RZ4";
    TLaserFrames* before = target.get();

    const TShowFileResult r = OpenShowFile(path, target);
    QVERIFY(!r.outcome.ok);
    QVERIFY2(r.outcome.message.contains("damaged.RZ4"), qPrintable(r.outcome.message));
    QVERIFY2(r.outcome.message.contains("ends inside frame"), qPrintable(r.outcome.message));
    QCOMPARE(target.get(), before);
    QCOMPARE(target->Count(), 1);
    QCOMPARE(target->Frame(0).Name, QString("open show"));
    QCOMPARE(target->FileName, QString("open.RZ4"));
}

void TestShowFile::randomDamageIsSurvived()
{
    TLaserFrames rich;
    FillRichShow(rich);
    const QByteArray good = WriteBytes(rich);
    QRandomGenerator rng(20261210);
    for (int round = 0; round < 3000; ++round) {
        QByteArray bytes = good;
        const int edits = 1 + rng.bounded(6);
        for (int e = 0; e < edits; ++e) {
            switch (rng.bounded(3)) {
            case 0: bytes[rng.bounded(bytes.size())] = char(rng.bounded(256)); break;
            case 1: bytes.truncate(5 + rng.bounded(bytes.size() - 5)); break;
            default: bytes.insert(rng.bounded(bytes.size()), char(rng.bounded(256))); break;
            }
            if (bytes.size() <= 5)
                break;
        }
        TLaserFrames show;
        const auto r = ReadBytes(bytes, show);
        if (r.IsShow()) { // whatever was read must write back without trouble
            QBuffer out;
            out.open(QIODevice::WriteOnly);
            QVERIFY(TShowFileWriter::Write(out, show).ok);
        }
    }
}

void TestShowFile::savingReplacesTheFileOnlyWhenComplete()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("show.RZ4");
    TLaserFrames show;
    FillRichShow(show);
    QVERIFY(WriteShowFile(path, show).ok);
    const QByteArray saved = ReadFile(path);
    QCOMPARE(saved, WriteBytes(show));

    // A show the format cannot hold is refused, and the previous file stays.
    show.Frame(0).Points.resize(70000);
    const TResult r = WriteShowFile(path, show);
    QVERIFY(!r.ok);
    QVERIFY2(r.message.contains("show.RZ4") && r.message.contains("65535"), qPrintable(r.message));
    QCOMPARE(ReadFile(path), saved);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"show.RZ4"});
}

void TestShowFile::savingIntoAMissingFolderNamesTheFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("gone/show.RZ4");
    TLaserFrames show;
    show.Add();
    const TResult r = WriteShowFile(path, show);
    QVERIFY(!r.ok);
    QVERIFY2(r.message.contains("show.RZ4"), qPrintable(r.message));
}

QTEST_GUILESS_MAIN(TestShowFile)
#include "tst_showfile.moc"
