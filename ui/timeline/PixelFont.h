#pragma once

#include <QFont>

// The small font of the owner-drawn frame list and timeline: a fixed pixel size, so
// that their rows (14 pixels, five lines in an 84-pixel entry) fit on any screen, and
// no antialiasing, so the text is crisp and drawn only in the colours asked for.
inline QFont PixelFont()
{
    QFont font(QStringLiteral("Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(11);
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}
