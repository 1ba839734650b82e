#include "FormUnitImportOptions.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

QDoubleSpinBox* NewMarginBox(QWidget* parent)
{
    auto* box = new QDoubleSpinBox(parent);
    box->setObjectName(QStringLiteral("seMargin"));
    box->setRange(0, MaxMargin);
    box->setDecimals(1);
    box->setSuffix(QStringLiteral(" units"));
    box->setValue(DefaultMargin);
    box->setToolTip(QStringLiteral("Room left free on each side of the drawing square"));
    return box;
}

TFormImportOptions::TFormImportOptions(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("FormImportOptions"));

    lbFile = new QLabel(this);
    lbFile->setObjectName(QStringLiteral("lbFile"));

    seTolerance = new QDoubleSpinBox(this);
    seTolerance->setObjectName(QStringLiteral("seTolerance"));
    seTolerance->setRange(MinTolerance, MaxTolerance);
    seTolerance->setDecimals(2);
    seTolerance->setSingleStep(0.25);
    seTolerance->setSuffix(QStringLiteral(" units"));
    seTolerance->setValue(TVectorOptions().Tolerance);
    seTolerance->setToolTip(QStringLiteral("How far the straight lines may stray from a curve: more points when smaller"));
    auto* toleranceLabel = new QLabel(QStringLiteral("Curves &within:"), this);
    toleranceLabel->setBuddy(seTolerance);

    seMargin = NewMarginBox(this);
    auto* marginLabel = new QLabel(QStringLiteral("&Margin:"), this);
    marginLabel->setBuddy(seMargin);

    cbAutoThreshold = new QCheckBox(QStringLiteral("&Grey level from the picture's tones"), this);
    cbAutoThreshold->setObjectName(QStringLiteral("cbAutoThreshold"));
    cbAutoThreshold->setChecked(true);
    seThreshold = new QSpinBox(this);
    seThreshold->setObjectName(QStringLiteral("seThreshold"));
    seThreshold->setRange(0, 255);
    seThreshold->setValue(128);
    seThreshold->setToolTip(QStringLiteral("The pixels darker than this grey level are traced"));
    cbInvert = new QCheckBox(QStringLiteral("Trace the &light parts (a light logo on a dark ground)"), this);
    cbInvert->setObjectName(QStringLiteral("cbInvert"));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    bnOK = buttons->button(QDialogButtonBox::Ok);
    bnOK->setText(QStringLiteral("OK"));
    bnCancel = buttons->button(QDialogButtonBox::Cancel);
    bnCancel->setText(QStringLiteral("Cancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(cbAutoThreshold, &QCheckBox::toggled, this, &TFormImportOptions::UpdateControls);

    auto* grid = new QGridLayout;
    grid->addWidget(lbFile, 0, 0, 1, 2);
    grid->addWidget(toleranceLabel, 1, 0);
    grid->addWidget(seTolerance, 1, 1, Qt::AlignLeft);
    grid->addWidget(marginLabel, 2, 0);
    grid->addWidget(seMargin, 2, 1, Qt::AlignLeft);
    grid->addWidget(cbAutoThreshold, 3, 0, 1, 2);
    auto* thresholdLabel = new QLabel(QStringLiteral("Grey &level:"), this);
    thresholdLabel->setObjectName(QStringLiteral("lbThreshold"));
    thresholdLabel->setBuddy(seThreshold);
    grid->addWidget(thresholdLabel, 4, 0);
    grid->addWidget(seThreshold, 4, 1, Qt::AlignLeft);
    grid->addWidget(cbInvert, 5, 0, 1, 2);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    UpdateControls();
}

bool TFormImportOptions::Execute(TKind kind, const QString& fileName)
{
    FKind = kind;
    const bool picture = kind == TKind::Picture;
    setWindowTitle(picture ? QStringLiteral("Import picture") : QStringLiteral("Import SVG file"));
    lbFile->setText(QFileInfo(fileName).fileName());
    for (QWidget* w : {static_cast<QWidget*>(cbAutoThreshold), static_cast<QWidget*>(seThreshold),
                       static_cast<QWidget*>(cbInvert), findChild<QWidget*>(QStringLiteral("lbThreshold"))})
        w->setVisible(picture);
    UpdateControls();
    bnOK->setFocus();
    return exec() == QDialog::Accepted;
}

TVectorOptions TFormImportOptions::VectorOptions() const
{
    TVectorOptions options;
    options.Tolerance = seTolerance->value();
    options.Margin = seMargin->value();
    return options;
}

TTraceOptions TFormImportOptions::TraceOptions() const
{
    TTraceOptions options;
    options.Threshold = cbAutoThreshold->isChecked() ? AutoThreshold : seThreshold->value();
    options.Invert = cbInvert->isChecked();
    return options;
}

void TFormImportOptions::UpdateControls()
{
    seThreshold->setEnabled(!cbAutoThreshold->isChecked());
}
