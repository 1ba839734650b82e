#pragma once

#include "LaserFrames.h"

#include <QString>
#include <QtGlobal>

// Checks and completes the link matrices that a Morph transition follows.
// Links[i][j] of frame k links its point i to point j of frame k-1. A matrix may
// be stale after point edits: positions outside it count as not linked, and
// nothing here ever re-dimensions it.

// Appends "Frame k has no link from point j!" + CR LF for every point j of frame
// k-1 that no point of frame k links to, in point order. Nothing unless the show
// has two frames or more and k is 1 or more (and a frame of the show).
void CheckFrameLinks(const TLaserFrames& show, int k, QString& report);

// The report of every frame from 1 to the last, in frame order.
QString CheckAllLinks(const TLaserFrames& show);

// What a link check tells the user: the report as a warning, or "Everything's
// fine!" as information when the report is empty.
struct TLinkCheckMessage {
    bool Warning = false;
    QString Text;
};
TLinkCheckMessage LinkCheckMessage(const QString& report);

struct TOverlayResult {
    qint64 Count = 0;   // pairs within reach inside the matrix, linked before or not
    qint64 Added = 0;   // links that were not set before
};

// Links every point i of frame k to every point j of frame k-1 that lies closer
// than 2 * circleSize on both axes, and marks point i. Links are only added.
// A pair outside a stale matrix is skipped: neither counted nor marked.
// Nothing unless the show has two frames or more and k is a frame from 1 on.
TOverlayResult LinkOverlayingPoints(TLaserFrames& show, int k, int circleSize);

// "3 overlapping points found!"; empty for a count of 0 (no message then).
QString OverlayMessage(qint64 count);
