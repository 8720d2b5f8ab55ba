#include "data/NoiseSource.h"

#include <cstdint>
#include <vector>

#include "util/StandardPaths.h"
#include "data/AudioChannelsGenerator.h"
#include "data/AudioSampleData.h"

namespace wavomer {

// Frames generated and written at a time.
constexpr int32_t kNoiseBlockFrames = 16384;

Outcome<std::string> writeNoiseSampleFile(const std::string& folder) {
    std::string base = folder.empty() ? FileManagerExtention::processImportFolder() : folder;
    std::string path = base + "/" + newImportFileName();
    auto data = AudioSampleData::dataForWritingAtPath(path);
    if (!data) return Failure::at(path, "cannot create the file");
    const int64_t frames = static_cast<int64_t>(kNoiseSourceSeconds * AudioSampleData::kDefaultSampleRate);
    data->setFramePerChannel(frames);
    data->setChannels(1);
    // A fixed seed: every noise insert sounds the same, and renders are repeatable.
    uint64_t state = 0x9E3779B97F4A7C15ull;
    std::vector<float> block(kNoiseBlockFrames);
    for (int64_t p = 0; p < frames; p += static_cast<int64_t>(block.size())) {
        for (float& v : block) {
            state ^= state << 13;
            state ^= state >> 7;
            state ^= state << 17;
            // Uniform in [-0.25, 0.25): an even hiss well below full scale.
            v = static_cast<float>(static_cast<double>(state >> 11) / 9007199254740992.0 - 0.5) * 0.5f;
        }
        data->writeSample(block.data(), 0, static_cast<int32_t>(block.size()), p);
    }
    if (!data->closeData()) return Failure::at(path, "cannot write the file: " + data->writeErrorText());
    return path;
}

}  // namespace wavomer
