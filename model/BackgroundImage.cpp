#include "BackgroundImage.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

QImage LoadBackgroundImage(const QString& fileName)
{
    if (fileName.isEmpty() || fileName.contains(QChar(0)) || !QFileInfo(fileName).isFile())
        return {};
    // Opened without waiting and checked again on the open file: the name may have
    // come to mean a pipe since the look above.
    const int fd = ::open(QFile::encodeName(fileName).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return {};
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return {};
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return {};
    }
    QImageReader reader(&file, QFileInfo(fileName).suffix().toLatin1());
    return reader.read();
}
