// Drawings and text as frames: commands of the main window.
#include "FormUnitMain.h"

#include "FormUnitText.h"
#include "FrameStatusBar.h"
#include "Prompts.h"
#include "SvgImport.h"
#include "TextFrame.h"

#include <QAction>
#include <QFileInfo>
#include <QLocale>
#include <QScopedValueRollback>

namespace {

const QString SvgFilter = QStringLiteral("SVG drawings (*.svg *.svgz);;All files (*)");

QString PointsText(const TLaserFrame& frame)
{
    return frame.PointCount() == 1 ? QStringLiteral("1 point") : QStringLiteral("%1 points").arg(frame.PointCount());
}

} // namespace

void TFormMain::ConnectContentCommands()
{
    connect(aImportSvg, &QAction::triggered, this, &TFormMain::aImportSvgExecute);
    connect(aInsertText, &QAction::triggered, this, &TFormMain::aInsertTextExecute);
}

void TFormMain::InsertContentFrame(std::unique_ptr<TLaserFrame> frame, const QString& stepName)
{
    TLaserFrames one;
    one.AddFrame(std::move(frame));
    ImportFrames(one, stepName);
}

void TFormMain::aImportSvgExecute()
{
    const QString fileName = Prompts.OpenFileName(
        TFileDialogRequest{QStringLiteral("Import SVG file..."), SvgFilter, QStringLiteral("svg"), OpenDir, {}});
    if (fileName.isEmpty())
        return;
    TVectorOptions options;
    TVectorFrameResult result;
    {
        const QScopedValueRollback busy(Busy, true);
        result = ImportSvgFile(fileName, options);
    }
    // Too many points for a frame: offer the tolerance that makes it fit.
    if (!result.outcome.ok && result.FittingTolerance > 0) {
        const QString within = QLocale::c().toString(result.FittingTolerance);
        if (!Prompts.Ask(TMsgIcon::Confirmation,
                         QStringLiteral("%1.\n\nImport it with its curves flattened within %2 units?")
                             .arg(result.outcome.message, within)))
            return;
        options.Tolerance = result.FittingTolerance;
        const QScopedValueRollback busy(Busy, true);
        result = ImportSvgFile(fileName, options);
    }
    if (!Succeeded(Prompts, result.outcome))
        return;
    QString status = QStringLiteral("Frame \"%1\" imported from %2: %3")
                         .arg(result.Frame->Name, QFileInfo(fileName).fileName(), PointsText(*result.Frame));
    if (const QString note = SkippedPicturesNote(result.PicturesSkipped); !note.isEmpty())
        status += QStringLiteral("; ") + note;
    InsertContentFrame(std::move(result.Frame), StepName(aImportSvg->text()));
    sbFrame->SetStepText(status);
}

void TFormMain::aInsertTextExecute()
{
    // Made on first use, so start-up does not wait for the list of installed fonts;
    // then kept, with its choices, for the rest of the run.
    if (!FormText)
        FormText = new TFormText(this);
    if (!FormText->Execute())
        return;
    TVectorFrameResult result = MakeTextFrame(FormText->Text(), FormText->Font(), {});
    if (!result.outcome.ok) {
        Prompts.Tell(TMsgIcon::Error, QStringLiteral("The text cannot be drawn: %1.").arg(result.outcome.message));
        return;
    }
    const QString status = QStringLiteral("Text frame \"%1\" inserted: %2").arg(result.Frame->Name, PointsText(*result.Frame));
    InsertContentFrame(std::move(result.Frame), StepName(aInsertText->text()));
    sbFrame->SetStepText(status);
}
