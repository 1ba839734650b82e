#include "FrameStatusBar.h"

#include "ShowDocument.h"

#include <QLabel>

TFrameStatusBar::TFrameStatusBar(TShowDocument& document, QWidget* parent)
    : QStatusBar(parent), FDocument(document)
{
    setObjectName(QStringLiteral("sbFrame"));
    sbFramePos = new QLabel(QStringLiteral("X:200 Y:200"), this);
    sbFramePos->setObjectName(QStringLiteral("sbFramePos"));
    sbFramePos->setAlignment(Qt::AlignCenter);
    // 70 pixels as designed, wider when the font needs it for the longest position text.
    sbFramePos->setFixedWidth(qMax(70, sbFramePos->fontMetrics().horizontalAdvance(QStringLiteral("X:255  Y:255")) + 12));
    sbFrameMessage = new QLabel(QStringLiteral("Skelmar started"), this);
    sbFrameMessage->setObjectName(QStringLiteral("sbFrameMessage"));
    // A long message is cut at the panel's edge (the whole of it is its tip) rather
    // than widening the panel around the frame list.
    sbFrameMessage->setMinimumWidth(50);
    sbFrameMessage->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    addWidget(sbFramePos);
    addWidget(sbFrameMessage, 1);

    connect(&document, &TShowDocument::frameChanged, this, &TFrameStatusBar::Recheck);
    connect(&document, &TShowDocument::framesChanged, this, &TFrameStatusBar::Recheck);
    connect(&document, &TShowDocument::showReplaced, this, &TFrameStatusBar::Recheck);
    connect(&document.History(), &QUndoStack::indexChanged, this, &TFrameStatusBar::Recheck);
}

void TFrameStatusBar::SetText(int panel, const QString& text)
{
    if (panel == 0)
        sbFramePos->setText(text);
    else
        SetMessage(text, {});
}

void TFrameStatusBar::SetPointText(int frame, int point, const QString& text)
{
    const TLaserFrame* shown = FDocument.Frame(frame);
    if (!shown || point < 0 || point >= shown->PointCount()) {
        SetMessage(text, {});
        return;
    }
    const TSmallPoint at = shown->Points[size_t(point)];
    // Frames keep their identity through the list's steps: the frame is looked for.
    SetMessage(text, [this, shown, point, x = at.X, y = at.Y] {
        const TLaserFrames& show = FDocument.Show();
        for (int i = 0; i < show.Count(); ++i) {
            if (&show.Frame(i) == shown)
                return point < shown->PointCount() && shown->Points[size_t(point)].X == x
                    && shown->Points[size_t(point)].Y == y;
        }
        return false;
    });
}

void TFrameStatusBar::SetStepText(const QString& text)
{
    const QUndoStack& history = FDocument.History();
    const int at = history.index();
    const QUndoCommand* step = at > 0 ? history.command(at - 1) : nullptr;
    SetMessage(text, [&history, at, step] { return history.index() >= at && (at == 0 || history.command(at - 1) == step); });
}

QString TFrameStatusBar::Message() const
{
    return sbFrameMessage->text();
}

void TFrameStatusBar::SetMessage(const QString& text, std::function<bool()> holds)
{
    sbFrameMessage->setText(text);
    sbFrameMessage->setToolTip(text);
    FHolds = std::move(holds);
}

void TFrameStatusBar::Recheck()
{
    if (FHolds && !FHolds())
        SetMessage(QString(), {});
}
