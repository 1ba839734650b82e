#pragma once

#include "Builders.h"
#include "LaserFrame.h"
#include "CompileProgress.h"
#include "Render.h"

#include <QByteArray>
#include <QList>
#include <QMetaType>
#include <QStringList>
#include <QtGlobal>
#include <initializer_list>

// One sample frame read back from packed bytes, assuming no output inversion:
// left = (u - 128) * 256 + flags, right = (127 - v) * 256.
struct TSample {
    int X = 0;
    int Y = 0;
    bool Colour = false;
    bool Blank = false;
    friend bool operator==(const TSample&, const TSample&) = default;
};

inline QList<TSample> DecodeSamples(const QByteArray& bytes, qsizetype from = 0)
{
    QList<TSample> out;
    for (qsizetype at = from; at + 4 <= bytes.size(); at += 4) {
        const auto b = reinterpret_cast<const uchar*>(bytes.constData() + at);
        out.append({(b[1] + 128) & 255, (127 - b[3]) & 255, bool(b[0] & 1), bool(b[0] & 2)});
    }
    return out;
}

inline char* toString(const TSample& s)
{
    return qstrdup(QByteArray("(%1, %2%3%4)")
                       .replace("%1", QByteArray::number(s.X))
                       .replace("%2", QByteArray::number(s.Y))
                       .replace("%3", s.Colour ? " colour" : "")
                       .replace("%4", s.Blank ? " blank" : "")
                       .constData());
}

Q_DECLARE_METATYPE(TBeamPoint)

inline char* toString(const TBeamPoint& p)
{
    return qstrdup(QByteArray("(" + QByteArray::number(p.X) + ", " + QByteArray::number(p.Y) + ")")
                       .constData());
}

struct TPt {
    int X, Y;
    quint16 Flags = 0;
};

inline TLaserFrame MakeFrame(std::initializer_list<TPt> points)
{
    TLaserFrame f;
    for (const TPt& p : points)
        f.Points.push_back(PointAt(p.X, p.Y, p.Flags));
    return f;
}

// A horizontal line through the middle, shown `delay` ms.
inline TLaserFrame& AddLine(TLaserFrames& show, quint16 delay)
{
    TLaserFrame& f = show.Add();
    f = MakeFrame({{0, 128}, {255, 128}});
    f.Delay = delay;
    return f;
}

// Records every progress call as text, in order.
class TProgressLog : public TCompileProgress {
public:
    QStringList Calls;
    void SetFrameLabel(const QString& text) override { Calls << "label " + text; }
    void SetMorphMax(int v) override { Calls << "morphMax " + QString::number(v); }
    void SetMorphPos(int v) override { Calls << "morph " + QString::number(v); }
    void SetFrameMax(int v) override { Calls << "frameMax " + QString::number(v); }
    void SetFramePos(int v) override { Calls << "frame " + QString::number(v); }
    void SetTotalMax(int v) override { Calls << "totalMax " + QString::number(v); }
    void SetTotalPos(int v) override { Calls << "total " + QString::number(v); }
    void Repaint() override { Calls << "repaint"; }
};
