#include "TextFrame.h"

#include "HersheyFont.h"

#include <QFont>
#include <QFontDatabase>

namespace {

QString OneLine(const QString& text)
{
    QString line = text;
    for (QChar& c : line)
        if (c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == QLatin1Char('\t'))
            c = QLatin1Char(' ');
    return line;
}

// The installed family of that name as the font database spells it; empty when none.
QString InstalledFamily(const QString& name)
{
    const QStringList families = QFontDatabase::families();
    for (const QString& family : families)
        if (family.compare(name, Qt::CaseInsensitive) == 0)
            return family;
    return {};
}

bool HersheyDrawing(const QString& line, const QString& name, TVectorDrawing& drawing, QString& error)
{
    const QString fontName = name.isEmpty() ? THersheyFont::DefaultName() : name;
    const std::optional<THersheyFont> font = THersheyFont::Load(fontName);
    if (!font) {
        error = QStringLiteral("the Hershey font \"%1\" is not installed").arg(fontName);
        return false;
    }
    TVectorPath strokes;
    double x = 0;
    for (const QChar c : line) {
        const THersheyFont::TGlyph& glyph = font->Glyph(c);
        if (!glyph.Present) {
            error = QStringLiteral("the Hershey font \"%1\" has no character \"%2\"; an outline font may have it")
                        .arg(fontName, QString(c));
            return false;
        }
        strokes.Path.addPath(glyph.Strokes.translated(x, 0));
        x += glyph.Width;
    }
    drawing.push_back(std::move(strokes));
    return true;
}

bool OutlineDrawing(const QString& line, const QString& name, TVectorDrawing& drawing, QString& error)
{
    const QString family = InstalledFamily(name);
    if (family.isEmpty()) {
        error = QStringLiteral("no font family \"%1\" is installed").arg(name);
        return false;
    }
    QFont font(family);
    // Large and unhinted: the outlines as designed, not as fitted to a pixel grid.
    font.setPixelSize(200);
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setKerning(true);
    TVectorPath outlines;
    outlines.Filled = true;
    outlines.Path.addText(0, 0, font, line);
    drawing.push_back(std::move(outlines));
    return true;
}

} // namespace

TResult ResolveTextFont(const QString& name, TTextFont& font)
{
    if (THersheyFont::Load(name)) {
        font = {TTextFont::TKind::Hershey, name};
        return {};
    }
    if (const QString family = InstalledFamily(name); !family.isEmpty()) {
        font = {TTextFont::TKind::Outline, family};
        return {};
    }
    QStringList hershey = THersheyFont::Names();
    return TResult::Failure(
        QStringLiteral("unknown font \"%1\": neither a Hershey font (%2) nor an installed font family")
            .arg(name, hershey.isEmpty() ? QStringLiteral("none installed") : hershey.join(QStringLiteral(", "))));
}

TResult TextDrawing(const QString& text, const TTextFont& font, TVectorDrawing& drawing)
{
    drawing.clear();
    const QString line = OneLine(text);
    if (line.trimmed().isEmpty())
        return TResult::Failure(QStringLiteral("the text is empty"));
    if (line.size() > MaxTextLength)
        return TResult::Failure(QStringLiteral("the text has %1 characters; a text frame takes at most %2")
                                    .arg(line.size()).arg(MaxTextLength));
    QString error;
    const bool drawn = font.Kind == TTextFont::TKind::Hershey ? HersheyDrawing(line, font.Name, drawing, error)
                                                              : OutlineDrawing(line, font.Name, drawing, error);
    return drawn ? TResult() : TResult::Failure(error);
}

TVectorFrameResult MakeTextFrame(const QString& text, const TTextFont& font, const TVectorOptions& options)
{
    TVectorFrameResult result;
    TVectorDrawing drawing;
    if (result.outcome = TextDrawing(text, font, drawing); !result.outcome.ok)
        return result;
    TVectorOptions named = options;
    if (named.Name.isEmpty())
        named.Name = OneLine(text).simplified().left(64);
    return BuildVectorFrame(drawing, named);
}
