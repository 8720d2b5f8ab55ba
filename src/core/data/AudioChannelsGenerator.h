// AudioChannelsGenerator: decodes every audio stream of a media file into one new
// sample data file, the streams' channels one after another (a stereo stream and a
// mono stream give three channels), in blocks of 1024 frames at 44100 Hz.
//
// Threads: made for one conversion on the import thread and dropped after it.
//
// The file is exactly as long as the longest stream's decoded audio (after the
// decoder's own removal of encoder delay and padding), whatever the container
// states; the stated duration only sizes the first room for the planes. Audio that
// ends well before a duration the container really states (a truncated file) is
// kept as far as it decoded, with a warning.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "data/AudioSampleData.h"
#include "media/MediaEngine.h"

namespace wavomer {

// What a conversion wrote. A failure is about the media, or about the output when
// that is what could not be written.
struct GeneratedAudio {
    std::string path;     // the sample data file
    std::string warning;  // what went wrong in a file that was partly decoded
    int32_t channels = 0;
    int64_t frames = 0;
    double duration = 0.0;
};

class AudioChannelsGenerator {
public:
    static constexpr int32_t kBlockFrames = 1024;
    static constexpr int32_t kSampleRate = 44100;
    static constexpr int32_t kBatchFrames = kBlockFrames * 64;
    // Samples gathered before a write, over all channels of a stream (2 MB).
    static constexpr int32_t kBatchSamples = kBatchFrames * 8;
    // More channels than any decoder takes: a damaged header.
    static constexpr int32_t kMaxStreamChannels = 512;
    // The most room made at first from a stated duration: five minutes.
    static constexpr int64_t kMaxInitialFrames = int64_t(kSampleRate) * 300;
    // Audio ending more than this before a stated duration is reported.
    static constexpr int64_t kShortfallFrames = kSampleRate / 2;

    explicit AudioChannelsGenerator(MediaEngine& engine) : engine_(engine) {}

    std::string audioPath;
    std::unique_ptr<AudioSampleData> sampleData;
    // Called about once a second of decoded audio with the share of the file's stated
    // length decoded so far (0..1), or -1 when the file states none.
    std::function<void(double fraction)> progress;
    // When set and raised, decoding stops at the next block and nothing is kept.
    const std::atomic<bool>* cancel = nullptr;

    // Decodes audioPath into a new sample data file at destination. The file is
    // written beside destination and renamed over it when complete (a device or a
    // FIFO is written in place); on failure destination stays as it was. A
    // destination that is audioPath itself is refused before anything is opened.
    Outcome<GeneratedAudio> generate(const std::string& destination);
    int32_t generateChannels(TSMedia& media);
    int32_t generateChannelsForStream(TSAudioStream& stream, int32_t start);

    static void fillAudio(float* destination, int32_t frames, int32_t channel, int32_t channels, const float* source);

private:
    MediaEngine& engine_;
    bool cancelled() const { return cancel && cancel->load(std::memory_order_relaxed); }

    bool writeFailed_ = false;
    double statedSeconds_ = 0.0;
    std::string problems_;  // streams left out, for the warning
};

// Converts mediaPath into a new "ImportAudio_%f.data" file in importFolder. A raised
// cancel stops the conversion with nothing written.
Outcome<GeneratedAudio> getNewPathFromOriginalMusicPath(MediaEngine& engine, const std::string& mediaPath,
                                                        const std::string& importFolder,
                                                        const std::atomic<bool>* cancel = nullptr,
                                                        std::function<void(double)> progress = nullptr);

// "ImportAudio_%f.data" with the seconds since 2001-01-01 UTC, unique within the process.
std::string newImportFileName();

}  // namespace wavomer
