#pragma once

#include "HelpLines.h"
#include "LinkMatrix.h"
#include "SmallPoint.h"

#include <QImage>
#include <QString>
#include <vector>

// Transition effect codes of a frame (the transition from the previous frame into it).
enum TEffect : quint16 {
    EffectSlide = 0,
    EffectMorph = 1,
    EffectPlode = 2,
    EffectXFlip = 3,
    EffectYFlip = 4,
    EffectDFlip = 5,
    EffectRotate = 6,
    EffectDrain = 7,
};
constexpr int EffectCount = 8;

// Plain effect name without menu accelerator ("Slide", "Im-/Explode", ...);
// codes outside 0..7 give "Unknown".
QString EffectName(int effect);

struct TImagePart {
    qint32 X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;
    friend bool operator==(const TImagePart&, const TImagePart&) = default;
};

// One frame of a show: the beam path and everything the transition into it needs.
class TLaserFrame {
public:
    enum : quint16 {
        FlagColor = 1,   // 0: first laser colour, 1: second
        FlagLocked = 2,  // the sketchpad ignores mouse presses on a locked frame
    };

    quint16 Delay = 1000;       // display time in ms
    quint16 EffectTime = 0;     // duration of the transition into this frame, ms
    quint16 Flags = 0;
    QString Name;
    QString ImageFile;          // full path of the background image
    TLinkMatrix Links;          // links to the previous frame's points
    THelpLines HelpLines;
    quint16 Effect = EffectSlide;
    qint16 EffectParam = 0;
    qint32 EffectCenterX = 128, EffectCenterY = 128;
    qint32 AuxCenterX = 128, AuxCenterY = 128;
    QImage Image;               // loaded from ImageFile; null when there is none
    TImagePart ImagePart;
    std::vector<TSmallPoint> Points;

    // Deep copy: nothing is shared between the two frames afterwards
    // (QImage detaches on the first write).
    void CopyFrom(const TLaserFrame& source) { *this = source; }

    int PointCount() const { return int(Points.size()); }
    bool ColorBit() const { return Flags & FlagColor; }
    bool IsLocked() const { return Flags & FlagLocked; }

    // Fit Links to [own point count][previousPointCount].
    void FitLinks(int previousPointCount) { Links.Fit(PointCount(), previousPointCount); }
};
