#pragma once

#include "Beats.h"
#include "Result.h"

#include <QByteArray>
#include <QString>
#include <optional>

// The music a show is made to. It is kept beside the show in a small file of its
// own ("party.RZ4.soundtrack"), so the show file stays as other programs read it.
struct TSoundtrack {
    QString MusicFile;    // absolute path; empty: no soundtrack
    int OffsetMs = 0;     // the music starts this long after the show (negative: before)
    // The beats as the user corrected them; none: the tracker's beats are used. They
    // belong to the music: another music file comes without them.
    std::optional<TBeatGrid> Beats = std::nullopt;

    bool IsSet() const { return !MusicFile.isEmpty(); }
    friend bool operator==(const TSoundtrack&, const TSoundtrack&) = default;
};

// The offset a soundtrack file may hold: a day either way.
inline constexpr int MaxSoundtrackOffsetMs = 24 * 3600 * 1000;

struct TSoundtrackFileResult {
    TResult outcome;       // names the file
    bool missing = false;  // there is no soundtrack file: no failure
};

// The soundtrack file of a show: the show file's name with ".soundtrack" appended.
QString SoundtrackFileName(const QString& showFileName);

// The file's text: JSON holding the music's path relative to the show's folder
// (so the two can move together) with '/' between folders, the offset and, once
// corrected, the beats (seconds) and the index of the first downbeat.
QByteArray SoundtrackToJson(const TSoundtrack& soundtrack, const QString& showFileName);
// Reads that text; a relative path is taken from the show's folder. Fails with
// the reason when the text is no soundtrack.
TResult SoundtrackFromJson(const QByteArray& text, const QString& showFileName, TSoundtrack& soundtrack);

// Reads the soundtrack file of `showFileName` into `soundtrack` (untouched on failure).
TSoundtrackFileResult ReadSoundtrackFile(const QString& showFileName, TSoundtrack& soundtrack);
// Writes it through a temporary file, so a failure leaves the old one as it was.
TResult WriteSoundtrackFile(const QString& showFileName, const TSoundtrack& soundtrack);
// Removes the soundtrack file of a show; no file is no failure.
TResult RemoveSoundtrackFile(const QString& showFileName);
