// Drawings, text and pictures as frames: commands of the main window. The work runs
// off the GUI thread, so a large drawing never freezes the window.
#include "FormUnitMain.h"

#include "BackgroundWork.h"
#include "FormUnitImportOptions.h"
#include "FormUnitText.h"
#include "FrameStatusBar.h"
#include "PictureTrace.h"
#include "Prompts.h"
#include "SvgImport.h"
#include "TextFrame.h"

#include <QAction>
#include <QFileInfo>
#include <QLocale>

#include <memory>

namespace {

const QString SvgFilter = QStringLiteral("SVG drawings (*.svg *.svgz);;All files (*)");
const QString PictureFilter =
    QStringLiteral("Pictures (*.png *.jpg *.jpeg *.bmp *.gif *.pbm *.pgm *.ppm);;All files (*)");

QString PointsText(const TLaserFrame& frame)
{
    return CountText(frame.PointCount(), QLatin1String("point"));
}

// Too many points for a frame: the question that offers the tolerance that fits.
QString CoarserQuestion(const TVectorFrameResult& result)
{
    return QStringLiteral("%1.\n\nImport it with its curves flattened within %2?")
        .arg(result.outcome.message, UnitsText(result.FittingTolerance));
}

} // namespace

void TFormMain::ConnectContentCommands()
{
    connect(aImportSvg, &QAction::triggered, this, &TFormMain::aImportSvgExecute);
    connect(aImportPicture, &QAction::triggered, this, &TFormMain::aImportPictureExecute);
    connect(aInsertText, &QAction::triggered, this, &TFormMain::aInsertTextExecute);
}

void TFormMain::InsertContentFrame(std::unique_ptr<TLaserFrame> frame, const QString& stepName)
{
    TLaserFrames one;
    one.AddFrame(std::move(frame));
    ImportFrames(one, stepName);
}

bool TFormMain::AskImportOptions(bool picture, const QString& fileName)
{
    if (!FormImportOptions)
        FormImportOptions = new TFormImportOptions(this);
    return FormImportOptions->Execute(
        picture ? TFormImportOptions::TKind::Picture : TFormImportOptions::TKind::Drawing, fileName);
}

TVectorOptions TFormMain::ImportVectorOptions() const
{
    return FormImportOptions ? FormImportOptions->VectorOptions() : TVectorOptions();
}

TTraceOptions TFormMain::ImportTraceOptions() const
{
    return FormImportOptions ? FormImportOptions->TraceOptions() : TTraceOptions();
}

void TFormMain::aImportSvgExecute()
{
    const QString fileName = Prompts.OpenFileName(
        TFileDialogRequest{QStringLiteral("Import SVG file..."), SvgFilter, QStringLiteral("svg"), OpenDir, {}});
    if (!fileName.isEmpty() && AskImportOptions(false, fileName))
        ImportSvgFrame(fileName);
}

void TFormMain::ImportSvgFrame(const QString& fileName)
{
    const QString label = QStringLiteral("Importing %1...").arg(QFileInfo(fileName).fileName());
    TVectorOptions options = ImportVectorOptions();
    auto result = std::make_shared<TVectorFrameResult>();
    if (!RunInBackground(this, label, [=] { *result = ImportSvgFile(fileName, options); }))
        return;
    // Too many points for a frame: offer the tolerance that makes it fit.
    if (!result->outcome.ok && result->FittingTolerance > 0) {
        if (!Prompts.Ask(TMsgIcon::Confirmation, CoarserQuestion(*result)))
            return;
        options.Tolerance = result->FittingTolerance;
        if (!RunInBackground(this, label, [=] { *result = ImportSvgFile(fileName, options); }))
            return;
    }
    if (!Succeeded(Prompts, result->outcome))
        return;
    QString status = QStringLiteral("Frame \"%1\" imported from %2: %3")
                         .arg(result->Frame->Name, QFileInfo(fileName).fileName(), PointsText(*result->Frame));
    if (const QString note = SkippedPicturesNote(result->PicturesSkipped); !note.isEmpty())
        status += QStringLiteral("; ") + note;
    InsertContentFrame(std::move(result->Frame), StepName(aImportSvg->text()));
    sbFrame->SetStepText(status);
}

void TFormMain::aImportPictureExecute()
{
    const QString fileName = Prompts.OpenFileName(
        TFileDialogRequest{QStringLiteral("Import picture..."), PictureFilter, QStringLiteral("png"), OpenDir, {}});
    if (!fileName.isEmpty() && AskImportOptions(true, fileName))
        ImportPictureFrame(fileName);
}

void TFormMain::ImportPictureFrame(const QString& fileName)
{
    const QString label = QStringLiteral("Tracing %1...").arg(QFileInfo(fileName).fileName());
    TVectorOptions options = ImportVectorOptions();
    const TTraceOptions trace = ImportTraceOptions();
    auto traced = std::make_shared<TTracedPicture>();
    auto result = std::make_shared<TVectorFrameResult>();
    const auto build = [=] {
        if (traced->outcome.ok)
            *result = BuildTracedFrame(*traced, options);
        else
            result->outcome = traced->outcome;
    };
    if (!RunInBackground(this, label, [=] {
            *traced = TracePicture(fileName, trace);
            build();
        }))
        return;
    // The outlines stay; only the frame is made again, coarser.
    if (!result->outcome.ok && result->FittingTolerance > 0) {
        if (!Prompts.Ask(TMsgIcon::Confirmation, CoarserQuestion(*result)))
            return;
        options.Tolerance = result->FittingTolerance;
        if (!RunInBackground(this, label, [=] { *result = BuildTracedFrame(*traced, options); }))
            return;
    }
    if (!Succeeded(Prompts, result->outcome))
        return;
    const QString status = QStringLiteral("Frame \"%1\" traced from %2: %3")
                               .arg(result->Frame->Name, QFileInfo(fileName).fileName(), PointsText(*result->Frame));
    InsertContentFrame(std::move(result->Frame), StepName(aImportPicture->text()));
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
    TVectorOptions options;
    options.Margin = FormText->Margin();
    const QString text = FormText->Text();
    const TTextFont font = FormText->Font();
    auto result = std::make_shared<TVectorFrameResult>();
    if (!RunInBackground(this, QStringLiteral("Drawing the text..."),
                         [=] { *result = MakeTextFrame(text, font, options); }))
        return;
    if (!result->outcome.ok) {
        Prompts.Tell(TMsgIcon::Error, QStringLiteral("The text cannot be drawn: %1.").arg(result->outcome.message));
        return;
    }
    const QString status = QStringLiteral("Text frame \"%1\" inserted: %2").arg(result->Frame->Name, PointsText(*result->Frame));
    InsertContentFrame(std::move(result->Frame), StepName(aInsertText->text()));
    sbFrame->SetStepText(status);
}
