// Frame menu and the frame list: add, rename, delete, timing, effect, colour, lock,
// the frame clipboard, and reordering by drag and drop. Each change is a step of the
// document's history; the windows follow the document.
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
        AskFrameNumber(aFrameDelay, QStringLiteral("Enter new framedelay in ms"), QStringLiteral("new delay"),
                       &TLaserFrame::Delay);
    });
    connect(aFrameMorph, &QAction::triggered, this, [this] {
        AskFrameNumber(aFrameMorph, QStringLiteral("Enter new morphtime in ms"), QStringLiteral("new morphtime"),
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
    connect(aCopyFrameToClipboard, &QAction::triggered, this, &TFormMain::aCopyFrameToClipboardExecute);
    connect(aCutFrameToClipboard, &QAction::triggered, this, &TFormMain::aCutFrameToClipboardExecute);
    connect(aPasteFrameFromClipboard, &QAction::triggered, this, &TFormMain::aPasteFrameFromClipboardExecute);
}

TLaserFrame* TFormMain::CurrentFrame()
{
    return Document().Frame(CurrentFrameIndex());
}

bool TFormMain::EditCurrentFrame(const QAction* command, const std::function<void(TLaserFrame&)>& change,
                                 TShowChanges scope)
{
    return EditCurrentFrame(StepName(command->text()), change, scope);
}

bool TFormMain::EditCurrentFrame(const QString& stepName, const std::function<void(TLaserFrame&)>& change,
                                 TShowChanges scope)
{
    return Document().EditFrame(CurrentFrameIndex(), stepName, change, scope);
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

bool TFormMain::DeleteFrame(int index, const QString& stepName)
{
    if (Document().FrameCount() < 2) {
        Prompts.Tell(TMsgIcon::Error, QStringLiteral("You can't delete the one and only frame!"));
        return false;
    }
    return Document().DeleteFrame(index, stepName);
}

// --- frame list --------------------------------------------------------------------------------

void TFormMain::lbThumbsDragDrop(int source, int target)
{
    if (target >= 0 && ValidFrameIndex(source) && ConfirmFrameMove(source)) {
        const int to = Document().MoveFrame(source, target, QStringLiteral("Move frame in the list"));
        // The moved frame's entry is selected; the current frame stays as it was.
        lbThumbs->setCurrentRow(to);
    }
    lbThumbs->RepaintList();
}

bool TFormMain::ConfirmFrameMove(int source)
{
    // Moving a Morph frame breaks its links: they are only re-dimensioned, not translated.
    return Show().Frame(source).Effect != EffectMorph
        || Prompts.Ask(TMsgIcon::Warning, QStringLiteral("Do you really want to move this frame? "
                                                         "The link matrix will be corrupted after this!"));
}

// --- frame commands ----------------------------------------------------------------------------

void TFormMain::aAddFrameExecute()
{
    Document().AppendFrame(StepName(aAddFrame->text()));
}

void TFormMain::aRenameFrameExecute()
{
    const int index = CurrentFrameIndex();
    if (ValidFrameIndex(index) && index < lbThumbs->count()) {
        const QString text = lbThumbs->item(index)->text();
        const QString name = Prompts.InputText(QStringLiteral("Enter new framename"),
                                               QStringLiteral("new name 4 frame"), text)
                                 .value_or(text);
        // The entry follows the frame's name.
        EditCurrentFrame(aRenameFrame, [&name](TLaserFrame& f) { f.Name = name; }, TShowChange::Properties);
    }
}

void TFormMain::AskFrameNumber(const QAction* command, const QString& caption, const QString& prompt,
                               quint16 TLaserFrame::*field)
{
    if (TLaserFrame* frame = CurrentFrame()) {
        if (const std::optional<int> value = AskInteger(caption, prompt, frame->*field))
            EditCurrentFrame(command, [&](TLaserFrame& f) { f.*field = quint16(*value); },  // the low 16 bits
                             TShowChange::Timing);
    }
}

void TFormMain::aFrameEffectParamExecute()
{
    if (TLaserFrame* frame = CurrentFrame()) {
        const bool progression = frame->Effect >= EffectPlode && frame->Effect <= EffectDFlip;
        const QString caption = progression
            ? QStringLiteral("Enter 0 for linear, 1 for trigonometric effect progression")
            : QStringLiteral("Enter new effect parameter");
        const std::optional<int> value = AskInteger(caption, QStringLiteral("new effect parameter"),
                                                    frame->EffectParam);
        // The range rules hold also when the answer was none.
        EditCurrentFrame(aFrameEffectParam, [&value](TLaserFrame& f) {
            if (value)
                f.EffectParam = qint16(quint16(*value));
            f.EffectParam = BoundEffectParam(f.Effect, f.EffectParam);
        }, TShowChange::Timing);
    }
}

void TFormMain::aDeleteFrameExecute()
{
    DeleteFrame(CurrentFrameIndex(), StepName(aDeleteFrame->text()));
}

void TFormMain::miEffectClick(int effect)
{
    EditCurrentFrame(QStringLiteral("Effect: ") + EffectName(effect),
                     [effect](TLaserFrame& f) { f.Effect = quint16(effect); }, TShowChange::Timing);
    // These items leave the radio mark where it was; the effect button and the frame
    // switch move it.
    CheckEffectItem(EffectMark);
}

void TFormMain::aEffectStepExecute()
{
    if (const TLaserFrame* frame = CurrentFrame()) {
        const int effect = frame->Effect >= EffectDrain ? EffectSlide : frame->Effect + 1;
        EditCurrentFrame(QStringLiteral("Effect: ") + EffectName(effect),
                         [effect](TLaserFrame& f) { f.Effect = quint16(effect); }, TShowChange::Timing);
        CheckEffectItem(effect);
    }
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
    EditCurrentFrame(QStringLiteral("Color: ") + StepName(Colors.Name[color]), [color](TLaserFrame& f) {
        f.Flags = quint16(color ? f.Flags | TLaserFrame::FlagColor : f.Flags & ~TLaserFrame::FlagColor);
    }, TShowChange::Properties);
    (color ? miColor1 : miColor0)->setChecked(true);
}

void TFormMain::aColorSwitchExecute()
{
    SetFrameColor(miColor0->isChecked() ? 1 : 0);
}

void TFormMain::aLockExecute()
{
    const TLaserFrame* frame = CurrentFrame();
    if (frame) {
        EditCurrentFrame(frame->IsLocked() ? QStringLiteral("Unlock frame") : QStringLiteral("Lock frame"),
                         [](TLaserFrame& f) { f.Flags ^= TLaserFrame::FlagLocked; }, TShowChange::Properties);
    }
    aLock->setChecked(frame && frame->IsLocked());
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
}

void TFormMain::aCutFrameToClipboardExecute()
{
    // The show's frame stays with the history, so that the cut can be undone; the
    // clipboard holds a copy that nothing else shares.
    const TLaserFrame* frame = CurrentFrame();
    if (!frame)
        return;
    auto copy = std::make_unique<TLaserFrame>();
    copy->CopyFrom(*frame);
    if (DeleteFrame(CurrentFrameIndex(), StepName(aCutFrameToClipboard->text())))
        ClipboardFrame = std::move(copy);
}

void TFormMain::aPasteFrameFromClipboardExecute()
{
    if (ClipboardFrame) {
        auto copy = std::make_unique<TLaserFrame>();
        copy->CopyFrom(*ClipboardFrame);
        std::vector<std::unique_ptr<TLaserFrame>> frames;
        frames.push_back(std::move(copy));
        Document().InsertFrames(std::move(frames), CurrentFrameIndex(), StepName(aPasteFrameFromClipboard->text()));
    }
}
