// the colours dialog: commands of the main window.
#include "FormUnitMain.h"

#include "FormUnitColors.h"
#include "FrameList.h"

void TFormMain::ConnectColorCommands()
{
    connect(FormColors, &TFormColors::colorsApplied, this, [this](const TColorSettings& colors) {
        Colors = colors;
        ApplyColorNames();
        UpdateThumbView();        // the frame list takes the colours and repaints
        lbThumbs->RepaintList();
        RedrawSketchpad();        // the timeline follows the sketchpad and takes its colours too
    });
    connect(miColors, &QAction::triggered, this, [this] { FormColors->Execute(Colors); });
}
