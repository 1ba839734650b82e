#pragma once

// Work run under resource limits in a child process, so a test can provoke a full
// disk (a file size limit) or a lack of memory (an address space limit) without
// root and without touching the test process itself.

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <cstdlib>
#include <functional>
#include <vector>

#include <cerrno>
#include <csignal>
#include <pthread.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

struct TLimits {
    qint64 FileSize = -1;     // bytes a file may grow to; writes past it fail with EFBIG
    qint64 AddressSpace = -1; // bytes of address space; allocations past it fail
    int TimeoutSeconds = 60;  // the child is killed after this (a hang fails the test)
    // RunInChild: with an address space limit, the child first takes all memory it
    // can get and gives back only this much, so the work finds exactly this much
    // free whatever the parent's heap held.
    qint64 FreeMemory = -1;
};

// Only async-signal-safe calls: also used between fork and exec.
inline void ApplyLimits(const TLimits& limits)
{
    // Past the size limit a write fails instead of killing the process.
    signal(SIGXFSZ, SIG_IGN);
    if (limits.FileSize >= 0) {
        const rlimit l{rlim_t(limits.FileSize), rlim_t(limits.FileSize)};
        setrlimit(RLIMIT_FSIZE, &l);
    }
    if (limits.AddressSpace >= 0) {
        const rlimit l{rlim_t(limits.AddressSpace), rlim_t(limits.AddressSpace)};
        setrlimit(RLIMIT_AS, &l);
    }
    if (limits.TimeoutSeconds > 0)
        alarm(unsigned(limits.TimeoutSeconds));
}

struct TChildResult {
    bool Exited = false;  // ended by exit, not by a signal
    int ExitCode = -1;
    int Signal = 0;       // the signal that ended it
    QByteArray Output;    // what the work returned
};

// Runs `work` in a forked child under `limits` and returns what it returned. A work
// that throws ends the child with exit code 3. `started`, when given, runs in the
// parent once the child is running, with its process id (to signal it).
inline TChildResult RunInChild(const std::function<QByteArray()>& work, const TLimits& limits = {},
                               const std::function<void(pid_t)>& started = {})
{
    int fds[2];
    if (pipe(fds) != 0)
        return {};
    // Signals wait until the child has put back the default handlers: the test
    // framework's crash handlers are the parent's business.
    sigset_t all, old;
    sigfillset(&all);
    pthread_sigmask(SIG_BLOCK, &all, &old);
    const pid_t pid = fork();
    if (pid == 0) {
        for (int s : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGALRM})
            signal(s, SIG_DFL);
        pthread_sigmask(SIG_SETMASK, &old, nullptr);
        close(fds[0]);
        ApplyLimits(limits);
        std::vector<void*> taken;
        if (limits.AddressSpace >= 0 && limits.FreeMemory >= 0) {
            constexpr size_t Block = size_t(1) << 20;
            while (void* p = std::malloc(Block))
                taken.push_back(p);
            for (qint64 left = limits.FreeMemory; left > 0 && !taken.empty(); left -= qint64(Block)) {
                std::free(taken.back());
                taken.pop_back();
            }
        }
        int code = 0;
        try {
            const QByteArray out = work();
            for (qsizetype done = 0; done < out.size();) {
                const ssize_t n = write(fds[1], out.constData() + done, size_t(out.size() - done));
                if (n <= 0)
                    break;
                done += n;
            }
        } catch (...) {
            code = 3;
        }
        close(fds[1]);
        _exit(code);
    }
    pthread_sigmask(SIG_SETMASK, &old, nullptr);
    close(fds[1]);
    if (pid < 0) {
        close(fds[0]);
        return {};
    }
    if (started)
        started(pid);
    TChildResult result;
    char buffer[4096];
    for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) != 0;) {
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            break;
        result.Output.append(buffer, n);
    }
    close(fds[0]);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    result.Exited = WIFEXITED(status);
    result.ExitCode = result.Exited ? WEXITSTATUS(status) : -1;
    result.Signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    return result;
}

// skelmar-cli run under `limits`, as CliRun.h's RunCli runs it.
struct TLimitedRun {
    int exitCode = -1;
    QProcess::ExitStatus status = QProcess::CrashExit;
    QString out;
    QString err;
};

inline TLimitedRun RunCliLimited(const QStringList& args, const TLimits& limits)
{
    QProcess p;
    p.setChildProcessModifier([limits] { ApplyLimits(limits); });
    p.start(QStringLiteral(SKELMAR_CLI), args);
    p.waitForFinished(120000);
    return {p.exitCode(), p.exitStatus(), QString::fromLocal8Bit(p.readAllStandardOutput()),
            QString::fromLocal8Bit(p.readAllStandardError())};
}
