// Frame menu and the frame list: add, rename, delete, timing, effect, colour, lock,
// undo, the frame clipboard, and reordering by drag and drop.
#include "FormUnitMain.h"

#include "FrameList.h"
#include "Prompts.h"

#include <QMenu>

namespace {

// The effect parameter's range rules, applied after every edit of it: the progression
// effects take 0 (linear) or 1 (trigonometric), the angle effects an angle within one turn.
qint16 BoundEffectParam(int effect, qint16 param)
{
    switch (effect) {
    case EffectPlode:
    case EffectXFlip:
    case EffectYFlip:
        return param == 0 || param == 1 ? param : 0;
    case EffectDFlip:
    case EffectRotate: {
        int value = param;
        while (value > 359)
            value -= 360;
        while (value < -359)
            value += 360;
        return qint16(value);
    }
    default:
        return param;
    }
}

} // namespace

void TFormMain::ConnectFrameCommands()
{
    connect(aAddFrame, &QAction::triggered, this, &TFormMain::aAddFrameExecute);
    connect(aRenameFrame, &QAction::triggered, this, &TFormMain::aRenameFrameExecute);
    connect(aFrameDelay, &QAction::triggered, this, [this] {
        AskFrameNumber(QStringLiteral("Enter new framedelay in ms"), QStringLiteral("new delay"), &TLaserFrame::Delay);
    });
    connect(aFrameMorph, &QAction::triggered, this, [this] {
        AskFrameNumber(QStringLiteral("Enter new morphtime in ms"), QStringLiteral("new morphtime"),
                       &TLaserFrame::EffectTime);
    });
    connect(aFrameEffectParam, &QAction::triggered, this, &TFormMain::aFrameEffectParamExecute);
    connect(aDeleteFrame, &QAction::triggered, this, &TFormMain::aDeleteFrameExecute);
    for (int e = 0; e < EffectCount; ++e)
        connect(miEffect[e], &QAction::triggered, this, [this, e] { miEffectClick(e); });
    connect(aEffectStep, &QAction::triggered, this, &TFormMain::aEffectStepExecute);
    connect(miColor0, &QAction::triggered, this, [this] { SetFrameColor(0); });
    connect(miColor1, &QAction::triggered, this, [this] { SetFrameColor(1); });
    connect(aColorSwitch, &QAction::triggered, this, &TFormMain::aColorSwitchExecute);
    connect(aLock, &QAction::triggered, this, &TFormMain::aLockExecute);
    connect(miUndo, &QAction::triggered, this, &TFormMain::miUndoClick);
    connect(aCopyFrameToClipboard, &QAction::triggered, this, &TFormMain::aCopyFrameToClipboardExecute);
    connect(aCutFrameToClipboard, &QAction::triggered, this, &TFormMain::aCutFrameToClipboardExecute);
    connect(aPasteFrameFromClipboard, &QAction::triggered, this, &TFormMain::aPasteFrameFromClipboardExecute);
}

TLaserFrame* TFormMain::CurrentFrame()
{
    const int index = CurrentFrameIndex();
    return ValidFrameIndex(index) ? &Frames->Frame(index) : nullptr;
}

void TFormMain::FrameChanged(bool modified)
{
    if (modified)
        Modified = true;
    lbThumbs->RepaintList();
    Sketchpad->RedrawSketchpad();
}

std::optional<int> TFormMain::AskInteger(const QString& caption, const QString& prompt, int current)
{
    const std::optional<QString> answer = Prompts.InputText(caption, prompt, QString::number(current));
    if (!answer)
        return std::nullopt;
    bool ok = false;
    const int value = answer->trimmed().toInt(&ok, 10);
    return ok ? std::optional<int>(value) : std::nullopt;
}

// --- show-level operations ---------------------------------------------------------------------

void TFormMain::InsertFrame(std::unique_ptr<TLaserFrame> frame, int index)
{
    index = qBound(0, index, Frames->Count());
    const QString name = frame->Name;
    Frames->InsertFrame(std::move(frame), index);
    lbThumbs->insertItem(index, name);
    Sketchpad->SetFrameMaximum(Frames->Count() - 1);
    // The current index keeps its number, so the inserted frame becomes current.
    Sketchpad->SetFramePosition(CurrentFrameIndex());
    lbThumbs->RepaintList();
}

bool TFormMain::DeleteFrame(int index, std::unique_ptr<TLaserFrame>* holder)
{
    Modified = true;
    if (Frames->Count() < 2) {
        Prompts.Tell(TMsgIcon::Error, QStringLiteral("You can't delete the one and only frame!"));
        return false;
    }
    if (!ValidFrameIndex(index))
        return false;
    Frames->DeleteFrame(index, holder);
    if (index < lbThumbs->count())
        delete lbThumbs->takeItem(index);
    Sketchpad->SetFrameMaximum(Frames->Count() - 1);
    Sketchpad->SetFramePosition(qMin(CurrentFrameIndex(), Frames->Count() - 1));
    lbThumbs->RepaintList();
    return true;
}

// --- frame list --------------------------------------------------------------------------------

void TFormMain::lbThumbsClick(int index)
{
    if (ValidFrameIndex(index))
        Sketchpad->SetFramePosition(index);
}

void TFormMain::lbThumbsDragDrop(int source, int target)
{
    if (target >= 0 && ValidFrameIndex(source) && ConfirmFrameMove(source)) {
        const int to = Frames->MoveFrame(source, target);
        // The entry's text goes with its frame, so renaming always starts from the frame's name.
        if (source < lbThumbs->count())
            lbThumbs->insertItem(to, lbThumbs->takeItem(source));
        lbThumbs->setCurrentRow(to);
    }
    lbThumbs->RepaintList();
}

bool TFormMain::ConfirmFrameMove(int source)
{
    // Moving a Morph frame breaks its links: they are only re-dimensioned, not translated.
    return Frames->Frame(source).Effect != EffectMorph
        || Prompts.Ask(TMsgIcon::Warning, QStringLiteral("Do you really want to move this frame? "
                                                         "The link matrix will be corrupted after this!"));
}

// --- frame commands ----------------------------------------------------------------------------

void TFormMain::aAddFrameExecute()
{
    Frames->Add();
    lbThumbs->addItem(QString());
    Sketchpad->SetFrameMaximum(Frames->Count() - 1);
    lbThumbs->RepaintList();
}

void TFormMain::aRenameFrameExecute()
{
    const int index = CurrentFrameIndex();
    if (ValidFrameIndex(index) && index < lbThumbs->count()) {
        QListWidgetItem* item = lbThumbs->item(index);
        const QString name = Prompts.InputText(QStringLiteral("Enter new framename"),
                                               QStringLiteral("new name 4 frame"), item->text())
                                 .value_or(item->text());
        item->setText(name);
        Frames->Frame(index).Name = name;
    }
    lbThumbs->RepaintList();
}

void TFormMain::AskFrameNumber(const QString& caption, const QString& prompt, quint16 TLaserFrame::*field)
{
    if (TLaserFrame* frame = CurrentFrame()) {
        if (const std::optional<int> value = AskInteger(caption, prompt, frame->*field))
            frame->*field = quint16(*value);  // the low 16 bits
    }
    FrameChanged(false);
}

void TFormMain::aFrameEffectParamExecute()
{
    if (TLaserFrame* frame = CurrentFrame()) {
        const bool progression = frame->Effect >= EffectPlode && frame->Effect <= EffectDFlip;
        const QString caption = progression
            ? QStringLiteral("Enter 0 for linear, 1 for trigonometric effect progression")
            : QStringLiteral("Enter new effect parameter");
        if (const std::optional<int> value = AskInteger(caption, QStringLiteral("new effect parameter"),
                                                        frame->EffectParam))
            frame->EffectParam = qint16(quint16(*value));
        frame->EffectParam = BoundEffectParam(frame->Effect, frame->EffectParam);
    }
    FrameChanged(false);
}

void TFormMain::aDeleteFrameExecute()
{
    DeleteFrame(CurrentFrameIndex(), nullptr);
    lbThumbs->RepaintList();
}

void TFormMain::miEffectClick(int effect)
{
    if (TLaserFrame* frame = CurrentFrame())
        frame->Effect = quint16(effect);
    // These items leave the radio mark where it was; the effect button and the frame
    // switch move it.
    CheckEffectItem(EffectMark);
    FrameChanged(true);
}

void TFormMain::aEffectStepExecute()
{
    if (TLaserFrame* frame = CurrentFrame()) {
        frame->Effect = frame->Effect >= EffectDrain ? quint16(EffectSlide) : quint16(frame->Effect + 1);
        CheckEffectItem(frame->Effect);
    }
    FrameChanged(true);
}

void TFormMain::CheckEffectItem(int effect)
{
    if (effect >= 0 && effect < EffectCount) {
        EffectMark = effect;
        miEffect[effect]->setChecked(true);
        return;
    }
    // An effect code the menu does not know: no item is marked.
    EffectMark = -1;
    for (QAction* item : miEffect)
        item->setChecked(false);
}

void TFormMain::SetFrameColor(int color)
{
    if (TLaserFrame* frame = CurrentFrame())
        frame->Flags = quint16(color ? frame->Flags | TLaserFrame::FlagColor : frame->Flags & ~TLaserFrame::FlagColor);
    (color ? miColor1 : miColor0)->setChecked(true);
    FrameChanged(true);
}

void TFormMain::aColorSwitchExecute()
{
    SetFrameColor(miColor0->isChecked() ? 1 : 0);
}

void TFormMain::aLockExecute()
{
    TLaserFrame* frame = CurrentFrame();
    if (frame)
        frame->Flags ^= TLaserFrame::FlagLocked;
    aLock->setChecked(frame && frame->IsLocked());
    FrameChanged(true);
}

void TFormMain::miUndoClick()
{
    if (TLaserFrame* frame = CurrentFrame())
        ApplyUndo(State.Undo, *frame);
    FrameChanged(false);
}

// --- frame clipboard ---------------------------------------------------------------------------

void TFormMain::aCopyFrameToClipboardExecute()
{
    if (const TLaserFrame* frame = CurrentFrame()) {
        auto copy = std::make_unique<TLaserFrame>();
        copy->CopyFrom(*frame);
        ClipboardFrame = std::move(copy);
        aPasteFrameFromClipboard->setEnabled(true);
    }
    lbThumbs->RepaintList();
}

void TFormMain::aCutFrameToClipboardExecute()
{
    DeleteFrame(CurrentFrameIndex(), &ClipboardFrame);
    lbThumbs->RepaintList();
}

void TFormMain::aPasteFrameFromClipboardExecute()
{
    if (ClipboardFrame) {
        auto copy = std::make_unique<TLaserFrame>();
        copy->CopyFrom(*ClipboardFrame);
        InsertFrame(std::move(copy), CurrentFrameIndex());
    }
    lbThumbs->RepaintList();
}
