#include "Geometry.h"

#include <cmath>

namespace {

constexpr long double PiExtended = 3.141592653589793238462643383279502884L;

} // namespace

double VectorAngle(int dx, int dy)
{
    if (dx == 0) {
        if (dy > 0)
            return double(PiExtended / 2);
        if (dy < 0)
            return double(3 * PiExtended / 2);
        return 0.0;
    }
    const long double q = (long double)dy / (long double)dx;
    long double angle = atanl(q);
    if (dx < 0)
        angle += PiExtended;
    else if (dy < 0)
        angle += 2 * PiExtended;
    return double(angle);
}

int SnapToGrid(int v, int gridSize)
{
    if (gridSize < 1)
        return v;
    const int q = (v + gridSize / 2) / gridSize;
    const int snapped = (q * gridSize) % 256;
    if (v > gridSize && snapped < gridSize)
        return 255;
    return snapped;
}
