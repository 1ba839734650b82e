#include "CliProgress.h"

#include <algorithm>
#include <cstdio>
#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {

constexpr int BarWidth = 30;
// Keeps the line short of an 80-column terminal so it never wraps.
constexpr int LabelWidth = 38;
constexpr int LabelTail = 12;

} // namespace

TCliProgress::TCliProgress(QTextStream& stream, bool terminal)
    : FStream(stream), FTerminal(terminal)
{
}

bool TCliProgress::StderrIsTerminal()
{
#ifdef Q_OS_WIN
    return _isatty(_fileno(stderr));
#else
    return isatty(fileno(stderr));
#endif
}

void TCliProgress::SetFrameLabel(const QString& text)
{
    FLabel = text;
    if (!FTerminal) {
        FStream << text << '\n';
        FStream.flush();
    }
}

void TCliProgress::SetTotalMax(int max) { FTotalMax = max; }

void TCliProgress::SetTotalPos(int pos) { FTotalPos = pos; }

int TCliProgress::Percent() const
{
    if (FTotalMax <= 0)
        return 0;
    const qint64 percent = qint64(FTotalPos) * 100 / FTotalMax;
    return int(std::clamp<qint64>(percent, 0, 100));
}

void TCliProgress::Repaint()
{
    if (!FTerminal)
        return;
    // The compile repaints after every repetition; the terminal only hears of a change.
    if (Percent() == FDrawnPercent && FLabel == FDrawnLabel)
        return;
    DrawLine();
}

void TCliProgress::DrawLine()
{
    const int percent = Percent();
    const int filled = percent * BarWidth / 100;
    QString label = FLabel;
    // Elide in the middle: the tail holds the frame's place in the show.
    if (label.size() > LabelWidth)
        label = label.left(LabelWidth - 3 - LabelTail) + QStringLiteral("...") + label.right(LabelTail);
    QString line = QStringLiteral("[%1%2] %3% %4")
                       .arg(QString(filled, QLatin1Char('#')),
                            QString(BarWidth - filled, QLatin1Char('.')))
                       .arg(percent, 3)
                       .arg(label);
    const int width = int(line.size());
    if (width < FDrawnWidth)
        line += QString(FDrawnWidth - width, QLatin1Char(' '));
    FStream << '\r' << line;
    FStream.flush();
    FDrawnWidth = width;
    FDrawnPercent = percent;
    FDrawnLabel = FLabel;
}

void TCliProgress::Finish(bool succeeded)
{
    if (!FTerminal || FDrawnPercent < 0)
        return;
    if (succeeded)
        FTotalPos = FTotalMax;
    DrawLine();
    FStream << '\n';
    FStream.flush();
}
