#include "ReportBox.h"

#include "Prompts.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QVBoxLayout>

namespace {

// Room the window manager takes for the title bar and the frame.
constexpr int WindowFrame = 40;
// Icon, margins and the button row of a message box around its text.
constexpr int BoxChrome = 120;

QRect AvailableArea(const QWidget* widget)
{
    const QScreen* screen = widget ? widget->screen() : nullptr;
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
}

QSize TextSize(const QString& text, const QFont& font, int maxWidth)
{
    const QFontMetrics metrics(font);
    return metrics.boundingRect(QRect(0, 0, maxWidth, 1 << 20), Qt::TextWordWrap | Qt::AlignLeft, text).size();
}

// The icon a QMessageBox of this kind shows.
QPixmap MessageIcon(QMessageBox::Icon icon, const QWidget* widget)
{
    QStyle::StandardPixmap kind = QStyle::SP_MessageBoxInformation;
    switch (icon) {
    case QMessageBox::Warning: kind = QStyle::SP_MessageBoxWarning; break;
    case QMessageBox::Critical: kind = QStyle::SP_MessageBoxCritical; break;
    case QMessageBox::Question: kind = QStyle::SP_MessageBoxQuestion; break;
    case QMessageBox::Information: kind = QStyle::SP_MessageBoxInformation; break;
    case QMessageBox::NoIcon: return {};
    }
    const QStyle* style = widget->style();
    const int size = style->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, widget);
    return style->standardIcon(kind, nullptr, widget).pixmap(size, size);
}

} // namespace

bool NeedsReportBox(const QString& text, const QWidget* parent)
{
    const QRect area = AvailableArea(parent);
    const QSize size = TextSize(text, QApplication::font("QMessageBox"), area.width() / 2);
    return size.height() + BoxChrome + WindowFrame > area.height();
}

TReportBox::TReportBox(QMessageBox::Icon icon, const QString& title, const QString& text,
                       QMessageBox::StandardButtons buttons, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("ReportBox"));
    setWindowTitle(title);
    setSizeGripEnabled(true);

    iconLabel = new QLabel(this);
    iconLabel->setObjectName(QStringLiteral("iconLabel"));
    iconLabel->setPixmap(MessageIcon(icon, this));
    iconLabel->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

    textLabel = new QLabel(text);
    textLabel->setObjectName(QStringLiteral("textLabel"));
    textLabel->setTextFormat(Qt::PlainText);
    textLabel->setWordWrap(true);
    textLabel->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    // A report is there to be read and copied.
    textLabel->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    textLabel->setContentsMargins(4, 4, 4, 4);

    scrollArea = new QScrollArea(this);
    scrollArea->setObjectName(QStringLiteral("scrollArea"));
    scrollArea->setWidgetResizable(true);
    scrollArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scrollArea->setWidget(textLabel);

    buttonBox = new QDialogButtonBox(QDialogButtonBox::StandardButtons(int(buttons)), this);
    buttonBox->setObjectName(QStringLiteral("buttonBox"));
    connect(buttonBox, &QDialogButtonBox::clicked, this,
            [this](QAbstractButton* button) { done(int(buttonBox->standardButton(button))); });

    auto* row = new QHBoxLayout;
    row->addWidget(iconLabel);
    row->addWidget(scrollArea, 1);
    auto* column = new QVBoxLayout(this);
    column->addLayout(row, 1);
    column->addWidget(buttonBox);

    FitToScreen();
}

void TReportBox::FitToScreen()
{
    const QRect area = AvailableArea(parentWidget());
    const int maxHeight = qMax(200, area.height() - WindowFrame);
    const int scrollBar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    const int textWidth = TextSize(textLabel->text(), textLabel->font(), area.width() / 2).width() + 8;
    const int width = qMin(area.width(), qMax(CaptionFitWidth(*this, windowTitle(), QString()),
                                              iconLabel->sizeHint().width() + textWidth + scrollBar + 48));
    const int wanted = textLabel->heightForWidth(textWidth) + buttonBox->sizeHint().height() + 48;
    setMaximumHeight(maxHeight);
    resize(width, qMin(wanted, maxHeight));
}

void TReportBox::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // The screen is known for sure once the box is shown: keep the box, frame and all,
    // within its available area.
    const QRect area = AvailableArea(this);
    const QRect frame = frameGeometry();
    if (frame.height() > area.height())
        resize(width(), height() - (frame.height() - area.height()));
    const QSize outer = frameGeometry().size();
    move(qBound(area.left(), frame.left(), qMax(area.left(), area.x() + area.width() - outer.width())),
         qBound(area.top(), frame.top(), qMax(area.top(), area.y() + area.height() - outer.height())));
    if (QPushButton* button = buttonBox->button(QDialogButtonBox::Ok))
        button->setFocus();
}
