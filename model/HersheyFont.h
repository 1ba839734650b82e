#pragma once

#include <QPainterPath>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>

// The Hershey single-stroke fonts as installed by Debian's hershey-fonts-data,
// read through libhersheyfont. Each glyph is a few polylines on a grid of font
// units, x from 0 at the left of the glyph, y downwards with the baseline at 0.
class THersheyFont {
public:
    struct TGlyph {
        bool Present = false;   // the font has this character
        int Width = 0;          // advance, font units
        QPainterPath Strokes;   // one subpath per stroke, starting at x = 0
    };

    // The font of that name ("futural", "rowmans", ...), or nothing when no such
    // font is installed. Only plain names are looked up: letters, digits, '_' and '-'.
    static std::optional<THersheyFont> Load(const QString& name);

    // The names of the installed fonts, sorted.
    static QStringList Names();
    static QString DefaultName() { return QStringLiteral("futural"); }

    const QString& Name() const { return FName; }
    // Characters past Latin-1's ASCII half have no glyph.
    const TGlyph& Glyph(QChar c) const;

private:
    QString FName;
    std::array<TGlyph, 128> FGlyphs;
};
