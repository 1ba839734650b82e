#include "CliCommon.h"

#include "OutputFile.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <cstdio>
#include <memory>
#include <new>

namespace {

int RunVerb(const QString& name, const QStringList& args, TCliStreams io)
{
    if (const TCliVerb* verb = FindVerb(name)) {
        TCliArgs parsed(*verb);
        if (const std::optional<int> answered = parsed.Parse(args, io))
            return *answered;
        return verb->Run(parsed, io);
    }
    if (name == QLatin1String("--help") || name == QLatin1String("-h") || name == QLatin1String("help")) {
        // "help compile" is "compile --help".
        const TCliVerb* verb = args.isEmpty() ? nullptr : FindVerb(args.first());
        io.out << (verb ? VerbHelp(*verb) : CliUsage());
        return ExitOk;
    }
    if (name == QLatin1String("--version")) {
        io.out << CliVersion() << '\n';
        return ExitOk;
    }
    return UsageError(io, QStringLiteral("unknown command \"%1\"").arg(name));
}

} // namespace

int main(int argc, char* argv[])
{
    // An interrupted command leaves no temporary file behind.
    InstallInterruptCleanup();
    // Drawings and text need fonts, and fonts need the GUI application; it runs on
    // the offscreen platform, so no display is needed.
    const TCliVerb* known = argc > 1 ? FindVerb(QString::fromLocal8Bit(argv[1])) : nullptr;
    const bool fonts = known && known->NeedsFonts;
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
