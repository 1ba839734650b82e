#include "CliCommon.h"

#include "ShowFile.h"

int RunResave(const QStringList& args, TCliStreams io)
{
    if (args.size() != 2 || args[0].startsWith(QLatin1Char('-')) || args[1].startsWith(QLatin1Char('-')))
        return UsageError(io, QStringLiteral("resave takes an input and an output show file"));
    TLaserFrames show;
    TShowFileResult result;
    if (!LoadShowForCli(args[0], show, result, io))
        return ExitFileError;
    // As the editor would: a show needs at least one frame.
    if (show.Count() == 0)
        show.Add();
    if (const TResult written = WriteShowFile(args[1], show); !written.ok)
        return FileError(io, written);
    return ExitOk;
}
