#include "FrameTransforms.h"

#include <QtMath>
#include <algorithm>
#include <cmath>
#include <optional>

namespace {

quint8 ClampByte(double v)
{
    return quint8(qBound(0.0, v, 255.0));
}

quint8 ClampByte(qint64 v)
{
    return quint8(std::clamp<qint64>(v, 0, 255));
}

std::optional<int> WholeNumber(const std::optional<QString>& text)
{
    if (!text)
        return std::nullopt;
    bool ok = false;
    const int n = text->trimmed().toInt(&ok, 10);
    return ok ? std::optional<int>(n) : std::nullopt;
}

// What a command may change, to tell a real change from a no-op.
struct TFrameSnapshot {
    std::vector<TSmallPoint> Points;
    qint32 Centers[4];

    explicit TFrameSnapshot(const TLaserFrame& f)
        : Points(f.Points), Centers{f.EffectCenterX, f.EffectCenterY, f.AuxCenterX, f.AuxCenterY}
    {
    }
    bool Differs(const TLaserFrame& f) const
    {
        return Points != f.Points || Centers[0] != f.EffectCenterX || Centers[1] != f.EffectCenterY
            || Centers[2] != f.AuxCenterX || Centers[3] != f.AuxCenterY;
    }
};

TLaserFrame* FrameAt(TLaserFrames& show, int index)
{
    return index >= 0 && index < show.Count() ? &show.Frame(index) : nullptr;
}

// Runs `change` on the frame, if there is one, and reports what it did. The
// change returns false when it found nothing to do.
template <typename TChange>
TFrameCommandResult Run(TLaserFrames& show, int index, bool thumbnails, TChange change)
{
    TFrameCommandResult result;
    TLaserFrame* frame = FrameAt(show, index);
    if (!frame)
        return result;
    const TFrameSnapshot before(*frame);
    result.Ran = change(*frame);
    result.Changed = before.Differs(*frame);
    result.RepaintThumbnails = result.Ran && thumbnails;
    return result;
}

} // namespace

void MirrorFrameAtXAxis(TLaserFrame& frame)
{
    for (TSmallPoint& p : frame.Points)
        p.Y = quint8(255 - p.Y);
}

void MirrorFrameAtYAxis(TLaserFrame& frame)
{
    for (TSmallPoint& p : frame.Points)
        p.X = quint8(255 - p.X);
}

bool MirrorFrameAtCenterAxis(TLaserFrame& frame)
{
    // Doubles throughout: the centres are 32-bit, their squares are not.
    const double ex = frame.EffectCenterX, ey = frame.EffectCenterY;
    const double dx = ex - frame.AuxCenterX, dy = ey - frame.AuxCenterY;
    const double denominator = dx * dx + dy * dy;
    if (denominator == 0)
        return false;
    for (TSmallPoint& p : frame.Points) {
        const double t = ((p.X - ex) * dx + (p.Y - ey) * dy) / denominator;
        const double fx = std::nearbyint(dx * t) + ex;
        const double fy = std::nearbyint(dy * t) + ey;
        p.X = ClampByte(2 * fx - p.X);
        p.Y = ClampByte(2 * fy - p.Y);
    }
    return true;
}

void CenterFrame(TLaserFrame& frame)
{
    if (frame.Points.empty())
        return;
    qint64 minX = frame.AuxCenterX, maxX = minX;
    qint64 minY = frame.AuxCenterY, maxY = minY;
    for (const TSmallPoint& p : frame.Points) {
        minX = qMin<qint64>(minX, p.X);
        maxX = qMax<qint64>(maxX, p.X);
        minY = qMin<qint64>(minY, p.Y);
        maxY = qMax<qint64>(maxY, p.Y);
    }
    const qint64 shiftX = frame.EffectCenterX - (minX + maxX) / 2;
    const qint64 shiftY = frame.EffectCenterY - (minY + maxY) / 2;
    for (TSmallPoint& p : frame.Points) {
        p.X = ClampByte(p.X + shiftX);
        p.Y = ClampByte(p.Y + shiftY);
    }
}

void ScaleFrame(TLaserFrame& frame, double factor)
{
    const double ax = frame.AuxCenterX, ay = frame.AuxCenterY;
    for (TSmallPoint& p : frame.Points) {
        p.X = ClampByte(std::nearbyint((p.X - ax) * factor) + ax);
        p.Y = ClampByte(std::nearbyint((p.Y - ay) * factor) + ay);
    }
}

TFrameCommandResult FlipFrameAtXAxis(TLaserFrames& show, int index)
{
    return Run(show, index, true, [](TLaserFrame& f) {
        MirrorFrameAtXAxis(f);
        return true;
    });
}

TFrameCommandResult FlipFrameAtYAxis(TLaserFrames& show, int index)
{
    return Run(show, index, true, [](TLaserFrame& f) {
        MirrorFrameAtYAxis(f);
        return true;
    });
}

QString NoCenterAxisMessage()
{
    return QStringLiteral("The effect center and the auxiliary center lie on the same spot, "
                          "so there is no axis to flip the frame at.");
}

TFrameCommandResult FlipFrameAtCenterAxis(TLaserFrames& show, int index)
{
    TFrameCommandResult result = Run(show, index, true, MirrorFrameAtCenterAxis);
    const TLaserFrame* frame = FrameAt(show, index);
    if (frame && !result.Ran)
        result.Message = NoCenterAxisMessage();
    return result;
}

TFrameCommandResult CenterFrameCommand(TLaserFrames& show, int index)
{
    return Run(show, index, true, [](TLaserFrame& f) {
        CenterFrame(f);
        return !f.Points.empty();
    });
}

TFrameCommandResult RotateFrameCommand(TLaserFrames& show, int index, const TInputText& input)
{
    return Run(show, index, true, [&input](TLaserFrame& f) {
        // Cancel rotates nothing: a rotation by 0 would still move the frame by
        // effect centre - auxiliary centre.
        const std::optional<int> degrees = WholeNumber(
            input(QStringLiteral("Enter rotation in degrees"), QStringLiteral("rotate frame"),
                  QStringLiteral("0")));
        if (!degrees)
            return false;
        RotateFrame(f, -double(*degrees) / 180 * M_PI);
        return true;
    });
}

TFrameCommandResult ScaleFrameCommand(TLaserFrames& show, int index, const TInputText& input)
{
    return Run(show, index, true, [&input](TLaserFrame& f) {
        if (f.Points.empty())
            return false;
        const std::optional<QString> answer = input(QStringLiteral("Enter scale factor (1=100%)"),
                                                    QStringLiteral("scale frame"),
                                                    QStringLiteral("1"));
        if (!answer)
            return false;
        bool ok = false;
        const double factor = answer->trimmed().toDouble(&ok);
        if (!ok || !std::isfinite(factor))
            return false;
        ScaleFrame(f, factor);
        return true;
    });
}

TFrameCommandResult SetCentersCommand(TLaserFrames& show, int index, const TInputText& input)
{
    return Run(show, index, true, [&input](TLaserFrame& f) {
        // A cancelled box keeps its prefilled value, as if it had been confirmed.
        auto ask = [&input](const char* caption, const char* prompt, qint32 value) {
            const QString text = QString::number(value);
            return WholeNumber(input(QString::fromLatin1(caption), QString::fromLatin1(prompt), text)
                                   .value_or(text));
        };
        auto byte = [](const std::optional<int>& v) { return v && *v >= 0 && *v <= 255; };
        const auto ex = ask("Enter new effect center point (x)", "effect center", f.EffectCenterX);
        const auto ey = ask("Enter new effect center point (y)", "effect center", f.EffectCenterY);
        const auto ax = ask("Enter new auxiliary center point (x)", "auxiliary center", f.AuxCenterX);
        const auto ay = ask("Enter new auxiliary center point (y)", "auxiliary center", f.AuxCenterY);
        bool stored = false;
        if (byte(ex) && byte(ey)) {
            f.EffectCenterX = *ex;
            f.EffectCenterY = *ey;
            stored = true;
        }
        if (byte(ax) && byte(ay)) {
            f.AuxCenterX = *ax;
            f.AuxCenterY = *ay;
            stored = true;
        }
        return stored;
    });
}

TFrameCommandResult RenumberCommand(TLaserFrames& show, int index)
{
    return Run(show, index, false, [](TLaserFrame& f) {
        RenumberPoints(f);
        return true;
    });
}

const std::array<TFrameCommandEntry, 8>& FrameCommandTable()
{
    static const std::array<TFrameCommandEntry, 8> table{{
        {"miFrameFlipX2", [](TLaserFrames& s, int i, const TInputText&) { return FlipFrameAtXAxis(s, i); }},
        {"miFrameFlipY", [](TLaserFrames& s, int i, const TInputText&) { return FlipFrameAtYAxis(s, i); }},
        {"miFrameFlipD", [](TLaserFrames& s, int i, const TInputText&) { return FlipFrameAtCenterAxis(s, i); }},
        {"miCenterFrame", [](TLaserFrames& s, int i, const TInputText&) { return CenterFrameCommand(s, i); }},
        {"miRotateFrame", RotateFrameCommand},
        {"miScale", ScaleFrameCommand},
        {"miSetRotPoint", SetCentersCommand},
        {"miRenum", [](TLaserFrames& s, int i, const TInputText&) { return RenumberCommand(s, i); }},
    }};
    return table;
}
