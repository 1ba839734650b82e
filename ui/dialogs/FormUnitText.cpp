#include "FormUnitText.h"

#include "FormUnitImportOptions.h"
#include "HersheyFont.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFontComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

TFormText::TFormText(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("FormText"));
    setWindowTitle(QStringLiteral("Insert text frame"));

    editText = new QLineEdit(this);
    editText->setObjectName(QStringLiteral("editText"));
    editText->setMinimumWidth(320);
    // A long paste is cut at what a frame takes, so the box never lays out more.
    editText->setMaxLength(MaxTextLength);
    stTextLimit = new QLabel(QStringLiteral("A text frame takes at most %1 characters.").arg(MaxTextLength), this);
    stTextLimit->setObjectName(QStringLiteral("stTextLimit"));
    stTextLimit->setVisible(false);
    auto* label = new QLabel(QStringLiteral("&Text:"), this);
    label->setBuddy(editText);

    rbHershey = new QRadioButton(QStringLiteral("&Single-stroke (Hershey) font:"), this);
    rbHershey->setObjectName(QStringLiteral("rbHershey"));
    cbHershey = new QComboBox(this);
    cbHershey->setObjectName(QStringLiteral("cbHershey"));
    cbHershey->addItems(THersheyFont::Names());
    cbHershey->setCurrentText(THersheyFont::DefaultName());
    rbOutline = new QRadioButton(QStringLiteral("&Outline font:"), this);
    rbOutline->setObjectName(QStringLiteral("rbOutline"));
    cbOutline = new QFontComboBox(this);
    cbOutline->setObjectName(QStringLiteral("cbOutline"));
    cbOutline->setFontFilters(QFontComboBox::ScalableFonts);
    // Without Hershey fonts installed only the outline fonts are left.
    const bool hershey = cbHershey->count() > 0;
    rbHershey->setEnabled(hershey);
    (hershey ? rbHershey : rbOutline)->setChecked(true);

    seMargin = NewMarginBox(this);
    auto* marginLabel = new QLabel(QStringLiteral("&Margin:"), this);
    marginLabel->setBuddy(seMargin);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    bnOK = buttons->button(QDialogButtonBox::Ok);
    bnOK->setText(QStringLiteral("OK"));
    bnCancel = buttons->button(QDialogButtonBox::Cancel);
    bnCancel->setText(QStringLiteral("Cancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(editText, &QLineEdit::textChanged, this, &TFormText::UpdateControls);
    connect(rbHershey, &QRadioButton::toggled, this, &TFormText::UpdateControls);

    auto* grid = new QGridLayout;
    grid->addWidget(label, 0, 0);
    grid->addWidget(editText, 0, 1);
    grid->addWidget(stTextLimit, 1, 1);
    grid->addWidget(rbHershey, 2, 0);
    grid->addWidget(cbHershey, 2, 1);
    grid->addWidget(rbOutline, 3, 0);
    grid->addWidget(cbOutline, 3, 1);
    grid->addWidget(marginLabel, 4, 0);
    grid->addWidget(seMargin, 4, 1, Qt::AlignLeft);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    UpdateControls();
}

QString TFormText::Text() const { return editText->text(); }

TTextFont TFormText::Font() const
{
    if (rbHershey->isChecked())
        return {TTextFont::TKind::Hershey, cbHershey->currentText()};
    return {TTextFont::TKind::Outline, cbOutline->currentFont().family()};
}

double TFormText::Margin() const { return seMargin->value(); }

bool TFormText::Execute()
{
    editText->selectAll();
    editText->setFocus();
    return exec() == QDialog::Accepted;
}

void TFormText::UpdateControls()
{
    bnOK->setEnabled(!editText->text().trimmed().isEmpty());
    stTextLimit->setVisible(editText->text().size() >= MaxTextLength);
    cbHershey->setEnabled(rbHershey->isChecked());
    cbOutline->setEnabled(!rbHershey->isChecked());
}
