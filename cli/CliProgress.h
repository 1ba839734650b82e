#pragma once

#include "CompileProgress.h"

#include <QString>
#include <QTextStream>

// Compile progress on the command line. On a terminal: one line with the total
// bar and the current frame, redrawn in place only when what it shows changes.
// Otherwise (a pipe or a log file): one plain line per frame.
class TCliProgress : public TCompileProgress {
public:
    TCliProgress(QTextStream& stream, bool terminal);

    // True when stderr is a terminal.
    static bool StderrIsTerminal();

    void SetFrameLabel(const QString& text) override;
    void SetTotalMax(int max) override;
    void SetTotalPos(int pos) override;
    void Repaint() override;

    // Ends the progress display: draws the bar full and moves to the next line.
    // Call once after the compile, whether it succeeded or not.
    void Finish(bool succeeded);

private:
    int Percent() const;
    void DrawLine();

    QTextStream& FStream;
    bool FTerminal;
    QString FLabel;
    int FTotalMax = 0;
    int FTotalPos = 0;
    int FDrawnPercent = -1;
    QString FDrawnLabel;
    int FDrawnWidth = 0;   // characters of the line on screen, to blank leftovers
};
