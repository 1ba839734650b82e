// The soundtrack file: any text is read or refused; and any soundtrack, whatever its
// music is called, comes back the same from the file written for it.
#include "FuzzCommon.h"
#include "Soundtrack.h"

#include <QDir>

#include <cstring>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    FuzzStartQt();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString show = QStringLiteral("/shows/party/party.RZ4");
    // Any text as a soundtrack file; what is read is written back and read the same.
    TSoundtrack read;
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    if (SoundtrackFromJson(bytes, show, read).ok) {
        TSoundtrack again;
        FUZZ_CHECK(SoundtrackFromJson(SoundtrackToJson(read, show), show, again).ok);
        FUZZ_CHECK(again == read);
    }

    // Any name (valid Unicode, no NUL) in any folder, any offset a soundtrack takes, with
    // or without beats.
    if (size < 5)
        return 0;
    qint32 raw = 0;
    std::memcpy(&raw, data, sizeof raw);
    TSoundtrack s;
    s.OffsetMs = int(raw % (MaxSoundtrackOffsetMs + 1));
    QString name = QString::fromUtf8(reinterpret_cast<const char*>(data + 4), qsizetype(size - 4));
    name.remove(QChar(0));
    if (name.isEmpty())
        return 0;
    s.MusicFile = QDir::cleanPath(QStringLiteral("/") + name);
    // Corrected beats from the same bytes: ascending times of any fraction.
    if (data[0] & 1) {
        TBeatGrid grid;
        double t = 0;
        for (size_t i = 4; i < size && grid.Beats.size() < 64; ++i) {
            t += (data[i] + 1) / 97.0;
            grid.Beats.push_back(t);
        }
        grid.FirstDownbeat = int(data[1] % grid.Beats.size());
        s.Beats = grid;
    }
    for (const QString& where : {show, QStringLiteral("/") + name + QStringLiteral("/x.RZ4"),
                                 QStringLiteral("/shows/:odd/:show.RZ4")}) {
        TSoundtrack back;
        FUZZ_CHECK(SoundtrackFromJson(SoundtrackToJson(s, where), where, back).ok);
        if (back != s) {
            std::fprintf(stderr, "round trip: \"%s\" -> \"%s\" (show %s)\n", qPrintable(s.MusicFile),
                         qPrintable(back.MusicFile), qPrintable(where));
            std::abort();
        }
    }
    return 0;
}
