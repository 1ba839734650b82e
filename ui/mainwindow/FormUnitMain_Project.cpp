// Project menu: compiling the show into its wave file; the driver delays; help.
#include "FormUnitMain.h"

#include "AudioPlayer.h"
#include "FormUnitDelays.h"
#include "FormUnitStatus.h"
#include "HelpWindow.h"
#include "Prompts.h"
#include "ShowFile.h"
#include "WaveCompiler.h"

#include <QToolButton>

void TFormMain::ConnectProjectCommands()
{
    connect(aCreateWavefile, &QAction::triggered, this, &TFormMain::aCreateWavefileExecute);
    connect(miDelays, &QAction::triggered, this, &TFormMain::miDelaysClick);
    connect(aHelpContents, &QAction::triggered, this, [this] { FormHelp->ShowContents(); });
    connect(miAbout, &QAction::triggered, this, [this] {
        Prompts.Tell(TMsgIcon::Information, QStringLiteral("Info about Skelmar: \n\nRelease 9 (Build 42)"));
    });
}

void TFormMain::aCreateWavefileExecute()
{
    // The wave file is named after the show file: a show never saved gets a name first.
    if (Document().FileName().isEmpty() && !SaveAs())
        return;
    // A playing show holds its wave file, which the compile is about to rewrite.
    Playback->ReleaseFile();
    FormStatus->Reset();
    FormStatus->show();
    const TCompileOptions options{ScanDelays, miFlipX->isChecked(), miFlipY->isChecked()};
    const TCompileResult result = CompileShow(Show(), WaveFileName(Document().FileName()), options, FormStatus);
    if (!Succeeded(Prompts, result.outcome)) {
        // The status window has no close button: leaving it up would leave it up for good.
        FormStatus->hide();
        return;
    }
    FormStatus->hide();
    SetPlayEnabled(true);
}

void TFormMain::miDelaysClick()
{
    FormDelays->Execute(ScanDelays);
}

void TFormMain::SetPlayEnabled(bool enabled)
{
    aPlayShow->setEnabled(enabled);
    tbShowPreview->setEnabled(enabled);
}
