#pragma once

#include "VectorImport.h"

#include <QString>

// A line of text as one frame, fitted to the square like a drawing. Hershey fonts
// draw each letter with single strokes, as a laser draws best; an installed outline
// font draws the outlines of its letters.
struct TTextFont {
    enum class TKind { Hershey, Outline };
    TKind Kind = TKind::Hershey;
    QString Name;  // a Hershey font name, or an outline font's family; empty: the default Hershey font
};

// The font a name given on the command line stands for: a Hershey font of that name,
// else an installed font family of that name (letter case aside). Fails for a name
// that is neither.
TResult ResolveTextFont(const QString& name, TTextFont& font);

// The longest text a text frame takes: more would not be readable across the square
// (at 1000 characters a letter is a quarter of a unit wide).
inline constexpr int MaxTextLength = 1000;

// The text on one line; tabs and line breaks count as spaces. The frame is named
// after the text unless options.Name is set. Fails for an empty text, a text longer
// than MaxTextLength, an unknown font and a character the Hershey font has no glyph for.
TVectorFrameResult MakeTextFrame(const QString& text, const TTextFont& font, const TVectorOptions& options);

// The text laid out as paths, before fitting; fails as above.
TResult TextDrawing(const QString& text, const TTextFont& font, TVectorDrawing& drawing);
