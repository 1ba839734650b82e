// Repaints the timeline with a 10-minute soundtrack under its bands, at every zoom
// step and scrolled through the show, the way each sketchpad repaint and each
// timeline button does, for a show of equal frames and one of frames that differ.
// Goal: under 5 ms a repaint (bands, scale and music lane).
#include "MusicTrack.h"
#include "Timeline.h"
#include "TimelineDrawing.h"
#include "TimelineMusic.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QRandomGenerator>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

// Per zoom step, averaged over the scroll positions (the first pass warms up); true
// when the mean of every zoom step is under 5 ms.
bool Measure(const TLaserFrames& show, const TMusicAnalysis& music, const char* title)
{
    const TColorSettings colors;
    const TBeatGrid beats{music.Beats, 0};
    // Kept from one repaint to the next, as the timeline window keeps it.
    TTimelineDrawing drawing;
    QImage bandsImage(1600, 48, QImage::Format_RGB32), lane(1600, TTimelineMusic::LaneHeight, QImage::Format_RGB32);
    const int n = show.Count();
    bool met = true;
    std::printf("%s\nms/px  bands+scale mean  music lane mean  whole repaint mean / worst\n", title);
    for (int scale = 1; scale <= 1024; scale *= 2) {
        double bands = 0, laneMs = 0, worst = 0;
        int repaints = 0;
        for (int pass = 0; pass < 2; ++pass) {
            for (int first = 0; first < n; first += 7) {
                QElapsedTimer clock;
                clock.start();
                {
                    QPainter p(&bandsImage);
                    DrawTimeline(p, bandsImage.size(), &show, colors, scale, first, &drawing,
                                 music.Envelope.DurationMs());
                }
                const double bandsMs = double(clock.nsecsElapsed()) / 1e6;
                {
                    qint64 start = 0;
                    for (int i = 0; i < first; ++i)
                        start += show.Frame(i).Delay + show.Frame(i).EffectTime;
                    QPainter p(&lane);
                    DrawMusicLane(p, lane.size(), &music, beats, 0, start, scale, colors);
                }
                const double ms = double(clock.nsecsElapsed()) / 1e6;
                if (pass == 0)
                    continue;
                bands += bandsMs;
                laneMs += ms - bandsMs;
                worst = std::max(worst, ms);
                ++repaints;
            }
        }
        const double mean = (bands + laneMs) / repaints;
        met = met && mean < 5;
        std::printf("%5d  %16.3f  %15.3f  %12.3f / %.3f\n", scale, bands / repaints, laneMs / repaints, mean, worst);
    }
    return met;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    // Ten minutes at 44100 Hz, the outline built as the analysis builds it.
    TMusicAnalysis music;
    music.Envelope.Reset(44100);
    std::vector<float> block(44100);
    for (int second = 0; second < 600; ++second) {
        for (size_t i = 0; i < block.size(); ++i)
            block[i] = float(std::sin(i * 0.05) * std::exp(-double(i % 22050) / 4000));
        music.Envelope.Add(block.data(), qint64(block.size()));
    }
    music.Envelope.Finish();
    for (double t = 0.25; t < 600; t += 0.5)
        music.Beats.push_back(t);

    // A show as long as the music: 300 frames of 2 s.
    TLaserFrames show;
    for (int i = 0; i < 300; ++i) {
        TLaserFrame& f = show.Add();
        f.Delay = 1800;
        f.EffectTime = 200;
        f.Name = QStringLiteral("Frame %1").arg(i);
        f.Flags = quint16(i % 2);
    }
    // As long again, but of frames that differ: fewer bands look alike.
    TLaserFrames varied;
    QRandomGenerator random(18);
    for (int i = 0; i < 300; ++i) {
        TLaserFrame& f = varied.Add();
        f.Delay = quint16(random.bounded(200, 3200));
        f.EffectTime = quint16(random.bounded(0, 800));
        f.Name = QStringLiteral("Frame %1").arg(i);
        f.Flags = quint16(random.bounded(2));
    }
    const bool met = Measure(show, music, "300 frames of 2 s") &&
                     Measure(varied, music, "300 frames of 0.2 to 4 s");
    std::printf("timeline of 300 frames with a 10-minute music lane, 1600 px wide: goal < 5 ms a repaint: %s\n",
                met ? "met" : "MISSED");
    return 0;
}
