#include "CliCommon.h"

#include "Result.h"
#include "ShowFile.h"

QString CliUsage()
{
    return QStringLiteral(
        "Usage: skelmar-cli COMMAND ...\n"
        "\n"
        "Commands:\n"
        "  info SHOW [--json]     print the format version and every frame of a show\n"
        "  resave IN OUT          read a show and write it back in the current format\n"
        "  compile SHOW [--out WAV] [--delays A,B,C,D] [--flip-x] [--flip-y] [--quiet]\n"
        "                         compile a show into the WAV file that drives the laser\n"
        "                         (default name: SHOW with \".WAV\" appended)\n"
        "  export-ilda SHOW OUT.ild [--format 0|1|4|5]\n"
        "                         write the show as an ILDA file (default format 5)\n"
        "  import-ilda IN.ild OUT.RZ4 [--delay MS]\n"
        "                         turn the frames of an ILDA file into a show\n"
        "                         (each frame shown MS milliseconds, default 40)\n"
        "  import-svg IN.svg OUT.RZ4 [--tolerance T]\n"
        "                         turn an SVG drawing into a one-frame show, curves\n"
        "                         within T frame units (default 0.5, 0.01 to 64)\n"
        "  text TEXT OUT.RZ4 [--font NAME]\n"
        "                         write TEXT on one line as a one-frame show, in a\n"
        "                         Hershey font (default futural) or an installed font\n"
        "  beats MUSIC [--json]   print the tempo and the beat times (seconds) of a music\n"
        "                         file (WAV, FLAC, Ogg or MP3)\n"
        "  fit-beats SHOW MUSIC OUT.RZ4 [--offset MS]\n"
        "                         set the frame delays so every change of frame falls on a\n"
        "                         beat; the music starts MS ms after the show (default 0)\n"
        "\n"
        "Exit status: 0 success, 1 usage error, 2 file error.\n");
}

int UsageError(TCliStreams io, const QString& reason)
{
    io.err << "skelmar-cli: " << reason << "\n\n" << CliUsage();
    io.err.flush();
    return ExitUsage;
}

int FileError(TCliStreams io, const TResult& result)
{
    io.err << "skelmar-cli: " << result.message << '\n';
    io.err.flush();
    return ExitFileError;
}

bool LoadShowForCli(const QString& path, TLaserFrames& show, TShowFileResult& result, TCliStreams io)
{
    TShowReadOptions options;
    options.LoadImages = false; // no command shows them
    result = ReadShowFile(show, path, options);
    const bool headerOnly = result.notAShow && result.version >= 0;
    if (result.outcome.ok && (!result.notAShow || headerOnly) && !result.missing)
        return true;
    FileError(io, result.outcome);
    return false;
}
