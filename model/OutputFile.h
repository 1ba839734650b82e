#pragma once

#include <QByteArray>
#include <QString>

// The name as the file system takes it: Qt reads a name that begins with ':' as one
// of the program's own resources, so such a relative name gets "./" before it.
QString PlainFilePath(const QString& fileName);

// Where an output really goes: a symbolic link is followed to the file it names
// (which need not exist yet), so the link stays and its target is written.
QString ResolveOutputPath(const QString& fileName);

// Why `fileName` cannot take an output, empty when it can: an existing target that is
// not a regular file (a device, a pipe, a folder) is never written or replaced.
QString OutputTargetProblem(const QString& fileName);

// Why `fileName` cannot be read as a file, empty when it can (a symbolic link is
// followed): "no such file" (and `missing` set), a folder, a device or a pipe, which
// would block or be read without end, or the system's reason.
QString InputFileProblem(const QString& fileName, bool* missing = nullptr);

// A file replaced as a whole. The bytes go to a temporary file beside the target,
// which takes the target's place on Commit, once every byte is written. Until then,
// and after any failure, an earlier file stays as it was; the temporary file is
// removed on failure, on destruction and, through RemovePendingOutputs, when the
// program is interrupted. Errors carry the system's reason ("No space left on device").
class TOutputFile {
public:
    explicit TOutputFile(const QString& fileName);
    ~TOutputFile();
    TOutputFile(const TOutputFile&) = delete;
    TOutputFile& operator=(const TOutputFile&) = delete;

    bool Open();
    bool Write(const char* data, qint64 size);
    bool Write(const QByteArray& data) { return Write(data.constData(), data.size()); }
    // Overwrites bytes already written (a header that is known only at the end).
    // Below 0, `offset` goes on where the last Write ended, as Write does.
    bool WriteAt(qint64 offset, const char* data, qint64 size);
    // With `sync` the data reaches the disk before the file takes the target's place.
    bool Commit(bool sync = true);
    void Cancel();

    QString ErrorString() const { return FError; }
    // The file the output replaces, symbolic links followed.
    const QString& Target() const { return FTarget; }

private:
    bool Fail(int error);
    bool Fail(const QString& reason);
    void Close();

    QString FTarget;
    QByteArray FTemp; // the temporary file's name, encoded; empty when there is none
    int FFd = -1;
    int FSlot = -1;   // its place among the pending outputs
    QString FError;
};

// Installs handlers for SIGINT, SIGTERM, SIGHUP and SIGQUIT (those not ignored) that
// remove the temporary files of unfinished outputs and then end the program as the
// signal would have.
void InstallInterruptCleanup();

// Removes the temporary files of every unfinished output; safe inside a signal handler.
void RemovePendingOutputs();
