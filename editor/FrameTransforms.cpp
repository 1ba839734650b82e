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

void RotateFrameByDegrees(TLaserFrame& frame, int degrees)
{
    RotateFrame(frame, -double(degrees) / 180 * M_PI);
}

bool SetCenters(TLaserFrame& frame, const TCenterAnswers& answers)
{
    const auto byte = [](const std::optional<int>& v) { return v && *v >= 0 && *v <= 255; };
    bool stored = false;
    if (byte(answers.EffectX) && byte(answers.EffectY)) {
        frame.EffectCenterX = *answers.EffectX;
        frame.EffectCenterY = *answers.EffectY;
        stored = true;
    }
    if (byte(answers.AuxX) && byte(answers.AuxY)) {
        frame.AuxCenterX = *answers.AuxX;
        frame.AuxCenterY = *answers.AuxY;
        stored = true;
    }
    return stored;
}

std::optional<int> WholeNumber(const QString& text)
{
    bool ok = false;
    const int n = text.trimmed().toInt(&ok, 10);
    return ok ? std::optional<int>(n) : std::nullopt;
}

std::optional<double> ScaleFactor(const QString& text)
{
    bool ok = false;
    const double factor = text.trimmed().toDouble(&ok);
    return ok && std::isfinite(factor) ? std::optional<double>(factor) : std::nullopt;
}

QString NoCenterAxisMessage()
{
    return QStringLiteral("The effect center and the auxiliary center lie on the same spot, "
                          "so there is no axis to flip the frame at.");
}
