#include "panels/AudioWaveView.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

#include "base/Palette.h"
#include "base/Text.h"

namespace wavomer::app {

AudioWaveView::AudioWaveView(AudioWaveMeter& meter, QWidget* parent) : QWidget(parent), meter_(meter) {
    setMinimumSize(330, 70);
    setAccessibleName(Text::tr("Input level"));
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void AudioWaveView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette::kMeterBacking);
    shown_ = meter_.drawColumns();
    const double width = this->width();
    const double columnWidth = std::max(AudioWaveMeter::columnWidth(width), 1.0);
    const double cellHeight = (height() - 4.0) / AudioWaveMeter::kCells;
    const QColor background(70, 70, 70), level(60, 200, 90), loud(235, 190, 40), peak(230, 60, 50);
    for (int i = 0; i < AudioWaveMeter::kColumns; ++i) {
        const int filled = static_cast<int>(std::lround(shown_[static_cast<size_t>(i)]));
        for (double x : {AudioWaveMeter::columnX(i, width), AudioWaveMeter::mirroredColumnX(i, width)}) {
            for (int cell = 0; cell < AudioWaveMeter::kCells; ++cell) {
                const double y = height() - 2.0 - (cell + 1) * cellHeight;
                QColor colour = background;
                if (cell < filled) colour = cell >= 14 ? peak : cell >= 11 ? loud : level;
                painter.fillRect(QRectF(x, y + 1.0, columnWidth, cellHeight - 1.0), colour);
            }
        }
    }
}

float AudioWaveView::currentLevel() const {
    float level = 0.0f;
    for (float reading : meter_.buildInAudioWave) level = std::max(level, reading);
    return std::clamp(level, 0.0f, 1.0f);
}

}  // namespace wavomer::app
