#include "CliCommon.h"

#include "OutputFile.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

// ILDA exchange (CmdIlda.cpp)
int RunExportIlda(const QStringList& args, TCliStreams io);
int RunImportIlda(const QStringList& args, TCliStreams io);
// Drawings and text (CmdContent.cpp)
int RunImportSvg(const QStringList& args, TCliStreams io);
int RunText(const QStringList& args, TCliStreams io);
// music (CmdMusic.cpp)
int RunBeats(const QStringList& args, TCliStreams io);
int RunFitBeats(const QStringList& args, TCliStreams io);

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
    if (verb == QLatin1String("import-svg"))
        return RunImportSvg(args, io);
    if (verb == QLatin1String("text"))
        return RunText(args, io);
    if (verb == QLatin1String("beats"))
        return RunBeats(args, io);
    if (verb == QLatin1String("fit-beats"))
        return RunFitBeats(args, io);
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
    // Drawings and text need fonts, and fonts need the GUI application; it runs on
    // the offscreen platform, so no display is needed.
    const bool fonts = argc > 1 && (std::strcmp(argv[1], "import-svg") == 0 || std::strcmp(argv[1], "text") == 0);
    std::unique_ptr<QCoreApplication> app;
    if (fonts) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        // Its start-up notes (a session without a runtime folder, say) are not the
        // user's business; what stops it still is.
        static QtMessageHandler previous = nullptr;
        previous = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext& context, const QString& text) {
            if ((type == QtCriticalMsg || type == QtFatalMsg) && previous)
                previous(type, context, text);
        });
        app = std::make_unique<QGuiApplication>(argc, argv);
        qInstallMessageHandler(previous);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    QCoreApplication::setApplicationName(QStringLiteral("skelmar-cli"));
    QTextStream out(stdout);
    QTextStream err(stderr);
    TCliStreams io{out, err};

    QStringList args = QCoreApplication::arguments().mid(1);
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
