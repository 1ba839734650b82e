#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <QTemporaryDir>
#include <optional>

// Runs a sound-server tool (pactl, parec) with a bounded wait; an empty optional
// on failure, with the reason in `why` when given.
inline std::optional<QByteArray> RunTool(const QString& program, const QStringList& args, QString* why,
                                         int waitMs = 5000)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(waitMs) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        if (why)
            *why = program + " " + args.join(' ') + ": "
                   + (p.error() == QProcess::FailedToStart
                          ? QStringLiteral("not installed")
                          : QString::fromLocal8Bit(p.readAllStandardError()).trimmed());
        p.kill();
        p.waitForFinished(1000);
        return std::nullopt;
    }
    return p.readAllStandardOutput();
}

// The environment of a child process that finds no sound server (and starts none).
inline QProcessEnvironment EnvironmentWithoutSoundServer(const QTemporaryDir& dir)
{
    QFile conf(dir.filePath("client.conf"));
    if (conf.open(QIODevice::WriteOnly))
        conf.write("autospawn = no\n");
    conf.close();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("PULSE_SERVER", "unix:" + dir.filePath("no-such-socket"));
    env.insert("PULSE_CLIENTCONFIG", conf.fileName());
    return env;
}
