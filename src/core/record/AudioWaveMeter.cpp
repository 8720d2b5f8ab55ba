#include "record/AudioWaveMeter.h"

#include <algorithm>
#include <cmath>

namespace wavomer {

bool AudioWaveMeter::appendBuildInAudioWave(float value) {
    buildInAudioWaveAppend.push_back(value);
    if (buildInAudioWaveAppend.size() < static_cast<size_t>(kColumns)) return false;
    buildInAudioWave.assign(buildInAudioWaveAppend.begin(), buildInAudioWaveAppend.begin() + kColumns);
    buildInAudioWaveAppend.clear();
    return true;
}

std::array<float, AudioWaveMeter::kColumns> AudioWaveMeter::drawColumns() {
    auto entry = [](const std::vector<float>& values, int i) {
        return i < static_cast<int>(values.size()) ? values[static_cast<size_t>(i)] : 0.0f;
    };
    std::array<float, kColumns> shown{};
    for (int i = 0; i < kColumns; ++i) {
        const float level = std::max(entry(buildInAudioWave, i), entry(computerAudioWave, i));
        // A reading of 1 fills the 16 cells; a louder one (or a NaN) is kept in range.
        float v = std::isfinite(level) ? std::round(level * static_cast<float>(kCells)) : 0.0f;
        v = std::clamp(v, 0.0f, static_cast<float>(kCells));
        float& held = heldHeight[static_cast<size_t>(i)];
        int32_t& age = heldAge[static_cast<size_t>(i)];
        if (age++ > 4) held = 0.0f;
        if (v < held) {
            shown[static_cast<size_t>(i)] = (v + held) / 2.0f;
        } else {
            held = v;
            age = 0;
            shown[static_cast<size_t>(i)] = v;
        }
    }
    return shown;
}

double AudioWaveMeter::columnWidth(double viewWidth) { return (viewWidth - 10.0) / 32.0 - 2.0; }

double AudioWaveMeter::columnX(int column, double viewWidth) {
    return (columnWidth(viewWidth) + 2.0) * column + 2.0;
}

double AudioWaveMeter::mirroredColumnX(int column, double viewWidth) {
    return viewWidth / 2.0 + columnX(column, viewWidth);
}

}  // namespace wavomer
