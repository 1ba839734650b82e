#include "FormUnitStatus.h"

#include <QCoreApplication>
#include <QFormLayout>
#include <QLabel>
#include <QProgressBar>

namespace {

QProgressBar* NewBar(QWidget* parent)
{
    auto* bar = new QProgressBar(parent);
    bar->setTextVisible(false);
    bar->setMinimumWidth(260);
    return bar;
}

// Repaints closer together than this show nothing a screen could display, and a
// frame with a long delay on a short path asks for tens of thousands of them.
constexpr qint64 RepaintIntervalMs = 15;

} // namespace

TFormStatus::TFormStatus(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setObjectName(QStringLiteral("FormStatus"));
    setWindowTitle(QStringLiteral("Wave creation status..."));

    labelFrame = new QLabel(this);
    labelFrame->setObjectName(QStringLiteral("labelFrame"));
    pgMorph = NewBar(this);
    pgMorph->setObjectName(QStringLiteral("pgMorph"));
    pgFrame = NewBar(this);
    pgFrame->setObjectName(QStringLiteral("pgFrame"));
    pgTotal = NewBar(this);
    pgTotal->setObjectName(QStringLiteral("pgTotal"));

    auto* form = new QFormLayout(this);
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    form->addRow(QStringLiteral("Current frame:"), labelFrame);
    form->addRow(QStringLiteral("Morph progress:"), pgMorph);
    form->addRow(QStringLiteral("Frame progress:"), pgFrame);
    form->addRow(QStringLiteral("Total progress:"), pgTotal);
    form->setSizeConstraint(QLayout::SetFixedSize);

    Reset();
}

void TFormStatus::Reset()
{
    labelFrame->setText(QStringLiteral("No frame in work"));
    SetMorphMax(0);
    SetFrameMax(0);
    SetTotalMax(0);
    FLabelChanged = false;
    FLastPaint.invalidate();
}

void TFormStatus::SetBarMax(QProgressBar* bar, int max)
{
    // A range of 0..0 turns a QProgressBar into a busy indicator; an empty bar
    // is what a zero maximum means here.
    bar->setRange(0, qMax(max, 1));
    bar->setValue(0);
}

void TFormStatus::SetBarPos(QProgressBar* bar, int pos)
{
    // QProgressBar ignores values outside its range, but the compile sets the
    // morph bar above its maximum on purpose to show it full.
    bar->setValue(qBound(bar->minimum(), pos, bar->maximum()));
}

void TFormStatus::SetFrameLabel(const QString& text)
{
    labelFrame->setText(text);
    FLabelChanged = true;
}

void TFormStatus::SetMorphMax(int max)
{
    FMorphMax = max;
    SetBarMax(pgMorph, max);
}

void TFormStatus::SetMorphPos(int pos) { SetBarPos(pgMorph, pos); }

void TFormStatus::SetFrameMax(int max)
{
    FFrameMax = max;
    SetBarMax(pgFrame, max);
}

void TFormStatus::SetFramePos(int pos) { SetBarPos(pgFrame, pos); }

void TFormStatus::SetTotalMax(int max)
{
    FTotalMax = max;
    SetBarMax(pgTotal, max);
}

void TFormStatus::SetTotalPos(int pos) { SetBarPos(pgTotal, pos); }

void TFormStatus::Repaint()
{
    if (!isVisible())
        return;
    // A new frame label is always painted; bar movements at most once per interval.
    if (!FLabelChanged && FLastPaint.isValid() && FLastPaint.elapsed() < RepaintIntervalMs)
        return;
    FLabelChanged = false;
    FLastPaint.start();
    repaint();
    // The compile holds the UI thread: let the window system deliver paint and
    // expose events, but take no user input meanwhile.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}
