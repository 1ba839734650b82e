#include "Result.h"

#include <QDir>

QString FileMessage(const QString& fileName, const QString& reason)
{
    return QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(fileName), reason);
}

TResult TResult::FileFailure(const QString& fileName, const QString& reason)
{
    return Failure(FileMessage(fileName, reason));
}

TResult TResult::OutOfMemory(const QString& what, const QString& fileName)
{
    return Failure(QStringLiteral("Not enough memory to %1 \"%2\".").arg(what, QDir::toNativeSeparators(fileName)));
}
