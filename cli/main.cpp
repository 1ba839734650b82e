#include "CliCommon.h"

#include "OutputFile.h"

#include <QCoreApplication>
#include <cstdio>
#include <new>

// ILDA exchange (CmdIlda.cpp)
int RunExportIlda(const QStringList& args, TCliStreams io);
int RunImportIlda(const QStringList& args, TCliStreams io);

namespace {

int RunVerb(const QString& verb, const QStringList& args, TCliStreams io)
{
    if (verb == QLatin1String("info"))
        return RunInfo(args, io);
    if (verb == QLatin1String("resave"))
        return RunResave(args, io);
    if (verb == QLatin1String("compile"))
        return RunCompile(args, io);
    if (verb == QLatin1String("export-ilda"))
        return RunExportIlda(args, io);
    if (verb == QLatin1String("import-ilda"))
        return RunImportIlda(args, io);
    if (verb == QLatin1String("--help") || verb == QLatin1String("-h") || verb == QLatin1String("help")) {
        io.out << CliUsage();
        return ExitOk;
    }
    return UsageError(io, QStringLiteral("unknown command \"%1\"").arg(verb));
}

} // namespace

int main(int argc, char* argv[])
{
    // An interrupted command leaves no temporary file behind.
    InstallInterruptCleanup();
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
    try {
        rc = RunVerb(verb, args, io);
    } catch (const std::bad_alloc&) {
        // The commands answer for their own allocations; this is what is left over.
        err << "skelmar-cli: Not enough memory to run \"" << verb << "\".\n";
        rc = ExitFileError;
    }
    out.flush();
    err.flush();
    return rc;
}
