#pragma once

#include "LaserFrames.h"
#include "Result.h"

#include <QString>
#include <memory>

// File-level show operations. Messages name the file; the caller decides how to show them.
struct TShowFileResult {
    // A missing, short or foreign file is no failure of ReadShowFile and OpenShowFile:
    // `missing` or `notAShow` tells, and the message names the file and what it is.
    TResult outcome;
    int version = -1;      // version byte of the file read, -1 when none
    bool missing = false;  // no file of that name
    bool notAShow = false; // too short or wrong magic

    // The outcome for a caller that needs a show: failed as well when none was read.
    TResult ShowOutcome() const
    {
        TResult result = outcome;
        if (missing || notAShow)
            result.ok = false;
        return result;
    }
};

struct TShowReadOptions {
    bool LoadImages = true; // the command line never shows the background images
};

// Reads `fileName` into `show` (which should be empty). A missing file leaves the
// show empty and FileName unset; otherwise FileName is set to fileName.
TShowFileResult ReadShowFile(TLaserFrames& show, const QString& fileName,
                             const TShowReadOptions& options = TShowReadOptions());

// Writes the whole show through a temporary file that replaces `fileName` only when
// everything was written, so a failure leaves the previous file as it was. A target
// that is not a regular file is refused; a symbolic link is written through.
TResult WriteShowFile(const QString& fileName, TLaserFrames& show);

// Reads `fileName` into a new show and hands it to `target` only on success. A
// missing, short or foreign file gives a show of one default frame (and succeeds);
// a damaged file fails and leaves `target` untouched.
TShowFileResult OpenShowFile(const QString& fileName, std::unique_ptr<TLaserFrames>& target);

// The compiled show's name: the show's file name with ".WAV" appended.
QString WaveFileName(const QString& showFileName);
