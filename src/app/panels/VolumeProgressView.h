// VolumeProgressView: the preview's progress bar: a slider drawn as a bar with a knob,
// where a press on the bar (or a drag that started there) seeks and a press off it does
// nothing.
//
// Threads: main thread.
#pragma once

#include <QSlider>

#include "rules/PanelRules.h"

namespace wavomer::app {

class VolumeProgressView : public QSlider {
    Q_OBJECT
public:
    explicit VolumeProgressView(QWidget* parent = nullptr);

    double duration() const { return bar_.duration; }
    void setDuration(double seconds);
    double currentTime() const { return currentTime_; }
    void setCurrentTime(double seconds);
    bool isInSeek() const { return isInSeek_; }
    rules::ProgressBar geometry() const;
    QSize sizeHint() const override { return {240, 24}; }

signals:
    void seek(double seconds);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void actionForType(rules::ProgressDragType type, double x);
    void syncSliderValue();

    rules::ProgressBar bar_;
    double currentTime_ = 0.0;
    bool isInSeek_ = false;
    rules::ProgressDragType pressType_ = rules::ProgressDragType::None;
};

}  // namespace wavomer::app
