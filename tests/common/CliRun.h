#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

// One run of skelmar-cli with what it printed.
struct TRun {
    int exitCode = -1;
    QProcess::ExitStatus status = QProcess::CrashExit;
    QString out;
    QString err;
};

// `workingDirectory`: where it runs; empty: where the test runs.
inline TRun RunCli(const QStringList& args, const QString& workingDirectory = {})
{
    QProcess p;
    if (!workingDirectory.isEmpty())
        p.setWorkingDirectory(workingDirectory);
    p.start(QStringLiteral(SKELMAR_CLI), args);
    p.waitForFinished(60000);
    return {p.exitCode(), p.exitStatus(), QString::fromLocal8Bit(p.readAllStandardOutput()),
            QString::fromLocal8Bit(p.readAllStandardError())};
}
