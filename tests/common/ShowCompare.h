#pragma once

#include "LaserFrames.h"

#include <QtTest>

// A show read back holds every field of the show written, frame by frame and point
// by point; read points come unselected. Points are compared without QCOMPARE's
// cost each, so a show of millions of points checks quickly. Callers check
// QTest::currentTestFailed() before going on.
inline void CompareShows(const TLaserFrames& read, const TLaserFrames& written)
{
    QCOMPARE(read.Count(), written.Count());
    for (int k = 0; k < written.Count(); ++k) {
        const TLaserFrame& x = written.Frame(k);
        const TLaserFrame& y = read.Frame(k);
        QCOMPARE(y.Name, x.Name);
        QCOMPARE(y.Delay, x.Delay);
        QCOMPARE(y.EffectTime, x.EffectTime);
        QCOMPARE(y.Effect, x.Effect);
        QCOMPARE(y.EffectParam, x.EffectParam);
        QCOMPARE(y.EffectCenterX, x.EffectCenterX);
        QCOMPARE(y.EffectCenterY, x.EffectCenterY);
        QCOMPARE(y.AuxCenterX, x.AuxCenterX);
        QCOMPARE(y.AuxCenterY, x.AuxCenterY);
        QCOMPARE(y.Flags, x.Flags);
        QCOMPARE(y.ImageFile, x.ImageFile);
        QCOMPARE(y.ImagePart, x.ImagePart);
        QVERIFY(y.HelpLines == x.HelpLines);
        QVERIFY(y.Links == x.Links);
        QCOMPARE(y.PointCount(), x.PointCount());
        for (int i = 0; i < x.PointCount(); ++i) {
            const TSmallPoint& p = y.Points[size_t(i)];
            const TSmallPoint& q = x.Points[size_t(i)];
            if (p.Name != q.Name || p.X != q.X || p.Y != q.Y || p.Flags != q.Flags || p.Selection != 0)
                QFAIL(qPrintable(QStringLiteral("frame %1, point %2 differs").arg(k).arg(i)));
        }
    }
}
