#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QList>
#include <QStringList>
#include <QTextStream>
#include <optional>

class TLaserFrames;
struct TResult;
struct TShowFileResult;

// Exit codes of skelmar-cli.
enum TCliExit { ExitOk = 0, ExitUsage = 1, ExitFileError = 2 };

struct TCliStreams {
    QTextStream& out;
    QTextStream& err;
};

class TCliArgs;

// One command of skelmar-cli: what the summary of the commands and its own --help
// say about it, its options, and the code that runs it on its parsed arguments.
// Every command also takes --help and --version.
struct TCliVerb {
    QString Name;                       // "compile"
    QString Synopsis;                   // what follows the name: "SHOW [--out WAV] ..."
    QString Summary;                    // what it does, in lines of at most 56 characters
    QList<QCommandLineOption> Options;
    int (*Run)(const TCliArgs& args, TCliStreams io) = nullptr;
    bool NeedsFonts = false;            // runs on a QGuiApplication (offscreen)
    QString ValueNeeded{};              // what an option given without its value is told
                                        // to need; empty: "a value"
};

// The commands, in the order the summary lists them (Cmd*.cpp).
const TCliVerb& InfoVerb();
const TCliVerb& ResaveVerb();
const TCliVerb& CompileVerb();
const TCliVerb& ExportIldaVerb();
const TCliVerb& ImportIldaVerb();
const TCliVerb& ImportSvgVerb();
const TCliVerb& TextVerb();
const TCliVerb& TraceVerb();
const TCliVerb& BeatsVerb();
const TCliVerb& FitBeatsVerb();
const QList<const TCliVerb*>& CliVerbs();
const TCliVerb* FindVerb(const QString& name);

// A command's arguments, parsed by QCommandLineParser. Options may stand anywhere
// among the other arguments; "--" ends the options. An option's value may follow
// it (`--out x.wav`) or be joined to it (`--out=x.wav`).
class TCliArgs {
public:
    explicit TCliArgs(const TCliVerb& verb);

    // Parses the arguments that follow the command's name. --help and --version are
    // answered here, a usage error is told: then the exit status is returned.
    std::optional<int> Parse(const QStringList& args, TCliStreams io);

    QStringList Positional() const { return Parser.positionalArguments(); }
    // The positional arguments, and an option's value, as file names: a name that
    // begins with ':' is a file here, not one of Qt's resources, and gets "./".
    QStringList Files() const;
    QString FileValue(const QString& option) const;
    bool IsSet(const QString& option) const { return Parser.isSet(option); }
    QString Value(const QString& option) const { return Parser.value(option); }

private:
    QString Problem(const QStringList& args) const;
    bool TakesValue(const QString& arg) const;

    const TCliVerb& Verb;
    QCommandLineParser Parser;
    QCommandLineOption Help;
    QCommandLineOption Version;
};

// The summary of every command, the help of one, and the version line.
QString CliUsage();
QString VerbHelp(const TCliVerb& verb);
QString CliVersion();
// The options every command and the program itself take.
QCommandLineOption HelpOption();
QCommandLineOption VersionOption();

// Prints the usage text after a one-line reason and returns ExitUsage.
int UsageError(TCliStreams io, const QString& reason);
// Prints a failed result's message (it names the file and the reason) as one line
// and returns ExitFileError.
int FileError(TCliStreams io, const TResult& result);

// Reads a show for the command line: a missing file or one that is not a show is an
// error (reported on stderr), unlike in the editor. A header-only file is a show
// without frames.
bool LoadShowForCli(const QString& path, TLaserFrames& show, TShowFileResult& result, TCliStreams io);

// The same file, also when one name is a link to the other (symbolic or hard); false
// when either does not exist.
bool SameFile(const QString& a, const QString& b);
