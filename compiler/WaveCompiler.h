#pragma once

#include "CompileProgress.h"
#include "Result.h"
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
    TResult outcome = TResult::Failure({}); // names the file
    quint32 sampleFrames = 0; // sample frames in the data chunk
    qint64 bytes = 0;         // size of the whole file
    int framesDrawn = 0;      // frames with points, the ones that produced a path
    std::vector<TFrameTiming> timing; // one per frame of the show, in show order
};

// The sample frames CompileShow writes for the show, counted without producing
// any; -1 when they are more than a WAV file can hold.
qint64 CountSampleFrames(const TLaserFrames& show, const TCompileOptions& options);

// Compiles the whole show into a WAV file at wavFileName (replacing any file of
// that name, or the file a symbolic link of that name points to). A show too long
// for a WAV file is refused before anything is written; the file appears only
// when it is complete. A target that is not a regular file is refused. `progress`
// may be null.
TCompileResult CompileShow(const TLaserFrames& show, const QString& wavFileName,
                           const TCompileOptions& options, TCompileProgress* progress = nullptr);

// Runs the compile without writing anything and without producing the display
// passes: the sample counts and the timing of every frame, as CompileShow would
// give them. `wavFileName` only names the show in messages.
TCompileResult MeasureShow(const TLaserFrames& show, const TCompileOptions& options,
                           const QString& wavFileName = QString());
