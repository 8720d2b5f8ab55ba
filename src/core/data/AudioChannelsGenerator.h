// AudioChannelsGenerator: decodes every audio stream of a media file into one new
// sample data file, the streams' channels one after another (a stereo stream and a
// mono stream give three channels), in blocks of 1024 frames at 44100 Hz.
//
// Threads: made for one conversion on the import thread and dropped after it. While a
// stream converts, its decoding runs on a thread of its own that hands chunks of
// planes (under a second of audio in all, through a DecodeQueue) to the calling
// thread, which writes them and makes the envelope; a long lossless stream has a
// second decoding thread, with a movie of its own, for its second half. Progress is
// called and cancel read on the calling thread too.
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

#include <vector>

#include "data/AudioSampleData.h"
#include "data/DecodeQueue.h"
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
    // Frames per channel between two starts of the writing back to the disk.
    static constexpr int64_t kWriteBackFrames = int64_t(kBlockFrames) * 256;
    // More channels than any decoder takes: a damaged header.
    static constexpr int32_t kMaxStreamChannels = 512;
    // The most room made at first from a stated duration: an hour. Room not filled
    // costs nothing on disk until the file is closed, and a stated length that is
    // right (most are) then moves no plane at all.
    static constexpr int64_t kMaxInitialFrames = int64_t(kSampleRate) * 3600;
    // Audio ending more than this before a stated duration is reported.
    static constexpr int64_t kShortfallFrames = kSampleRate / 2;
    // The hand-over from the decoding thread: chunks of up to kChunkBlocks blocks,
    // kQueueSlots of them (4 x 8192 frames: 0.74 s), fewer blocks a chunk when many
    // channels would make the chunks together hold more than kQueueSamples.
    static constexpr int32_t kChunkBlocks = 8;
    static constexpr int32_t kQueueSlots = 4;
    static constexpr int64_t kQueueSamples = int64_t(1) << 20;
    // The envelope is made while writing while it takes no more than this; past it
    // (many channels or many hours) it is read back from the planes at the end.
    static constexpr int64_t kMaxEnvelopeBytes = int64_t(16) << 20;
    // Streams stated this long or longer are decoded in two halves at once where their
    // format can start anywhere exactly.
    static constexpr double kMinHalvedSeconds = 60.0;

    explicit AudioChannelsGenerator(MediaEngine& engine) : engine_(engine) {}

    std::string audioPath;
    std::unique_ptr<AudioSampleData> sampleData;
    // Called about once a second of decoded audio with the share of the file's stated
    // length decoded so far (0..1), or -1 when the file states none.
    std::function<void(double fraction)> progress;
    // When set and raised, decoding stops at the next block and nothing is kept.
    const std::atomic<bool>* cancel = nullptr;
    // False decodes on the calling thread too, one chunk after the other (the same
    // file, byte for byte): for comparison, and where no thread can be started.
    bool pipelined = true;

    // Decodes audioPath into a new sample data file at destination. The file is
    // written beside destination and renamed over it when complete (a device or a
    // FIFO is written in place); on failure destination stays as it was. A
    // destination that is audioPath itself is refused before anything is opened.
    Outcome<GeneratedAudio> generate(const std::string& destination);
    // Whether the last conversion decoded its stream in two halves at once.
    bool decodedInHalves() const { return halvesJoined_; }
    int32_t generateChannels(TSMedia& media);
    int32_t generateChannelsForStream(TSAudioStream& stream, int32_t start);

private:
    MediaEngine& engine_;
    bool cancelled() const { return cancel && cancel->load(std::memory_order_relaxed); }

    // Fills frames of each of a chunk's planes (planeFrames apart) with the stream,
    // zeros after the last frame to the end of its block; false once the stream has
    // ended (the chunk may still hold its last frames). planes is the decoder's own.
    bool decodeChunk(TSFFMovie& movie, TSAudioStream& stream, int32_t channels, int32_t frames, int32_t planeFrames,
                     std::vector<float*>& planes, DecodeQueue::Chunk& chunk) const;
    // Hands the envelopes made while writing to the file (the channels whose planes
    // were fed whole) before it is closed.
    void handOverEnvelopes();

    bool writeFailed_ = false;
    // A stream decoded in two halves reports what its second half's decoding met.
    bool halvesJoined_ = false;
    std::string secondHalfProblems_;
    double statedSeconds_ = 0.0;
    std::string problems_;  // streams left out, for the warning
    // Per channel: its envelope made while writing; dropped past kMaxEnvelopeBytes.
    std::vector<WavePointBuilder> envelopes_;
    bool envelopesKept_ = true;
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
