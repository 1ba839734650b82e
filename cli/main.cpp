#include "CliCommon.h"

#include <QCoreApplication>
#include <cstdio>

// ILDA exchange (CmdIlda.cpp)
int RunExportIlda(const QStringList& args, TCliStreams io);
int RunImportIlda(const QStringList& args, TCliStreams io);
// music (CmdMusic.cpp)
int RunBeats(const QStringList& args, TCliStreams io);
int RunFitBeats(const QStringList& args, TCliStreams io);

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("skelmar-cli"));
    QTextStream out(stdout);
    QTextStream err(stderr);
    TCliStreams io{out, err};

    QStringList args = app.arguments().mid(1);
    if (args.isEmpty())
        return UsageError(io, QStringLiteral("no command given"));
    const QString verb = args.takeFirst();
    int rc;
    if (verb == QLatin1String("info"))
        rc = RunInfo(args, io);
    else if (verb == QLatin1String("resave"))
        rc = RunResave(args, io);
    else if (verb == QLatin1String("compile"))
        rc = RunCompile(args, io);
    else if (verb == QLatin1String("export-ilda"))
        rc = RunExportIlda(args, io);
    else if (verb == QLatin1String("import-ilda"))
        rc = RunImportIlda(args, io);
    else if (verb == QLatin1String("beats"))
        rc = RunBeats(args, io);
    else if (verb == QLatin1String("fit-beats"))
        rc = RunFitBeats(args, io);
    else if (verb == QLatin1String("--help") || verb == QLatin1String("-h") || verb == QLatin1String("help")) {
        out << CliUsage();
        rc = ExitOk;
    } else
        rc = UsageError(io, QStringLiteral("unknown command \"%1\"").arg(verb));
    out.flush();
    err.flush();
    return rc;
}
