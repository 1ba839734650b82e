#include "FormUnitDelays.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QLineEdit* NewEdit(QWidget* parent, const char* name)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    return edit;
}

quint16 ParseDelay(const QString& text, quint16 current)
{
    bool ok = false;
    // Surrounding blanks are forgiven; anything else that is not a decimal integer
    // keeps the old value. Out-of-range numbers wrap like the stored 16-bit field.
    const qlonglong value = text.trimmed().toLongLong(&ok, 10);
    return ok ? static_cast<quint16>(value) : current;
}

} // namespace

TFormDelays::TFormDelays(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("FormDelays"));
    setWindowTitle(QStringLiteral("Driver delays"));

    auto* group = new QGroupBox(QStringLiteral(" Scan delays "), this);
    editStep5 = NewEdit(group, "editStep5");
    editStep10 = NewEdit(group, "editStep10");
    editStep40 = NewEdit(group, "editStep40");
    editStepEdges = NewEdit(group, "editStepEdges");
    auto* rows = new QFormLayout(group);
    rows->addRow(QStringLiteral("5\u00B0 Step"), editStep5);
    rows->addRow(QStringLiteral("10\u00B0 Step"), editStep10);
    rows->addRow(QStringLiteral("40\u00B0 Step"), editStep40);
    rows->addRow(QStringLiteral("Max. Edges"), editStepEdges);

    auto* buttons = new QDialogButtonBox(
        QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Help, this);
    bnOK = buttons->button(QDialogButtonBox::Ok);
    bnOK->setText(QStringLiteral("OK"));
    bnCancel = buttons->button(QDialogButtonBox::Cancel);
    bnCancel->setText(QStringLiteral("Cancel"));
    bnHelp = buttons->button(QDialogButtonBox::Help);
    bnHelp->setText(QStringLiteral("Help"));
    bnHelp->setEnabled(false);  // the dialog has no help topic
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TFormDelays::Fill(const TScanDelays& delays)
{
    editStep5->setText(QString::number(delays.Time5Degree));
    editStep10->setText(QString::number(delays.Time10Degree));
    editStep40->setText(QString::number(delays.Time40Degree));
    editStepEdges->setText(QString::number(delays.TimeEdges));
}

TScanDelays TFormDelays::Apply(TScanDelays current) const
{
    current.Time5Degree = ParseDelay(editStep5->text(), current.Time5Degree);
    current.Time10Degree = ParseDelay(editStep10->text(), current.Time10Degree);
    current.Time40Degree = ParseDelay(editStep40->text(), current.Time40Degree);
    current.TimeEdges = ParseDelay(editStepEdges->text(), current.TimeEdges);
    return current;
}

bool TFormDelays::Execute(TScanDelays& delays)
{
    Fill(delays);
    editStep5->setFocus();
    if (exec() != QDialog::Accepted)
        return false;
    delays = Apply(delays);
    return true;
}
