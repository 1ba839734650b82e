// background images: commands of the main window.
#include "FormUnitMain.h"
#include "FormUnitPick.h"
#include "Prompts.h"

#include <QDir>
#include <QFileInfo>
#include <QImageReader>

void TFormMain::ConnectImageCommands()
{
    connect(aLoadBackImg, &QAction::triggered, this, &TFormMain::aLoadBackImgExecute);
    // The Frame menu's item and the one in pmBackImg are the same command.
    connect(miChoosePart, &QAction::triggered, this, &TFormMain::miChoosePartClick);
}

// Loads a bitmap into the current frame as a step. The image mode stays as it is.
void TFormMain::aLoadBackImgExecute()
{
    TLaserFrame* frame = CurrentFrame();
    // The dialog starts where the frame's last picture came from.
    const QString folder = frame && !frame->ImageFile.isEmpty() ? QFileInfo(frame->ImageFile).absolutePath()
                                                                 : QString();
    const QString chosen = Prompts.OpenFileName(
        TFileDialogRequest{QStringLiteral("Open background image..."), QStringLiteral("Bitmaps (*.bmp)"), {},
                           folder, QStringLiteral("*.bmp")});
    if (!frame || chosen.isEmpty() || !QFileInfo(chosen).isFile())
        return;

    // Read into a picture of its own first: a file that is no image leaves the frame as it was.
    QImageReader reader(chosen);
    const QImage picture = reader.read();
    if (picture.isNull()) {
        Prompts.Tell(TMsgIcon::Error, QStringLiteral("The background image \"%1\" could not be loaded: %2.")
                                          .arg(QDir::toNativeSeparators(chosen), reader.errorString()));
        return;
    }
    const QFileInfo file(chosen);
    EditCurrentFrame(QStringLiteral("Background image"), [&](TLaserFrame& f) {
        f.Image = picture;
        f.ImageFile = file.absoluteFilePath();
    }, TShowChange::Properties);
    aLoadBackImg->setText(QStringLiteral("Background image: ") + file.fileName());
    SetImageItemsEnabled(true);
}

// "&Choose part of image...": the picker when the frame has a picture, then part mode in any case.
void TFormMain::miChoosePartClick()
{
    const TLaserFrame* frame = CurrentFrame();
    if (frame && !frame->Image.isNull()) {
        // The picker asks first; the part it gives is one step.
        const TImagePart part = FormPickImage->Execute(frame->Image, frame->ImagePart);
        EditCurrentFrame(miChoosePart, [&part](TLaserFrame& f) { f.ImagePart = part; }, TShowChange::Properties);
    }
    // As its button would, also when the button is disabled for want of a picture.
    miPartImg->setChecked(true);
    Sketchpad->RedrawSketchpad();
}
