#include "PictureTrace.h"

#include "OutputFile.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QTransform>

#include <potracelib.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <memory>
#include <new>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Formats read by content, never by the file's suffix. Vector formats Qt can also
// render (SVG) are left to the SVG import, which keeps their lines.
bool IsTraceableFormat(const QByteArray& format)
{
    static const char* const formats[] = {"png", "jpeg", "jpg", "bmp", "gif", "pbm", "pgm", "ppm"};
    return std::any_of(std::begin(formats), std::end(formats),
                       [&](const char* f) { return format.compare(f, Qt::CaseInsensitive) == 0; });
}

QString TraceTooLargeMessage(QSize size)
{
    return QStringLiteral("the picture is too large to trace: %1 x %2 pixels, more than %3 megapixels")
        .arg(size.width()).arg(size.height()).arg(MaxTracePixels >> 20);
}

bool TraceSizeTooLarge(QSize size)
{
    return qint64(size.width()) * size.height() > MaxTracePixels;
}

QSize TraceWorkingSize(QSize size)
{
    if (std::max(size.width(), size.height()) <= MaxTraceSide)
        return size;
    return size.scaled(MaxTraceSide, MaxTraceSide, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
}

// Otsu's threshold: the split of the tones with the largest variance between the two
// sides. Where a range of splits is equally good (a picture of two tones only) the
// middle of it, so that soft edges are cut halfway. 128 for a picture of one tone.
int TraceOtsuThreshold(const std::array<qint64, 256>& histogram)
{
    double total = 0, sumAll = 0;
    for (int v = 0; v < 256; ++v) {
        total += double(histogram[v]);
        sumAll += double(v) * double(histogram[v]);
    }
    double below = 0, sumBelow = 0, best = -1;
    int first = -1, last = -1;
    for (int t = 0; t < 255; ++t) {
        below += double(histogram[t]);
        sumBelow += double(t) * double(histogram[t]);
        const double above = total - below;
        if (below == 0)
            continue;
        if (above == 0)
            break;
        const double d = sumBelow / below - (sumAll - sumBelow) / above;
        const double between = below * above * d * d;
        if (between > best) {
            best = between;
            first = last = t;
        } else if (between == best) {
            last = t;
        }
    }
    // The split lies after tone t: the threshold is the first tone above it.
    return first < 0 ? 128 : (first + last) / 2 + 1;
}

// potrace's bitmap: rows of machine words, the leftmost pixel in the highest bit.
// Row y of the picture is potrace's row y, so the outlines come out in the picture's
// coordinates (y downwards, a pixel (x, y) covering x..x+1, y..y+1).
class TTraceBitmap {
public:
    TTraceBitmap(int width, int height)
    {
        constexpr int bits = int(sizeof(potrace_word)) * 8;
        FBitmap.w = width;
        FBitmap.h = height;
        FBitmap.dy = (width + bits - 1) / bits;
        FWords.assign(size_t(FBitmap.dy) * size_t(height), 0);
        FBitmap.map = FWords.data();
    }

    void Set(int x, int y)
    {
        constexpr int bits = int(sizeof(potrace_word)) * 8;
        FWords[size_t(y) * size_t(FBitmap.dy) + size_t(x / bits)] |= potrace_word(1) << (bits - 1 - x % bits);
    }

    const potrace_bitmap_t* Get() const { return &FBitmap; }

private:
    potrace_bitmap_t FBitmap{};
    std::vector<potrace_word> FWords;
};

struct TTraceParamDeleter {
    void operator()(potrace_param_t* p) const { potrace_param_free(p); }
};
struct TTraceStateDeleter {
    void operator()(potrace_state_t* s) const { potrace_state_free(s); }
};

QPainterPath TraceOutlinePath(const potrace_curve_t& curve)
{
    QPainterPath path;
    const int n = curve.n;
    const auto at = [](const potrace_dpoint_t& p) { return QPointF(p.x, p.y); };
    path.moveTo(at(curve.c[n - 1][2]));
    for (int i = 0; i < n; ++i) {
        if (curve.tag[i] == POTRACE_CORNER) {
            path.lineTo(at(curve.c[i][1]));
            path.lineTo(at(curve.c[i][2]));
        } else {
            path.cubicTo(at(curve.c[i][0]), at(curve.c[i][1]), at(curve.c[i][2]));
        }
    }
    return path;
}

// The picture's tones, one byte a pixel, row by row.
struct TTraceTones {
    int W = 0, H = 0;
    std::vector<uchar> V;
    const uchar* Row(int y) const { return V.data() + size_t(y) * size_t(W); }
};

// The length of the outlines to trace, in pixel edges: every place where a traced
// pixel meets one that is not, or the picture's border.
qint64 TraceEdges(const TTraceTones& tones, int threshold)
{
    qint64 edges = 0;
    std::vector<char> above(size_t(tones.W), 0);
    for (int y = 0; y <= tones.H; ++y) {
        bool left = false;
        for (int x = 0; x < tones.W; ++x) {
            const bool in = y < tones.H && tones.Row(y)[x] < threshold;
            edges += (in != left) + (in != bool(above[x]));
            left = in;
            above[x] = in;
        }
        edges += left;
    }
    return edges;
}

// Half the size, each pixel the mean of the two by two it covers.
TTraceTones HalveTraceTones(const TTraceTones& tones)
{
    TTraceTones half;
    half.W = (tones.W + 1) / 2;
    half.H = (tones.H + 1) / 2;
    half.V.resize(size_t(half.W) * size_t(half.H));
    for (int y = 0; y < half.H; ++y) {
        const uchar* a = tones.Row(2 * y);
        const uchar* b = tones.Row(std::min(2 * y + 1, tones.H - 1));
        uchar* out = half.V.data() + size_t(y) * size_t(half.W);
        for (int x = 0; x < half.W; ++x) {
            const int x1 = std::min(2 * x + 1, tones.W - 1);
            out[x] = uchar((a[2 * x] + a[x1] + b[2 * x] + b[x1] + 2) / 4);
        }
    }
    return half;
}

// The work potrace would do, bounded from above. Its time grows with each outline's
// length times the length of the straight runs along it: a hatched or dithered area,
// all long diagonal staircases, takes it minutes at 2048 pixels, while thousands of
// small dots take it moments. An outline lies between a group of traced pixels and
// one of untraced pixels (each joined across corners too, as potrace may join them);
// neither its straight runs nor its length can outgrow the perimeter of the smaller
// group's bounding box. So each edge of an outline counts that perimeter.
qint64 TraceWorkEstimate(const TTraceTones& tones, int threshold)
{
    const int w = tones.W, h = tones.H;
    const auto traced = [&](int x, int y) { return tones.Row(y)[x] < threshold; };
    std::vector<qint32> group(size_t(w) * size_t(h));
    std::vector<qint32> parent;
    const auto find = [&](qint32 a) {
        while (parent[a] != a)
            a = parent[a] = parent[parent[a]];
        return a;
    };
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const bool in = traced(x, y);
            qint32 g = -1;
            for (const auto& [dx, dy] : {std::pair{-1, 0}, {-1, -1}, {0, -1}, {1, -1}}) {
                const int nx = x + dx, ny = y + dy;
                if (nx < 0 || nx >= w || ny < 0 || traced(nx, ny) != in)
                    continue;
                const qint32 other = find(group[size_t(ny) * size_t(w) + size_t(nx)]);
                if (g < 0)
                    g = other;
                else if (other != g)
                    parent[std::max(g, other)] = g = std::min(g, other);
            }
            if (g < 0) {
                g = qint32(parent.size());
                parent.push_back(g);
            }
            group[size_t(y) * size_t(w) + size_t(x)] = g;
        }
    }
    struct TBox {
        int X0 = INT_MAX, Y0 = INT_MAX, X1 = INT_MIN, Y1 = INT_MIN;
    };
    std::vector<TBox> boxes(parent.size());
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            qint32& g = group[size_t(y) * size_t(w) + size_t(x)];
            g = find(g);
            TBox& b = boxes[g];
            b.X0 = std::min(b.X0, x), b.Y0 = std::min(b.Y0, y), b.X1 = std::max(b.X1, x), b.Y1 = std::max(b.Y1, y);
        }
    const auto perimeter = [&](qint32 g) { return 2 * qint64(boxes[g].X1 - boxes[g].X0 + boxes[g].Y1 - boxes[g].Y0 + 2); };
    const qint64 outside = 2 * (qint64(w) + h + 2);
    qint64 work = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            if (!traced(x, y))
                continue;
            const qint64 own = perimeter(group[size_t(y) * size_t(w) + size_t(x)]);
            for (const auto& [dx, dy] : {std::pair{-1, 0}, {1, 0}, {0, -1}, {0, 1}}) {
                const int nx = x + dx, ny = y + dy;
                if (nx < 0 || nx >= w || ny < 0 || ny >= h)
                    work += std::min(own, outside);
                else if (!traced(nx, ny))
                    work += std::min(own, perimeter(group[size_t(ny) * size_t(w) + size_t(nx)]));
            }
        }
    return work;
}

// Past this much work (about a second), or past this many edges of outlines (far more
// than the outlines of a drawing a frame can hold; each takes potrace some memory and
// time of its own) the picture is traced at half the size, where detail finer than a
// laser draws melts into grey.
constexpr qint64 TraceWorkBudget = qint64(256) << 20;
constexpr qint64 TraceMaxEdges = qint64(256) << 10;

// The trace itself; throws std::bad_alloc when memory runs out, also inside potrace.
TTracedPicture TraceImageOrThrow(const QImage& picture, const TTraceOptions& options)
{
    TTracedPicture result;
    const auto fail = [&](const QString& what) {
        result.outcome = TResult::Failure(what);
        return std::move(result);
    };
    result.PictureSize = picture.size();
    if (picture.isNull() || picture.width() <= 0 || picture.height() <= 0)
        return fail(QStringLiteral("the picture has no pixels"));
    if (TraceSizeTooLarge(picture.size()))
        return fail(TraceTooLargeMessage(picture.size()));

    const QSize working = TraceWorkingSize(picture.size());
    QImage image = working == picture.size()
        ? picture.convertToFormat(QImage::Format_ARGB32)
        : picture.scaled(working, Qt::IgnoreAspectRatio, Qt::SmoothTransformation).convertToFormat(QImage::Format_ARGB32);
    if (image.isNull())
        throw std::bad_alloc();
    // Each pixel's tone over white: transparent is as light as the paper.
    TTraceTones tones;
    tones.W = image.width();
    tones.H = image.height();
    tones.V.resize(size_t(tones.W) * size_t(tones.H));
    std::array<qint64, 256> histogram{};
    bool anyOpaque = false;
    for (int y = 0; y < tones.H; ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        uchar* out = tones.V.data() + size_t(y) * size_t(tones.W);
        for (int x = 0; x < tones.W; ++x) {
            const int a = qAlpha(line[x]);
            const int grey = options.Invert ? 255 - qGray(line[x]) : qGray(line[x]);
            const int tone = (a * grey + (255 - a) * 255 + 127) / 255;
            anyOpaque |= a != 0;
            out[x] = uchar(tone);
            ++histogram[tone];
        }
    }
    image = QImage();

    const int threshold = options.Threshold == AutoThreshold ? TraceOtsuThreshold(histogram)
                                                             : std::clamp(options.Threshold, 0, 255);
    result.Threshold = threshold;
    const QString side = options.Invert ? QStringLiteral("lighter") : QStringLiteral("darker");
    if (!anyOpaque)
        return fail(QStringLiteral("nothing to trace: the picture is fully transparent"));
    // The length of the outlines times the picture's perimeter is a quick bound;
    // only past it are the pixels grouped for a closer one.
    while (std::max(tones.W, tones.H) > 64) {
        const qint64 edges = TraceEdges(tones, threshold);
        if (edges <= TraceMaxEdges && (edges * 2 * (tones.W + tones.H) <= TraceWorkBudget
                                       || TraceWorkEstimate(tones, threshold) <= TraceWorkBudget))
            break;
        tones = HalveTraceTones(tones);
    }
    result.TracedSize = QSize(tones.W, tones.H);

    TTraceBitmap bitmap(tones.W, tones.H);
    qint64 traced = 0;
    for (int y = 0; y < tones.H; ++y) {
        const uchar* line = tones.Row(y);
        for (int x = 0; x < tones.W; ++x)
            if (line[x] < threshold) {
                bitmap.Set(x, y);
                ++traced;
            }
    }
    tones = {};
    const QString averaged = result.TracedSize == working
        ? QString()
        : QStringLiteral(" once its finest detail is averaged (traced at %1 x %2 pixels)")
              .arg(result.TracedSize.width()).arg(result.TracedSize.height());
    if (traced == 0)
        return fail(QStringLiteral("nothing to trace: no part of the picture is %1 than the threshold (%2)%3")
                        .arg(side).arg(threshold).arg(averaged));
    if (traced == qint64(result.TracedSize.width()) * result.TracedSize.height())
        return fail(QStringLiteral("nothing to trace: the whole picture is %1 than the threshold (%2)%3")
                        .arg(side).arg(threshold).arg(averaged));

    const std::unique_ptr<potrace_param_t, TTraceParamDeleter> param(potrace_param_default());
    if (!param)
        throw std::bad_alloc();
    param->turdsize = std::max(0, options.SpeckleSize);
    const std::unique_ptr<potrace_state_t, TTraceStateDeleter> state(potrace_trace(param.get(), bitmap.Get()));
    if (!state || state->status != POTRACE_STATUS_OK)
        throw std::bad_alloc();

    for (const potrace_path_t* p = state->plist; p; p = p->next)
        if (p->curve.n > 0)
            result.Drawing.push_back({TraceOutlinePath(p->curve), true});
    if (result.Drawing.empty())
        return fail(QStringLiteral("nothing to trace: what is %1 than the threshold (%2) is only specks of %3 pixels or less")
                        .arg(side).arg(threshold).arg(param->turdsize));
    result.Outlines = int(result.Drawing.size());

    // Fitted as BuildVectorFrame fits a drawing: the outlines' bounds scaled uniformly,
    // centred, here into the square inside the margin.
    QRectF bounds;
    for (const TVectorPath& outline : result.Drawing)
        bounds = bounds.isNull() ? outline.Path.boundingRect() : bounds.united(outline.Path.boundingRect());
    const double margin = std::clamp(options.Margin, 0.0, MaxTraceMargin);
    const double scale = (255.0 - 2 * margin) / std::max(bounds.width(), bounds.height());
    const QTransform fit = QTransform::fromTranslate(127.5, 127.5)
                               .scale(scale, scale)
                               .translate(-bounds.center().x(), -bounds.center().y());
    for (TVectorPath& outline : result.Drawing)
        outline.Path = fit.map(outline.Path);
    return result;
}

// The picture file opened without waiting and checked on the open file: the name may
// have come to mean a pipe since it was looked at.
QString OpenPictureFile(const QString& fileName, QFile& file)
{
    if (const QString problem = InputFileProblem(fileName); !problem.isEmpty())
        return problem;
    const int fd = ::open(QFile::encodeName(fileName).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return qt_error_string(errno);
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return QStringLiteral("not a regular file");
    }
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return file.errorString();
    }
    if (st.st_size == 0)
        return QStringLiteral("the file is empty");
    return {};
}

TTracedPicture TracePictureOrThrow(const QString& fileName, const TTraceOptions& options)
{
    TTracedPicture result;
    const auto fail = [&](const QString& what) {
        result.outcome = TResult::FileFailure(fileName, what);
        result.Drawing.clear();
        return std::move(result);
    };
    QFile file;
    if (const QString problem = OpenPictureFile(fileName, file); !problem.isEmpty())
        return fail(problem);

    QImageReader reader(&file);
    const QByteArray format = reader.format();
    if (format.isEmpty() || !IsTraceableFormat(format))
        return fail(QStringLiteral("not a picture to trace (PNG, JPEG, BMP or GIF)"));
    // Photos stand as they were taken.
    reader.setAutoTransform(true);
    const QSize size = reader.size();
    QSize decoded = size;
    if (size.isValid()) {
        if (size.isEmpty())
            return fail(QStringLiteral("the picture has no pixels"));
        if (TraceSizeTooLarge(size))
            return fail(TraceTooLargeMessage(size));
        // A large JPEG is decoded straight to the size traced, in half the time and
        // without the whole picture in memory; other formats are scaled after.
        decoded = TraceWorkingSize(size);
        if (decoded != size)
            reader.setScaledSize(decoded);
    }
    // Room for the largest picture taken, at 16 bits a channel.
    reader.setAllocationLimit(int((MaxTracePixels * 8) >> 20));
    const QImage picture = reader.read();
    if (picture.isNull()) {
        // A decoder says no more than that it could not read the picture, also when
        // its pixels found no memory.
        if (decoded.isValid() && QImage(decoded, QImage::Format_ARGB32).isNull())
            throw std::bad_alloc();
        return fail(QStringLiteral("not a readable picture: %1").arg(reader.errorString()));
    }

    result = TraceImageOrThrow(picture, options);
    result.FileName = fileName;
    if (size.isValid())
        result.PictureSize = reader.transformation() & QImageIOHandler::TransformationRotate90 ? size.transposed() : size;
    if (!result.outcome.ok)
        return fail(result.outcome.message);
    return result;
}

} // namespace

TTracedPicture TraceImage(const QImage& image, const TTraceOptions& options)
{
    try {
        return TraceImageOrThrow(image, options);
    } catch (const std::bad_alloc&) {
        TTracedPicture result;
        result.outcome = TResult::Failure(QStringLiteral("not enough memory to trace the picture"));
        return result;
    }
}

TTracedPicture TracePicture(const QString& fileName, const TTraceOptions& options)
{
    try {
        return TracePictureOrThrow(fileName, options);
    } catch (const std::bad_alloc&) {
        TTracedPicture result;
        result.FileName = fileName;
        result.outcome = TResult::OutOfMemory(QStringLiteral("trace"), fileName);
        return result;
    }
}

TVectorFrameResult BuildTracedFrame(const TTracedPicture& traced, const TVectorOptions& options)
{
    TVectorFrameResult result;
    const auto fail = [&](const QString& what) {
        result.outcome = traced.FileName.isEmpty() ? TResult::Failure(what) : TResult::FileFailure(traced.FileName, what);
        result.Frame.reset();
        return std::move(result);
    };
    if (!traced.outcome.ok) {
        result.outcome = traced.outcome;
        return result;
    }
    TVectorOptions named = options;
    if (named.Name.isEmpty() && !traced.FileName.isEmpty())
        named.Name = QFileInfo(traced.FileName).completeBaseName();
    try {
        result = BuildVectorFrame(traced.Drawing, named);
    } catch (const std::bad_alloc&) {
        if (traced.FileName.isEmpty())
            return fail(QStringLiteral("not enough memory to make a frame of the picture"));
        result.outcome = TResult::OutOfMemory(QStringLiteral("make a frame of"), traced.FileName);
        return result;
    }
    if (!result.outcome.ok)
        return fail(result.outcome.message);
    return result;
}

TVectorFrameResult TracePictureFrame(const QString& fileName, const TTraceOptions& trace, const TVectorOptions& options)
{
    const TTracedPicture traced = TracePicture(fileName, trace);
    return BuildTracedFrame(traced, options);
}
