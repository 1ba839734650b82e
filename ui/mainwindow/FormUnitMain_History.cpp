// Edit menu: undo and redo, the History panel, and the title's mark of unsaved changes.
// The views follow the document by themselves (see each view's SetDocument or
// constructor); nothing here repaints them.
#include "FormUnitMain.h"

#include "Artwork.h"

#include <QDockWidget>
#include <QFileInfo>
#include <QStyle>
#include <QFontMetrics>
#include <QMdiSubWindow>
#include <QUndoStack>
#include <QUndoView>
#include <tuple>

namespace {

// The longest name a step of the history has: the panel starts wide enough for it.
const QString LongestStepName = QStringLiteral("Change frame morph/effect time");

// A step's name as part of a menu caption: its "&" is no accelerator.
QString CaptionText(const QString& name)
{
    QString text = name;
    return text.replace(QLatin1Char('&'), QLatin1String("&&"));
}

} // namespace

void TFormMain::CreateHistoryPanel()
{
    lvHistory = new QUndoView(&Document().History());
    lvHistory->setObjectName(QStringLiteral("lvHistory"));
    lvHistory->setCleanIcon(ToolIcon("save"));
    panelHistory = new QDockWidget(QStringLiteral("History"), this);
    panelHistory->setObjectName(QStringLiteral("panelHistory"));  // saveState() files it under this name
    panelHistory->setWidget(lvHistory);
    // Beside the sketchpad, wide enough for every step's name; the designed window has
    // no room to spare, so the panel starts closed.
    addDockWidget(Qt::RightDockWidgetArea, panelHistory);
    panelHistory->hide();
    // Docks take their widths once shown: the first time it opens, unless a saved layout
    // gave it one.
    connect(panelHistory, &QDockWidget::visibilityChanged, this, [this](bool visible) {
        if (!visible || !std::exchange(HistoryPanelFirstShown, false))
            return;
        const int wanted = lvHistory->fontMetrics().horizontalAdvance(LongestStepName)
            + lvHistory->iconSize().width() + 2 * lvHistory->frameWidth()
            + lvHistory->style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 24;
        if (panelHistory->width() < wanted)
            resizeDocks({panelHistory}, {wanted}, Qt::Horizontal);
    });
    // The first entry is the show as it was opened: named after its file.
    connect(ShowDocument, &TShowDocument::fileNameChanged, this, [this](const QString& fileName) {
        lvHistory->setEmptyLabel(fileName.isEmpty() ? QStringLiteral("new file") : QFileInfo(fileName).fileName());
    });
}

void TFormMain::ConnectHistoryCommands()
{
    TShowDocument& document = Document();
    QUndoStack& history = document.History();
    connect(miUndo, &QAction::triggered, &document, &TShowDocument::Undo);
    connect(miRedo, &QAction::triggered, &document, &TShowDocument::Redo);
    connect(&history, &QUndoStack::canUndoChanged, miUndo, &QAction::setEnabled);
    connect(&history, &QUndoStack::canRedoChanged, miRedo, &QAction::setEnabled);
    connect(&history, &QUndoStack::undoTextChanged, this, &TFormMain::UpdateHistoryTexts);
    connect(&history, &QUndoStack::redoTextChanged, this, &TFormMain::UpdateHistoryTexts);
    miUndo->setEnabled(false);
    miRedo->setEnabled(false);

    // The mark follows the history's saved state and nothing else. The sketchpad's MDI
    // window hands its own mark to the main window when it is maximised or restored,
    // so it carries the same one.
    connect(&document, &TShowDocument::modifiedChanged, this, [this](bool modified) {
        setWindowModified(modified);
        if (SketchpadWindow)
            SketchpadWindow->setWindowModified(modified);
    });
}

void TFormMain::UpdateHistoryTexts()
{
    // "&Undo Rotate frame": the items say which step they take back or bring again.
    const QUndoStack& history = Document().History();
    const auto text = [](const QString& verb, const QString& step) {
        return step.isEmpty() ? verb : verb + QLatin1Char(' ') + step;
    };
    for (const auto& [item, verb, step] : {std::tuple{miUndo, QStringLiteral("Undo"), history.undoText()},
                                           std::tuple{miRedo, QStringLiteral("Redo"), history.redoText()}}) {
        item->setText(QLatin1Char('&') + text(verb, CaptionText(step)));
        item->setStatusTip(text(verb, step));
        item->setToolTip(text(verb, step));
    }
}
