#include "CliCommon.h"

#include "OutputFile.h"
#include "Result.h"
#include "ShowFile.h"

#include <QFile>

#include <sys/stat.h>

namespace {

// The column where the descriptions of the summaries start.
constexpr int TextColumn = 25;

// "  head" and the text's lines beside it from TextColumn on; the text starts a line
// of its own when the head leaves no room.
QString Entry(const QString& head, const QString& text)
{
    QString entry = QStringLiteral("  ") + head;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        if (i > 0 || entry.size() > TextColumn - 2)
            entry += QLatin1Char('\n') + QString(TextColumn, QLatin1Char(' '));
        else
            entry += QString(TextColumn - entry.size(), QLatin1Char(' '));
        entry += lines[i];
    }
    return entry + QLatin1Char('\n');
}

QString OptionHead(const QCommandLineOption& option)
{
    QStringList names;
    for (const QString& name : option.names())
        names << (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
    QString head = names.join(QStringLiteral(", "));
    if (!option.valueName().isEmpty())
        head += QLatin1Char(' ') + option.valueName();
    return head;
}

} // namespace

const QList<const TCliVerb*>& CliVerbs()
{
    static const QList<const TCliVerb*> verbs{&InfoVerb(),      &ResaveVerb(),     &CompileVerb(),
                                              &ExportIldaVerb(), &ImportIldaVerb(), &ImportSvgVerb(),
                                              &TextVerb(),      &TraceVerb(),      &BeatsVerb(),      &FitBeatsVerb()};
    return verbs;
}

const TCliVerb* FindVerb(const QString& name)
{
    for (const TCliVerb* verb : CliVerbs())
        if (verb->Name == name)
            return verb;
    return nullptr;
}

QCommandLineOption HelpOption()
{
    return QCommandLineOption({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("print this help"));
}

QCommandLineOption VersionOption()
{
    return QCommandLineOption(QStringLiteral("version"), QStringLiteral("print the version of skelmar-cli"));
}

QString CliVersion()
{
    return QStringLiteral("skelmar-cli " SKELMAR_VERSION);
}

QString CliUsage()
{
    QString usage = QStringLiteral("Usage: skelmar-cli COMMAND ...\n\nCommands:\n");
    for (const TCliVerb* verb : CliVerbs())
        usage += Entry(verb->Name + QLatin1Char(' ') + verb->Synopsis, verb->Summary);
    usage += QStringLiteral(
        "\n"
        "Every command takes --help (what it does, with its options) and --version.\n"
        "\n"
        "Exit status: 0 success, 1 usage error, 2 file error.\n");
    return usage;
}

QString VerbHelp(const TCliVerb& verb)
{
    QString help = QStringLiteral("Usage: skelmar-cli %1 %2\n\n%3\n\nOptions:\n").arg(verb.Name, verb.Synopsis, verb.Summary);
    for (const QCommandLineOption& option : verb.Options + QList<QCommandLineOption>{HelpOption(), VersionOption()})
        help += Entry(OptionHead(option), option.description());
    return help;
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

// --- a command's arguments -------------------------------------------------------------

TCliArgs::TCliArgs(const TCliVerb& verb) : Verb(verb), Help(HelpOption()), Version(VersionOption())
{
    // "-json" is "--json", never -j -s -o -n.
    Parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    Parser.addOptions(verb.Options);
    Parser.addOption(Help);
    Parser.addOption(Version);
}

std::optional<int> TCliArgs::Parse(const QStringList& args, TCliStreams io)
{
    // The parser takes the first argument for the program's name.
    const bool parsed = Parser.parse(QStringList{Verb.Name} + args);
    if (Parser.isSet(Help)) {
        io.out << VerbHelp(Verb);
        return ExitOk;
    }
    if (Parser.isSet(Version)) {
        io.out << CliVersion() << '\n';
        return ExitOk;
    }
    if (!parsed)
        return UsageError(io, Problem(args));
    return std::nullopt;
}

QString TCliArgs::Problem(const QStringList& args) const
{
    const QStringList unknown = Parser.unknownOptionNames();
    if (!unknown.isEmpty()) {
        // Named as it was typed.
        QString typed = QStringLiteral("--") + unknown.first();
        for (const QString& arg : args) {
            if (arg == QLatin1String("--"))
                break;
            QString name = arg.section(QLatin1Char('='), 0, 0);
            if (name.startsWith(QLatin1Char('-')) && name.mid(name.startsWith(QLatin1String("--")) ? 2 : 1) == unknown.first()) {
                typed = name;
                break;
            }
        }
        return QStringLiteral("unknown option \"%1\" for %2").arg(typed, Verb.Name);
    }
    // An option whose value is missing can only be the last argument.
    if (!args.isEmpty() && TakesValue(args.last()))
        return QStringLiteral("%1 needs %2")
            .arg(args.last(), Verb.ValueNeeded.isEmpty() ? QStringLiteral("a value") : Verb.ValueNeeded);
    return Parser.errorText();
}

QStringList TCliArgs::Files() const
{
    QStringList files = Positional();
    for (QString& file : files)
        file = PlainFilePath(file);
    return files;
}

QString TCliArgs::FileValue(const QString& option) const
{
    return PlainFilePath(Value(option));
}

bool TCliArgs::TakesValue(const QString& arg) const
{
    for (const QCommandLineOption& option : Verb.Options) {
        if (option.valueName().isEmpty())
            continue;
        for (const QString& name : option.names())
            if (arg == QStringLiteral("--") + name || arg == QStringLiteral("-") + name)
                return true;
    }
    return false;
}

// --- shows -----------------------------------------------------------------------------

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

bool SameFile(const QString& a, const QString& b)
{
    struct stat sa, sb;
    if (::stat(QFile::encodeName(a).constData(), &sa) != 0 || ::stat(QFile::encodeName(b).constData(), &sb) != 0)
        return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}
