#include "OutputFile.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The temporary files of unfinished outputs, kept where a signal handler can reach
// them without allocating: a fixed table of encoded names.
constexpr int PendingSlots = 8;
constexpr size_t PendingPathMax = 4096;
struct TPending {
    volatile sig_atomic_t used = 0;
    char path[PendingPathMax];
};
TPending Pending[PendingSlots];

const int InterruptSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

// Holds back the interrupt signals while a temporary file comes or goes, so the
// table never misses a file that exists.
class TSignalHold {
public:
    TSignalHold()
    {
        sigset_t set;
        sigemptyset(&set);
        for (int s : InterruptSignals)
            sigaddset(&set, s);
        pthread_sigmask(SIG_BLOCK, &set, &FOld);
    }
    ~TSignalHold() { pthread_sigmask(SIG_SETMASK, &FOld, nullptr); }

private:
    sigset_t FOld;
};

int Register(const QByteArray& path)
{
    if (size_t(path.size()) >= PendingPathMax)
        return -1;
    for (int i = 0; i < PendingSlots; ++i) {
        if (Pending[i].used)
            continue;
        std::memcpy(Pending[i].path, path.constData(), size_t(path.size()) + 1);
        std::atomic_signal_fence(std::memory_order_seq_cst);
        Pending[i].used = 1;
        return i;
    }
    return -1;
}

void Unregister(int slot)
{
    if (slot >= 0)
        Pending[slot].used = 0;
}

void OnInterrupt(int signal)
{
    RemovePendingOutputs();
    // SA_RESETHAND put back the default action: end as the signal would have.
    raise(signal);
}

QString NotRegularReason(mode_t mode)
{
    if (S_ISDIR(mode))
        return QStringLiteral("it is a folder, not a file");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return QStringLiteral("it is a device, not a regular file");
    if (S_ISFIFO(mode))
        return QStringLiteral("it is a pipe, not a regular file");
    if (S_ISSOCK(mode))
        return QStringLiteral("it is a socket, not a regular file");
    return QStringLiteral("it is not a regular file");
}

} // namespace

QString PlainFilePath(const QString& fileName)
{
    return fileName.startsWith(QLatin1Char(':')) ? QStringLiteral("./") + fileName : fileName;
}

QString ResolveOutputPath(const QString& fileName)
{
    QFileInfo info(fileName);
    int depth = 128; // a loop of links ends here; the open then reports it
    while (info.isSymLink() && --depth > 0)
        info.setFile(info.symLinkTarget());
    return depth > 0 ? info.filePath() : fileName;
}

QString OutputTargetProblem(const QString& fileName)
{
    struct stat st;
    if (::stat(QFile::encodeName(fileName).constData(), &st) != 0) {
        // A loop of links would be replaced by the new file: refused as well.
        if (errno == ELOOP)
            return qt_error_string(ELOOP);
        return {}; // nothing there yet: creating it tells what is wrong, if anything
    }
    return S_ISREG(st.st_mode) ? QString() : NotRegularReason(st.st_mode);
}

QString InputFileProblem(const QString& fileName, bool* missing)
{
    if (missing)
        *missing = false;
    struct stat st;
    if (::stat(QFile::encodeName(fileName).constData(), &st) != 0) {
        if (errno != ENOENT && errno != ENOTDIR)
            return qt_error_string(errno);
        if (missing)
            *missing = true;
        return QStringLiteral("no such file");
    }
    return S_ISREG(st.st_mode) ? QString() : NotRegularReason(st.st_mode);
}

TOutputFile::TOutputFile(const QString& fileName) : FTarget(ResolveOutputPath(fileName)) {}

TOutputFile::~TOutputFile() { Cancel(); }

bool TOutputFile::Fail(int error)
{
    return Fail(qt_error_string(error));
}

bool TOutputFile::Fail(const QString& reason)
{
    FError = reason;
    Cancel();
    return false;
}

bool TOutputFile::Open()
{
    Cancel();
    FError.clear();
    if (const QString problem = OutputTargetProblem(FTarget); !problem.isEmpty())
        return Fail(problem);
    const QByteArray target = QFile::encodeName(FTarget);
    struct stat existing;
    const bool exists = ::stat(target.constData(), &existing) == 0;
    // As an editor would: a file the user may not change is not replaced either.
    if (exists && ::access(target.constData(), W_OK) != 0)
        return Fail(errno);

    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        QByteArray temp = target + '.';
        for (int i = 0; i < 6; ++i)
            temp += letters[QRandomGenerator::global()->bounded(int(sizeof letters - 1))];
        int error = 0;
        {
            const TSignalHold hold;
            // Until it has the earlier file's permissions, nobody else may read it.
            FFd = ::open(temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, exists ? 0600 : 0666);
            if (FFd >= 0) {
                FTemp = temp;
                FSlot = Register(temp);
            } else {
                error = errno;
            }
        }
        if (FFd >= 0) {
            if (exists)
                ::fchmod(FFd, existing.st_mode & 07777);
            return true;
        }
        if (error != EEXIST)
            return Fail(error);
    }
    return Fail(EEXIST);
}

bool TOutputFile::Write(const char* data, qint64 size)
{
    return WriteAt(-1, data, size);
}

bool TOutputFile::WriteAt(qint64 offset, const char* data, qint64 size)
{
    if (FFd < 0)
        return Fail(EBADF);
    while (size > 0) {
        const size_t chunk = size_t(qMin<qint64>(size, qint64(1) << 30));
        const ssize_t n = offset < 0 ? ::write(FFd, data, chunk) : ::pwrite(FFd, data, chunk, off_t(offset));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return Fail(n < 0 ? errno : EIO);
        data += n;
        size -= n;
        if (offset >= 0)
            offset += n;
    }
    return true;
}

bool TOutputFile::Commit(bool sync)
{
    if (FFd < 0)
        return Fail(EBADF);
    // Some file systems report a full disk only here.
    if (sync && ::fsync(FFd) != 0 && errno != EINVAL)
        return Fail(errno);
    const int fd = FFd;
    FFd = -1;
    if (::close(fd) != 0 && errno != EINTR)
        return Fail(errno);
    const TSignalHold hold;
    if (::rename(FTemp.constData(), QFile::encodeName(FTarget).constData()) != 0)
        return Fail(errno);
    Unregister(FSlot);
    FSlot = -1;
    FTemp.clear();
    return true;
}

void TOutputFile::Close()
{
    if (FFd >= 0) {
        ::close(FFd);
        FFd = -1;
    }
}

void TOutputFile::Cancel()
{
    Close();
    if (!FTemp.isEmpty()) {
        const TSignalHold hold;
        ::unlink(FTemp.constData());
        Unregister(FSlot);
        FSlot = -1;
        FTemp.clear();
    }
}

void InstallInterruptCleanup()
{
    for (int s : InterruptSignals) {
        struct sigaction old;
        if (sigaction(s, nullptr, &old) == 0 && old.sa_handler == SIG_IGN)
            continue; // started to ignore it (nohup, a background job): keep that
        struct sigaction action;
        std::memset(&action, 0, sizeof action);
        action.sa_handler = OnInterrupt;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESETHAND;
        sigaction(s, &action, nullptr);
    }
}

void RemovePendingOutputs()
{
    for (TPending& p : Pending)
        if (p.used)
            ::unlink(p.path);
}
