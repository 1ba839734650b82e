#pragma once

#include "PictureTrace.h"
#include "VectorImport.h"

#include <QDialog>

class QCheckBox;
class QDoubleSpinBox;
class QLabel;
class QPushButton;
class QSpinBox;

// The margin's spin box, as the import and text dialogs show it.
QDoubleSpinBox* NewMarginBox(QWidget* parent);

// How a drawing or a picture becomes a frame, asked once its file is chosen: the
// tolerance curves are followed within and the margin kept free; for a picture also
// the grey level that is traced (chosen from the picture's tones unless given) and
// whether the dark or the light parts are. Keeps its choices between uses.
class TFormImportOptions : public QDialog {
    Q_OBJECT
public:
    enum class TKind { Drawing, Picture };

    explicit TFormImportOptions(QWidget* parent = nullptr);

    QLabel* lbFile = nullptr;
    QDoubleSpinBox* seTolerance = nullptr;
    QDoubleSpinBox* seMargin = nullptr;
    QCheckBox* cbAutoThreshold = nullptr;
    QSpinBox* seThreshold = nullptr;
    QCheckBox* cbInvert = nullptr;
    QPushButton* bnOK = nullptr;
    QPushButton* bnCancel = nullptr;

    // Shows the dialog modally for the file; true when OK was chosen.
    bool Execute(TKind kind, const QString& fileName);

    TVectorOptions VectorOptions() const;
    TTraceOptions TraceOptions() const;

private:
    void UpdateControls();
    TKind FKind = TKind::Drawing;
};
