#include "Prompts.h"

#include "ReportBox.h"
#include "Result.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QGridLayout>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QScreen>
#include <QStyle>

namespace {

QMessageBox::Icon BoxIcon(TMsgIcon icon)
{
    switch (icon) {
    case TMsgIcon::Warning: return QMessageBox::Warning;
    case TMsgIcon::Error: return QMessageBox::Critical;
    case TMsgIcon::Information: return QMessageBox::Information;
    case TMsgIcon::Confirmation: return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButton ShowBox(QWidget* parent, TMsgIcon icon, const QString& text,
                                    QMessageBox::StandardButtons buttons)
{
    if (NeedsReportBox(text, parent)) {
        TReportBox box(BoxIcon(icon), QApplication::applicationDisplayName(), text, buttons, parent);
        return QMessageBox::StandardButton(box.exec());
    }
    QMessageBox box(BoxIcon(icon), QApplication::applicationDisplayName(), text, buttons, parent);
    // A message box sizes itself to its text; a spacer across its grid keeps the caption whole.
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
        const int width = CaptionFitWidth(box, box.windowTitle(), QString());
        grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Minimum), grid->rowCount(), 0, 1,
                      grid->columnCount());
    }
    return QMessageBox::StandardButton(box.exec());
}

// Runs a file dialog and returns the chosen file, empty when cancelled.
QString RunFileDialog(QWidget* parent, const TFileDialogRequest& request, QFileDialog::AcceptMode mode)
{
    QFileDialog dialog(parent, request.title, request.folder, request.filter);
    dialog.setAcceptMode(mode);
    // Open takes only a file that exists; save confirms before replacing one (Qt's default).
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setDefaultSuffix(request.defaultSuffix);
    const bool wildcard = request.fileName.contains(QLatin1Char('*')) || request.fileName.contains(QLatin1Char('?'));
    if (!request.fileName.isEmpty() && !wildcard)
        dialog.selectFile(request.fileName);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles().value(0);
}

} // namespace

bool Succeeded(TPrompts& prompts, const TResult& result)
{
    if (!result.ok)
        prompts.Tell(TMsgIcon::Error, result.message);
    return result.ok;
}

int CaptionFitWidth(const QWidget& box, const QString& caption, const QString& prompt)
{
    // The title bar's font is the desktop's; a bold one of the box's size is a fair guess.
    QFont titleFont = box.font();
    titleFont.setBold(true);
    // Room for the window icon and the title bar's buttons beside the caption.
    constexpr int titleBarButtons = 120;
    const int title = QFontMetrics(titleFont).horizontalAdvance(caption) + titleBarButtons;
    const int margins = 2 * box.style()->pixelMetric(QStyle::PM_LayoutLeftMargin) + 8;
    const int label = QFontMetrics(box.font()).horizontalAdvance(prompt) + margins;
    int width = qMax(title, label);
    if (const QScreen* screen = box.screen())
        width = qMin(width, screen->availableGeometry().width());
    return width;
}

TQtPrompts::TQtPrompts(QWidget* parent)
    : Parent(parent)
{
}

bool TQtPrompts::Ask(TMsgIcon icon, const QString& text)
{
    return ShowBox(Parent, icon, text, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

void TQtPrompts::Tell(TMsgIcon icon, const QString& text)
{
    ShowBox(Parent, icon, text, QMessageBox::Ok);
}

std::optional<QString> TQtPrompts::InputText(const QString& caption, const QString& prompt, const QString& text)
{
    QInputDialog dialog(Parent);
    dialog.setWindowTitle(caption);
    dialog.setLabelText(prompt);
    dialog.setTextValue(text);
    // The box sizes itself to its contents: the edit line carries the width wanted.
    if (auto* edit = dialog.findChild<QLineEdit*>()) {
        const int margins = 2 * dialog.style()->pixelMetric(QStyle::PM_LayoutLeftMargin);
        edit->setMinimumWidth(CaptionFitWidth(dialog, caption, prompt) - margins);
    }
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.textValue();
}

QString TQtPrompts::OpenFileName(const TFileDialogRequest& request)
{
    return RunFileDialog(Parent, request, QFileDialog::AcceptOpen);
}

QString TQtPrompts::SaveFileName(const TFileDialogRequest& request)
{
    return RunFileDialog(Parent, request, QFileDialog::AcceptSave);
}

std::optional<QColor> TQtPrompts::ChooseColor(const QColor& initial)
{
    // Qt's own chooser always shows the spectrum with the custom colours, as a fully opened
    // chooser should; a desktop's native one may open on a small palette. It sits over the
    // dialog that asks, when one is open.
    QWidget* parent = QApplication::activeModalWidget() ? QApplication::activeModalWidget() : Parent.data();
    const QColor color = QColorDialog::getColor(initial, parent, QString(), QColorDialog::DontUseNativeDialog);
    if (!color.isValid())
        return std::nullopt;
    return color;
}
