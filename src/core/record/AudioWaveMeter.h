// AudioWaveMeter: the recording panel's level meter as numbers. Level readings arrive
// one per 0.01 s tick and are collected in batches of 16; the meter shows the last
// complete batch as 16 columns of cells, each column holding its peak for five
// drawings before it lets it fall. The widget only paints the cells this answers.
//
// The computer-audio batch exists beside the input's but is never filled (its append
// does nothing), so it reads as 0 and the columns show the input alone.
//
// Threads: main thread.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace wavomer {

class AudioWaveMeter {
public:
    static constexpr int kColumns = 16;
    static constexpr int kCells = 16;

    // Adds one reading; the 16th reading of a batch makes the batch the one shown.
    // Answers whether the shown batch changed (the view then redraws).
    bool appendBuildInAudioWave(float value);
    void appendComputerAudioWave(float) {}

    // One drawing: the cells to fill in each column, with the peak hold applied. Each
    // call ages the held peaks, so it is called once per painting.
    std::array<float, kColumns> drawColumns();

    // Geometry for a view of width w: column width (w − 10) / 32 − 2, column i at
    // (width + 2) × i + 2, and its twin in the right half.
    static double columnWidth(double viewWidth);
    static double columnX(int column, double viewWidth);
    static double mirroredColumnX(int column, double viewWidth);

    std::vector<float> buildInAudioWaveAppend;
    std::vector<float> buildInAudioWave;
    std::vector<float> computerAudioWave;
    std::vector<float> computerAudioWaveAppend;
    std::array<float, kColumns> heldHeight{};
    std::array<int32_t, kColumns> heldAge{};
};

}  // namespace wavomer
