#pragma once

#include "CompileProgress.h"
#include "ScanDelays.h"

#include <QString>

class TLaserFrames;

struct TCompileOptions {
    TScanDelays Delays;
    bool FlipX = false;  // the Settings menu's "Flip X" output inversion
    bool FlipY = false;  // the Settings menu's "Flip Y" output inversion
};

struct TCompileResult {
    bool ok = false;
    QString message;          // on failure: what went wrong, naming the file
    quint32 sampleFrames = 0; // sample frames in the data chunk
    qint64 bytes = 0;         // size of the whole file
    int framesDrawn = 0;      // frames with points, the ones that produced a path
};

// Compiles the whole show into a WAV file at wavFileName (replacing any file of
// that name). `progress` may be null.
TCompileResult CompileShow(const TLaserFrames& show, const QString& wavFileName,
                           const TCompileOptions& options, TCompileProgress* progress = nullptr);
