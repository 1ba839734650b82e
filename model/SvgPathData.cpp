#include "SvgPathData.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <numbers>

namespace {

// The tokens of path data: numbers, one-digit arc flags, command letters, and the
// white space and commas between them.
class TPathDataScanner {
public:
    explicit TPathDataScanner(QByteArrayView data) : FAt(data.data()), FEnd(data.data() + data.size()) {}

    void SkipSpace()
    {
        while (FAt < FEnd && (*FAt == ' ' || *FAt == '\t' || *FAt == '\n' || *FAt == '\r' || *FAt == '\f'))
            ++FAt;
    }
    void SkipSeparator()
    {
        SkipSpace();
        if (FAt < FEnd && *FAt == ',') {
            ++FAt;
            SkipSpace();
        }
    }
    bool AtEnd() const { return FAt == FEnd; }
    char Peek() const { return FAt < FEnd ? *FAt : '\0'; }
    void Skip() { ++FAt; }
    bool AtNumber() const
    {
        const char c = Peek();
        return (c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.';
    }

    // A number after an optional separator; false for anything else, and for one
    // too large to be a finite double.
    bool Number(double& value)
    {
        SkipSeparator();
        const char* start = FAt;
        if (FAt < FEnd && (*FAt == '+' || *FAt == '-'))
            ++FAt;
        const char* digits = FAt;
        bool mantissa = false;
        while (FAt < FEnd && *FAt >= '0' && *FAt <= '9')
            ++FAt, mantissa = true;
        if (FAt < FEnd && *FAt == '.') {
            ++FAt;
            while (FAt < FEnd && *FAt >= '0' && *FAt <= '9')
                ++FAt, mantissa = true;
        }
        if (!mantissa) {
            FAt = start;
            return false;
        }
        if (FAt < FEnd && (*FAt == 'e' || *FAt == 'E')) {
            const char* e = FAt + 1;
            if (e < FEnd && (*e == '+' || *e == '-'))
                ++e;
            if (e < FEnd && *e >= '0' && *e <= '9') {
                while (e < FEnd && *e >= '0' && *e <= '9')
                    ++e;
                FAt = e;
            }
        }
        // from_chars takes no '+' and reads the sign itself.
        const char* from = *start == '+' ? digits : start;
        const auto [end, error] = std::from_chars(from, FAt, value);
        if (error == std::errc::result_out_of_range) {
            // Too small is zero; too large is no number a drawing can use.
            const char* e = std::find_if(from, FAt, [](char x) { return x == 'e' || x == 'E'; });
            if (e + 1 < FAt && e[1] == '-') {
                value = 0;
                return true;
            }
            return false;
        }
        return error == std::errc() && end == FAt && std::isfinite(value);
    }

    // An arc flag: one digit, 0 or 1, which needs nothing after it.
    bool Flag(bool& value)
    {
        SkipSeparator();
        if (FAt < FEnd && (*FAt == '0' || *FAt == '1')) {
            value = *FAt++ == '1';
            return true;
        }
        return false;
    }

private:
    const char* FAt;
    const char* FEnd;
};

// A painter path made of the data.
class TPathBuilder {
public:
    explicit TPathBuilder(QPainterPath& path) : FPath(path) {}
    void MoveTo(QPointF p) { FPath.moveTo(p); }
    void LineTo(QPointF p) { FPath.lineTo(p); }
    void CubicTo(QPointF c1, QPointF c2, QPointF p) { FPath.cubicTo(c1, c2, p); }
    void Close() { FPath.closeSubpath(); }
    void Arc(QPointF from, double rx, double ry, double rotation, bool large, bool sweep, QPointF to);

private:
    void ArcSegment(QPointF centre, double th0, double th1, double rx, double ry, double rotation);
    QPainterPath& FPath;
};

// Counts what the path would be made of, at most.
struct TPathCounter {
    qint64 Elements = 0;
    void MoveTo(QPointF) { ++Elements; }
    void LineTo(QPointF) { ++Elements; }
    void CubicTo(QPointF, QPointF, QPointF) { Elements += 3; }
    void Close() { ++Elements; }
    void Arc(QPointF, double, double, double, bool, bool, QPointF) { Elements += 12; }
};

// The arc from `from` to `to` on an ellipse with radii rx, ry turned by `rotation`
// degrees, as cubic pieces of at most a quarter turn each (the centre
// parameterisation of the SVG specification's appendix).
void TPathBuilder::Arc(QPointF from, double rx, double ry, double rotation, bool large, bool sweep, QPointF to)
{
    rx = std::abs(rx);
    ry = std::abs(ry);
    if (from == to)
        return;
    if (rx == 0 || ry == 0) {
        FPath.lineTo(to);
        return;
    }
    const double angle = rotation * (std::numbers::pi / 180.0);
    const double sinTh = std::sin(angle), cosTh = std::cos(angle);
    const double dx = (from.x() - to.x()) / 2.0, dy = (from.y() - to.y()) / 2.0;
    const double dx1 = cosTh * dx + sinTh * dy, dy1 = -sinTh * dx + cosTh * dy;
    // Radii too small for the two ends grow until they just reach.
    const double check = (dx1 * dx1) / (rx * rx) + (dy1 * dy1) / (ry * ry);
    if (check > 1) {
        rx *= std::sqrt(check);
        ry *= std::sqrt(check);
    }
    const double a00 = cosTh / rx, a01 = sinTh / rx, a10 = -sinTh / ry, a11 = cosTh / ry;
    const double x0 = a00 * from.x() + a01 * from.y(), y0 = a10 * from.x() + a11 * from.y();
    const double x1 = a00 * to.x() + a01 * to.y(), y1 = a10 * to.x() + a11 * to.y();
    const double d = (x1 - x0) * (x1 - x0) + (y1 - y0) * (y1 - y0);
    double factor = d > 0 ? std::sqrt(std::max(0.0, 1.0 / d - 0.25)) : 0.0;
    if (sweep == large)
        factor = -factor;
    const double xc = 0.5 * (x0 + x1) - factor * (y1 - y0);
    const double yc = 0.5 * (y0 + y1) + factor * (x1 - x0);
    const double th0 = std::atan2(y0 - yc, x0 - xc);
    const double th1 = std::atan2(y1 - yc, x1 - xc);
    double arc = th1 - th0;
    if (arc < 0 && sweep)
        arc += 2 * std::numbers::pi;
    else if (arc > 0 && !sweep)
        arc -= 2 * std::numbers::pi;
    if (!std::isfinite(arc) || !std::isfinite(xc) || !std::isfinite(yc)) {
        FPath.lineTo(to);
        return;
    }
    const int pieces = std::clamp(int(std::ceil(std::abs(arc / (std::numbers::pi * 0.5 + 0.001)))), 1, 4);
    for (int i = 0; i < pieces; ++i)
        ArcSegment({xc, yc}, th0 + i * arc / pieces, th0 + (i + 1) * arc / pieces, rx, ry, rotation);
}

void TPathBuilder::ArcSegment(QPointF centre, double th0, double th1, double rx, double ry, double rotation)
{
    const double angle = rotation * (std::numbers::pi / 180.0);
    const double sinTh = std::sin(angle), cosTh = std::cos(angle);
    const double a00 = cosTh * rx, a01 = -sinTh * ry, a10 = sinTh * rx, a11 = cosTh * ry;
    const double half = 0.5 * (th1 - th0);
    const double t = (8.0 / 3.0) * std::sin(half * 0.5) * std::sin(half * 0.5) / std::sin(half);
    const double x1 = centre.x() + std::cos(th0) - t * std::sin(th0);
    const double y1 = centre.y() + std::sin(th0) + t * std::cos(th0);
    const double x3 = centre.x() + std::cos(th1);
    const double y3 = centre.y() + std::sin(th1);
    const double x2 = x3 + t * std::sin(th1);
    const double y2 = y3 - t * std::cos(th1);
    FPath.cubicTo(a00 * x1 + a01 * y1, a10 * x1 + a11 * y1, a00 * x2 + a01 * y2, a10 * x2 + a11 * y2,
                  a00 * x3 + a01 * y3, a10 * x3 + a11 * y3);
}

bool Finite(QPointF p)
{
    return std::isfinite(p.x()) && std::isfinite(p.y());
}

template <typename TSink>
bool ReadPathData(QByteArrayView data, TSink& sink)
{
    TPathDataScanner in(data);
    QPointF current, start, control;  // control: the last curve's second control point
    char last = 0;                    // the last command, in upper case
    char command = 0;
    for (;;) {
        in.SkipSpace();
        if (in.AtEnd())
            return true;
        const char c = in.Peek();
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) {
            command = c;
            in.Skip();
        } else {
            // More arguments repeat the last command; after a move they draw lines.
            if (command == 0 || command == 'Z' || command == 'z' || !(in.AtNumber() || c == ','))
                return false;
            if (command == 'M')
                command = 'L';
            else if (command == 'm')
                command = 'l';
        }
        if (last == 0 && command != 'M' && command != 'm')
            return false;
        const bool relative = command >= 'a';
        const char upper = char(relative ? command - 32 : command);
        const QPointF base = relative ? current : QPointF();
        double v[7];
        const auto numbers = [&](int n) {
            for (int i = 0; i < n; ++i)
                if (!in.Number(v[i]))
                    return false;
            return true;
        };
        QPointF next;
        switch (upper) {
        case 'Z':
            sink.Close();
            current = start;
            last = 'Z';
            continue;
        case 'M':
            if (!numbers(2))
                return false;
            next = base + QPointF(v[0], v[1]);
            if (!Finite(next))
                return false;
            sink.MoveTo(next);
            start = next;
            break;
        case 'L':
            if (!numbers(2))
                return false;
            next = base + QPointF(v[0], v[1]);
            if (!Finite(next))
                return false;
            sink.LineTo(next);
            break;
        case 'H':
            if (!numbers(1))
                return false;
            next = QPointF(relative ? current.x() + v[0] : v[0], current.y());
            if (!Finite(next))
                return false;
            sink.LineTo(next);
            break;
        case 'V':
            if (!numbers(1))
                return false;
            next = QPointF(current.x(), relative ? current.y() + v[0] : v[0]);
            if (!Finite(next))
                return false;
            sink.LineTo(next);
            break;
        case 'C':
        case 'S': {
            QPointF c1;
            if (upper == 'C') {
                if (!numbers(6))
                    return false;
                c1 = base + QPointF(v[0], v[1]);
                control = base + QPointF(v[2], v[3]);
                next = base + QPointF(v[4], v[5]);
            } else {
                if (!numbers(4))
                    return false;
                // The first control point mirrors the last curve's second.
                c1 = (last == 'C' || last == 'S') ? 2 * current - control : current;
                control = base + QPointF(v[0], v[1]);
                next = base + QPointF(v[2], v[3]);
            }
            if (!Finite(c1) || !Finite(control) || !Finite(next))
                return false;
            sink.CubicTo(c1, control, next);
            break;
        }
        case 'Q':
        case 'T': {
            QPointF q;
            if (upper == 'Q') {
                if (!numbers(4))
                    return false;
                q = base + QPointF(v[0], v[1]);
                next = base + QPointF(v[2], v[3]);
            } else {
                if (!numbers(2))
                    return false;
                q = (last == 'Q' || last == 'T') ? 2 * current - control : current;
                next = base + QPointF(v[0], v[1]);
            }
            if (!Finite(q) || !Finite(next))
                return false;
            control = q;
            const QPointF c1 = current + 2.0 / 3.0 * (q - current), c2 = next + 2.0 / 3.0 * (q - next);
            if (!Finite(c1) || !Finite(c2))
                return false;
            sink.CubicTo(c1, c2, next);
            break;
        }
        case 'A': {
            bool large = false, sweep = false;
            if (!numbers(3) || !in.Flag(large) || !in.Flag(sweep) || !in.Number(v[3]) || !in.Number(v[4]))
                return false;
            next = base + QPointF(v[3], v[4]);
            if (!Finite(next))
                return false;
            sink.Arc(current, v[0], v[1], v[2], large, sweep, next);
            break;
        }
        default:
            return false;
        }
        current = next;
        last = upper;
    }
}

} // namespace

bool ParseSvgPathData(QByteArrayView data, QPainterPath& path)
{
    TPathBuilder builder(path);
    return ReadPathData(data, builder);
}

qint64 SvgPathElementBound(QByteArrayView data)
{
    TPathCounter counter;
    ReadPathData(data, counter);
    return counter.Elements;
}
