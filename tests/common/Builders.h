#pragma once

// What tests build their cases from: points and frames from lists of positions,
// shows written to disk, and whole files as bytes.

#include "LaserFrames.h"
#include "ShowFile.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QList>
#include <QPoint>
#include <QString>
#include <QStringList>

// --- files -------------------------------------------------------------------------

inline bool WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// Empty when the file cannot be read.
inline QByteArray ReadFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Everything in the folder but the named entries: a temporary file left behind shows here.
inline QStringList Litter(const QString& folder, const QStringList& expected)
{
    QStringList names = QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System);
    for (const QString& name : expected)
        names.removeAll(name);
    return names;
}

// --- points and frames -------------------------------------------------------------

// A new point at (x, y): every selection bit set, as the editor makes it.
inline TSmallPoint PointAt(int x, int y, quint16 flags = 0)
{
    TSmallPoint point;
    point.X = quint8(x);
    point.Y = quint8(y);
    point.Flags = flags;
    return point;
}

// Appends an unselected point at (x, y) named by its number, as the pad's tools
// leave a new point, and returns it.
inline TSmallPoint& AddNumberedPoint(TLaserFrame& frame, int x, int y, quint16 flags = 0)
{
    TSmallPoint point = PointAt(x, y, flags);
    point.Selection = 0;
    point.Name = QString::number(frame.PointCount());
    frame.Points.push_back(point);
    return frame.Points.back();
}

// Appends a point at each position, in order, with `flags` and `name`.
inline void AddPoints(TLaserFrame& frame, const QList<QPoint>& positions, quint16 flags = 0,
                      const QString& name = {})
{
    for (const QPoint& p : positions) {
        TSmallPoint point = PointAt(p.x(), p.y(), flags);
        point.Name = name;
        frame.Points.push_back(point);
    }
}

// A frame with a point at each position.
inline TLaserFrame FrameOf(const QList<QPoint>& positions, quint16 pointFlags = 0)
{
    TLaserFrame frame;
    AddPoints(frame, positions, pointFlags);
    return frame;
}

// --- shows -------------------------------------------------------------------------

inline QStringList FrameNames(const TLaserFrames& show)
{
    QStringList names;
    for (int i = 0; i < show.Count(); ++i)
        names << show.Frame(i).Name;
    return names;
}

// `frames` frames of `points` numbered points each, with links from the first rows of
// every matrix: the matrices stay small in memory, while a show file stores them
// whole, so its size grows with the square of `points`.
inline void FillLinkedShow(TLaserFrames& show, int frames = 4, int points = 40)
{
    for (int k = 0; k < frames; ++k) {
        TLaserFrame& f = show.Add();
        f.Name = QStringLiteral("frame %1").arg(k);
        for (int i = 0; i < points; ++i) {
            TSmallPoint p = PointAt(i * 5 + k, i * 3);
            p.Name = QString::number(i);
            f.Points.push_back(p);
        }
        f.FitLinks(k ? points : 0);
        for (int i = 0; k && i < points; ++i)
            f.Links.Set(i % 64, i, true);
    }
}

// Writes the show and returns `path`. A show that cannot be written stops the test
// run: every check after it would test nothing.
inline QString WriteTestShow(const QString& path, TLaserFrames& show)
{
    const TResult written = WriteShowFile(path, show);
    if (!written.ok)
        qFatal("cannot write %s: %s", qPrintable(path), qPrintable(written.message));
    return path;
}
