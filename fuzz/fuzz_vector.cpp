// The vector builder: paths with any coordinates (NaN, infinities, denormals, the
// ends of the double range, put in place past the painter path's own checks), any
// tolerance and sharp angle, become a frame or a refusal.
#include "FuzzCommon.h"

#include <cstring>

namespace {

class TFuzzInput {
public:
    TFuzzInput(const uint8_t* data, size_t size) : FData(data), FSize(size) {}
    bool Empty() const { return FAt >= FSize; }
    uint8_t Byte() { return FAt < FSize ? FData[FAt++] : 0; }
    double Double()
    {
        // Mostly small numbers, sometimes any bit pattern at all.
        const uint8_t kind = Byte();
        if (kind < 200)
            return double(int8_t(Byte())) + Byte() / 256.0;
        double v = 0;
        uint8_t raw[8] = {};
        for (uint8_t& b : raw)
            b = Byte();
        std::memcpy(&v, raw, sizeof v);
        return v;
    }

private:
    const uint8_t* FData;
    size_t FSize;
    size_t FAt = 0;
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    FuzzStartQt();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TFuzzInput in(data, size);
    TVectorOptions options;
    options.Tolerance = in.Double();
    options.SharpAngle = in.Double();
    TVectorDrawing drawing;
    while (!in.Empty() && drawing.size() < 64) {
        TVectorPath path;
        path.Filled = in.Byte() & 1;
        const int elements = in.Byte() % 64;
        // The structure first, then every element's coordinates as they come.
        path.Path.moveTo(0, 0);
        for (int i = 0; i < elements && !in.Empty(); ++i) {
            const uint8_t op = in.Byte() % 4;
            const double step = i + 1;
            if (op == 0)
                path.Path.moveTo(step, 0);
            else if (op == 1)
                path.Path.cubicTo(step, 1, step, 2, step, 3);
            else
                path.Path.lineTo(step, step);
        }
        for (int i = 0; i < path.Path.elementCount(); ++i)
            path.Path.setElementPositionAt(i, in.Double(), in.Double());
        drawing.push_back(std::move(path));
    }
    FuzzCheckFrame(BuildVectorFrame(drawing, options));
    return 0;
}
