#include "FormUnitColors.h"

#include "Prompts.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

// Each swatch and the colour setting it edits.
struct TSwatchBinding {
    TColorSwatch* TFormColors::*swatch;
    QColor& (*field)(TColorSettings&);
};

const TSwatchBinding SwatchBindings[] = {
    {&TFormColors::iNorm0, [](TColorSettings& c) -> QColor& { return c.Norm[0]; }},
    {&TFormColors::iNorm1, [](TColorSettings& c) -> QColor& { return c.Norm[1]; }},
    {&TFormColors::iReal0, [](TColorSettings& c) -> QColor& { return c.Real[0]; }},
    {&TFormColors::iReal1, [](TColorSettings& c) -> QColor& { return c.Real[1]; }},
    {&TFormColors::iBack0, [](TColorSettings& c) -> QColor& { return c.Back[0]; }},
    {&TFormColors::iBack1, [](TColorSettings& c) -> QColor& { return c.Back[1]; }},
    {&TFormColors::iSel0, [](TColorSettings& c) -> QColor& { return c.Sel[0]; }},
    {&TFormColors::iSel1, [](TColorSettings& c) -> QColor& { return c.Sel[1]; }},
    {&TFormColors::iLink0, [](TColorSettings& c) -> QColor& { return c.Link[0]; }},
    {&TFormColors::iLink1, [](TColorSettings& c) -> QColor& { return c.Link[1]; }},
    {&TFormColors::iTimelineLines, [](TColorSettings& c) -> QColor& { return c.TimelineLines; }},
    {&TFormColors::iTimelineAreas, [](TColorSettings& c) -> QColor& { return c.TimelineAreas; }},
    {&TFormColors::iTimelineText, [](TColorSettings& c) -> QColor& { return c.TimelineText; }},
    {&TFormColors::iTimelineBack, [](TColorSettings& c) -> QColor& { return c.TimelineBackground; }},
    {&TFormColors::iThumbText, [](TColorSettings& c) -> QColor& { return c.ThumbText; }},
    {&TFormColors::iBackGround, [](TColorSettings& c) -> QColor& { return c.Background; }},
    {&TFormColors::iHelpLines, [](TColorSettings& c) -> QColor& { return c.HelpLines; }},
    {&TFormColors::iRotCenter, [](TColorSettings& c) -> QColor& { return c.Rotation; }},
};

QLabel* NewLabel(const QString& text, QWidget* parent)
{
    return new QLabel(text, parent);
}

} // namespace

// --- TColorSwatch ------------------------------------------------------------------------------

TColorSwatch::TColorSwatch(const QString& name, QWidget* parent)
    : QWidget(parent)
{
    setObjectName(name);
    setFixedSize(Side, Side);
    setCursor(Qt::PointingHandCursor);
}

void TColorSwatch::ShowColorSwatch(const QColor& color)
{
    // Colours are kept as 24-bit RGB values; whatever spec or alpha the colour came with goes.
    FColor = QColor(color.red(), color.green(), color.blue());
    update();
}

void TColorSwatch::paintEvent(QPaintEvent*)
{
    QPainter canvas(this);
    canvas.fillRect(rect(), FColor);
}

void TColorSwatch::mousePressEvent(QMouseEvent* event)
{
    Pressed = event->button() == Qt::LeftButton;
    event->accept();
}

void TColorSwatch::mouseReleaseEvent(QMouseEvent* event)
{
    // A click is a left press and release on the swatch, like a button's.
    const bool click = Pressed && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    Pressed = false;
    event->accept();
    if (click)
        emit clicked();
}

// --- TFormColors -------------------------------------------------------------------------------

TFormColors::TFormColors(TPrompts& prompts, QWidget* parent)
    : QDialog(parent)
    , Prompts(prompts)
{
    setObjectName(QStringLiteral("FormColors"));
    setWindowTitle(QStringLiteral("Choose colors"));

    pgColors = new QTabWidget(this);
    pgColors->setObjectName(QStringLiteral("pgColors"));
    pgColors->addTab(CreateFramePage(), QStringLiteral("Frame colors"));
    pgColors->addTab(CreateTimelinePage(), QStringLiteral("Timeline colors"));
    pgColors->addTab(CreateOtherPage(), QStringLiteral("Other colors"));

    bnOK = new QPushButton(QStringLiteral("OK"), this);
    bnOK->setObjectName(QStringLiteral("bnOK"));
    bnOK->setDefault(true);
    bnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    bnCancel->setObjectName(QStringLiteral("bnCancel"));
    bnApply = new QPushButton(QStringLiteral("An&wenden"), this);
    bnApply->setObjectName(QStringLiteral("bnApply"));
    bnHelp = new QPushButton(QStringLiteral("Hilfe"), this);
    bnHelp->setObjectName(QStringLiteral("bnHelp"));
    bnHelp->setEnabled(false);  // no help topic behind it
    connect(bnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(bnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(bnApply, &QPushButton::clicked, this, &TFormColors::ApplyColors);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    for (QPushButton* button : {bnOK, bnCancel, bnApply, bnHelp})
        buttons->addWidget(button);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pgColors);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    for (const TSwatchBinding& binding : SwatchBindings) {
        TColorSwatch* swatch = this->*binding.swatch;
        connect(swatch, &TColorSwatch::clicked, this, [this, swatch] { SwatchClick(swatch); });
    }
}

TColorSwatch* TFormColors::NewSwatch(const char* name, QWidget* parent)
{
    return new TColorSwatch(QLatin1String(name), parent);
}

QWidget* TFormColors::CreateFramePage()
{
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("tsFrameColors"));
    auto* group = new QGroupBox(QStringLiteral(" Frame colors "), page);
    auto* grid = new QGridLayout(group);
    grid->setHorizontalSpacing(10);

    const QString headers[] = {QStringLiteral("Color name"), QStringLiteral("Normal"), QStringLiteral("Round"),
                               QStringLiteral("Back"), QStringLiteral("Sel"), QStringLiteral("Links")};
    for (int column = 0; column < 6; ++column)
        grid->addWidget(NewLabel(headers[column], group), 0, column + 1,
                        column == 0 ? Qt::AlignLeft | Qt::AlignBottom : Qt::AlignHCenter | Qt::AlignBottom);

    editColor0 = new QLineEdit(group);
    editColor0->setObjectName(QStringLiteral("editColor0"));
    editColor1 = new QLineEdit(group);
    editColor1->setObjectName(QStringLiteral("editColor1"));
    iNorm0 = NewSwatch("iNorm0", group);
    iReal0 = NewSwatch("iReal0", group);
    iBack0 = NewSwatch("iBack0", group);
    iSel0 = NewSwatch("iSel0", group);
    iLink0 = NewSwatch("iLink0", group);
    iNorm1 = NewSwatch("iNorm1", group);
    iReal1 = NewSwatch("iReal1", group);
    iBack1 = NewSwatch("iBack1", group);
    iSel1 = NewSwatch("iSel1", group);
    iLink1 = NewSwatch("iLink1", group);

    const struct {
        QString caption;
        QLineEdit* edit;
        TColorSwatch* swatches[5];
    } rows[] = {
        {QStringLiteral("Color &0:"), editColor0, {iNorm0, iReal0, iBack0, iSel0, iLink0}},
        {QStringLiteral("Color &1:"), editColor1, {iNorm1, iReal1, iBack1, iSel1, iLink1}},
    };
    for (int row = 0; row < 2; ++row) {
        QLabel* label = NewLabel(rows[row].caption, group);
        label->setBuddy(rows[row].edit);   // Alt+0 / Alt+1 go to the name edit
        grid->addWidget(label, row + 1, 0);
        rows[row].edit->setFixedWidth(110);
        grid->addWidget(rows[row].edit, row + 1, 1);
        for (int k = 0; k < 5; ++k)
            grid->addWidget(rows[row].swatches[k], row + 1, k + 2, Qt::AlignCenter);
    }
    grid->setRowStretch(3, 1);   // the rows stay at the top of a group that fills the page

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(group);
    return page;
}

namespace {

// A page with one group of swatches, each followed by its label. Labels are shown as
// written: they have no mnemonic, so a "&" in them is a plain character.
QWidget* SwatchListPage(const QString& pageName, const QString& title,
                        const QList<QPair<TColorSwatch*, QString>>& rows)
{
    auto* page = new QWidget;
    page->setObjectName(pageName);
    auto* group = new QGroupBox(title, page);
    auto* grid = new QGridLayout(group);
    grid->setHorizontalSpacing(10);
    grid->setColumnStretch(1, 1);
    for (int row = 0; row < rows.size(); ++row) {
        rows[row].first->setParent(group);
        grid->addWidget(rows[row].first, row, 0);
        grid->addWidget(new QLabel(rows[row].second, group), row, 1);
    }
    grid->setRowStretch(int(rows.size()), 1);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(group);
    return page;
}

} // namespace

QWidget* TFormColors::CreateTimelinePage()
{
    iTimelineLines = NewSwatch("iTimelineLines", nullptr);
    iTimelineAreas = NewSwatch("iTimelineAreas", nullptr);
    iTimelineText = NewSwatch("iTimelineText", nullptr);
    iTimelineBack = NewSwatch("iTimelineBack", nullptr);
    return SwatchListPage(QStringLiteral("tsTimelineColors"), QStringLiteral(" Timeline colors "),
                          {{iTimelineLines, QStringLiteral("Color of lines")},
                           {iTimelineAreas, QStringLiteral("Color of areas")},
                           {iTimelineText, QStringLiteral("Text & time divider color")},
                           {iTimelineBack, QStringLiteral("Background color")}});
}

QWidget* TFormColors::CreateOtherPage()
{
    iThumbText = NewSwatch("iThumbText", nullptr);
    iBackGround = NewSwatch("iBackGround", nullptr);
    iHelpLines = NewSwatch("iHelpLines", nullptr);
    iRotCenter = NewSwatch("iRotCenter", nullptr);
    return SwatchListPage(QStringLiteral("tsOtherColors"), QStringLiteral(" Other colors "),
                          {{iThumbText, QStringLiteral("Textcolor in frame overview")},
                           {iBackGround, QStringLiteral("Background color in editor")},
                           {iHelpLines, QStringLiteral("Color of helplines")},
                           {iRotCenter, QStringLiteral("Color of rotation center & rotation lines")}});
}

void TFormColors::Fill(const TColorSettings& colors)
{
    Shown = colors;
    for (const TSwatchBinding& binding : SwatchBindings)
        (this->*binding.swatch)->ShowColorSwatch(binding.field(Shown));
    editColor0->setText(colors.Name[0]);
    editColor1->setText(colors.Name[1]);
}

TColorSettings TFormColors::Chosen() const
{
    TColorSettings colors = Shown;
    for (const TSwatchBinding& binding : SwatchBindings)
        binding.field(colors) = (this->*binding.swatch)->Color();
    colors.Name[0] = editColor0->text();
    colors.Name[1] = editColor1->text();
    return colors;
}

void TFormColors::ApplyColors()
{
    emit colorsApplied(Chosen());
}

bool TFormColors::Execute(const TColorSettings& colors)
{
    Fill(colors);
    if (exec() != QDialog::Accepted)
        return false;
    ApplyColors();
    return true;
}

void TFormColors::SwatchClick(TColorSwatch* swatch)
{
    if (const std::optional<QColor> color = Prompts.ChooseColor(swatch->Color()))
        swatch->ShowColorSwatch(*color);
}
