#pragma once

#include "VectorImport.h"

#include <QPaintDevice>
#include <QByteArray>
#include <memory>
#include <vector>

class TPathRecordingEngine;

// A paint device that draws nothing: its paint engine records the paths it is asked
// to draw, with the painter's whole transform applied, as a vector drawing. Shapes,
// lines, polygons and the outlines of text all arrive as paths; images are skipped.
// What is painted with neither a visible pen nor a visible brush is left out.
class TPathRecorder : public QPaintDevice {
public:
    TPathRecorder();
    ~TPathRecorder() override;

    QPaintEngine* paintEngine() const override;
    const TVectorDrawing& Drawing() const;
    TVectorDrawing TakeDrawing();

    // Stand-ins: a path drawn as MarkerPathData(i) describes it is recorded as
    // paths[i] instead, with everything else the painter applies to it. (Qt SVG cuts
    // long paths short; the SVG reader reads those itself and leaves markers.)
    void SetSubstitutes(std::vector<QPainterPath> paths);
    static QByteArray MarkerPathData(int index);

protected:
    int metric(PaintDeviceMetric metric) const override;

private:
    std::unique_ptr<TPathRecordingEngine> FEngine;
};
