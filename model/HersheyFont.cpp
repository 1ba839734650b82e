#include "HersheyFont.h"

#include <QDir>
#include <QRegularExpression>

extern "C" {
#include <hersheyfont.h>
}

#include <memory>

namespace {

// Where libhersheyfont looks for its fonts: $HERSHEY_FONTS_DIR, else the folder it
// was built for.
QString FontFolder()
{
    const QString dir = qEnvironmentVariable("HERSHEY_FONTS_DIR");
    return dir.isEmpty() ? QStringLiteral("/usr/share/hershey-fonts") : dir;
}

bool PlainName(const QString& name)
{
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_-]{1,64}$"));
    return plain.match(name).hasMatch();
}

} // namespace

std::optional<THersheyFont> THersheyFont::Load(const QString& name)
{
    if (!PlainName(name))
        return std::nullopt;
    const std::unique_ptr<hershey_font, decltype(&hershey_font_free)> font(
        hershey_font_load(name.toLatin1().constData()), &hershey_font_free);
    if (!font)
        return std::nullopt;
    THersheyFont result;
    result.FName = name;
    for (int c = 32; c < 127; ++c) {
        const hershey_glyph* glyph = hershey_font_glyph(font.get(), uchar(c));
        if (!glyph || glyph->width == 0)
            continue;
        TGlyph& out = result.FGlyphs[c];
        out.Present = true;
        out.Width = glyph->width;
        // The library turns the font's y axis upwards; ours points down again.
        const auto vertex = [](const hershey_vertex& v) { return QPointF(v.x, -v.y); };
        for (const hershey_path* path = glyph->paths; path; path = path->next) {
            if (path->nverts == 0)
                continue;
            out.Strokes.moveTo(vertex(path->verts[0]));
            for (int i = 1; i < path->nverts; ++i)
                out.Strokes.lineTo(vertex(path->verts[i]));
            // A stroke of one vertex is a dot.
            if (path->nverts == 1)
                out.Strokes.lineTo(vertex(path->verts[0]));
        }
    }
    return result;
}

QStringList THersheyFont::Names()
{
    QStringList names;
    const QStringList files = QDir(FontFolder()).entryList({QStringLiteral("*.jhf")}, QDir::Files, QDir::Name);
    for (const QString& file : files) {
        const QString name = file.chopped(4);
        if (PlainName(name))
            names << name;
    }
    return names;
}

const THersheyFont::TGlyph& THersheyFont::Glyph(QChar c) const
{
    static const TGlyph none;
    return c.unicode() < FGlyphs.size() ? FGlyphs[c.unicode()] : none;
}
