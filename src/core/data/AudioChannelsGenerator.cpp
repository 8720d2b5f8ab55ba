#include "data/AudioChannelsGenerator.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "data/VCMovie.h"
#include "util/OutputFile.h"

namespace wavomer {

Outcome<GeneratedAudio> AudioChannelsGenerator::generate(const std::string& destination) {
    writeFailed_ = false;
    problems_.clear();
    envelopes_.clear();
    envelopesKept_ = true;
    // Written beside the destination and renamed over it only when complete, so
    // a failed conversion leaves whatever stood there; never onto the media itself.
    OutputFile output;
    if (Outcome<> placed = output.prepare(destination, {audioPath}); !placed) return placed.failure();
    sampleData = AudioSampleData::dataForWritingAtPath(output.writePath());
    if (!sampleData) return Failure::system(destination, "cannot create the file", errno);
    auto opened = VCMovie::movieWithPath(engine_, audioPath);
    VCMovie* movie = opened ? opened->get() : nullptr;
    double seconds = movie ? ts_ff_time_to_double(movie->movie().duration()) : 0.0;
    // The stated duration only sizes the first room for the planes; the file ends
    // up exactly as long as the audio that decodes. Headers lie (a damaged one may
    // claim days), so the guess is held to an hour.
    statedSeconds_ = std::isfinite(seconds) && seconds > 0 ? seconds : 0.0;
    const int64_t stated =
        std::isfinite(seconds) && seconds > 0 ? static_cast<int64_t>(std::min(seconds, 1e9) * kSampleRate) : 0;
    sampleData->setFramePerChannel(0);
    sampleData->reserveFramesPerChannel(std::min(stated, kMaxInitialFrames), 0);
    sampleData->setFramePerChannel(0);
    std::string problems;
    if (movie) {
        movie->movie().setDisableVideo(true);
        movie->movie().setExportMovie(true);
        auto audios = movie->movie().audios();
        if (!audios.empty()) generateChannels(*audios.back());
        problems = movie->movie().decodeProblems();
        if (!problems_.empty()) problems += (problems.empty() ? "" : "; ") + problems_;
        const int64_t decoded = sampleData->framePerChannel();
        const double audioSeconds = ts_ff_time_to_double(movie->movie().statedAudioDuration());
        if (decoded > 0 && std::isfinite(audioSeconds) &&
            audioSeconds * kSampleRate - static_cast<double>(decoded) > kShortfallFrames) {
            char text[160];
            std::snprintf(text, sizeof text, "the audio ends at %.2f s of the %.2f s the file states",
                          static_cast<double>(decoded) / kSampleRate, audioSeconds);
            problems += (problems.empty() ? "" : "; ") + std::string(text);
        }
    }
    if (movie && !cancelled() && !writeFailed_) handOverEnvelopes();
    GeneratedAudio result;
    result.path = destination;
    result.channels = sampleData->channels();
    result.frames = sampleData->framePerChannel();
    result.duration = sampleData->duration();
    bool written = sampleData->closeData();
    std::string writeError = sampleData->writeErrorText();
    sampleData.reset();

    if (!movie) return opened.failure();
    if (cancelled()) return Failure::cancel(audioPath);
    if (!written || writeFailed_)
        return Failure::at(destination, "cannot write the file" + (writeError.empty() ? "" : ": " + writeError));
    if (result.channels == 0)
        return Failure::at(audioPath, "the file holds no audio" + (problems.empty() ? "" : ": " + problems));
    if (result.frames == 0) return Failure::at(audioPath, problems.empty() ? "no audio could be decoded" : problems);
    result.warning = problems;
    if (Outcome<> committed = output.commit(); !committed) {
        Failure failure = committed.failure();
        failure.reason = "cannot write the file";
        return failure;
    }
    return result;
}

int32_t AudioChannelsGenerator::generateChannels(TSMedia& media) {
    for (TSAudioStream* stream : media.audios()) {
        int32_t start = sampleData->channels();
        int32_t n = generateChannelsForStream(*stream, start);
        sampleData->setChannels(start + n);
        if (writeFailed_ || cancelled()) break;
    }
    return sampleData->channels();
}

int32_t AudioChannelsGenerator::generateChannelsForStream(TSAudioStream& stream, int32_t start) {
    TSMedia& media = stream.media();
    media.setSelectStreams({media.indexOfStream(&stream)});
    media.updateSelectStreams();
    const int32_t q = stream.channels();
    if (q <= 0) return 0;
    if (q > kMaxStreamChannels) {
        // A damaged header's channel count: no decoder takes it, and buffers for it
        // would be gigabytes.
        if (problems_.empty()) problems_ = "a stream claiming " + std::to_string(q) + " channels was left out";
        return 0;
    }
    stream.setAudioResampleChannels(q);
    TSFFMovie& movie = media.movie();
    movie.setCurrentTime(0);
    movie.flushOperation();

    // Chunks come as planes, whole blocks of them, and each plane is written from the
    // chunk as it stands: the same bytes at the same places as block by block.
    const int32_t chunkBlocks = static_cast<int32_t>(
        std::clamp<int64_t>(kQueueSamples / (int64_t(kQueueSlots) * q * kBlockFrames), 1, kChunkBlocks));
    const int32_t chunkFrames = chunkBlocks * kBlockFrames;
    DecodeQueue queue(pipelined ? kQueueSlots : 1, static_cast<size_t>(q) * chunkFrames);
    if (envelopesKept_) {
        if (envelopes_.size() < static_cast<size_t>(start + q)) envelopes_.resize(static_cast<size_t>(start + q));
        for (int32_t c = 0; c < q; ++c) envelopes_[static_cast<size_t>(start + c)] = WavePointBuilder();
    }

    // The decoding thread: it alone touches the movie until it is joined.
    std::thread decoder;
    if (pipelined) {
        try {
            decoder = std::thread([&] {
                std::vector<float*> planes(static_cast<size_t>(q));
                for (bool more = true; more;) {
                    DecodeQueue::Chunk* chunk = queue.acquire();
                    if (!chunk) break;
                    more = decodeChunk(movie, stream, q, chunkFrames, planes, *chunk);
                    queue.push(chunk);
                }
                queue.close();
            });
        } catch (const std::system_error&) {
            // No thread to be had: decode here, chunk after chunk.
        }
    }
    const bool threaded = decoder.joinable();
    struct Joiner {
        DecodeQueue& queue;
        std::thread& thread;
        ~Joiner() {
            queue.stop();
            if (thread.joinable()) thread.join();
        }
    } joiner{queue, decoder};
    DecodeQueue::Chunk* inline_ = threaded ? nullptr : queue.acquire();
    std::vector<float*> inlinePlanes(threaded ? 0 : static_cast<size_t>(q));
    bool inlineMore = true;
    auto next = [&]() -> DecodeQueue::Chunk* {
        if (threaded) return queue.pop();
        if (!inlineMore) return nullptr;
        inlineMore = decodeChunk(movie, stream, q, chunkFrames, inlinePlanes, *inline_);
        return inline_;
    };

    int64_t nextReport = kSampleRate;
    int64_t p = 0;
    for (bool ended = false; !ended;) {
        if (cancelled()) return q;
        DecodeQueue::Chunk* chunk = next();
        if (!chunk) break;
        const int32_t got = chunk->frames;
        // A short chunk is the stream's last; its last block is padded with silence.
        ended = got < chunkFrames;
        const int32_t whole = (got + kBlockFrames - 1) / kBlockFrames * kBlockFrames;
        if (got > 0) {
            if (p + got > sampleData->reservedFramesPerChannel() &&
                !sampleData->reserveFramesPerChannel(p + got, start + q)) {
                // Longer than the room made so far, and no more room could be made.
                writeFailed_ = true;
                break;
            }
            // Every stream's channels share one length: the longest stream's.
            if (p + got > sampleData->framePerChannel()) sampleData->setFramePerChannel(p + got);
            // The channel count is raised before anything is written, so that room made
            // while this stream is still decoding moves its finished blocks too.
            if (sampleData->channels() < start + q) sampleData->setChannels(start + q);
            for (int32_t c = 0; c < q; ++c) {
                const float* plane = chunk->samples.data() + static_cast<size_t>(c) * chunkFrames;
                sampleData->writeSample(plane, start + c, whole, p);
                if (envelopesKept_) envelopes_[static_cast<size_t>(start + c)].feed(plane, whole);
            }
            if (sampleData->hasWriteError()) writeFailed_ = true;
            // Every few seconds of audio the disk is set to work on what was written, while
            // decoding goes on, so that the flush of the finished file has little left to do.
            if ((p + whole) / kWriteBackFrames != p / kWriteBackFrames) sampleData->startWriteBack();
            if (progress && p >= nextReport) {
                const double decoded = static_cast<double>(p) / kSampleRate;
                progress(statedSeconds_ > 0.0 ? std::min(decoded / statedSeconds_, 1.0) : -1.0);
                nextReport += kSampleRate;
            }
            p += whole;
            if (envelopesKept_) {
                // Points a second per channel: the envelope's memory grows with the length.
                const int64_t bytes =
                    int64_t(start + q) * 4 * AudioSampleData::kDefaultWavePointsPerSecond * (p / kSampleRate + 1);
                if (bytes > kMaxEnvelopeBytes) {
                    envelopesKept_ = false;
                    std::vector<WavePointBuilder>().swap(envelopes_);
                }
            }
        }
        if (threaded) queue.release(chunk);
        if (writeFailed_) break;
    }
    return q;
}

bool AudioChannelsGenerator::decodeChunk(TSFFMovie& movie, TSAudioStream& stream, int32_t channels, int32_t frames,
                                         std::vector<float*>& planes, DecodeQueue::Chunk& chunk) const {
    chunk.frames = 0;
    if (cancelled()) return false;
    for (int32_t c = 0; c < channels; ++c)
        planes[static_cast<size_t>(c)] = chunk.samples.data() + static_cast<size_t>(c) * frames;
    const int32_t got = std::clamp(movie.readAudioPlanes(stream, planes.data(), frames), 0, frames);
    // Blocks are written whole: what the decoder did not fill of the last is silence.
    const int32_t whole = std::min((got + kBlockFrames - 1) / kBlockFrames * kBlockFrames, frames);
    for (float* plane : planes) std::fill(plane + got, plane + whole, 0.0f);
    chunk.frames = got;
    return got == frames;
}

void AudioChannelsGenerator::handOverEnvelopes() {
    if (!envelopesKept_ || !sampleData) return;
    const int64_t frames = sampleData->framePerChannel();
    const size_t channels = std::min(envelopes_.size(), static_cast<size_t>(std::max(sampleData->channels(), 0)));
    for (size_t c = 0; c < channels; ++c) {
        // Only a plane written from its start to the end: past a shorter stream's last
        // block the file holds what moving the planes left there, read back as before.
        WavePointBuilder& builder = envelopes_[c];
        if (builder.fed() < frames) continue;
        sampleData->setWrittenEnvelope(static_cast<int32_t>(c), builder.finish(frames));
    }
    std::vector<WavePointBuilder>().swap(envelopes_);
}

std::string newImportFileName() {
    // Seconds since 2001-01-01 00:00:00 UTC, printed with six decimals; two
    // conversions in the same microsecond still get different names.
    static std::mutex lock;
    static int64_t lastMicros = 0;
    constexpr int64_t kReferenceDateUnixSeconds = 978307200;
    auto now = std::chrono::system_clock::now().time_since_epoch();
    int64_t micros = std::chrono::duration_cast<std::chrono::microseconds>(now).count() -
                     kReferenceDateUnixSeconds * 1000000;
    {
        std::lock_guard<std::mutex> guard(lock);
        if (micros <= lastMicros) micros = lastMicros + 1;
        lastMicros = micros;
    }
    char name[96];
    std::snprintf(name, sizeof name, "ImportAudio_%f.data", static_cast<double>(micros) / 1e6);
    return name;
}

Outcome<GeneratedAudio> getNewPathFromOriginalMusicPath(MediaEngine& engine, const std::string& mediaPath,
                                                        const std::string& importFolder,
                                                        const std::atomic<bool>* cancel,
                                                        std::function<void(double)> progress) {
    std::string path;
    for (int attempt = 0; attempt < 1000; ++attempt) {
        path = importFolder + "/" + newImportFileName();
        if (::access(path.c_str(), F_OK) != 0) break;
    }
    AudioChannelsGenerator generator(engine);
    generator.audioPath = mediaPath;
    generator.cancel = cancel;
    generator.progress = std::move(progress);
    return generator.generate(path);
}

}  // namespace wavomer
