#include "ShowFileReader.h"

#include "BackgroundImage.h"

#include <QHash>
#include <QtEndian>

#include <cstring>

#include <unordered_map>

namespace {

// Thrown inside Read() only, when a record runs past the end of the data.
struct TTruncated {
    const char* what;
};

// Thrown inside Read() only, when the device fails to deliver bytes it holds.
struct TShowReadError {
    QString reason;
};

// A bounds-checked cursor over the file, read a block at a time: a show of hundreds
// of megabytes needs no copy of itself in memory. Every count read from the file is
// checked against the bytes left in the whole file before anything is allocated.
class TShowSource {
public:
    // The largest piece taken at once: the point records of a frame.
    static constexpr qint64 LargestTake = qint64(0xFFFF) * 11;
    // A block stays in the processor's cache between the read and the parse; a
    // larger one would only cost fresh pages (bench_showfile).
    static constexpr qint64 BlockSize = TShowFileReader::BlockSize;
    static_assert(BlockSize >= LargestTake);

    // `size` bytes are to be read from `device`; a smaller file needs a smaller buffer.
    TShowSource(QIODevice& device, qint64 size)
        : FDevice(&device), FBuffer(qMin(size, BlockSize), Qt::Uninitialized), FLeft(size) {}
    // Bytes already in memory (a stream read whole).
    explicit TShowSource(const QByteArray& data) : FBuffer(data), FEnd(data.size()), FLeft(data.size()) {}

    qint64 Left() const { return FLeft; }
    void Need(qint64 bytes, const char* what) const
    {
        if (bytes > FLeft)
            throw TTruncated{what};
    }
    // The next `bytes` bytes (at most LargestTake), valid until the next call.
    const uchar* Take(qint64 bytes, const char* what)
    {
        Need(bytes, what);
        if (FEnd - FPos < bytes)
            Fill(bytes, what);
        const uchar* p = Data() + FPos;
        FPos += bytes;
        FLeft -= bytes;
        return p;
    }
    quint8 U8(const char* what) { return *Take(1, what); }
    quint16 U16(const char* what) // little-endian
    {
        const uchar* p = Take(2, what);
        return quint16(p[0] | (p[1] << 8));
    }
    qint32 I32(const char* what) // little-endian, signed
    {
        const uchar* p = Take(4, what);
        return qint32(quint32(p[0]) | (quint32(p[1]) << 8) | (quint32(p[2]) << 16) | (quint32(p[3]) << 24));
    }
    // 16-bit length, then that many 8-bit characters; Latin-1 keeps every byte.
    QString Text(const char* what)
    {
        const quint16 n = U16(what);
        return QString::fromLatin1(reinterpret_cast<const char*>(Take(n, what)), n);
    }

private:
    const uchar* Data() const { return reinterpret_cast<const uchar*>(FBuffer.constData()); }

    // Moves what is left of the block to its start and reads on behind it.
    void Fill(qint64 bytes, const char* what)
    {
        char* buffer = FBuffer.data();
        const qint64 kept = FEnd - FPos;
        std::memmove(buffer, buffer + FPos, size_t(kept));
        FPos = 0;
        FEnd = kept;
        const qint64 wanted = qMin<qint64>(FBuffer.size(), FLeft);
        while (FEnd < wanted) {
            const qint64 n = FDevice ? FDevice->read(buffer + FEnd, wanted - FEnd) : 0;
            if (n < 0) {
                const QString reason = FDevice->errorString();
                throw TShowReadError{reason.isEmpty() ? QStringLiteral("the file could not be read") : reason};
            }
            if (n == 0)
                break;
            FEnd += n;
        }
        if (FEnd < bytes) // the file became shorter while it was read
            throw TTruncated{what};
    }

    QIODevice* FDevice = nullptr;
    QByteArray FBuffer;
    qint64 FPos = 0;  // the next byte of the block
    qint64 FEnd = 0;  // the end of what the block holds
    qint64 FLeft;     // bytes of the file not taken yet, in the block or not
};

void ReadHelpLines(TShowSource& in, THelpLines& lines)
{
    for (auto* list : {&lines.XLines, &lines.YLines}) {
        const quint16 c = in.U16("help lines");
        const uchar* p = in.Take(c, "help lines");
        list->assign(p, p + c);
    }
    const quint16 c = in.U16("two-point help lines");
    const uchar* p = in.Take(qint64(c) * 4, "two-point help lines");
    for (int i = 0; i < c; ++i, p += 4)
        lines.Add2P({p[0], p[1]}, {p[2], p[3]});
}

// Point labels are nearly always short numbers repeated in every frame; sharing
// one QString per distinct label saves an allocation per point. Mostly a point has
// the label its place had in the frame before, which is looked at first.
class TNameCache {
public:
    QString Get(const uchar* bytes, int index)
    {
        const int n = int(qstrnlen(reinterpret_cast<const char*>(bytes), 5));
        quint64 key = n;
        for (int i = 0; i < n; ++i)
            key |= quint64(bytes[i]) << (8 * (i + 1));
        if (size_t(index) >= FByIndex.size())
            FByIndex.resize(size_t(index) + 1);
        TEntry& last = FByIndex[size_t(index)];
        if (last.key != key) {
            auto it = FNames.find(key);
            if (it == FNames.end())
                it = FNames.emplace(key, QString::fromLatin1(reinterpret_cast<const char*>(bytes), n)).first;
            last = {key, it->second};
        }
        return last.name;
    }

private:
    struct TEntry {
        quint64 key = ~quint64(0); // no label's key: 48 bits at most
        QString name;
    };
    std::unordered_map<quint64, QString> FNames;
    std::vector<TEntry> FByIndex;
};

void ReadPoints(TShowSource& in, TLaserFrame& frame, int version, TNameCache& names)
{
    const quint16 count = in.U16("point count");
    const int recordSize = version >= 2 ? 11 : 9;
    const uchar* p = in.Take(qint64(count) * recordSize, "point records");
    frame.Points.resize(count);
    for (int i = 0; i < count; ++i, p += recordSize) {
        TSmallPoint& point = frame.Points[size_t(i)];
        point.Name = names.Get(p, i);
        point.X = p[5];
        point.Y = p[6];
        point.Selection = 0; // stored, but never taken back
        point.Flags = version >= 2 ? quint16(p[9] * 256 + p[10]) : 0;
    }
}

void ReadLinks(TShowSource& in, TLaserFrame& frame, int previousPointCount)
{
    frame.Links = TLinkMatrix(frame.PointCount(), previousPointCount);
    const quint16 r = in.U16("link rows");
    const quint16 s = in.U16("link columns");
    if (r == 0 || s == 0)
        return;
    const int columnBytes = 2 * ((r + 15) / 16);
    in.Need(qint64(columnBytes) * s, "link bits");
    const int full = columnBytes / 8;      // whole 64-bit words of a column
    const int rest = columnBytes % 8;      // and the bytes of a last, partial one
    std::vector<quint64> column(size_t(full + (rest ? 1 : 0)));
    const int cols = frame.Links.Cols();
    for (int j = 0; j < s; ++j) {
        const uchar* p = in.Take(columnBytes, "link bits");
        if (j >= cols)
            continue; // bits of columns outside the matrix are dropped
        quint64 any = 0;
        for (int w = 0; w < full; ++w)
            any |= column[size_t(w)] = qFromLittleEndian<quint64>(p + 8 * w);
        if (rest) {
            quint64 last = 0;
            for (int b = 0; b < rest; ++b)
                last |= quint64(p[8 * full + b]) << (8 * b);
            any |= column[size_t(full)] = last;
        }
        if (any) // bits of rows outside the matrix are dropped
            frame.Links.SetColumnBits(j, column.data(), int(column.size()), r);
    }
}

// Pictures by file name: frames that name the same file share one decoded image.
class TImageCache {
public:
    QImage Get(const QString& fileName)
    {
        auto it = FImages.find(fileName);
        if (it == FImages.end())
            it = FImages.insert(fileName, LoadBackgroundImage(fileName)); // a failure is not retried
        return *it;
    }

private:
    QHash<QString, QImage> FImages;
};

struct TReadContext {
    int version;
    TNameCache names;
    TImageCache* images; // null: pictures are not loaded
};

void ReadFrame(TShowSource& in, TLaserFrame& frame, int previousPointCount, TReadContext& context)
{
    const int version = context.version;
    frame.Name = in.Text("frame name");
    frame.Delay = in.U16("delay");
    frame.EffectTime = in.U16("effect time");
    frame.Effect = in.U16("effect");
    if (version >= 4)
        frame.EffectParam = qint16(in.U16("effect parameter"));
    if (version >= 5) {
        frame.EffectCenterX = in.U8("effect centre");
        frame.EffectCenterY = in.U8("effect centre");
    }
    if (version >= 6) {
        frame.AuxCenterX = in.U8("auxiliary centre");
        frame.AuxCenterY = in.U8("auxiliary centre");
    }
    if (version >= 2)
        frame.Flags = in.U16("frame flags");
    frame.ImageFile = in.Text("image file name");
    if (context.images && !frame.ImageFile.isEmpty())
        frame.Image = context.images->Get(frame.ImageFile); // an unreadable image is skipped silently
    frame.ImagePart.X1 = in.I32("image part");
    frame.ImagePart.Y1 = in.I32("image part");
    frame.ImagePart.X2 = in.I32("image part");
    frame.ImagePart.Y2 = in.I32("image part");
    if (version >= 3)
        ReadHelpLines(in, frame.HelpLines);
    ReadPoints(in, frame, version, context.names);
    ReadLinks(in, frame, previousPointCount);
}

} // namespace

TShowFileReader::Result TShowFileReader::Read(QIODevice& device, TLaserFrames& show, const Options& options)
{
    Result result;
    QByteArray head;
    qint64 size = 0;
    QByteArray whole;
    if (!device.isSequential()) {
        // Anything else is turned away without reading it (an import dialog may point
        // at a film of gigabytes); a show is read a block at a time.
        size = device.size() - device.pos();
        head = device.peek(5);
        if (head.size() == 5 && !head.startsWith("RZ4P")) {
            result.notAShow = true;
            return result;
        }
        if (size > MaxFileSize) {
            result.outcome = TResult::Failure(
                QStringLiteral("the file is too large to be a show (%1 bytes)").arg(device.size()));
            return result;
        }
    } else {
        // A stream tells no size to check counts against: it is read whole, but never
        // trusted to end: reading stops once it is larger than any show.
        while (!device.atEnd() && whole.size() <= MaxFileSize) {
            const QByteArray chunk = device.read(1 << 20);
            if (chunk.isEmpty())
                break;
            whole += chunk;
        }
        if (whole.size() > MaxFileSize) {
            result.outcome = TResult::Failure(QStringLiteral("the file is too large to be a show"));
            return result;
        }
        head = whole.left(5);
        size = whole.size();
    }
    if (size <= 5 || !head.startsWith("RZ4P")) {
        result.notAShow = true;
        if (head.size() >= 5 && head.startsWith("RZ4P"))
            result.version = quint8(head[4]);
        return result;
    }
    result.version = quint8(head[4]);
    const int version = qMin(result.version, 6);

    TImageCache images;
    TReadContext context{version, {}, options.LoadImages ? &images : nullptr};
    try {
        TShowSource in = device.isSequential() ? TShowSource(whole) : TShowSource(device, size);
        whole.clear();
        in.Take(5, "header");
        while (in.Left() > 0) {
            const int previous = show.Count() ? show.Frame(show.Count() - 1).PointCount() : 0;
            TLaserFrame& frame = show.Add();
            ReadFrame(in, frame, previous, context);
        }
    } catch (const TTruncated& t) {
        result.outcome = TResult::Failure(
            QStringLiteral("the file ends inside frame %1 (%2)").arg(show.Count() - 1).arg(QLatin1String(t.what)));
    } catch (const TShowReadError& e) {
        result.outcome = TResult::Failure(e.reason);
    }
    return result;
}
