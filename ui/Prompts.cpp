#include "Prompts.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

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
    QMessageBox box(BoxIcon(icon), QApplication::applicationDisplayName(), text, buttons, parent);
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
    bool ok = false;
    const QString answer = QInputDialog::getText(Parent, caption, prompt, QLineEdit::Normal, text, &ok);
    if (!ok)
        return std::nullopt;
    return answer;
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
