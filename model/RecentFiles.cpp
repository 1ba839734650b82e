#include "RecentFiles.h"

namespace {

QString ItemCaption(int n, const QString& fileName)
{
    return QLatin1Char('&') + QString::number(n) + QLatin1Char(' ') + fileName;
}

} // namespace

TRecentFiles::TRecentFiles()
    : Captions{QStringLiteral("&0 Logo.RZ4"), QStringLiteral("&1"), QStringLiteral("&2"), QStringLiteral("&3"),
               QStringLiteral("&4")}
    , Shown{true, true, true, true, true}
{
}

void TRecentFiles::Load(const QString lastFiles[Count], const std::function<bool(const QString&)>& exists)
{
    for (int n = 0; n < Count; ++n) {
        // An empty name is no file; don't ask the file system about it.
        Shown[n] = !lastFiles[n].isEmpty() && exists(lastFiles[n]);
        if (Shown[n])
            Captions[n] = ItemCaption(n, lastFiles[n]);
    }
}

bool TRecentFiles::Add(const QString& fileName)
{
    for (const QString& caption : Captions)
        if (caption.contains(fileName))
            return false;
    for (int n = Count - 1; n > 0; --n) {
        Captions[n] = Captions[n - 1];
        Captions[n][1] = QChar(u'0' + n);
        Shown[n] = Shown[n - 1];
    }
    Captions[0] = ItemCaption(0, fileName);
    Shown[0] = true;
    return true;
}

QString TRecentFiles::Caption(int n) const
{
    return Valid(n) ? Captions[n] : QString();
}

bool TRecentFiles::Visible(int n) const
{
    return Valid(n) && Shown[n];
}

QString TRecentFiles::FileAt(int n) const
{
    return Caption(n).mid(3);
}
