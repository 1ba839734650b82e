#pragma once

#include "LaserFrames.h"
#include "WaveCompiler.h"

#include <QtGlobal>
#include <initializer_list>

// Shows made from a seed, the same on every machine and Qt version (SplitMix64,
// not QRandomGenerator): every effect and unknown code, angles from 0 to the
// 16-bit extremes, centres on and off the picture, held and repeated points,
// blank and sharp flags, links, odd delays and both output inversions.
class TShowDice {
public:
    explicit TShowDice(quint64 seed) : FState(seed) {}

    quint64 Next()
    {
        quint64 z = (FState += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    int Below(int n) { return int(Next() % quint64(n)); }
    template <class T>
    T Pick(std::initializer_list<T> values)
    {
        return values.begin()[Below(int(values.size()))];
    }

private:
    quint64 FState;
};

struct TRandomShow {
    TLaserFrames Show;
    TCompileOptions Options;
};

// `scale` multiplies the longest times and point counts: 1 keeps a show to a few
// seconds of samples.
inline void FillRandomShow(TRandomShow& out, quint64 seed, int scale = 1)
{
    TShowDice dice(seed);
    const int frames = 1 + dice.Below(6);
    for (int k = 0; k < frames; ++k) {
        TLaserFrame& f = out.Show.Add();
        const int points = dice.Pick({0, 1, 2, 3, 5, 12, 30}) * (dice.Below(4) == 0 ? scale : 1);
        const bool clustered = dice.Below(3) == 0;
        for (int i = 0; i < points; ++i) {
            TSmallPoint p;
            if (i > 0 && dice.Below(6) == 0) {
                p = f.Points.back(); // the same position again
            } else if (clustered) {
                p.X = quint8(120 + dice.Below(17));
                p.Y = quint8(120 + dice.Below(17));
            } else {
                p.X = quint8(dice.Below(256));
                p.Y = quint8(dice.Below(256));
            }
            p.Flags = quint16(dice.Below(4));
            f.Points.push_back(p);
        }
        f.Delay = quint16(dice.Pick({0, 1, 13, 40, 250, 700}));
        f.EffectTime = quint16(dice.Pick({0, 1, 3, 40, 120, 300, 900}) * (dice.Below(3) ? 1 : scale));
        f.Effect = quint16(dice.Pick({0, 1, 2, 2, 3, 4, 5, 6, 6, 6, 7, 7, 7, 8}));
        const int angle = dice.Pick({0, 1, -1, 45, -45, 90, 180, -180, 270, 360, 720, 1000, 32767, -32768, -1});
        f.EffectParam = qint16(angle != -1 ? angle : dice.Below(65536) - 32768);
        const auto centre = [&] {
            const int c = dice.Pick({0, 1, 128, 254, 255, -1});
            return c == -1 ? dice.Below(256) : c;
        };
        f.EffectCenterX = dice.Below(2) ? centre() : dice.Below(256);
        f.EffectCenterY = dice.Below(2) ? centre() : dice.Below(256);
        f.AuxCenterX = dice.Below(4) ? dice.Below(256) : f.EffectCenterX;
        f.AuxCenterY = dice.Below(4) ? dice.Below(256) : f.EffectCenterY;
        f.Flags = quint16(dice.Below(2));
        f.FitLinks(out.Show.PreviousPointCount(k));
        const int density = dice.Pick({0, 1, 3, 3});
        for (int i = 0; i < f.Links.Rows(); ++i)
            for (int j = 0; j < f.Links.Cols(); ++j)
                if (density && dice.Below(density) == 0)
                    f.Links.Set(i, j, true);
    }
    const int delays = dice.Below(6);
    if (delays == 1)
        out.Options.Delays = {1, 0, 0, 0};
    else if (delays == 2)
        out.Options.Delays = {0, 0, 3, 7};
    else if (delays == 3)
        out.Options.Delays = {quint16(1 + dice.Below(40)), quint16(1 + dice.Below(60)),
                              quint16(1 + dice.Below(80)), quint16(dice.Below(200))};
    out.Options.FlipX = dice.Below(2);
    out.Options.FlipY = dice.Below(2);
}
