#include "Transforms.h"

#include "Geometry.h"

#include <QtMath>
#include <cmath>

namespace {

// Round half to even, then clamp into a coordinate byte.
quint8 ClampedRound(double v, int offset)
{
    const double r = std::nearbyint(v) + offset;
    return quint8(qBound(0.0, r, 255.0));
}

} // namespace

void RotateFrame(TLaserFrame& frame, double angle)
{
    for (TSmallPoint& p : frame.Points) {
        const int dx = p.X - frame.AuxCenterX;
        const int dy = p.Y - frame.AuxCenterY;
        const double r = std::sqrt(double(dx * dx + dy * dy));
        const double phi = VectorAngle(dx, dy) + angle;
        p.X = ClampedRound(std::cos(phi) * r, frame.EffectCenterX);
        p.Y = ClampedRound(std::sin(phi) * r, frame.EffectCenterY);
    }
}

void RenumberPoints(TLaserFrame& frame)
{
    for (int i = 0; i < frame.PointCount(); ++i)
        frame.Points[i].Name = QString::number(i).left(5);
}

void AddEquilateralPoints(TLaserFrame& frame, int cx, int cy, int sx, int sy, int sides)
{
    if (sides < 1)
        return;
    const double a0 = std::atan2(double(sy - cy), double(sx - cx));
    const double dx = cx - sx, dy = cy - sy;
    const double r = std::sqrt(dx * dx + dy * dy);
    const double step = 2 * M_PI / sides;
    frame.Points.reserve(frame.Points.size() + sides);
    for (int k = 0; k < sides; ++k) {
        TSmallPoint p;
        p.X = ClampedRound(std::cos(k * step + a0) * r, cx);
        p.Y = ClampedRound(std::sin(k * step + a0) * r, cy);
        frame.Points.push_back(p);
    }
}

TEquilateralQuestion EquilateralQuestion(const TEquilateral& equilateral)
{
    return {QStringLiteral("Equilateral"), QStringLiteral("Please enter number of sides:"),
            QString::number(equilateral.Sides)};
}

TEquilateralResult MakeEquilateral(TLaserFrames& show, int frameIndex, TEquilateral& equilateral,
                                   const std::optional<QString>& answer)
{
    if (frameIndex < 0 || frameIndex >= show.Count())
        return TEquilateralResult::NoFrame;
    TLaserFrame& frame = show.Frame(frameIndex);
    auto result = TEquilateralResult::Cancelled;

    if (answer) {
        frame.Points.clear();
        bool ok = false;
        const int sides = answer->trimmed().toInt(&ok, 10);
        result = TEquilateralResult::Made;
        if (ok && sides > MaxEquilateralSides)
            result = TEquilateralResult::TooManySides;
        else if (ok)
            equilateral.Sides = sides;
        AddEquilateralPoints(frame, equilateral.CenterX, equilateral.CenterY, equilateral.StartX,
                             equilateral.StartY, equilateral.Sides);
    }

    RenumberPoints(frame);
    if (frameIndex > 0)
        frame.FitLinks(show.Frame(frameIndex - 1).PointCount());
    return result;
}
