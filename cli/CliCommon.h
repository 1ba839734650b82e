#pragma once

#include <QStringList>
#include <QTextStream>

// Exit codes of skelmar-cli.
enum TCliExit { ExitOk = 0, ExitUsage = 1, ExitFileError = 2 };

struct TCliStreams {
    QTextStream& out;
    QTextStream& err;
};

// Each verb gets the arguments after its own name.
int RunInfo(const QStringList& args, TCliStreams io);
int RunResave(const QStringList& args, TCliStreams io);
int RunCompile(const QStringList& args, TCliStreams io);

QString CliUsage();
// Prints the usage text after a one-line reason and returns ExitUsage.
int UsageError(TCliStreams io, const QString& reason);
struct TResult;
// Prints a failed result's message (it names the file and the reason) as one line
// and returns ExitFileError.
int FileError(TCliStreams io, const TResult& result);

class TLaserFrames;
struct TShowFileResult;
// Reads a show for the command line: a missing file or one that is not a show is an
// error (reported on stderr), unlike in the editor. A header-only file is a show
// without frames.
bool LoadShowForCli(const QString& path, TLaserFrames& show, TShowFileResult& result, TCliStreams io);
