// Edit menu: undo and redo, and the History panel; and how the windows follow the show
// document, so that no command repaints by hand: the frame list, the sketchpad, the
// timeline and the live output take every change from the document's signals.
#include "FormUnitMain.h"

#include "Artwork.h"
#include "FrameList.h"

#include <QDockWidget>
#include <QFileInfo>
#include <QUndoStack>
#include <QUndoView>

void TFormMain::CreateHistoryPanel()
{
    lvHistory = new QUndoView(&Document().History());
    lvHistory->setObjectName(QStringLiteral("lvHistory"));
    lvHistory->setCleanIcon(ToolIcon("save"));
    panelHistory = new QDockWidget(QStringLiteral("History"), this);
    panelHistory->setObjectName(QStringLiteral("panelHistory"));  // saveState() files it under this name
    panelHistory->setWidget(lvHistory);
    // Under the frame list, which keeps its width; the designed window has no room to
    // spare, so the panel starts closed.
    addDockWidget(Qt::LeftDockWidgetArea, panelHistory);
    splitDockWidget(panelLeft, panelHistory, Qt::Vertical);
    panelHistory->hide();
}

void TFormMain::ConnectHistoryCommands()
{
    TShowDocument& document = Document();
    QUndoStack& history = document.History();
    connect(miUndo, &QAction::triggered, &document, &TShowDocument::Undo);
    connect(miRedo, &QAction::triggered, &document, &TShowDocument::Redo);
    connect(&history, &QUndoStack::canUndoChanged, miUndo, &QAction::setEnabled);
    connect(&history, &QUndoStack::canRedoChanged, miRedo, &QAction::setEnabled);
    connect(&history, &QUndoStack::undoTextChanged, this, &TFormMain::UpdateHistoryTips);
    connect(&history, &QUndoStack::redoTextChanged, this, &TFormMain::UpdateHistoryTips);
    miUndo->setEnabled(false);
    miRedo->setEnabled(false);

    connect(&document, &TShowDocument::modifiedChanged, this, &QWidget::setWindowModified);
    connect(&document, &TShowDocument::frameChanged, this, &TFormMain::DocumentFrameChanged);
    connect(&document, &TShowDocument::framesChanged, this, &TFormMain::DocumentFramesChanged);
    connect(&document, &TShowDocument::currentFrameChanged, this, [this](int index) {
        // The frame switch brings the controls, the list's selection and the live output
        // to the frame and repaints, also when the index stays (its frame may be another).
        if (Sketchpad)
            Sketchpad->SetFramePosition(index);
    });
}

void TFormMain::UpdateHistoryTips()
{
    // The captions stay; the tips name the step.
    const QUndoStack& history = Document().History();
    const auto tip = [](const QString& verb, const QString& step) {
        return step.isEmpty() ? verb : verb + QLatin1Char(' ') + step;
    };
    for (const auto& [item, text] : {std::pair{miUndo, tip(QStringLiteral("Undo"), history.undoText())},
                                     std::pair{miRedo, tip(QStringLiteral("Redo"), history.redoText())}}) {
        item->setStatusTip(text);
        item->setToolTip(text);
    }
}

void TFormMain::DocumentFrameChanged(int index, TShowChanges what)
{
    if ((what & TShowChange::Properties) && index >= 0 && index < lbThumbs->count())
        lbThumbs->item(index)->setText(Show().Frame(index).Name);
    lbThumbs->RepaintList();
    if (!Sketchpad)
        return;
    const TShowDocument& document = Document();
    if (index != CurrentFrameIndex()) {
        if (what & (TShowChange::Timing | TShowChange::Properties | TShowChange::Points))
            TimelineRedraw();
        return;
    }
    // The pad's own gestures repaint it, with their guide lines, and refresh the live
    // output on the release; a step undone or done again is shown by the frame switch
    // that follows.
    if (!PadEditing && !document.GestureActive() && !document.StepRunning()) {
        Sketchpad->RedrawSketchpad();   // the timeline follows it
        // The loop plays the points in the frame's colour; names and timing do not sound.
        if (what & (TShowChange::Points | TShowChange::Properties))
            RefreshLiveOutput();
    }
}

void TFormMain::DocumentFramesChanged()
{
    SyncFrameList();
    TimelineRedraw();
}

void TFormMain::SyncFrameList()
{
    const TLaserFrames& show = Show();
    const int count = show.Count();
    while (lbThumbs->count() > count)
        delete lbThumbs->takeItem(lbThumbs->count() - 1);
    while (lbThumbs->count() < count)
        lbThumbs->addItem(QString());
    // The entries' texts are the frames' names, wherever the frames went.
    for (int i = 0; i < count; ++i) {
        if (lbThumbs->item(i)->text() != show.Frame(i).Name)
            lbThumbs->item(i)->setText(show.Frame(i).Name);
    }
    if (Sketchpad)
        Sketchpad->SetFrameMaximum(count - 1);
    lbThumbs->RepaintList();
}

void TFormMain::ShowReplaced(const QString& caption)
{
    // The first entry of the history is the show as it was opened.
    const QFileInfo file(caption);
    lvHistory->setEmptyLabel(file.isAbsolute() ? file.fileName() : caption);
    Sketchpad->SetDocumentCaption(caption);
}
