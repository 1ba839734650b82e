#include "ShowFileWriter.h"

#include "ShowFileLimits.h"

#include <QtEndian>

#include <cstring>
#include <memory>

namespace {

// Thrown inside Write() only, when the sink refuses a block.
struct TShowSinkStopped {};

// The file a block at a time: bytes are encoded into the buffer, which goes to the
// sink whenever the next piece would not fit.
class TShowBlockOut {
public:
    TShowBlockOut(qint64 fileSize, const TShowFileWriter::TSink& sink)
        : FSize(qMax<qint64>(1, qMin(fileSize, TShowFileWriter::BlockSize))), FBuffer(new char[size_t(FSize)]),
          FSink(sink) {}

    // Room for `bytes` more (never more than a block), written by the caller and
    // then counted by Advance.
    char* Room(qint64 bytes)
    {
        Q_ASSERT(bytes <= FSize);
        if (FPos + bytes > FSize)
            Flush();
        return FBuffer.get() + FPos;
    }
    void Advance(qint64 bytes) { FPos += bytes; }

    void U8(quint8 v)
    {
        *Room(1) = char(v);
        Advance(1);
    }
    void U16(quint16 v) // little-endian
    {
        qToLittleEndian(v, Room(2));
        Advance(2);
    }
    void I32(qint32 v)
    {
        qToLittleEndian(v, Room(4));
        Advance(4);
    }
    void Raw(const char* data, qint64 size)
    {
        std::memcpy(Room(size), data, size_t(size));
        Advance(size);
    }
    // Texts longer than a 16-bit length can say are cut.
    static qsizetype TextSize(const QString& s) { return qMin<qsizetype>(s.size(), 0xFFFF); }
    void Text(const QString& s)
    {
        const QByteArray bytes = s.left(TextSize(s)).toLatin1();
        U16(quint16(bytes.size()));
        Raw(bytes.constData(), bytes.size());
    }
    void Bytes(const std::vector<quint8>& v)
    {
        U16(quint16(v.size()));
        Raw(reinterpret_cast<const char*>(v.data()), qint64(v.size()));
    }

    void Flush()
    {
        if (FPos > 0 && !FSink(FBuffer.get(), FPos))
            throw TShowSinkStopped();
        FWritten += FPos;
        FPos = 0;
    }
    qint64 Written() const { return FWritten + FPos; }

private:
    qint64 FSize;
    std::unique_ptr<char[]> FBuffer; // not cleared: every byte handed on is written first
    qint64 FPos = 0;
    qint64 FWritten = 0;
    const TShowFileWriter::TSink& FSink;
};

constexpr int PointRecordSize = 11;

void WritePoint(char* record, const TSmallPoint& point)
{
    // The label's first 5 characters as 8-bit bytes, padded with zero bytes.
    const QString& name = point.Name;
    const int n = int(qMin<qsizetype>(name.size(), 5));
    for (int i = 0; i < n; ++i) {
        const char16_t c = name[i].unicode();
        record[i] = c < 256 ? char(c) : '?';
    }
    for (int i = n; i < 5; ++i)
        record[i] = 0;
    record[5] = char(point.X);
    record[6] = char(point.Y);
    qToBigEndian(point.Selection, record + 7);
    qToBigEndian(point.Flags, record + 9);
}

void WriteLinks(TShowBlockOut& out, const TLinkMatrix& links)
{
    const int r = links.Rows();
    const int s = links.Cols();
    out.U16(quint16(r));
    out.U16(quint16(s));
    if (r == 0 || s == 0)
        return;
    // Four 16-bit little-endian words of the file are one 64-bit word of the matrix,
    // stored little-endian; words past the stored ones are zero.
    const int columnBytes = 2 * ((r + 15) / 16);
    for (int j = 0; j < s; ++j) {
        char* p = out.Room(columnBytes);
        const int stored = qMin(links.ColumnWords(j), (columnBytes + 7) / 8);
        int done = 0;
        for (int w = 0; w < stored; ++w) {
            const quint64 word = qToLittleEndian(links.Word(j, w));
            const int bytes = qMin(8, columnBytes - done);
            std::memcpy(p + done, &word, size_t(bytes));
            done += bytes;
        }
        std::memset(p + done, 0, size_t(columnBytes - done));
        out.Advance(columnBytes);
    }
}

void WriteFrame(TShowBlockOut& out, TLaserFrame& frame, int previousPointCount)
{
    out.Text(frame.Name);
    out.U16(frame.Delay);
    out.U16(frame.EffectTime);
    out.U16(frame.Effect);
    out.U16(quint16(frame.EffectParam));
    // Centres are held in 32 bits and stored as their low byte.
    out.U8(quint8(frame.EffectCenterX));
    out.U8(quint8(frame.EffectCenterY));
    out.U8(quint8(frame.AuxCenterX));
    out.U8(quint8(frame.AuxCenterY));
    out.U16(frame.Flags);
    out.Text(frame.ImageFile);
    out.I32(frame.ImagePart.X1);
    out.I32(frame.ImagePart.Y1);
    out.I32(frame.ImagePart.X2);
    out.I32(frame.ImagePart.Y2);
    const THelpLines& lines = frame.HelpLines;
    out.Bytes(lines.XLines);
    out.Bytes(lines.YLines);
    out.U16(quint16(lines.Count2P()));
    for (int i = 0; i < lines.Count2P(); ++i) {
        out.U8(quint8(lines.Lines2P[0][i].X));
        out.U8(quint8(lines.Lines2P[0][i].Y));
        out.U8(quint8(lines.Lines2P[1][i].X));
        out.U8(quint8(lines.Lines2P[1][i].Y));
    }
    out.U16(quint16(frame.PointCount()));
    for (const TSmallPoint& point : frame.Points) {
        WritePoint(out.Room(PointRecordSize), point);
        out.Advance(PointRecordSize);
    }
    frame.FitLinks(previousPointCount);
    WriteLinks(out, frame.Links);
}

// The format counts everything in 16 bits; refuse rather than write a file that
// reads back as something else.
QString CheckLimits(const TLaserFrames& show)
{
    for (int k = 0; k < show.Count(); ++k) {
        const TLaserFrame& frame = show.Frame(k);
        if (frame.PointCount() > 0xFFFF)
            return QStringLiteral("frame %1 has %2 points; a show file holds at most 65535 per frame")
                .arg(k).arg(frame.PointCount());
        const THelpLines& lines = frame.HelpLines;
        if (lines.XLines.size() > 0xFFFF || lines.YLines.size() > 0xFFFF || lines.Count2P() > 0xFFFF)
            return QStringLiteral("frame %1 has more than 65535 help lines of one kind").arg(k);
    }
    return {};
}

// Bytes of the link block of a frame of `rows` points after one of `cols` points.
qint64 LinkBlockSize(qint64 rows, qint64 cols)
{
    return 4 + (rows > 0 && cols > 0 ? 2 * cols * ((rows + 15) / 16) : 0);
}

} // namespace

qint64 TShowFileWriter::FileSize(const TLaserFrames& show)
{
    qint64 size = 5;
    for (int k = 0; k < show.Count(); ++k) {
        const TLaserFrame& f = show.Frame(k);
        const THelpLines& lines = f.HelpLines;
        // Name, four 16-bit fields, four centre bytes, flags, image name, image part,
        // help lines, point count, points, links.
        size += 2 + TShowBlockOut::TextSize(f.Name) + 8 + 4 + 2 + 2 + TShowBlockOut::TextSize(f.ImageFile) + 16
            + 2 + qint64(lines.XLines.size()) + 2 + qint64(lines.YLines.size()) + 2 + 4 * qint64(lines.Count2P())
            + 2 + PointRecordSize * qint64(f.PointCount()) + LinkBlockSize(f.PointCount(), show.PreviousPointCount(k));
    }
    return size;
}

QString TShowFileWriter::Problem(const TLaserFrames& show)
{
    if (QString problem = CheckLimits(show); !problem.isEmpty())
        return problem;
    if (const qint64 size = FileSize(show); size > MaxShowFileSize)
        return QStringLiteral("the show would take %1 bytes, more than a show file may hold (%2 bytes)")
            .arg(size).arg(MaxShowFileSize);
    return {};
}

TResult TShowFileWriter::Write(const TSink& sink, TLaserFrames& show)
{
    if (QString problem = Problem(show); !problem.isEmpty())
        return TResult::Failure(problem);
    const qint64 size = FileSize(show);
    TShowBlockOut out(size, sink);
    try {
        out.Raw("RZ4P", 4);
        out.U8(Version);
        for (int k = 0; k < show.Count(); ++k)
            WriteFrame(out, show.Frame(k), show.PreviousPointCount(k));
        out.Flush();
    } catch (const TShowSinkStopped&) {
        return TResult::Failure(QString());
    }
    Q_ASSERT(out.Written() == size);
    return {};
}

TResult TShowFileWriter::Write(QIODevice& device, TLaserFrames& show)
{
    const TResult written = Write([&](const char* data, qint64 size) { return device.write(data, size) == size; }, show);
    if (written.ok || !written.message.isEmpty())
        return written;
    return TResult::Failure(device.errorString().isEmpty() ? QStringLiteral("the data could not be written")
                                                           : device.errorString());
}
