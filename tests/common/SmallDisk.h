#pragma once

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>

// A real full disk: a tmpfs of a few pages mounted on a folder, filled up by Fill().
// Mounting needs root; without it IsReady() is false and tests skip.
class TSmallDisk {
public:
    TSmallDisk(const QString& folder, qint64 sizeBytes) : FFolder(folder)
    {
        QDir().mkpath(folder);
        FMounted = QProcess::execute(QStringLiteral("mount"),
                                     {"-t", "tmpfs", "-o", QStringLiteral("size=%1").arg(sizeBytes), "tmpfs", folder})
            == 0;
    }
    ~TSmallDisk()
    {
        if (FMounted)
            QProcess::execute(QStringLiteral("umount"), {FFolder});
    }
    TSmallDisk(const TSmallDisk&) = delete;
    TSmallDisk& operator=(const TSmallDisk&) = delete;

    bool IsReady() const { return FMounted; }
    QString FilePath(const QString& name) const { return QDir(FFolder).filePath(name); }

    // Fills the disk until a write fails: nothing more fits afterwards.
    void Fill()
    {
        QFile filler(FilePath(QStringLiteral("filler")));
        if (!filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            return;
        const QByteArray block(4096, 'f');
        while (filler.write(block) == block.size()) {
        }
        filler.write(block.left(1));
        while (filler.write(block.left(1)) == 1) {
        }
    }

private:
    QString FFolder;
    bool FMounted = false;
};
