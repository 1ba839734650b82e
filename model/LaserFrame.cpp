#include "LaserFrame.h"

QString EffectName(int effect)
{
    static const char* const names[EffectCount] = {
        "Slide", "Morph", "Im-/Explode", "X-Flip", "Y-Flip", "D-Flip", "Rotate", "Drain",
    };
    if (effect < 0 || effect >= EffectCount)
        return QStringLiteral("Unknown");
    return QString::fromLatin1(names[effect]);
}
