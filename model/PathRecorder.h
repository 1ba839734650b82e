#pragma once

#include "VectorImport.h"

#include <QPaintDevice>
#include <memory>

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

protected:
    int metric(PaintDeviceMetric metric) const override;

private:
    std::unique_ptr<TPathRecordingEngine> FEngine;
};
