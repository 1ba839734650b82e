#pragma once

#include <QString>

// How a load, save, import, export or compile went: success, or a failure with a
// message that says why. Functions given a file name name the file in it, with
// the system's reason; those working on a device or on bytes say only what is
// wrong, and their callers add the name. Results that carry more (a version, the
// frames counted, a frame) hold a TResult as their `outcome`. The command line
// prints the message as one line; the editor shows it in an error box.
struct TResult {
    bool ok = true;
    QString message;   // on failure, why; empty on success unless the function says otherwise

    static TResult Failure(const QString& message) { return {false, message}; }
    // "file: reason", the file as the system writes names.
    static TResult FileFailure(const QString& fileName, const QString& reason);
    // "Not enough memory to <what> "file"."
    static TResult OutOfMemory(const QString& what, const QString& fileName);
};

// "1 frame", "2 frames": a count and its noun, the noun taking an s unless the count is one.
inline QString CountText(qint64 count, QLatin1String noun)
{
    return QStringLiteral("%1 %2%3").arg(count).arg(noun).arg(count == 1 ? "" : "s");
}

// "file: reason", the file as the system writes names.
QString FileMessage(const QString& fileName, const QString& reason);
