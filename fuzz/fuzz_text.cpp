// The text builder: any text in a Hershey font or an installed outline font.
#include "FuzzCommon.h"
#include "TextFrame.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    FuzzStartQt();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    static const TTextFont fonts[] = {{TTextFont::TKind::Hershey, QString()},
                                      {TTextFont::TKind::Hershey, QStringLiteral("rowmans")},
                                      {TTextFont::TKind::Hershey, QStringLiteral("../futural")},
                                      {TTextFont::TKind::Outline, QStringLiteral("DejaVu Sans")}};
    const TTextFont& font = fonts[data[0] % 4];
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    const TVectorFrameResult result = MakeTextFrame(text, font, {});
    FuzzCheckFrame(result);
    if (result.outcome.ok)
        FUZZ_CHECK(result.Frame->Name.size() <= 64);
    return 0;
}
