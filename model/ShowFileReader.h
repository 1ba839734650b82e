#pragma once

#include "LaserFrames.h"
#include "ShowFileLimits.h"

#include <QIODevice>
#include <QString>

// Reads the "Pudlo" show format, versions 0 to 6 (a higher version reads as 6).
class TShowFileReader {
public:
    enum class Status {
        Ok,        // frames were read (possibly none: a header-only file)
        NotAShow,  // 5 bytes or less, or the magic is not "RZ4P": the editor opens a default frame
        Damaged,   // ends inside a frame record or cannot be read: nothing is handed over
    };
    struct Result {
        Status status = Status::Ok;
        int version = -1;     // the version byte as stored, -1 when there was none
        QString error;        // what is wrong, without the file name
        bool ok() const { return status == Status::Ok; }
    };

    struct Options {
        // Background images are decoded only for a reader that shows them; each
        // distinct file once, shared by every frame that names it.
        bool LoadImages = true;
    };

    // Appends the frames of the show on `device` to `show`. On Damaged `show` holds
    // the frames read so far; callers read into a fresh show and drop it.
    static Result Read(QIODevice& device, TLaserFrames& show, const Options& options);
    static Result Read(QIODevice& device, TLaserFrames& show) { return Read(device, show, Options()); }

    static constexpr qint64 MaxFileSize = MaxShowFileSize;
};
