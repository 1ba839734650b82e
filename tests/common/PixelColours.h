#pragma once

// The pure colours the windows draw with, for tests that read their pixels.

#include <QColor>

inline const QColor Black{0, 0, 0};
inline const QColor Red{255, 0, 0};
inline const QColor Green{0, 255, 0};
inline const QColor Blue{0, 0, 255};
