#pragma once

#include "CompileProgress.h"
#include "ScanDelays.h"

#include <QString>
#include <vector>

class TLaserFrames;

struct TCompileOptions {
    TScanDelays Delays;
    bool FlipX = false;  // the Settings menu's "Flip X" output inversion
    bool FlipY = false;  // the Settings menu's "Flip Y" output inversion
};

// Where one frame's display lies in the compiled samples: it starts at sample
// frame DisplayStart and runs Repetitions whole passes of its PathSamples-long
// path, so the next frame's transition begins at DisplayEnd(). A frame without a
// path (no points) has PathSamples 0 and is not in the file at all.
struct TFrameTiming {
    qint64 DisplayStart = 0;
    qint64 PathSamples = 0;
    qint64 Repetitions = 0;

    qint64 DisplayEnd() const { return DisplayStart + Repetitions * PathSamples; }
};

struct TCompileResult {
    bool ok = false;
    QString message;          // on failure: what went wrong, naming the file
    quint32 sampleFrames = 0; // sample frames in the data chunk
    qint64 bytes = 0;         // size of the whole file
    int framesDrawn = 0;      // frames with points, the ones that produced a path
    std::vector<TFrameTiming> timing; // one per frame of the show, in show order
};

// Compiles the whole show into a WAV file at wavFileName (replacing any file of
// that name). `progress` may be null.
TCompileResult CompileShow(const TLaserFrames& show, const QString& wavFileName,
                           const TCompileOptions& options, TCompileProgress* progress = nullptr);

// Runs the compile without writing anything and without producing the display
// passes: the sample counts and the timing of every frame, as CompileShow would
// give them. `wavFileName` only names the show in messages.
TCompileResult MeasureShow(const TLaserFrames& show, const TCompileOptions& options,
                           const QString& wavFileName = QString());
