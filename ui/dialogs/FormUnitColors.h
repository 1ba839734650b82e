#pragma once

#include "ProgramSettings.h"

#include <QColor>
#include <QDialog>
#include <QWidget>

class QLineEdit;
class QPushButton;
class QTabWidget;
class TPrompts;

// A 22 x 22 colour field that remembers the colour it shows; a left click reports `clicked`.
class TColorSwatch : public QWidget {
    Q_OBJECT
public:
    static constexpr int Side = 22;

    explicit TColorSwatch(const QString& name, QWidget* parent = nullptr);

    // Fills the whole field with `color` and keeps it as the swatch's colour.
    void ShowColorSwatch(const QColor& color);
    const QColor& Color() const { return FColor; }

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QColor FColor{0, 0, 0};
    bool Pressed = false;
};

// "Choose colors": the display colours and the names of the two laser colours.
// The dialog edits a copy; ApplyColors hands the edited set to whoever listens to
// colorsApplied, which "An&wenden" does with the dialog open and OK after closing it.
class TFormColors : public QDialog {
    Q_OBJECT
public:
    explicit TFormColors(TPrompts& prompts, QWidget* parent = nullptr);

    // Shows `colors` in the swatches and name edits.
    void Fill(const TColorSettings& colors);
    // What the swatches and name edits hold now.
    TColorSettings Chosen() const;
    // Reports the swatch colours and the two names through colorsApplied.
    void ApplyColors();
    // Fill, then show modally; OK applies after the dialog has closed. True for OK.
    bool Execute(const TColorSettings& colors);

    QTabWidget* pgColors = nullptr;
    QLineEdit* editColor0 = nullptr;
    QLineEdit* editColor1 = nullptr;
    TColorSwatch* iNorm0 = nullptr;
    TColorSwatch* iNorm1 = nullptr;
    TColorSwatch* iReal0 = nullptr;
    TColorSwatch* iReal1 = nullptr;
    TColorSwatch* iBack0 = nullptr;
    TColorSwatch* iBack1 = nullptr;
    TColorSwatch* iSel0 = nullptr;
    TColorSwatch* iSel1 = nullptr;
    TColorSwatch* iLink0 = nullptr;
    TColorSwatch* iLink1 = nullptr;
    TColorSwatch* iTimelineLines = nullptr;
    TColorSwatch* iTimelineAreas = nullptr;
    TColorSwatch* iTimelineText = nullptr;
    TColorSwatch* iTimelineBack = nullptr;
    TColorSwatch* iThumbText = nullptr;
    TColorSwatch* iBackGround = nullptr;
    TColorSwatch* iHelpLines = nullptr;
    TColorSwatch* iRotCenter = nullptr;
    QPushButton* bnOK = nullptr;
    QPushButton* bnCancel = nullptr;
    QPushButton* bnApply = nullptr;
    QPushButton* bnHelp = nullptr;

signals:
    void colorsApplied(const TColorSettings& colors);

private:
    QWidget* CreateFramePage();
    QWidget* CreateTimelinePage();
    QWidget* CreateOtherPage();
    TColorSwatch* NewSwatch(const char* name, QWidget* parent);
    void SwatchClick(TColorSwatch* swatch);

    TPrompts& Prompts;
    TColorSettings Shown;   // the set the dialog was filled with
};
