// Frame menu: the transforms of the whole current frame, the link checks and the help
// lines with their dialog.
#include "FormUnitMain.h"

#include "FormUnitHelpLines.h"
#include "FrameList.h"
#include "FrameTransforms.h"
#include "HelpWindow.h"
#include "LinkChecks.h"
#include "Prompts.h"

void TFormMain::ConnectTransformCommands()
{
    const auto& commands = FrameCommandTable();
    for (int i = 0; i < int(commands.size()); ++i) {
        auto* item = findChild<QAction*>(QLatin1String(commands[size_t(i)].Component),
                                         Qt::FindDirectChildrenOnly);
        Q_ASSERT(item);
        connect(item, &QAction::triggered, this, [this, i] { RunFrameCommand(i); });
    }

    connect(aCheckFrameLinks, &QAction::triggered, this, [this] { CheckLinks(false); });
    connect(aCheckAllLinks, &QAction::triggered, this, [this] { CheckLinks(true); });
    connect(miLinkOverlay, &QAction::triggered, this, &TFormMain::miLinkOverlayClick);

    // The dialog edits the current frame's lines when run.
    connect(FormHelpLines, &TFormHelpLines::applied, this, &TFormMain::FormHelpLinesApplied);
    connect(FormHelpLines, &TFormHelpLines::helpRequested, FormHelp, &THelpWindow::ShowContents);
    connect(miHelpLines, &QAction::triggered, this, &TFormMain::miHelpLinesClick);
}

void TFormMain::RunFrameCommand(int command)
{
    const TFrameCommandEntry& entry = FrameCommandTable()[size_t(command)];
    const auto* item = findChild<QAction*>(QLatin1String(entry.Component), Qt::FindDirectChildrenOnly);
    const TInputText input = [this](const QString& caption, const QString& prompt, const QString& text) {
        return Prompts.InputText(caption, prompt, text);
    };
    const int index = CurrentFrameIndex();
    TFrameCommandResult result;
    // Its input boxes come first; what it changed is one step.
    // The transforms move points, rename them or set the centres; none touches the links.
    EditCurrentFrame(item, [&](TLaserFrame&) { result = entry.Run(Show(), index, input); },
                     TShowChange::Points | TShowChange::Properties);
    if (!result.Message.isEmpty())
        Prompts.Tell(TMsgIcon::Information, result.Message);
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
