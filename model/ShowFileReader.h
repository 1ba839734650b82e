#pragma once

#include "LaserFrames.h"
#include "Result.h"
#include "ShowFileLimits.h"

#include <QIODevice>
#include <QString>

// Reads the "Pudlo" show format, versions 0 to 6 (a higher version reads as 6).
class TShowFileReader {
public:
    struct Result {
        // Fails when the data ends inside a frame record or cannot be read: nothing is
        // handed over. The message says what is wrong, without the file name.
        TResult outcome;
        // 5 bytes or less, or the magic is not "RZ4P": no frames, the editor opens a
        // default frame. Not a failure.
        bool notAShow = false;
        int version = -1;     // the version byte as stored, -1 when there was none
        // A show was read (possibly without frames: a header-only file).
        bool IsShow() const { return outcome.ok && !notAShow; }
    };

    struct Options {
        // Background images are decoded only for a reader that shows them; each
        // distinct file once, shared by every frame that names it.
        bool LoadImages = true;
    };

    // Appends the frames of the show on `device` to `show`. A device that tells its
    // size (a file, a buffer) is read a block of BlockSize bytes at a time; a stream,
    // which tells none to check counts against, is read whole (up to MaxFileSize)
    // first. On failure `show` holds the frames read so far; callers read into a
    // fresh show and drop it.
    static Result Read(QIODevice& device, TLaserFrames& show, const Options& options);
    static Result Read(QIODevice& device, TLaserFrames& show) { return Read(device, show, Options()); }

    static constexpr qint64 MaxFileSize = MaxShowFileSize;
    static constexpr qint64 BlockSize = qint64(1) << 20;
};
