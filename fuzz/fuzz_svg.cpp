// The SVG reader: any bytes as a drawing (or a compressed one), then the frame made of it.
#include "FuzzCommon.h"
#include "SvgImport.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    FuzzStartQt();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    TVectorDrawing drawing;
    int pictures = -1;
    const TResult read = ReadSvgDrawing(bytes, drawing, &pictures);
    FUZZ_CHECK(pictures >= 0);
    if (!read.ok) {
        FUZZ_CHECK(drawing.empty() && !read.message.isEmpty());
        return 0;
    }
    FuzzCheckFrame(BuildVectorFrame(drawing, {}));
    return 0;
}
