#include "ShowFileWriter.h"

#include "ShowFileLimits.h"

namespace {

class TOut {
public:
    explicit TOut(QByteArray& data) : FData(data) {}
    void U8(quint8 v) { FData.append(char(v)); }
    void U16(quint16 v) // little-endian
    {
        FData.append(char(v & 0xFF));
        FData.append(char(v >> 8));
    }
    void U16BE(quint16 v)
    {
        FData.append(char(v >> 8));
        FData.append(char(v & 0xFF));
    }
    void I32(qint32 v)
    {
        const quint32 u = quint32(v);
        for (int shift = 0; shift < 32; shift += 8)
            FData.append(char((u >> shift) & 0xFF));
    }
    // Texts longer than a 16-bit length can say are cut.
    static qsizetype TextSize(const QString& s) { return qMin<qsizetype>(s.size(), 0xFFFF); }
    void Text(const QString& s)
    {
        const QByteArray bytes = s.left(TextSize(s)).toLatin1();
        U16(quint16(bytes.size()));
        FData.append(bytes);
    }
    void Bytes(const std::vector<quint8>& v)
    {
        U16(quint16(v.size()));
        FData.append(reinterpret_cast<const char*>(v.data()), qsizetype(v.size()));
    }

private:
    QByteArray& FData;
};

void WritePoint(QByteArray& data, const TSmallPoint& point)
{
    char record[11] = {};
    // The label's first 5 characters as 8-bit bytes, padded with zero bytes.
    const QString& name = point.Name;
    for (int i = 0; i < 5 && i < name.size(); ++i) {
        const char16_t c = name[i].unicode();
        record[i] = c < 256 ? char(c) : '?';
    }
    record[5] = char(point.X);
    record[6] = char(point.Y);
    record[7] = char(point.Selection >> 8);
    record[8] = char(point.Selection & 0xFF);
    record[9] = char(point.Flags >> 8);
    record[10] = char(point.Flags & 0xFF);
    data.append(record, sizeof record);
}

void WriteLinks(QByteArray& data, const TLinkMatrix& links)
{
    TOut out(data);
    const int r = links.Rows();
    const int s = links.Cols();
    out.U16(quint16(r));
    out.U16(quint16(s));
    if (r == 0 || s == 0)
        return;
    const int wordsPerColumn = (r + 15) / 16;
    const qsizetype start = data.size();
    data.resize(start + qsizetype(2) * s * wordsPerColumn, '\0');
    char* p = data.data() + start;
    for (int j = 0; j < s; ++j, p += 2 * wordsPerColumn) {
        for (int w = 0; w < wordsPerColumn; ++w) {
            const quint16 word = quint16(links.Word(j, w / 4) >> (16 * (w % 4)));
            p[2 * w] = char(word & 0xFF);
            p[2 * w + 1] = char(word >> 8);
        }
    }
}

void WriteFrame(QByteArray& data, TLaserFrame& frame, int previousPointCount)
{
    TOut out(data);
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
    for (const TSmallPoint& point : frame.Points)
        WritePoint(data, point);
    frame.FitLinks(previousPointCount);
    WriteLinks(data, frame.Links);
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
        size += 2 + TOut::TextSize(f.Name) + 8 + 4 + 2 + 2 + TOut::TextSize(f.ImageFile) + 16
            + 2 + qint64(lines.XLines.size()) + 2 + qint64(lines.YLines.size()) + 2 + 4 * qint64(lines.Count2P())
            + 2 + 11 * qint64(f.PointCount()) + LinkBlockSize(f.PointCount(), show.PreviousPointCount(k));
    }
    return size;
}

TResult TShowFileWriter::Encode(TLaserFrames& show, QByteArray& data)
{
    if (QString problem = CheckLimits(show); !problem.isEmpty())
        return TResult::Failure(problem);
    const qint64 size = FileSize(show);
    if (size > MaxShowFileSize)
        return TResult::Failure(QStringLiteral("the show would take %1 bytes, more than a show file may hold (%2 bytes)")
                                    .arg(size).arg(MaxShowFileSize));
    data.clear();
    data.reserve(qsizetype(size));
    data.append("RZ4P");
    data.append(char(Version));
    for (int k = 0; k < show.Count(); ++k)
        WriteFrame(data, show.Frame(k), show.PreviousPointCount(k));
    Q_ASSERT(data.size() == size);
    return {};
}

TResult TShowFileWriter::Write(QIODevice& device, TLaserFrames& show)
{
    QByteArray data;
    if (TResult encoded = Encode(show, data); !encoded.ok)
        return encoded;
    if (device.write(data) != data.size())
        return TResult::Failure(device.errorString().isEmpty() ? QStringLiteral("the data could not be written")
                                                               : device.errorString());
    return {};
}
