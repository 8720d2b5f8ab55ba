// RecordingStrip: what a take shows while it runs, in the place of the time bar (which
// the recording leaves alone): a red mark, the time recorded so far and the input's
// level on a meter with a dB scale, a peak hold and a clip mark. Assistive tools read it
// as "Recording" whose value is the time, the level, the peak and whether it clipped.
//
// Threads: main thread.
#pragma once

#include <QWidget>

#include "rules/MeterRules.h"

namespace wavomer::app {

class RecordingStrip : public QWidget {
    Q_OBJECT
public:
    explicit RecordingStrip(QWidget* parent = nullptr);
    // A new take: nothing recorded, the meter at rest, the clip mark off.
    void start();
    // One tick: the peak (0 to 1) and the seconds recorded.
    void progress(double level, double recordedSeconds);
    QString elapsedText() const;
    QString valueText() const;
    const rules::PeakMeter& meter() const { return meter_; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    rules::PeakMeter meter_;
    double recorded_ = 0.0;
};

}  // namespace wavomer::app
