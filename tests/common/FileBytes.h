#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// Whole files as bytes, for tests that craft or inspect files.
inline bool WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// Empty when the file cannot be read.
inline QByteArray ReadFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
