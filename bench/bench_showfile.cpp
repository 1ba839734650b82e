// Show files, small and large.
//
// 1. A show of 10,000 frames of 100 points (every frame linked to the previous one
//    point by point) written to and read from memory (QBuffer).
// 2. Small files: a show of 30 frames of 40 points (about 25 kB) read from disk
//    with ReadShowFile, time per read.
// 3. Large files: shows of 5000 frames of 500 points (188 MB) and 14,330 frames of
//    500 points (538 MB), saved with WriteShowFile and opened with OpenShowFile, each
//    in a process of its own, against a `cp` of the file (and a `cp` followed by a
//    sync of the copy, as the save syncs its file). Prints the times, their ratios to
//    the `cp`, the memory the model holds and the peak (VmHWM) over it.
//
//   bench_showfile [--quick | --small]   (--quick: only the 188 MB show, one round;
//                                         --small: only 1. and 2.)
//   bench_showfile --make FILE FRAMES POINTS   (writes such a show, for a profiler)
//   bench_showfile --open FILE                 (opens it once, for a profiler)
#include "ShowFile.h"
#include "ShowFileReader.h"
#include "ShowFileWriter.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <vector>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Frames of `points` points, each linked to the previous frame point by point.
// Point labels are shared as the reader shares them.
void BuildShow(TLaserFrames& show, int frames, int points)
{
    std::vector<QString> names;
    for (int i = 0; i < points; ++i)
        names.push_back(QString::number(i));
    for (int k = 0; k < frames; ++k) {
        TLaserFrame& f = show.Add();
        f.Name = QStringLiteral("frame %1").arg(k);
        f.Points.resize(size_t(points));
        for (int i = 0; i < points; ++i) {
            TSmallPoint& p = f.Points[size_t(i)];
            p.Name = names[size_t(i)];
            p.X = quint8(i * 7 + k);
            p.Y = quint8(i * 3);
            p.Flags = quint16(i % 3 == 0 ? TSmallPoint::FlagSharp : 0);
        }
        f.FitLinks(k ? points : 0);
        for (int i = 0; k && i < points; ++i)
            f.Links.Set(i, i, true);
    }
}

// Kilobytes of a line of /proc/self/status ("VmRSS", "VmHWM").
double StatusKb(const char* field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray key = QByteArray(field) + ':';
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(key.size()).trimmed().split(' ').value(0).toDouble();
    return -1;
}

// Resets VmHWM to the present VmRSS, so the peak of what follows can be read.
bool ResetPeak()
{
    const int fd = ::open("/proc/self/clear_refs", O_WRONLY);
    if (fd < 0)
        return false;
    const bool ok = ::write(fd, "5", 1) == 1;
    ::close(fd);
    return ok;
}

// Runs `work` in a child process and returns what it returned (empty on failure).
std::vector<double> InChild(const std::function<std::vector<double>()>& work)
{
    int fds[2];
    if (::pipe(fds) != 0)
        return {};
    std::fflush(stdout);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        const std::vector<double> values = work();
        const ssize_t bytes = ssize_t(values.size() * sizeof(double));
        const bool ok = ::write(fds[1], values.data(), size_t(bytes)) == bytes;
        ::_exit(ok ? 0 : 1);
    }
    ::close(fds[1]);
    std::vector<double> values;
    double v;
    while (::read(fds[0], &v, sizeof v) == ssize_t(sizeof v))
        values.push_back(v);
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return {};
    return values;
}

double Milliseconds(const std::function<bool()>& work)
{
    QElapsedTimer t;
    t.start();
    if (!work())
        return -1;
    return double(t.nsecsElapsed()) / 1e6;
}

double Best(int rounds, const std::function<double()>& run)
{
    double best = 1e18;
    for (int r = 0; r < rounds; ++r)
        best = std::min(best, run());
    return best;
}

void InMemoryRoundTrip()
{
    constexpr int Frames = 10000;
    constexpr int Points = 100;
    TLaserFrames show;
    BuildShow(show, Frames, Points);
    double bestWrite = 1e9, bestRead = 1e9;
    qint64 bytes = 0;
    for (int round = 0; round < 5; ++round) {
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        QElapsedTimer t;
        t.start();
        if (!TShowFileWriter::Write(out, show).ok)
            return;
        bestWrite = qMin(bestWrite, t.nsecsElapsed() / 1e6);
        bytes = out.data().size();

        QBuffer in;
        in.setData(out.data());
        in.open(QIODevice::ReadOnly);
        TLaserFrames back;
        t.restart();
        if (!TShowFileReader::Read(in, back).IsShow() || back.Count() != Frames)
            return;
        bestRead = qMin(bestRead, t.nsecsElapsed() / 1e6);
    }
    std::printf("in memory: %d frames x %d points, %lld bytes: write %.1f ms, read %.1f ms (best of 5)\n",
                Frames, Points, static_cast<long long>(bytes), bestWrite, bestRead);
}

void SmallFiles(const QTemporaryDir& dir)
{
    const QString path = dir.filePath(QStringLiteral("small.RZ4"));
    {
        TLaserFrames show;
        BuildShow(show, 30, 40);
        if (!WriteShowFile(path, show).ok)
            return;
    }
    constexpr int Reads = 2000;
    const double best = Best(5, [&] {
        return Milliseconds([&] {
            for (int i = 0; i < Reads; ++i) {
                TLaserFrames show;
                if (!ReadShowFile(show, path).outcome.ok || show.Count() != 30)
                    return false;
            }
            return true;
        });
    });
    std::printf("small file: 30 frames x 40 points, %lld bytes: %.1f us per read (best of 5 x %d reads)\n",
                static_cast<long long>(QFileInfo(path).size()), best * 1000 / Reads, Reads);
}

void LargeShow(const QTemporaryDir& dir, int frames, int points, int rounds)
{
    const QString path = dir.filePath(QStringLiteral("large.RZ4"));
    const QString copy = dir.filePath(QStringLiteral("copy.RZ4"));

    // Save: model in memory, then the peak of writing it over it.
    double saveMs = 1e18, modelMb = 0, savePeakMb = 0;
    for (int r = 0; r < rounds; ++r) {
        QFile::remove(path);
        const std::vector<double> v = InChild([&]() -> std::vector<double> {
            const double before = StatusKb("VmRSS");
            TLaserFrames show;
            BuildShow(show, frames, points);
            const double model = StatusKb("VmRSS");
            if (!ResetPeak())
                return {};
            const double ms = Milliseconds([&] { return WriteShowFile(path, show).ok; });
            return {ms, (model - before) / 1024, (StatusKb("VmHWM") - model) / 1024};
        });
        if (v.size() != 3 || v[0] < 0) {
            std::printf("%d x %d: the save failed\n", frames, points);
            return;
        }
        saveMs = std::min(saveMs, v[0]);
        modelMb = v[1];
        savePeakMb = std::max(savePeakMb, v[2]);
    }
    const qint64 bytes = QFileInfo(path).size();

    const QByteArray cp = "cp '" + QFile::encodeName(path) + "' '" + QFile::encodeName(copy) + "'";
    const QByteArray cpSync = cp + " && sync '" + QFile::encodeName(copy) + "'";
    const auto run = [](const QByteArray& command) {
        return Best(3, [&] { return Milliseconds([&] { return std::system(command.constData()) == 0; }); });
    };
    const double cpMs = run(cp);
    const double cpSyncMs = run(cpSync);
    QFile::remove(copy);

    // Open: the peak of reading over the model it leaves. Then the show is closed and
    // opened again, into memory the process has already taken from the system.
    double openMs = 1e18, againMs = 1e18, readModelMb = 0, openPeakMb = 0;
    for (int r = 0; r < rounds; ++r) {
        const std::vector<double> v = InChild([&]() -> std::vector<double> {
            const double before = StatusKb("VmRSS");
            if (!ResetPeak())
                return {};
            std::unique_ptr<TLaserFrames> show;
            const auto open = [&] { return OpenShowFile(path, show).outcome.ok && show->Count() == frames; };
            const double ms = Milliseconds(open);
            const double after = StatusKb("VmRSS");
            const double peak = StatusKb("VmHWM");
            show.reset();
            return {ms, (after - before) / 1024, (peak - after) / 1024, Milliseconds(open)};
        });
        if (v.size() != 4 || v[0] < 0 || v[3] < 0) {
            std::printf("%d x %d: the open failed\n", frames, points);
            return;
        }
        openMs = std::min(openMs, v[0]);
        readModelMb = v[1];
        openPeakMb = std::max(openPeakMb, v[2]);
        againMs = std::min(againMs, v[3]);
    }
    QFile::remove(path);

    // What the open cannot go below: memory as large as the model it builds, taken
    // fresh from the system and written once.
    const std::vector<double> floor = InChild([&]() -> std::vector<double> {
        const size_t bytes = size_t(readModelMb * 1024 * 1024);
        return {Milliseconds([&] {
            char* p = static_cast<char*>(std::malloc(bytes));
            if (!p)
                return false;
            std::memset(p, 1, bytes);
            const bool ok = p[bytes / 2] == 1;
            std::free(p);
            return ok;
        })};
    });

    std::printf("%d frames x %d points, %.0f MB: cp %.0f ms, cp + sync %.0f ms (best of 3)\n", frames, points,
                bytes / 1e6, cpMs, cpSyncMs);
    std::printf("  save %.0f ms = %.1f x cp (%.1f x cp + sync); model %.0f MB, peak over it +%.0f MB\n", saveMs,
                saveMs / cpMs, saveMs / cpSyncMs, modelMb, savePeakMb);
    std::printf("  open %.0f ms = %.1f x cp; model read %.0f MB, peak over it +%.0f MB  (best of %d)\n", openMs,
                openMs / cpMs, readModelMb, openPeakMb, rounds);
    if (floor.size() == 1)
        std::printf("  taking and writing %.0f MB of fresh memory alone: %.0f ms = %.1f x cp\n", readModelMb,
                    floor[0], floor[0] / cpMs);
    std::printf("  open again after closing it, in memory taken before: %.0f ms = %.1f x cp\n", againMs,
                againMs / cpMs);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 5 && std::strcmp(argv[1], "--make") == 0) {
        TLaserFrames show;
        BuildShow(show, std::atoi(argv[3]), std::atoi(argv[4]));
        return WriteShowFile(QString::fromLocal8Bit(argv[2]), show).ok ? 0 : 1;
    }
    if (argc == 3 && std::strcmp(argv[1], "--open") == 0) {
        std::unique_ptr<TLaserFrames> show;
        const double ms = Milliseconds([&] { return OpenShowFile(QString::fromLocal8Bit(argv[2]), show).outcome.ok; });
        std::printf("open %.0f ms, %d frames\n", ms, show ? show->Count() : 0);
        return ms < 0;
    }
    const bool quick = argc > 1 && std::strcmp(argv[1], "--quick") == 0;
    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;
    // The large shows first: their processes are forked from this one, and should
    // find no memory it has touched and freed.
    const bool small = argc > 1 && std::strcmp(argv[1], "--small") == 0;
    if (!small)
        LargeShow(dir, 5000, 500, quick ? 1 : 3);
    if (!quick && !small)
        LargeShow(dir, 14330, 500, 2);
    if (!quick) {
        InMemoryRoundTrip();
        SmallFiles(dir);
    }
    return 0;
}
