#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
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

// Records a sound-server source (a sink's monitor) with parec as raw 16-bit samples
// at 44100 Hz, for as long as it lives or until Finish.
class TMonitorRecorder {
public:
    static constexpr int WaitMs = 5000;

    TMonitorRecorder()
    {
        QObject::connect(&Process, &QProcess::readyReadStandardOutput,
                         [this] { Bytes += Process.readAllStandardOutput(); });
    }
    ~TMonitorRecorder()
    {
        if (Process.state() != QProcess::NotRunning) {
            Process.kill();
            Process.waitForFinished(WaitMs);
        }
    }

    // Starts recording `channels` channels (`extra`: more parec arguments, a channel
    // map say) and waits for the first 10 ms: a monitor delivers silence while
    // nothing plays, so data means the recorder is attached.
    bool Start(const QString& source, int channels, const QStringList& extra = {})
    {
        Process.start("parec", QStringList{"-d", source, "--format=s16le", "--rate=44100",
                                           QStringLiteral("--channels=%1").arg(channels)}
                                   + extra + QStringList{"--raw", "--latency-msec=20"});
        if (!Process.waitForStarted(WaitMs))
            return false;
        const qsizetype enough = 2 * channels * 441;
        QElapsedTimer t;
        t.start();
        while (Bytes.size() < enough && t.elapsed() < WaitMs)
            Process.waitForReadyRead(100);
        return Bytes.size() >= enough;
    }
    // Keeps recording for `ms` more milliseconds, then stops.
    QByteArray Finish(int ms = 0)
    {
        if (ms > 0)
            QTest::qWait(ms);
        Process.terminate();
        if (!Process.waitForFinished(WaitMs)) {
            Process.kill();
            Process.waitForFinished(WaitMs);
        }
        Bytes += Process.readAllStandardOutput();
        return Bytes;
    }

    QProcess Process;
    QByteArray Bytes;
};
