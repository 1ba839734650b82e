#include "IldaFile.h"

#include "OutputFile.h"

#include <QFile>
#include <QFileInfo>

#include <cstring>
#include <new>

namespace {

constexpr int HeaderSize = 32;
constexpr quint8 StatusLast = 0x80;
constexpr quint8 StatusBlank = 0x40;
const char Company[] = "Skelmar";

// Bytes per record of each section format; -1 for formats without a known layout.
int RecordSize(int format)
{
    switch (format) {
    case 0: return 8;   // X, Y, Z, status, index
    case 1: return 6;   // X, Y, status, index
    case 2: return 3;   // R, G, B
    case 3: return 3;   // R, G, B for one point of the next frame
    case 4: return 10;  // X, Y, Z, status, B, G, R
    case 5: return 8;   // X, Y, status, B, G, R
    default: return -1;
    }
}

bool Is3D(int format) { return format == 0 || format == 4; }
bool IsIndexed(int format) { return format == 0 || format == 1; }

quint16 U16(const uchar* p) { return quint16((p[0] << 8) | p[1]); }
qint16 I16(const uchar* p) { return qint16(U16(p)); }

// An 8-byte ASCII field, padded with zero bytes; Latin-1 keeps every byte.
QString FixedText(const uchar* p)
{
    const char* text = reinterpret_cast<const char*>(p);
    return QString::fromLatin1(text, int(qstrnlen(text, 8)));
}

bool AllZero(const uchar* p, qint64 n)
{
    for (qint64 i = 0; i < n; ++i)
        if (p[i])
            return false;
    return true;
}

// Reads the whole device, refusing more than `limit` bytes; a stream is never trusted to end.
bool ReadAll(QIODevice& device, qint64 limit, QByteArray& data)
{
    if (!device.isSequential()) {
        if (device.size() - device.pos() > limit)
            return false;
        data = device.readAll();
        return true;
    }
    while (!device.atEnd() && data.size() <= limit) {
        const QByteArray chunk = device.read(1 << 20);
        if (chunk.isEmpty())
            break;
        data += chunk;
    }
    return data.size() <= limit;
}

TIldaPoint ReadPoint(const uchar* p, int format, const std::vector<QRgb>& palette)
{
    TIldaPoint point;
    point.X = I16(p);
    point.Y = I16(p + 2);
    if (Is3D(format)) {
        point.Z = I16(p + 4);
        p += 6;
    } else {
        p += 4;
    }
    point.Blanked = p[0] & StatusBlank;
    point.LastPoint = p[0] & StatusLast;
    if (IsIndexed(format)) {
        point.Index = p[1];
        point.ColorKnown = point.Index < palette.size();
        point.Color = point.ColorKnown ? palette[point.Index] : qRgb(0, 0, 0);
    } else {
        point.Color = qRgb(p[3], p[2], p[1]); // stored blue first
    }
    return point;
}

class TIldaOut {
public:
    explicit TIldaOut(QByteArray& data) : FData(data) {}
    void U8(quint8 v) { FData.append(char(v)); }
    void U16(quint16 v)
    {
        FData.append(char(v >> 8));
        FData.append(char(v & 0xFF));
    }
    void Fixed(const QString& text) // 8 bytes, Latin-1, padded with zero bytes
    {
        QByteArray bytes = text.left(8).toLatin1();
        bytes.replace('\0', '?');
        FData.append(bytes.leftJustified(8, '\0', true));
    }
    void Header(int format, const QString& name, quint16 records, quint16 number, quint16 total)
    {
        FData.append("ILDA", 4);
        U8(0), U8(0), U8(0);
        U8(quint8(format));
        Fixed(name);
        Fixed(QString::fromLatin1(Company));
        U16(records);
        U16(number);
        U16(total);
        U8(0); // projector
        U8(0); // reserved
    }
    void Point(const TIldaPoint& point, int format, bool last)
    {
        U16(quint16(point.X));
        U16(quint16(point.Y));
        if (Is3D(format))
            U16(quint16(point.Z));
        U8(quint8((point.Blanked ? StatusBlank : 0) | (last ? StatusLast : 0)));
        if (IsIndexed(format)) {
            U8(point.Index);
        } else {
            U8(quint8(qBlue(point.Color)));
            U8(quint8(qGreen(point.Color)));
            U8(quint8(qRed(point.Color)));
        }
    }

private:
    QByteArray& FData;
};

// The byte square 0..255 spans the whole ILDA range: 255 * 257 = 65535. Y points up.
qint16 IldaX(int x) { return qint16(257 * x - 32768); }
qint16 IldaY(int y) { return qint16(32767 - 257 * y); }
// 257 is odd, so no value lies half-way and plain rounding is exact.
quint8 ByteX(qint16 x) { return quint8((int(x) + 32768 + 128) / 257); }
quint8 ByteY(qint16 y) { return quint8(255 - (int(y) + 32768 + 128) / 257); }

int Distance2(QRgb a, QRgb b)
{
    const int r = qRed(a) - qRed(b), g = qGreen(a) - qGreen(b), bl = qBlue(a) - qBlue(b);
    return r * r + g * g + bl * bl;
}

bool IsBlack(QRgb color) { return (color & 0xFFFFFF) == 0; }

// Colour bit of an imported frame: the laser colour most of its lit points are
// nearest to. Dark points carry no colour; a frame without a lit point asks its
// blanked points that have a colour, then takes colour 0.
int MajorityColor(const std::vector<TIldaPoint>& points, const TLaserColors& colors)
{
    for (const bool lit : {true, false}) {
        int votes[2] = {0, 0};
        for (const TIldaPoint& point : points)
            if (lit ? !point.Dark() : point.ColorKnown && !IsBlack(point.Color))
                ++votes[NearestLaserColor(point.Color, colors)];
        if (votes[0] + votes[1] > 0)
            return votes[1] > votes[0] ? 1 : 0;
    }
    return 0;
}

std::unique_ptr<TLaserFrame> ToLaserFrame(const TIldaFrame& ilda, const TLaserColors& colors, quint16 delay,
                                          const QString& defaultName)
{
    auto frame = std::make_unique<TLaserFrame>();
    frame->Delay = delay;
    frame->Name = ilda.Name.isEmpty() ? defaultName : ilda.Name;
    const std::vector<TIldaPoint>& in = ilda.Points;
    const int m = int(in.size());
    if (m == 0)
        return frame;
    const bool closed = m >= 2 && in[m - 1].X == in[0].X && in[m - 1].Y == in[0].Y;
    const int n = closed ? m - 1 : m;
    frame->Points.resize(n);
    for (int k = 0; k < n; ++k) {
        TSmallPoint& point = frame->Points[k];
        point.Name = TPointName::Number(k);
        point.X = ByteX(in[k].X);
        point.Y = ByteY(in[k].Y);
        point.Selection = 0; // read from a file, like the points of a show file
        // Our blank bit darkens the line out of a point, ILDA's the line into one.
        // After an open figure the projector comes back to the first point, dark
        // as that point is.
        const TIldaPoint& next = k + 1 < m ? in[k + 1] : in[0];
        point.Flags = next.Dark() ? TSmallPoint::FlagBlank : 0;
    }
    if (MajorityColor(in, colors) == 1)
        frame->Flags |= TLaserFrame::FlagColor;
    return frame;
}

} // namespace

const std::vector<QRgb>& IldaStandardPalette()
{
    static const std::vector<QRgb> palette = [] {
        // Red to yellow to green to cyan to blue to magenta to white, then back to red.
        static const quint8 rgb[64][3] = {
            {255, 0, 0},     {255, 16, 0},    {255, 32, 0},    {255, 48, 0},    {255, 64, 0},
            {255, 80, 0},    {255, 96, 0},    {255, 112, 0},   {255, 128, 0},   {255, 144, 0},
            {255, 160, 0},   {255, 176, 0},   {255, 192, 0},   {255, 208, 0},   {255, 224, 0},
            {255, 240, 0},   {255, 255, 0},   {224, 255, 0},   {192, 255, 0},   {160, 255, 0},
            {128, 255, 0},   {96, 255, 0},    {64, 255, 0},    {32, 255, 0},    {0, 255, 0},
            {0, 255, 36},    {0, 255, 73},    {0, 255, 109},   {0, 255, 146},   {0, 255, 182},
            {0, 255, 219},   {0, 255, 255},   {0, 227, 255},   {0, 198, 255},   {0, 170, 255},
            {0, 142, 255},   {0, 113, 255},   {0, 85, 255},    {0, 56, 255},    {0, 28, 255},
            {0, 0, 255},     {32, 0, 255},    {64, 0, 255},    {96, 0, 255},    {128, 0, 255},
            {160, 0, 255},   {192, 0, 255},   {224, 0, 255},   {255, 0, 255},   {255, 32, 255},
            {255, 64, 255},  {255, 96, 255},  {255, 128, 255}, {255, 160, 255}, {255, 192, 255},
            {255, 224, 255}, {255, 255, 255}, {255, 224, 224}, {255, 192, 192}, {255, 160, 160},
            {255, 128, 128}, {255, 96, 96},   {255, 64, 64},   {255, 32, 32},
        };
        std::vector<QRgb> colors;
        for (const auto& c : rgb)
            colors.push_back(qRgb(c[0], c[1], c[2]));
        return colors;
    }();
    return palette;
}

// --- reader ------------------------------------------------------------------------------------

TIldaReader::Result TIldaReader::Read(QIODevice& device)
{
    Result result;
    const auto fail = [&result](const QString& error) {
        result.outcome = TResult::Failure(error);
        result.Frames.clear();
        return result;
    };
    QByteArray data;
    if (!ReadAll(device, MaxFileSize, data))
        return fail(QStringLiteral("the file is too large for an ILDA file (more than %1 bytes)").arg(MaxFileSize));
    if (data.isEmpty())
        return fail(QStringLiteral("the file is empty"));
    if (!data.startsWith("ILDA"))
        return fail(QStringLiteral("not an ILDA file: it does not begin with \"ILDA\""));

    const auto* d = reinterpret_cast<const uchar*>(data.constData());
    const qint64 size = data.size();
    std::vector<QRgb> palette = IldaStandardPalette();
    std::vector<QRgb> colorTable; // of a format 3 section, for the frame after it
    qint64 pos = 0;
    while (pos < size) {
        const qint64 left = size - pos;
        const uchar* header = d + pos;
        if (left < HeaderSize || std::memcmp(header, "ILDA", 4) != 0) {
            if (pos > 0 && AllZero(header, left))
                break; // padding after the last section
            if (left < HeaderSize && std::memcmp(header, "ILDA", qMin<qint64>(4, left)) == 0)
                return fail(QStringLiteral("the file ends inside the section header at byte %1").arg(pos));
            return fail(QStringLiteral("no section header at byte %1 (\"ILDA\" expected)").arg(pos));
        }
        const int format = header[7];
        const quint16 records = U16(header + 24);
        if (records == 0) {
            result.EndHeader = true; // what follows it is not ours to read
            break;
        }
        const int recordSize = RecordSize(format);
        if (recordSize < 0)
            return fail(QStringLiteral("the section at byte %1 has the unknown format %2, whose record size is not "
                                       "known").arg(pos).arg(format));
        const qint64 bytes = qint64(records) * recordSize;
        if (bytes > left - HeaderSize)
            return fail(QStringLiteral("the section at byte %1 (format %2, %3 records of %4 bytes) is cut off: "
                                       "the file ends %5 bytes short")
                            .arg(pos).arg(format).arg(records).arg(recordSize).arg(bytes - (left - HeaderSize)));
        const uchar* p = header + HeaderSize;
        if (format == 2) {
            // Indexes are bytes: entries past 256 can never be used.
            palette.clear();
            for (int i = 0; i < records && i < 256; ++i, p += recordSize)
                palette.push_back(qRgb(p[0], p[1], p[2]));
            ++result.Palettes;
        } else if (format == 3) {
            // Held for the next frame only; a later table replaces it.
            colorTable.clear();
            colorTable.reserve(records);
            for (int i = 0; i < records; ++i, p += recordSize)
                colorTable.push_back(qRgb(p[0], p[1], p[2]));
            ++result.ColorTables;
        } else {
            if (result.Frames.size() >= 65535)
                return fail(QStringLiteral("the file holds more frames than ILDA can number (65535)"));
            TIldaFrame& frame = result.Frames.emplace_back();
            frame.Name = FixedText(header + 8);
            frame.Company = FixedText(header + 16);
            frame.Format = format;
            frame.Number = U16(header + 26);
            frame.Total = U16(header + 28);
            frame.Projector = header[30];
            // The record count decides where a frame ends; a last-point bit set
            // early is not trusted.
            frame.Points.reserve(records);
            for (int i = 0; i < records; ++i, p += recordSize)
                frame.Points.push_back(ReadPoint(p, format, palette));
            // A true-colour frame has its own colours; a table of another length
            // colours the points it reaches, the rest keep their palette colours.
            if (IsIndexed(format) && !colorTable.empty()) {
                frame.ColorTable = true;
                const size_t n = qMin(colorTable.size(), frame.Points.size());
                for (size_t i = 0; i < n; ++i) {
                    frame.Points[i].Color = colorTable[i];
                    frame.Points[i].ColorKnown = true;
                }
            }
            colorTable.clear();
        }
        pos += HeaderSize + bytes;
    }
    return result;
}

// --- writer ------------------------------------------------------------------------------------

TResult TIldaWriter::Encode(const std::vector<TIldaFrame>& frames, int format, QByteArray& data)
{
    if (!ValidFormat(format))
        return TResult::Failure(QStringLiteral("ILDA format %1 cannot be written (0, 1, 4 or 5)").arg(format));
    if (frames.size() > 65535)
        return TResult::Failure(
            QStringLiteral("%1 frames are more than an ILDA file can number (65535)").arg(frames.size()));
    const int recordSize = RecordSize(format);
    qsizetype total = HeaderSize;
    for (size_t i = 0; i < frames.size(); ++i) {
        const size_t count = frames[i].Points.size();
        if (count == 0 || count > size_t(MaxRecords))
            return TResult::Failure(
                QStringLiteral("frame %1 has %2 ILDA points; a frame holds 1 to %3").arg(i).arg(count).arg(MaxRecords));
        total += HeaderSize + qsizetype(count) * recordSize;
    }
    if (total > TIldaReader::MaxFileSize)
        return TResult::Failure(
            QStringLiteral("the file would take %1 bytes, more than an ILDA file may hold here (%2 bytes)")
                .arg(total).arg(TIldaReader::MaxFileSize));
    data.clear();
    data.reserve(total);
    TIldaOut out(data);
    const auto frameCount = quint16(frames.size());
    for (size_t i = 0; i < frames.size(); ++i) {
        const TIldaFrame& frame = frames[i];
        const size_t count = frame.Points.size();
        out.Header(format, frame.Name, quint16(count), quint16(i), frameCount);
        for (size_t k = 0; k < count; ++k)
            out.Point(frame.Points[k], format, k + 1 == count);
    }
    out.Header(format, QString(), 0, frameCount, frameCount);
    return {};
}

TResult TIldaWriter::Write(QIODevice& device, const std::vector<TIldaFrame>& frames, int format)
{
    QByteArray data;
    if (TResult encoded = Encode(frames, format, data); !encoded.ok)
        return encoded;
    if (device.write(data) != data.size())
        return TResult::Failure(device.errorString());
    return {};
}

// --- conversion --------------------------------------------------------------------------------

int NearestLaserColor(QRgb color, const TLaserColors& colors)
{
    return Distance2(color, colors[1]) < Distance2(color, colors[0]) ? 1 : 0;
}

std::array<quint8, 2> LaserColorIndexes(const std::vector<QRgb>& palette, const TLaserColors& colors)
{
    std::array<quint8, 2> indexes{0, 0};
    const int entries = int(qMin<size_t>(palette.size(), 256));
    for (int c = 0; c < 2; ++c) {
        int best = -1, bestOwn = -1;
        for (int e = 0; e < entries; ++e) {
            const int d = Distance2(palette[e], colors[c]);
            if (best < 0 || d < Distance2(palette[best], colors[c]))
                best = e;
            if (NearestLaserColor(palette[e], colors) == c
                && (bestOwn < 0 || d < Distance2(palette[bestOwn], colors[c])))
                bestOwn = e;
        }
        indexes[c] = quint8(qMax(0, bestOwn >= 0 ? bestOwn : best));
    }
    return indexes;
}

TIldaFrame IldaFrameFromLaserFrame(const TLaserFrame& frame, const TLaserColors& colors, QString* error)
{
    TIldaFrame ilda;
    ilda.Name = frame.Name.left(8);
    const int color = frame.ColorBit() ? 1 : 0;
    const quint8 index = LaserColorIndexes(IldaStandardPalette(), colors)[color];
    const auto add = [&](int x, int y, bool blanked) {
        TIldaPoint point;
        point.X = IldaX(x);
        point.Y = IldaY(y);
        point.Blanked = blanked;
        point.Index = index;
        // Black as well as blanked, for readers that go by the colour alone.
        point.Color = blanked ? qRgb(0, 0, 0) : colors[color];
        ilda.Points.push_back(point);
    };
    const std::vector<TSmallPoint>& points = frame.Points;
    const int n = int(points.size());
    if (n == 0) { // ILDA has no empty frame: a dark point keeps the frame's place
        add(128, 128, true);
        return ilda;
    }
    if (n > TIldaWriter::MaxRecords - 1) {
        if (error)
            *error = QStringLiteral("%1 points are more than an ILDA frame holds with its closing point (%2)")
                         .arg(n).arg(TIldaWriter::MaxRecords - 1);
        return ilda;
    }
    ilda.Points.reserve(n + 1);
    add(points[0].X, points[0].Y, true);
    for (int k = 1; k < n; ++k)
        add(points[k].X, points[k].Y, points[k - 1].IsBlank());
    add(points[0].X, points[0].Y, points[n - 1].IsBlank());
    return ilda;
}

std::unique_ptr<TLaserFrame> LaserFrameFromIlda(const TIldaFrame& ilda, const TLaserColors& colors,
                                                quint16 delay, const QString& defaultName)
{
    return ToLaserFrame(ilda, colors, delay, defaultName);
}

// --- files -------------------------------------------------------------------------------------

namespace {

TIldaFileResult ExportOrThrow(const QString& fileName, const TLaserFrames& show, const TIldaExportOptions& options)
{
    TIldaFileResult result;
    const auto fail = [&](const QString& what) {
        result.outcome = TResult::FileFailure(fileName, what);
        return result;
    };
    if (!TIldaWriter::ValidFormat(options.Format))
        return fail(QStringLiteral("ILDA format %1 cannot be written (0, 1, 4 or 5)").arg(options.Format));
    if (show.Count() == 0)
        return fail(QStringLiteral("the show has no frames to export"));
    TOutputFile file(fileName);
    if (const QString problem = OutputTargetProblem(file.Target()); !problem.isEmpty())
        return fail(QStringLiteral("could not be written: %1").arg(problem));
    std::vector<TIldaFrame> frames;
    frames.reserve(show.Count());
    for (int i = 0; i < show.Count(); ++i) {
        QString error;
        frames.push_back(IldaFrameFromLaserFrame(show.Frame(i), options.Colors, &error));
        if (!error.isEmpty())
            return fail(QStringLiteral("frame %1 \"%2\": %3").arg(i).arg(show.Frame(i).Name, error));
    }
    QByteArray data;
    QString error = TIldaWriter::Encode(frames, options.Format, data).message;
    frames.clear();
    if (error.isEmpty() && !(file.Open() && file.Write(data) && file.Commit()))
        error = file.ErrorString();
    if (!error.isEmpty())
        return fail(QStringLiteral("could not be written: %1").arg(error));
    result.frames = show.Count();
    return result;
}

TIldaFileResult ImportOrThrow(const QString& fileName, TLaserFrames& show, const TIldaImportOptions& options)
{
    TIldaFileResult result;
    const auto fail = [&](const QString& what) {
        result.outcome = TResult::FileFailure(fileName, what);
        return result;
    };
    if (const QString problem = InputFileProblem(fileName); !problem.isEmpty())
        return fail(problem);
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return fail(file.errorString());
    const TIldaReader::Result read = TIldaReader::Read(file);
    if (!read.outcome.ok)
        return fail(read.outcome.message);
    if (read.Frames.empty())
        return fail(QStringLiteral("the file holds no frames"));
    // Running out of memory half-way takes back the frames added so far.
    const int before = show.Count();
    try {
        for (size_t i = 0; i < read.Frames.size(); ++i) {
            const int index = show.AddFrame(ToLaserFrame(read.Frames[i], options.Colors, options.Delay,
                                                         QStringLiteral("ILDA %1").arg(i)));
            show.FitLinksAt(index);
        }
    } catch (const std::bad_alloc&) {
        while (show.Count() > before)
            show.Delete(show.Count() - 1);
        throw;
    }
    result.frames = int(read.Frames.size());
    return result;
}

TIldaFileResult OutOfMemory(const QString& what, const QString& fileName)
{
    TIldaFileResult result;
    result.outcome = TResult::OutOfMemory(what, fileName);
    return result;
}

} // namespace

TIldaFileResult ExportIldaFile(const QString& fileName, const TLaserFrames& show, const TIldaExportOptions& options)
{
    try {
        return ExportOrThrow(fileName, show, options);
    } catch (const std::bad_alloc&) {
        return OutOfMemory(QStringLiteral("export"), fileName);
    }
}

TIldaFileResult ImportIldaFile(const QString& fileName, TLaserFrames& show, const TIldaImportOptions& options)
{
    try {
        return ImportOrThrow(fileName, show, options);
    } catch (const std::bad_alloc&) {
        return OutOfMemory(QStringLiteral("import"), fileName);
    }
}
