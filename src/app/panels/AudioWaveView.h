// AudioWaveView: the recording panel's level meter: 16 columns of 16 cells, drawn twice
// side by side from the recording's meter.
//
// Threads: main thread.
#pragma once

#include <QWidget>
#include <array>

#include "record/RecordViewController.h"

namespace wavomer::app {

// The level meter: 16 columns of 16 cells, drawn twice side by side.
class AudioWaveView : public QWidget {
    Q_OBJECT
public:
    explicit AudioWaveView(AudioWaveMeter& meter, QWidget* parent = nullptr);
    QSize sizeHint() const override { return {330, 70}; }
    // The cells filled at the last drawing, per column (what the tests look at).
    const std::array<float, AudioWaveMeter::kColumns>& shownCells() const { return shown_; }
    // The input's level now, 0 to 1: the loudest reading of the batch shown (what
    // assistive tools read as the meter's value).
    float currentLevel() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    AudioWaveMeter& meter_;
    std::array<float, AudioWaveMeter::kColumns> shown_{};
};

}  // namespace wavomer::app
