// A show of 500 frames that all name one 2000 x 2000 PNG as background image: the
// time and peak memory of reading it as the editor does (pictures decoded) and of
// `skelmar-cli info` on it (a whole process, pictures skipped). Each run is a
// process of its own, so its peak memory is its own.
//
//   bench_showimages [path/to/skelmar-cli]
#include "ShowFile.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QTemporaryDir>
#include <cstdio>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct TRun {
    bool ok = false;
    double ms = 0;
    double peakMb = 0;
};

// Runs `work` (returning true on success) in a child process and times it.
template <class Work>
TRun InChild(Work work)
{
    std::fflush(stdout);
    QElapsedTimer t;
    t.start();
    const pid_t pid = fork();
    if (pid == 0)
        _exit(work() ? 0 : 1);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    return {WIFEXITED(status) && WEXITSTATUS(status) == 0, t.nsecsElapsed() / 1e6, usage.ru_maxrss / 1024.0};
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QString cli = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(SKELMAR_CLI);
    QTemporaryDir dir;
    const QString png = dir.filePath("backdrop.png");
    {
        QImage picture(2000, 2000, QImage::Format_RGB32);
        picture.fill(qRgb(40, 60, 90));
        if (!picture.save(png))
            return 1;
    }
    const QString showFile = dir.filePath("backdrops.RZ4");
    {
        TLaserFrames show;
        for (int k = 0; k < 500; ++k) {
            TLaserFrame& f = show.Add();
            f.Name = QStringLiteral("f%1").arg(k);
            f.ImageFile = png;
            f.Points.resize(1);
        }
        if (!WriteShowFile(showFile, show).ok)
            return 1;
    }
    std::printf("500 frames naming one %lld-byte PNG of 2000 x 2000\n",
                static_cast<long long>(QFileInfo(png).size()));

    const TRun editor = InChild([&] {
        TLaserFrames show;
        return ReadShowFile(show, showFile).outcome.ok && !show.Frame(499).Image.isNull();
    });
    std::printf("  read with pictures (editor): %s %.0f ms, peak %.0f MB\n", editor.ok ? "ok" : "FAILED",
                editor.ms, editor.peakMb);

    const QByteArray program = QFile::encodeName(cli);
    const QByteArray file = QFile::encodeName(showFile);
    const TRun info = InChild([&] {
        const pid_t pid = fork();
        if (pid == 0) {
            freopen("/dev/null", "w", stdout);
            execl(program.constData(), program.constData(), "info", file.constData(), static_cast<char*>(nullptr));
            _exit(127);
        }
        int status = 0;
        waitpid(pid, &status, 0);
        return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    });
    std::printf("  skelmar-cli info: %s %.0f ms, peak %.0f MB\n", info.ok ? "ok" : "FAILED", info.ms, info.peakMb);
    return editor.ok && info.ok ? 0 : 1;
}
