#include "SvgSafety.h"

#include "PathRecorder.h"
#include "SvgPathData.h"

#include <QHash>
#include <QRegularExpression>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <zlib.h>

#include <algorithm>

namespace {

bool SvgIsGzip(const QByteArray& data) { return data.size() >= 2 && uchar(data[0]) == 0x1f && uchar(data[1]) == 0x8b; }

// The name without its namespace prefix: Qt SVG reads names that way.
QStringView LocalName(QStringView qualified)
{
    const qsizetype colon = qualified.lastIndexOf(QLatin1Char(':'));
    return colon < 0 ? qualified : qualified.mid(colon + 1);
}

bool IsLinkAttribute(QStringView qualified)
{
    return LocalName(qualified) == QLatin1String("href");
}

bool IsLocalLink(QStringView value)
{
    return value.trimmed().startsWith(QLatin1Char('#'));
}

// Elements left out with everything in them: pictures, and what may hold or fetch
// something other than drawing (Qt SVG draws none of these).
bool IsLeftOut(QStringView name)
{
    static const char* const names[] = {"image", "foreignObject", "script", "handler", "animation", "video",
                                        "audio", "iframe", "font-face-uri", "cursor"};
    return std::any_of(std::begin(names), std::end(names), [&](const char* n) { return name == QLatin1String(n); });
}

bool IsShape(QStringView name)
{
    static const char* const names[] = {"path", "rect", "circle", "ellipse", "line", "polyline", "polygon",
                                        "text", "tspan", "textArea"};
    return std::any_of(std::begin(names), std::end(names), [&](const char* n) { return name == QLatin1String(n); });
}

// url(...) that does not name something in the document becomes "none"; a CSS
// @import goes.
QString KeepLocalUrls(const QString& text)
{
    if (!text.contains(QLatin1String("url"), Qt::CaseInsensitive) && !text.contains(QLatin1Char('@')))
        return text;
    static const QRegularExpression url(QStringLiteral("url\\s*\\(\\s*(['\"]?)\\s*([^)]*)\\)"),
                                        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression import(QStringLiteral("@import[^;]*;?"), QRegularExpression::CaseInsensitiveOption);
    QString out;
    qsizetype at = 0;
    for (QRegularExpressionMatchIterator it = url.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        out += QStringView(text).mid(at, m.capturedStart() - at);
        out += m.captured(2).startsWith(QLatin1Char('#')) ? m.captured(0) : QStringLiteral("none");
        at = m.capturedEnd();
    }
    out += QStringView(text).mid(at);
    return out.replace(import, QString());
}

// The elements of the document as a tree, in document order, to count what Qt SVG
// would lay out before it does.
struct TSvgNode {
    int FirstChild = -1;
    int NextSibling = -1;
    int Ref = -1;         // the element a <use> repeats
    qint64 Shape = 0;     // shapes it draws itself: one, or a text's letters
    // Worked out on demand:
    qint64 Shapes = 0, Elements = 0;
    int Height = 0;
    char State = 0;       // 0 not yet, 1 in progress, 2 done
};

class TSvgCounter {
public:
    explicit TSvgCounter(std::vector<TSvgNode>& nodes) : FNodes(nodes) {}

    // Counts below node `i`; false (with the reason) when there are too many, they
    // nest too deep or a <use> repeats itself.
    bool Count(int i, int depth)
    {
        TSvgNode& node = FNodes[size_t(i)];
        if (node.State == 2)
            return true;
        if (node.State == 1) {
            Reason = QStringLiteral("a <use> element repeats an element it is part of");
            return false;
        }
        if (depth > MaxSvgNesting) {
            Reason = NestingReason();
            return false;
        }
        node.State = 1;
        qint64 shapes = std::min(node.Shape, MaxSvgShapes + 1), elements = 1;
        int height = 0;
        const auto add = [&](int j) {
            if (!Count(j, depth + 1))
                return false;
            const TSvgNode& n = FNodes[size_t(j)];
            if (depth + n.Height > MaxSvgNesting) {
                Reason = NestingReason();
                return false;
            }
            shapes = std::min(shapes + n.Shapes, MaxSvgShapes + 1);
            elements = std::min(elements + n.Elements, MaxSvgElements + 1);
            height = std::max(height, n.Height);
            return true;
        };
        if (node.Ref >= 0 && !add(node.Ref))
            return false;
        for (int c = node.FirstChild; c >= 0; c = FNodes[size_t(c)].NextSibling)
            if (!add(c))
                return false;
        TSvgNode& done = FNodes[size_t(i)];
        done.Shapes = shapes;
        done.Elements = elements;
        done.Height = height + 1;
        done.State = 2;
        return true;
    }

    static QString NestingReason()
    {
        return QStringLiteral("its elements nest more than %1 deep (through <use> elements too)").arg(MaxSvgNesting);
    }

    QString Reason;

private:
    std::vector<TSvgNode>& FNodes;
};

QString XmlError(const QXmlStreamReader& xml)
{
    return QStringLiteral("not a readable SVG drawing: line %1, column %2: %3")
        .arg(xml.lineNumber()).arg(xml.columnNumber()).arg(xml.errorString());
}

// The first reading: is it SVG, and what would Qt SVG have to lay out? `longPaths`
// says of each <path>, in document order, whether Qt SVG would cut it short.
TResult CheckSvgTree(const QByteArray& xmlData, std::vector<char>& longPaths)
{
    QXmlStreamReader xml(xmlData);
    xml.setNamespaceProcessing(false);
    std::vector<TSvgNode> nodes;
    std::vector<int> open;        // elements not closed yet
    std::vector<int> lastChild;   // per open element
    QHash<QString, int> ids;
    std::vector<std::pair<int, QString>> uses;
    int leftOut = 0;              // depth inside an element left out
    qint64 elements = 0, pathElements = 0;
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::StartElement) {
            const QStringView name = LocalName(xml.qualifiedName());
            if (nodes.empty() && leftOut == 0 && name != QLatin1String("svg"))
                return TResult::Failure(
                    QStringLiteral("not an SVG drawing: its first element is <%1>, not <svg>").arg(xml.qualifiedName()));
            if (++elements > MaxSvgElements)
                return TResult::Failure(QStringLiteral("it has more than %1 elements").arg(MaxSvgElements));
            if (leftOut > 0 || IsLeftOut(name)) {
                ++leftOut;
                continue;
            }
            if (int(open.size()) >= MaxSvgNesting)
                return TResult::Failure(TSvgCounter::NestingReason());
            const int i = int(nodes.size());
            nodes.push_back({});
            nodes.back().Shape = IsShape(name) ? 1 : 0;
            if (!open.empty()) {
                int& last = lastChild.back();
                (last < 0 ? nodes[size_t(open.back())].FirstChild : nodes[size_t(last)].NextSibling) = i;
                last = i;
            }
            open.push_back(i);
            lastChild.push_back(-1);
            const QXmlStreamAttributes attributes = xml.attributes();
            if (name == QLatin1String("path")) {
                const qint64 bound = SvgPathElementBound(attributes.value(QLatin1String("d")).toLatin1());
                longPaths.push_back(bound > QtSvgPathElementLimit);
                if ((pathElements += bound) > MaxSvgPathElements)
                    return TResult::Failure(QStringLiteral("its paths have more than %1 pieces, far more than a frame holds")
                                                .arg(MaxSvgPathElements));
            }
            for (const QXmlStreamAttribute& a : attributes) {
                const QStringView attribute = a.qualifiedName();
                if (attribute == QLatin1String("id") || attribute == QLatin1String("xml:id"))
                    ids.insert(a.value().trimmed().toString(), i);
                else if (name == QLatin1String("use") && IsLinkAttribute(attribute) && IsLocalLink(a.value()))
                    uses.emplace_back(i, a.value().trimmed().mid(1).toString());
            }
        } else if ((token == QXmlStreamReader::Characters || token == QXmlStreamReader::EntityReference)
                   && leftOut == 0 && !open.empty()) {
            // Each letter of a text is a shape of its own (a text of millions would be
            // laid out glyph by glyph).
            qint64& shape = nodes[size_t(open.back())].Shape;
            if (shape > 0) {
                const QStringView text = xml.text();
                shape += std::count_if(text.begin(), text.end(), [](QChar c) { return !c.isSpace(); });
                shape = std::min(shape, MaxSvgShapes + 1);
            }
        } else if (token == QXmlStreamReader::EndElement) {
            if (leftOut > 0) {
                --leftOut;
            } else if (!open.empty()) {
                open.pop_back();
                lastChild.pop_back();
            }
        }
    }
    if (xml.hasError())
        return TResult::Failure(XmlError(xml));
    if (nodes.empty())
        return TResult::Failure(QStringLiteral("not an SVG drawing: it holds no element"));
    for (const auto& [use, id] : uses)
        nodes[size_t(use)].Ref = ids.value(id, -1);

    TSvgCounter counter(nodes);
    if (!counter.Count(0, 1))
        return TResult::Failure(counter.Reason);
    const TSvgNode& root = nodes[0];
    if (root.Shapes > MaxSvgShapes)
        return TResult::Failure(QStringLiteral("it has more than %1 shapes, counting each <use> as the shapes it repeats; "
                                               "a frame holds %1 points")
                                    .arg(MaxSvgShapes));
    if (root.Elements > MaxSvgElements)
        return TResult::Failure(QStringLiteral("it has more than %1 elements, counting each <use> as the elements it repeats")
                                    .arg(MaxSvgElements));
    return {};
}

// The second reading writes what Qt SVG is shown.
void WriteCleanSvg(const QByteArray& xmlData, const std::vector<char>& longPaths, TSvgSource& source)
{
    QXmlStreamReader xml(xmlData);
    xml.setNamespaceProcessing(false);
    QXmlStreamWriter out(&source.Xml);
    int leftOut = 0;
    size_t paths = 0;
    bool inStyle = false;
    while (!xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::StartElement: {
            const QStringView name = LocalName(xml.qualifiedName());
            if (leftOut > 0 || IsLeftOut(name)) {
                if (leftOut++ == 0 && name == QLatin1String("image"))
                    ++source.PicturesSkipped;
                break;
            }
            inStyle = name == QLatin1String("style");
            const bool longPath = name == QLatin1String("path") && paths < longPaths.size() && longPaths[paths++];
            out.writeStartElement(xml.qualifiedName().toString());
            const QXmlStreamAttributes attributes = xml.attributes();
            for (const QXmlStreamAttribute& a : attributes) {
                const QStringView attribute = a.qualifiedName();
                if (IsLinkAttribute(attribute) && !IsLocalLink(a.value()))
                    continue;
                if (attribute == QLatin1String("xml:base"))
                    continue;
                if (longPath && attribute == QLatin1String("d")) {
                    QPainterPath path;
                    ParseSvgPathData(a.value().toLatin1(), path);
                    out.writeAttribute(QStringLiteral("d"),
                                       QString::fromLatin1(TPathRecorder::MarkerPathData(int(source.LongPaths.size()))));
                    source.LongPaths.push_back(std::move(path));
                    continue;
                }
                out.writeAttribute(attribute.toString(), KeepLocalUrls(a.value().toString()));
            }
            break;
        }
        case QXmlStreamReader::EndElement:
            inStyle = false;
            if (leftOut > 0)
                --leftOut;
            else
                out.writeEndElement();
            break;
        case QXmlStreamReader::Characters:
        case QXmlStreamReader::EntityReference:
            if (leftOut > 0)
                break;
            if (inStyle)
                out.writeCharacters(KeepLocalUrls(xml.text().toString()));
            else
                out.writeCharacters(xml.text().toString());
            break;
        default:
            break;  // no document type, entities, comments or processing instructions
        }
    }
    out.writeEndDocument();
}

} // namespace

TResult InflateSvgz(const QByteArray& data, qint64 limit, QByteArray& inflated)
{
    inflated.clear();
    z_stream z{};
    // 15 + 32: a zlib or gzip header, found out from the data.
    if (inflateInit2(&z, 15 + 32) != Z_OK)
        return TResult::Failure(QStringLiteral("the compressed drawing cannot be inflated"));
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.constData()));
    z.avail_in = uInt(data.size());
    constexpr qint64 Chunk = 1 << 16;
    int status = Z_OK;
    QString error;
    while (error.isEmpty()) {
        if (inflated.size() >= limit + 1) {
            error = QStringLiteral("the compressed drawing inflates to more than %1 bytes").arg(limit);
            break;
        }
        const qint64 room = std::min(Chunk, limit + 1 - inflated.size());
        const qsizetype before = inflated.size();
        inflated.resize(before + room);
        z.next_out = reinterpret_cast<Bytef*>(inflated.data() + before);
        z.avail_out = uInt(room);
        status = inflate(&z, Z_NO_FLUSH);
        inflated.resize(before + room - z.avail_out);
        if (status == Z_STREAM_END) {
            // gzip allows several members one after the other.
            if (z.avail_in >= 2 && z.next_in[0] == 0x1f && z.next_in[1] == 0x8b) {
                inflateReset(&z);
                continue;
            }
            break;
        }
        if (status == Z_BUF_ERROR && z.avail_in == 0) {
            error = QStringLiteral("the compressed drawing is cut off");
        } else if (status != Z_OK && status != Z_BUF_ERROR) {
            error = QStringLiteral("the compressed drawing is damaged (%1)")
                        .arg(QString::fromLatin1(z.msg ? z.msg : "inflate failed"));
        }
    }
    inflateEnd(&z);
    if (!error.isEmpty()) {
        inflated.clear();
        return TResult::Failure(error);
    }
    return {};
}

TResult PrepareSvg(const QByteArray& data, TSvgSource& source)
{
    source = TSvgSource();
    QByteArray inflated;
    if (SvgIsGzip(data)) {
        if (const TResult r = InflateSvgz(data, MaxSvgFileSize, inflated); !r.ok)
            return r;
    }
    const QByteArray& xml = SvgIsGzip(data) ? inflated : data;
    if (xml.trimmed().isEmpty())
        return TResult::Failure(QStringLiteral("the file is empty"));
    std::vector<char> longPaths;
    if (const TResult checked = CheckSvgTree(xml, longPaths); !checked.ok)
        return checked;
    WriteCleanSvg(xml, longPaths, source);
    return {};
}
