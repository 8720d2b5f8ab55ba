// TimeDisplay: the current time as HH:MM:SS.cc on a rounded dark backing. The playback
// and every cursor move set it; its text is the time display helper's.
//
// Threads: main thread.
#pragma once

#include <QWidget>

namespace wavomer::app {

class TimeDisplay : public QWidget {
    Q_OBJECT
public:
    explicit TimeDisplay(QWidget* parent = nullptr);
    // Stores the time (single precision, clamped at 0) and redraws.
    void setShowTime(float seconds);
    float showTime() const { return time_; }
    QString displayedText() const;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    float time_ = 0.0f;
};

}  // namespace wavomer::app
