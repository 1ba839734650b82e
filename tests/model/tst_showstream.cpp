// Show files larger than the reader's and the writer's blocks: every piece of a frame
// may straddle the end of a block, a file may be cut or fail anywhere, and a stream
// (no size to check counts against) reads as a file does.
#include "Builders.h"
#include "ShowCompare.h"
#include "ShowFile.h"
#include "ShowFileReader.h"
#include "ShowFileWriter.h"

#include <QBuffer>
#include <QTemporaryDir>
#include <QtTest>

namespace {

constexpr qint64 StreamBlock = TShowFileWriter::BlockSize;

// Eleven frames of 1999 to 2009 points (about 5.5 MB): point records, link columns
// and texts at every offset from the blocks' ends. Latin-1 names, help lines, links
// spread over whole columns.
void FillStreamShow(TLaserFrames& show)
{
    for (int k = 0; k < 11; ++k) {
        TLaserFrame& f = show.Add();
        f.Name = QString::fromLatin1("Fr\xe4me \xff%1").arg(k).repeated(k * 37 + 1);
        f.Delay = quint16(100 + k);
        f.Effect = quint16(k % EffectCount);
        f.EffectParam = qint16(-k * 1000);
        f.EffectCenterX = k * 20;
        f.AuxCenterY = 255 - k;
        f.Flags = quint16(k % 4);
        f.ImageFile = QString::fromLatin1("/nowhere/\xfc%1.bmp").arg(k);
        f.ImagePart = {k, -k, 70000 * k, -3};
        f.HelpLines.XLines.assign(size_t(k * 101), quint8(k));
        f.HelpLines.YLines = {quint8(k), 9};
        for (int i = 0; i < k * 53; ++i)
            f.HelpLines.Add2P({i % 256, k}, {k, 255 - i % 256});
        const int points = 1999 + k;
        for (int i = 0; i < points; ++i) {
            TSmallPoint p = PointAt(i * 7 + k, i * 13, quint16(i % 4));
            p.Name = i % 5 == 0 ? QString::number(i) : i % 5 == 1 ? QString::fromLatin1("\xe9t\xe9%1").arg(i % 10) : QString();
            f.Points.push_back(p);
        }
        const int previous = show.PreviousPointCount(k);
        f.FitLinks(previous);
        for (int j = 0; j < previous; ++j) {
            f.Links.Set((j * 31 + k) % points, j, true);
            if (j % 3 == 0)
                f.Links.Set(points - 1 - j % 16, j, true);
        }
    }
}

QByteArray StreamBytes(TLaserFrames& show)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    const TResult written = TShowFileWriter::Write(buffer, show);
    if (!written.ok)
        qWarning() << written.message;
    return buffer.data();
}

// A device that hands out bytes in order and tells no size, as a pipe does.
class TStreamDevice : public QIODevice {
public:
    explicit TStreamDevice(const QByteArray& data) : FData(data) { open(QIODevice::ReadOnly); }
    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override { return FData.size() - FPos + QIODevice::bytesAvailable(); }

protected:
    qint64 readData(char* data, qint64 maxSize) override
    {
        // Never more than 64 kB at once, like a pipe.
        const qint64 n = std::min({maxSize, qint64(FData.size()) - FPos, qint64(65536)});
        std::memcpy(data, FData.constData() + FPos, size_t(n));
        FPos += n;
        return n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QByteArray FData;
    qint64 FPos = 0;
};

// A file that claims `size` bytes but holds only `data`, then ends (it became shorter
// while it was read) or fails with an error.
class TFailingDevice : public QIODevice {
public:
    TFailingDevice(const QByteArray& data, qint64 size, bool fails) : FData(data), FSize(size), FFails(fails)
    {
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }
    qint64 size() const override { return FSize; }

protected:
    qint64 readData(char* data, qint64 maxSize) override
    {
        const qint64 n = qMin(maxSize, FData.size() - pos());
        if (n <= 0 && FFails) {
            setErrorString(QStringLiteral("Input/output error"));
            return -1;
        }
        std::memcpy(data, FData.constData() + pos(), size_t(qMax<qint64>(n, 0)));
        return qMax<qint64>(n, 0);
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QByteArray FData;
    qint64 FSize;
    bool FFails;
};

} // namespace

class TestShowStream : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void largeShowGoesOutInBlocksOfTheExactSize();
    void largeShowReadsBack_data();
    void largeShowReadsBack();
    void cutAnywhereEndsInsideAFrame_data();
    void cutAnywhereEndsInsideAFrame();
    void fileThatShrinksOrFailsWhileRead_data();
    void fileThatShrinksOrFailsWhileRead();
    void refusingSinkStopsTheWrite();

private:
    TLaserFrames FShow;
    QByteArray FBytes;
};

void TestShowStream::initTestCase()
{
    FillStreamShow(FShow);
    FBytes = StreamBytes(FShow);
    QVERIFY(FBytes.size() > 5 * StreamBlock);
}

void TestShowStream::largeShowGoesOutInBlocksOfTheExactSize()
{
    QList<qint64> sizes;
    QByteArray joined;
    const TResult written = TShowFileWriter::Write(
        [&](const char* data, qint64 size) {
            sizes << size;
            joined.append(data, size);
            return true;
        },
        FShow);
    QVERIFY2(written.ok, qPrintable(written.message));
    QCOMPARE(joined, FBytes);
    QCOMPARE(joined.size(), TShowFileWriter::FileSize(FShow));
    QVERIFY(sizes.size() > 5);
    for (const qint64 size : sizes)
        QVERIFY(size > 0 && size <= StreamBlock);
}

void TestShowStream::largeShowReadsBack_data()
{
    QTest::addColumn<QString>("through");
    QTest::newRow("buffer") << "buffer";
    QTest::newRow("file") << "file";
    QTest::newRow("stream") << "stream";
}

void TestShowStream::largeShowReadsBack()
{
    QFETCH(QString, through);
    TLaserFrames back;
    if (through == "file") {
        QTemporaryDir dir;
        const QString path = dir.filePath("large.RZ4");
        QVERIFY(WriteShowFile(path, FShow).ok);
        QCOMPARE(ReadFile(path), FBytes);
        const TShowFileResult r = ReadShowFile(back, path, TShowReadOptions{false});
        QVERIFY2(r.outcome.ok && !r.notAShow, qPrintable(r.outcome.message));
    } else {
        QBuffer buffer;
        buffer.setData(FBytes);
        buffer.open(QIODevice::ReadOnly);
        TStreamDevice stream(FBytes);
        QIODevice& device = through == "buffer" ? static_cast<QIODevice&>(buffer) : stream;
        const TShowFileReader::Result r = TShowFileReader::Read(device, back);
        QVERIFY2(r.IsShow(), qPrintable(r.outcome.message));
    }
    CompareShows(back, FShow);
}

void TestShowStream::cutAnywhereEndsInsideAFrame_data()
{
    QTest::addColumn<qint64>("length");
    QTest::newRow("a byte short of a block") << StreamBlock - 1;
    QTest::newRow("at a block") << StreamBlock;
    QTest::newRow("a byte past a block") << StreamBlock + 1;
    QTest::newRow("inside the third block") << 2 * StreamBlock + 12345;
    QTest::newRow("a byte short of the end") << qint64(-1);
}

void TestShowStream::cutAnywhereEndsInsideAFrame()
{
    QFETCH(qint64, length);
    const QByteArray cut = FBytes.left(length < 0 ? FBytes.size() + length : length);
    for (const bool stream : {false, true}) {
        QBuffer buffer;
        buffer.setData(cut);
        buffer.open(QIODevice::ReadOnly);
        TStreamDevice streamed(cut);
        TLaserFrames back;
        const TShowFileReader::Result r =
            TShowFileReader::Read(stream ? static_cast<QIODevice&>(streamed) : buffer, back);
        QVERIFY(!r.outcome.ok);
        QVERIFY2(r.outcome.message.startsWith("the file ends inside frame "), qPrintable(r.outcome.message));
    }
}

void TestShowStream::fileThatShrinksOrFailsWhileRead_data()
{
    QTest::addColumn<bool>("fails");
    QTest::addColumn<QString>("message");
    QTest::newRow("shorter than it said") << false << "the file ends inside frame";
    QTest::newRow("read error") << true << "Input/output error";
}

void TestShowStream::fileThatShrinksOrFailsWhileRead()
{
    QFETCH(bool, fails);
    QFETCH(QString, message);
    TFailingDevice device(FBytes.left(3 * StreamBlock / 2), FBytes.size(), fails);
    TLaserFrames back;
    const TShowFileReader::Result r = TShowFileReader::Read(device, back);
    QVERIFY(!r.outcome.ok);
    QVERIFY2(r.outcome.message.startsWith(message), qPrintable(r.outcome.message));
}

void TestShowStream::refusingSinkStopsTheWrite()
{
    int blocks = 0;
    const TResult written = TShowFileWriter::Write([&](const char*, qint64) { return ++blocks < 2; }, FShow);
    QVERIFY(!written.ok);
    QCOMPARE(blocks, 2); // nothing more once the sink said no
}

QTEST_GUILESS_MAIN(TestShowStream)
#include "tst_showstream.moc"
