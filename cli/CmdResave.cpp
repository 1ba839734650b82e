#include "CliCommon.h"

#include "ShowFile.h"

namespace {

int RunResave(const TCliArgs& args, TCliStreams io)
{
    const QStringList files = args.Files();
    if (files.size() != 2)
        return UsageError(io, QStringLiteral("resave takes an input and an output show file"));
    TLaserFrames show;
    TShowFileResult result;
    if (!LoadShowForCli(files[0], show, result, io))
        return ExitFileError;
    // As the editor would: a show needs at least one frame.
    if (show.Count() == 0)
        show.Add();
    if (const TResult written = WriteShowFile(files[1], show); !written.ok)
        return FileError(io, written);
    return ExitOk;
}

} // namespace

const TCliVerb& ResaveVerb()
{
    static const TCliVerb verb{.Name = QStringLiteral("resave"),
                               .Synopsis = QStringLiteral("IN OUT"),
                               .Summary = QStringLiteral("read a show and write it back in the current format"),
                               .Options = {},
                               .Run = RunResave};
    return verb;
}
