#pragma once

#include <QtGlobal>

// The largest show file the reader takes and the writer writes: a show that would
// pass it is refused before anything is written.
constexpr qint64 MaxShowFileSize = qint64(1) << 30;
