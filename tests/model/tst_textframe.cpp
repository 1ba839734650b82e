#include "HersheyFont.h"
#include "TextFrame.h"

#include <QFontDatabase>
#include <QtTest>

namespace {

struct TBox {
    double x0, x1;
};

// Where each letter of `text` lands across the square, from the font's own glyphs
// laid side by side and fitted as a drawing is: the whole line's box fills the width.
QList<TBox> LetterBoxes(const THersheyFont& font, const QString& text)
{
    QList<TBox> boxes;
    double pen = 0, x0 = 1e9, x1 = -1e9, y0 = 1e9, y1 = -1e9;
    for (const QChar c : text) {
        const THersheyFont::TGlyph& g = font.Glyph(c);
        const QRectF r = g.Strokes.boundingRect().translated(pen, 0);
        if (!g.Strokes.isEmpty()) {
            boxes.append({r.left(), r.right()});
            x0 = std::min(x0, r.left()), x1 = std::max(x1, r.right());
            y0 = std::min(y0, r.top()), y1 = std::max(y1, r.bottom());
        }
        pen += g.Width;
    }
    const double s = 255.0 / std::max(x1 - x0, y1 - y0);
    for (TBox& b : boxes)
        b = {(b.x0 - x0) * s, (b.x1 - x0) * s};
    return boxes;
}

int LetterAt(const QList<TBox>& boxes, int x)
{
    for (int i = 0; i < boxes.size(); ++i)
        if (x >= boxes[i].x0 - 1 && x <= boxes[i].x1 + 1)
            return i;
    return -1;
}

int Jumps(const TLaserFrame& frame)
{
    int jumps = 0;
    for (int i = 0; i < frame.PointCount(); ++i) {
        const TSmallPoint& a = frame.Points[i];
        const TSmallPoint& b = frame.Points[(i + 1) % frame.PointCount()];
        jumps += a.IsBlank() && (a.X != b.X || a.Y != b.Y);
    }
    return jumps;
}

// Without a margin: the line fills the square's width.
TVectorOptions TextFilling()
{
    TVectorOptions options;
    options.Margin = 0;
    return options;
}

} // namespace

class TestTextFrame : public QObject {
    Q_OBJECT
private slots:
    void lettersAreJoinedByDarkJumps_data();
    void lettersAreJoinedByDarkJumps();
    void lineIsWiderThanHigh();
    void outlineFont();
    void refused_data();
    void refused();
    void fontNames();
    void longestText();
};

void TestTextFrame::lettersAreJoinedByDarkJumps_data()
{
    QTest::addColumn<QString>("font");
    QTest::addColumn<QString>("text");
    QTest::newRow("futural") << "futural" << "HELLO";
    QTest::newRow("rowmans, spaces and punctuation") << "rowmans" << "Hi, you!";
}

// No lit line runs from one letter to another; every letter is left over a dark jump.
void TestTextFrame::lettersAreJoinedByDarkJumps()
{
    QFETCH(QString, font);
    QFETCH(QString, text);
    const auto hershey = THersheyFont::Load(font);
    QVERIFY(hershey);
    const TVectorFrameResult result = MakeTextFrame(text, {TTextFont::TKind::Hershey, font}, TextFilling());
    QVERIFY2(result.outcome.ok, qPrintable(result.outcome.message));
    const TLaserFrame& frame = *result.Frame;
    QCOMPARE(frame.Name, text);
    const QList<TBox> boxes = LetterBoxes(*hershey, text);
    const int n = frame.PointCount();
    QSet<int> left;
    for (int i = 0; i < n; ++i) {
        const TSmallPoint& a = frame.Points[i];
        const TSmallPoint& b = frame.Points[(i + 1) % n];
        const int la = LetterAt(boxes, a.X), lb = LetterAt(boxes, b.X);
        QVERIFY2(la >= 0 && lb >= 0, qPrintable(QStringLiteral("point %1 at x %2 is in no letter").arg(i).arg(a.X)));
        if (la != lb) {
            QVERIFY2(a.IsBlank(), qPrintable(QStringLiteral("a lit line from letter %1 to %2 at point %3")
                                                 .arg(la).arg(lb).arg(i)));
            left.insert(la);
        }
    }
    QCOMPARE(left.size(), boxes.size());
    QCOMPARE(Jumps(frame), result.Jumps);
    QVERIFY(result.Jumps >= boxes.size());
}

void TestTextFrame::lineIsWiderThanHigh()
{
    const TVectorFrameResult result = MakeTextFrame("Laser show", {}, TextFilling());
    QVERIFY2(result.outcome.ok, qPrintable(result.outcome.message));
    int x0 = 255, x1 = 0, y0 = 255, y1 = 0;
    for (const TSmallPoint& p : result.Frame->Points) {
        x0 = std::min<int>(x0, p.X), x1 = std::max<int>(x1, p.X);
        y0 = std::min<int>(y0, p.Y), y1 = std::max<int>(y1, p.Y);
    }
    // Fills the width, centred across it; much less high, centred too.
    QCOMPARE(x0, 0);
    QCOMPARE(x1, 255);
    QVERIFY2(y1 - y0 < 60, qPrintable(QStringLiteral("%1..%2").arg(y0).arg(y1)));
    QVERIFY2(std::abs((y0 + y1) - 255) <= 2, qPrintable(QStringLiteral("%1..%2").arg(y0).arg(y1)));
    // Upright: the capital's top is above the baseline's letters' bottom. "L" is a
    // vertical stroke from the top down, drawn at the far left.
    int top = 255, bottom = 0;
    for (const TSmallPoint& p : result.Frame->Points)
        if (p.X <= 2)
            top = std::min<int>(top, p.Y), bottom = std::max<int>(bottom, p.Y);
    QCOMPARE(top, y0);
    QVERIFY(bottom > top + 10);
}

void TestTextFrame::outlineFont()
{
    const QStringList families = QFontDatabase::families();
    if (families.isEmpty())
        QSKIP("no outline font installed");
    TTextFont font;
    QCOMPARE(ResolveTextFont(families.first().toUpper(), font).message, QString());
    QCOMPARE(font.Kind, TTextFont::TKind::Outline);
    QCOMPARE(font.Name, families.first());
    // An "O" is two closed outlines: each comes back to its start and a dark jump
    // leads to the other and back.
    const TVectorFrameResult result = MakeTextFrame("O", font, TextFilling());
    QVERIFY2(result.outcome.ok, qPrintable(result.outcome.message));
    QCOMPARE(result.Shapes, 2);
    QCOMPARE(result.Jumps, 2);
    QCOMPARE(Jumps(*result.Frame), 2);
}

void TestTextFrame::refused_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("font");
    QTest::addColumn<QString>("reason");
    QTest::newRow("empty") << "" << "futural" << "the text is empty";
    QTest::newRow("only spaces and a line break") << "  \n\t " << "futural" << "the text is empty";
    QTest::newRow("a letter the font lacks") << QString::fromUtf8("Grüße") << "futural"
                                           << QString::fromUtf8("has no character \"ü\"");
    QTest::newRow("no such Hershey font") << "Hi" << "nosuch" << "the Hershey font \"nosuch\" is not installed";
    QTest::newRow("a path is no font name") << "Hi" << "../futural" << "is not installed";
    // Laid out for seconds to minutes before the ordering of shapes was quick; no
    // frame could show them anyway.
    const QString sentence = "The quick brown fox jumps over the lazy dog. ";
    QTest::newRow("1001 characters") << QString(1001, 'W') << "futural"
                                     << "the text has 1001 characters; a text frame takes at most 1000";
    QTest::newRow("20,000 characters") << sentence.repeated(445).left(20000) << "futural"
                                       << "the text has 20000 characters; a text frame takes at most 1000";
    QTest::newRow("100,000 characters, an outline font") << QString(100000, 'x') << ""
                                                         << "the text has 100000 characters";
}

void TestTextFrame::refused()
{
    QFETCH(QString, text);
    QFETCH(QString, font);
    QFETCH(QString, reason);
    const TTextFont kind{font.isEmpty() ? TTextFont::TKind::Outline : TTextFont::TKind::Hershey, font};
    const TVectorFrameResult result = MakeTextFrame(text, kind, TextFilling());
    QVERIFY(!result.outcome.ok);
    QVERIFY(!result.Frame);
    QVERIFY2(result.outcome.message.contains(reason), qPrintable(result.outcome.message));
}

// As long as a text frame takes: drawn, every letter.
void TestTextFrame::longestText()
{
    const QString text = QString("Wide").repeated(MaxTextLength / 4);
    const TVectorFrameResult result = MakeTextFrame(text, {}, {});
    QVERIFY2(result.outcome.ok, qPrintable(result.outcome.message));
    QVERIFY(result.Frame->PointCount() <= MaxFramePoints);
    QCOMPARE(result.Frame->Name, text.left(64));
}

void TestTextFrame::fontNames()
{
    const QStringList names = THersheyFont::Names();
    QVERIFY(names.contains(THersheyFont::DefaultName()));
    QVERIFY(names.contains("rowmans"));
    TTextFont font;
    QVERIFY(ResolveTextFont("rowmans", font).ok);
    QCOMPARE(font.Kind, TTextFont::TKind::Hershey);
    const QString error = ResolveTextFont("No Such Font 42", font).message;
    QVERIFY2(error.startsWith("unknown font \"No Such Font 42\"") && error.contains("futural"), qPrintable(error));
    // Line breaks join the line; the name is the text.
    const TVectorFrameResult result = MakeTextFrame("two\nlines", {}, TextFilling());
    QVERIFY(result.outcome.ok);
    QCOMPARE(result.Frame->Name, QStringLiteral("two lines"));
}

QTEST_MAIN(TestTextFrame)
#include "tst_textframe.moc"
