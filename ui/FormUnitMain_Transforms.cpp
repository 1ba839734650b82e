// Frame menu: the transforms of the whole current frame, the link checks and the help
// lines with their dialog.
#include "FormUnitMain.h"

#include "FormUnitHelpLines.h"
#include "FrameList.h"
#include "FrameTransforms.h"
#include "HelpWindow.h"
#include "LinkChecks.h"
#include "Prompts.h"

namespace {

// The transforms that mark the show as modified once they worked on the frame; the
// flips, rotate, the centres and renumbering leave the mark as it was.
bool MarksModified(const char* component)
{
    const QLatin1String name(component);
    return name == QLatin1String("miCenterFrame") || name == QLatin1String("miScale");
}

} // namespace

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

    // Made once, like every dialog; it edits the current frame's lines when run.
    FormHelpLines = new TFormHelpLines(this);
    connect(FormHelpLines, &TFormHelpLines::applied, this, &TFormMain::FormHelpLinesApplied);
    connect(FormHelpLines, &TFormHelpLines::helpRequested, this, [this] {
        if (FormHelp)
            FormHelp->ShowContents();
    });
    connect(miHelpLines, &QAction::triggered, this, &TFormMain::miHelpLinesClick);
}

void TFormMain::RunFrameCommand(int command)
{
    const TFrameCommandEntry& entry = FrameCommandTable()[size_t(command)];
    const TInputText input = [this](const QString& caption, const QString& prompt, const QString& text) {
        return Prompts.InputText(caption, prompt, text);
    };
    const TFrameCommandResult result = entry.Run(*Frames, CurrentFrameIndex(), input);
    if (!result.Message.isEmpty())
        Prompts.Tell(TMsgIcon::Information, result.Message);
    if (!result.Ran)
        return;
    if (MarksModified(entry.Component))
        Modified = true;
    if (result.RepaintThumbnails)
        lbThumbs->RepaintList();
    RedrawSketchpad();
}

void TFormMain::CheckLinks(bool allFrames)
{
    QString report;
    if (allFrames)
        report = CheckAllLinks(*Frames);
    else
        CheckFrameLinks(*Frames, CurrentFrameIndex(), report);
    const TLinkCheckMessage message = LinkCheckMessage(report);
    Prompts.Tell(message.Warning ? TMsgIcon::Warning : TMsgIcon::Information, message.Text);
}

void TFormMain::miLinkOverlayClick()
{
    const TOverlayResult result = LinkOverlayingPoints(*Frames, CurrentFrameIndex(), CircleSize);
    // An editing command: it marks the show when it laid a link that was not there.
    if (result.Added > 0)
        Modified = true;
    if (result.Count > 0)
        Prompts.Tell(TMsgIcon::Information, OverlayMessage(result.Count));
    RedrawSketchpad();
}

void TFormMain::miHelpLinesClick()
{
    if (TLaserFrame* frame = CurrentFrame())
        FormHelpLines->EditHelpLines(frame->HelpLines);
}

void TFormMain::OpenHelpLinesDialog(THelpLinesPage page)
{
    FormHelpLines->SelectPage(page);
    miHelpLinesClick();
}

// OK and "An&wenden" wrote the lines: an edit of the frame, shown at once.
void TFormMain::FormHelpLinesApplied()
{
    Modified = true;
    RedrawSketchpad();
}
