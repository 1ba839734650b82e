#include "ShowFileReader.h"

#include "BackgroundImage.h"

#include <QHash>

#include <unordered_map>

namespace {

// Thrown inside Read() only, when a record runs past the end of the data.
struct TTruncated {
    const char* what;
};

// A bounds-checked cursor over the whole file held in memory. Every count read
// from the file is checked against the bytes left before anything is allocated.
class TCursor {
public:
    explicit TCursor(const QByteArray& data)
        : FData(reinterpret_cast<const uchar*>(data.constData())), FSize(data.size()) {}

    qint64 Left() const { return FSize - FPos; }
    void Need(qint64 bytes, const char* what) const
    {
        if (bytes > Left())
            throw TTruncated{what};
    }
    quint8 U8(const char* what)
    {
        Need(1, what);
        return FData[FPos++];
    }
    quint16 U16(const char* what) // little-endian
    {
        Need(2, what);
        const quint16 v = quint16(FData[FPos] | (FData[FPos + 1] << 8));
        FPos += 2;
        return v;
    }
    qint32 I32(const char* what) // little-endian, signed
    {
        Need(4, what);
        const quint32 v = quint32(FData[FPos]) | (quint32(FData[FPos + 1]) << 8)
            | (quint32(FData[FPos + 2]) << 16) | (quint32(FData[FPos + 3]) << 24);
        FPos += 4;
        return qint32(v);
    }
    // 16-bit length, then that many 8-bit characters; Latin-1 keeps every byte.
    QString Text(const char* what)
    {
        const quint16 n = U16(what);
        Need(n, what);
        const QString s = QString::fromLatin1(reinterpret_cast<const char*>(FData + FPos), n);
        FPos += n;
        return s;
    }
    const uchar* Take(qint64 bytes, const char* what)
    {
        Need(bytes, what);
        const uchar* p = FData + FPos;
        FPos += bytes;
        return p;
    }

private:
    const uchar* FData;
    qint64 FSize;
    qint64 FPos = 0;
};

void ReadHelpLines(TCursor& in, THelpLines& lines)
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
// one QString per distinct label saves an allocation per point.
class TNameCache {
public:
    QString Get(const uchar* bytes)
    {
        const int n = int(qstrnlen(reinterpret_cast<const char*>(bytes), 5));
        quint64 key = n;
        for (int i = 0; i < n; ++i)
            key |= quint64(bytes[i]) << (8 * (i + 1));
        auto it = FNames.find(key);
        if (it == FNames.end())
            it = FNames.emplace(key, QString::fromLatin1(reinterpret_cast<const char*>(bytes), n)).first;
        return it->second;
    }

private:
    std::unordered_map<quint64, QString> FNames;
};

void ReadPoints(TCursor& in, TLaserFrame& frame, int version, TNameCache& names)
{
    const quint16 count = in.U16("point count");
    const int recordSize = version >= 2 ? 11 : 9;
    const uchar* p = in.Take(qint64(count) * recordSize, "point records");
    frame.Points.resize(count);
    for (auto& point : frame.Points) {
        point.Name = names.Get(p);
        point.X = p[5];
        point.Y = p[6];
        point.Selection = 0; // stored, but never taken back
        point.Flags = version >= 2 ? quint16(p[9] * 256 + p[10]) : 0;
        p += recordSize;
    }
}

void ReadLinks(TCursor& in, TLaserFrame& frame, int previousPointCount)
{
    frame.Links = TLinkMatrix(frame.PointCount(), previousPointCount);
    const quint16 r = in.U16("link rows");
    const quint16 s = in.U16("link columns");
    if (r == 0 || s == 0)
        return;
    const int wordsPerColumn = (r + 15) / 16;
    const uchar* p = in.Take(qint64(2) * s * wordsPerColumn, "link bits");
    std::vector<quint64> column((wordsPerColumn + 3) / 4);
    for (int j = 0; j < s; ++j, p += 2 * wordsPerColumn) {
        std::fill(column.begin(), column.end(), 0);
        bool any = false;
        for (int w = 0; w < wordsPerColumn; ++w) {
            const quint64 word = quint64(p[2 * w] | (p[2 * w + 1] << 8));
            column[w / 4] |= word << (16 * (w % 4));
            any = any || word;
        }
        if (any) // bits of rows or columns outside the matrix are dropped
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

void ReadFrame(TCursor& in, TLaserFrame& frame, int previousPointCount, TReadContext& context)
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
    QByteArray data;
    if (!device.isSequential()) {
        // Anything else is turned away without reading it whole (an import dialog may
        // point at a film of gigabytes).
        const QByteArray head = device.peek(5);
        if (head.size() == 5 && !head.startsWith("RZ4P")) {
            result.notAShow = true;
            return result;
        }
        if (device.size() - device.pos() > MaxFileSize) {
            result.outcome = TResult::Failure(
                QStringLiteral("the file is too large to be a show (%1 bytes)").arg(device.size()));
            return result;
        }
        data = device.readAll();
    } else {
        // Never trust a stream to end: stop reading once it is larger than any show.
        while (!device.atEnd() && data.size() <= MaxFileSize) {
            const QByteArray chunk = device.read(1 << 20);
            if (chunk.isEmpty())
                break;
            data += chunk;
        }
        if (data.size() > MaxFileSize) {
            result.outcome = TResult::Failure(QStringLiteral("the file is too large to be a show"));
            return result;
        }
    }
    if (data.size() <= 5 || !data.startsWith("RZ4P")) {
        result.notAShow = true;
        if (data.size() >= 5 && data.startsWith("RZ4P"))
            result.version = quint8(data[4]);
        return result;
    }
    result.version = quint8(data[4]);
    const int version = qMin(result.version, 6);

    TCursor in(data);
    TImageCache images;
    TReadContext context{version, {}, options.LoadImages ? &images : nullptr};
    in.Take(5, "header");
    try {
        while (in.Left() > 0) {
            const int previous = show.Count() ? show.Frame(show.Count() - 1).PointCount() : 0;
            TLaserFrame& frame = show.Add();
            ReadFrame(in, frame, previous, context);
        }
    } catch (const TTruncated& t) {
        result.outcome = TResult::Failure(
            QStringLiteral("the file ends inside frame %1 (%2)").arg(show.Count() - 1).arg(QLatin1String(t.what)));
    }
    return result;
}
