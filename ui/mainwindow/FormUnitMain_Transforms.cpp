// Frame menu: the transforms of the whole current frame, the link checks and the help
// lines with their dialog.
#include "FormUnitMain.h"

#include "FormUnitHelpLines.h"
#include "FrameTransforms.h"
#include "HelpWindow.h"
#include "LinkChecks.h"
#include "Prompts.h"

namespace {

// The Frame menu's reshaping commands by their items.
struct TFrameCommandEntry {
    QAction* TFormMainUi::*Item;
    void (TFormMain::*Run)();
};

} // namespace

void TFormMain::ConnectTransformCommands()
{
    static const TFrameCommandEntry commands[] = {
        {&TFormMainUi::miFrameFlipX2, &TFormMain::miFrameFlipX2Click},
        {&TFormMainUi::miFrameFlipY, &TFormMain::miFrameFlipYClick},
        {&TFormMainUi::miFrameFlipD, &TFormMain::miFrameFlipDClick},
        {&TFormMainUi::miCenterFrame, &TFormMain::miCenterFrameClick},
        {&TFormMainUi::miRotateFrame, &TFormMain::miRotateFrameClick},
        {&TFormMainUi::miScale, &TFormMain::miScaleClick},
        {&TFormMainUi::miSetRotPoint, &TFormMain::miSetRotPointClick},
        {&TFormMainUi::miRenum, &TFormMain::miRenumClick},
    };
    for (const TFrameCommandEntry& command : commands)
        connect(this->*command.Item, &QAction::triggered, this, command.Run);

    connect(aCheckFrameLinks, &QAction::triggered, this, [this] { CheckLinks(false); });
    connect(aCheckAllLinks, &QAction::triggered, this, [this] { CheckLinks(true); });
    connect(miLinkOverlay, &QAction::triggered, this, &TFormMain::miLinkOverlayClick);

    // The dialog edits the current frame's lines when run.
    connect(FormHelpLines, &TFormHelpLines::applied, this, &TFormMain::FormHelpLinesApplied);
    connect(FormHelpLines, &TFormHelpLines::helpRequested, FormHelp, &THelpWindow::ShowContents);
    connect(miHelpLines, &QAction::triggered, this, &TFormMain::miHelpLinesClick);
}

// The transforms move points, rename them or set the centres; none touches the links.
// Those that ask ask first; the answer is one step.

void TFormMain::miFrameFlipX2Click()
{
    EditCurrentFrame(miFrameFlipX2, MirrorFrameAtXAxis, TShowChange::Points);
}

void TFormMain::miFrameFlipYClick()
{
    EditCurrentFrame(miFrameFlipY, MirrorFrameAtYAxis, TShowChange::Points);
}

void TFormMain::miFrameFlipDClick()
{
    const TLaserFrame* frame = CurrentFrame();
    if (!frame)
        return;
    bool mirrored = true;
    EditCurrentFrame(miFrameFlipD, [&mirrored](TLaserFrame& f) { mirrored = MirrorFrameAtCenterAxis(f); },
                     TShowChange::Points);
    if (!mirrored)
        Prompts.Tell(TMsgIcon::Information, NoCenterAxisMessage());
}

void TFormMain::miCenterFrameClick()
{
    EditCurrentFrame(miCenterFrame, CenterFrame, TShowChange::Points);
}

void TFormMain::miRotateFrameClick()
{
    if (!CurrentFrame())
        return;
    // Cancel rotates nothing: a rotation by 0 would still move the frame by
    // effect centre - auxiliary centre.
    const std::optional<QString> answer = Prompts.InputText(QStringLiteral("Enter rotation in degrees"),
                                                            QStringLiteral("rotate frame"), QStringLiteral("0"));
    if (const std::optional<int> degrees = answer ? WholeNumber(*answer) : std::nullopt)
        EditCurrentFrame(miRotateFrame, [&](TLaserFrame& f) { RotateFrameByDegrees(f, *degrees); },
                         TShowChange::Points);
}

void TFormMain::miScaleClick()
{
    const TLaserFrame* frame = CurrentFrame();
    if (!frame || frame->Points.empty())
        return;
    const std::optional<QString> answer = Prompts.InputText(QStringLiteral("Enter scale factor (1=100%)"),
                                                            QStringLiteral("scale frame"), QStringLiteral("1"));
    if (const std::optional<double> factor = answer ? ScaleFactor(*answer) : std::nullopt)
        EditCurrentFrame(miScale, [&](TLaserFrame& f) { ScaleFrame(f, *factor); }, TShowChange::Points);
}

void TFormMain::miSetRotPointClick()
{
    const TLaserFrame* frame = CurrentFrame();
    if (!frame)
        return;
    // A cancelled box keeps its prefilled value, as if it had been confirmed.
    const auto ask = [this](const char* caption, const char* prompt, qint32 value) {
        const QString text = QString::number(value);
        return WholeNumber(
            Prompts.InputText(QString::fromLatin1(caption), QString::fromLatin1(prompt), text).value_or(text));
    };
    TCenterAnswers answers;
    answers.EffectX = ask("Enter new effect center point (x)", "effect center", frame->EffectCenterX);
    answers.EffectY = ask("Enter new effect center point (y)", "effect center", frame->EffectCenterY);
    answers.AuxX = ask("Enter new auxiliary center point (x)", "auxiliary center", frame->AuxCenterX);
    answers.AuxY = ask("Enter new auxiliary center point (y)", "auxiliary center", frame->AuxCenterY);
    EditCurrentFrame(miSetRotPoint, [&answers](TLaserFrame& f) { SetCenters(f, answers); },
                     TShowChange::Properties);
}

void TFormMain::miRenumClick()
{
    EditCurrentFrame(miRenum, RenumberPoints, TShowChange::Points);
}

void TFormMain::CheckLinks(bool allFrames)
{
    QString report;
    if (allFrames)
        report = CheckAllLinks(Show());
    else
        CheckFrameLinks(Show(), CurrentFrameIndex(), report);
    const TLinkCheckMessage message = LinkCheckMessage(report);
    Prompts.Tell(message.Warning ? TMsgIcon::Warning : TMsgIcon::Information, message.Text);
}

void TFormMain::miLinkOverlayClick()
{
    const int index = CurrentFrameIndex();
    TOverlayResult result;
    // A step when it laid a link that was not there.
    if (index >= 1) {
        EditCurrentFrame(miLinkOverlay, [&](TLaserFrame&) {
            result = LinkOverlayingPoints(Show(), index, CircleSize);
        }, TShowChange::Links);
    }
    if (result.Count > 0)
        Prompts.Tell(TMsgIcon::Information, OverlayMessage(result.Count));
    // The marks it set are no part of the show, but they are shown.
    RedrawSketchpad();
}

void TFormMain::miHelpLinesClick()
{
    const TLaserFrame* frame = CurrentFrame();
    if (!frame)
        return;
    // The dialog works on a copy; every apply of it is a step on the frame.
    HelpLinesFrame = CurrentFrameIndex();
    HelpLinesWork = frame->HelpLines;
    FormHelpLines->EditHelpLines(HelpLinesWork);
    HelpLinesFrame = -1;
}

void TFormMain::OpenHelpLinesDialog(THelpLinesPage page)
{
    FormHelpLines->SelectPage(page);
    miHelpLinesClick();
}

// OK and "An&wenden" wrote the lines: an edit of the frame, shown at once.
void TFormMain::FormHelpLinesApplied()
{
    Document().EditFrame(HelpLinesFrame, StepName(miHelpLines->text()),
                         [this](TLaserFrame& f) { f.HelpLines = HelpLinesWork; }, TShowChange::Properties);
}
