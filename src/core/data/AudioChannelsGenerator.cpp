#include "data/AudioChannelsGenerator.h"

#include <sys/stat.h>
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
    halvesJoined_ = false;
    secondHalfProblems_.clear();
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
        problems = halvesJoined_ ? secondHalfProblems_ : movie->movie().decodeProblems();
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
    if (envelopesKept_) {
        if (envelopes_.size() < static_cast<size_t>(start + q)) envelopes_.resize(static_cast<size_t>(start + q));
        for (int32_t c = 0; c < q; ++c) envelopes_[static_cast<size_t>(start + c)] = WavePointBuilder();
    }

    // A decoding of the stream from a frame on, on a thread of its own (it alone
    // touches its movie until it is joined), handing chunks through its queue.
    struct Lane {
        TSFFMovie* movie = nullptr;
        TSAudioStream* stream = nullptr;
        int64_t from = 0;
        int64_t boundary = -1;  // no chunk reaches across it
        std::unique_ptr<DecodeQueue> queue;
        std::thread thread;
        bool open = false;
    };
    auto decodeLane = [this, q, chunkFrames](Lane& lane) {
        std::vector<float*> planes(static_cast<size_t>(q));
        int64_t at = lane.from;
        for (bool more = true; more;) {
            DecodeQueue::Chunk* chunk = lane.queue->acquire();
            if (!chunk) break;
            const int32_t frames = lane.boundary > at
                                       ? static_cast<int32_t>(std::min<int64_t>(chunkFrames, lane.boundary - at))
                                       : chunkFrames;
            more = decodeChunk(*lane.movie, *lane.stream, q, frames, chunkFrames, planes, *chunk);
            chunk->position = at;
            chunk->last = !more;
            // A damaged packet shifts all that follows it: halves cannot be joined after
            // one. Asked only of the chunk where the halves meet.
            chunk->clean = at != lane.boundary || lane.movie->decodeProblems().empty();
            at += chunk->frames;
            lane.queue->push(chunk);
        }
        lane.queue->close();
    };

    // A long stream of a format that can start anywhere exactly is decoded in two
    // halves at once: the second from a whole second near the middle, in a movie of
    // its own. The first goes on past that second, and the halves are joined only
    // where both give the same samples there and the first met no damage before it;
    // otherwise the second is dropped and the first decodes to the end, as when it is
    // alone. Either way the file is the one a single decoding writes.
    std::unique_ptr<VCMovie> secondMovie;
    Lane first, second;
    first.movie = &movie;
    first.stream = &stream;
    first.queue = std::make_unique<DecodeQueue>(pipelined ? kQueueSlots : 1, static_cast<size_t>(q) * chunkFrames);
    struct stat info {};
    if (pipelined && statedSeconds_ >= kMinHalvedSeconds && media.audios().size() == 1 && ::stat(audioPath.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
        movie.startAudioAt(stream, 0)) {  // at its start already: asks only whether it can
        // A whole second, for the envelope's points to fall the same either side of it.
        const int64_t half = static_cast<int64_t>(std::min(statedSeconds_, 1e7) / 2) * kSampleRate;
        const int32_t index = media.indexOfStream(&stream);
        auto opened = VCMovie::movieWithPath(engine_, audioPath);
        std::vector<TSMedia*> audios = opened ? (*opened)->movie().audios() : std::vector<TSMedia*>();
        std::vector<TSAudioStream*> streams = audios.empty() ? std::vector<TSAudioStream*>() : audios.back()->audios();
        if (index >= 0 && static_cast<size_t>(index) < streams.size() && streams[static_cast<size_t>(index)]->channels() == q) {
            TSAudioStream& other = *streams[static_cast<size_t>(index)];
            TSFFMovie& otherMovie = (*opened)->movie();
            otherMovie.setDisableVideo(true);
            otherMovie.setExportMovie(true);
            audios.back()->setSelectStreams({index});
            audios.back()->updateSelectStreams();
            other.setAudioResampleChannels(q);
            if (otherMovie.startAudioAt(other, half)) {
                secondMovie = std::move(*opened);
                second.movie = &otherMovie;
                second.stream = &other;
                second.from = half;
                second.queue = std::make_unique<DecodeQueue>(kQueueSlots, static_cast<size_t>(q) * chunkFrames);
                first.boundary = half;
            }
        }
    }
    // Where no thread is to be had, the stream is decoded here, chunk after chunk,
    // and in one piece.
    auto startLane = [&](Lane& lane) {
        try {
            lane.thread = std::thread(decodeLane, std::ref(lane));
            lane.open = true;
        } catch (const std::system_error&) {
        }
    };
    if (second.queue) startLane(second);
    if (!second.open) first.boundary = -1;
    if (pipelined) startLane(first);
    const bool threaded = first.open;
    if (!threaded && second.open) {
        second.queue->stop();
        second.open = false;
    }
    first.open = true;
    struct Joiner {
        Lane& first;
        Lane& second;
        ~Joiner() {
            for (Lane* lane : {&first, &second}) {
                if (lane->queue) lane->queue->stop();
                if (lane->thread.joinable()) lane->thread.join();
            }
        }
    } joiner{first, second};
    DecodeQueue::Chunk* inline_ = threaded ? nullptr : first.queue->acquire();
    std::vector<float*> inlinePlanes(threaded ? 0 : static_cast<size_t>(q));
    int64_t inlineAt = 0;
    bool inlineMore = true;
    auto next = [&](Lane& lane) -> DecodeQueue::Chunk* {
        if (threaded) return lane.queue->pop();
        if (!inlineMore) return nullptr;
        inlineMore = decodeChunk(movie, stream, q, chunkFrames, chunkFrames, inlinePlanes, *inline_);
        inline_->position = inlineAt;
        inline_->last = !inlineMore;
        inlineAt += inline_->frames;
        return inline_;
    };

    const int64_t lengthBefore = sampleData->framePerChannel();
    std::vector<WavePointBuilder> tail(second.open && envelopesKept_ ? static_cast<size_t>(q) : 0);
    auto builders = [&](const Lane& lane) -> WavePointBuilder* {
        if (!envelopesKept_) return nullptr;
        if (&lane == &second) return tail.empty() ? nullptr : tail.data();
        return envelopes_.data() + start;
    };
    int64_t written = 0;
    int64_t nextReport = kSampleRate;
    int64_t nextWriteBack = kWriteBackFrames;
    auto write = [&](const DecodeQueue::Chunk& chunk, WavePointBuilder* envelope) {
        const int32_t got = chunk.frames;
        if (got <= 0) return;
        const int64_t p = chunk.position;
        // The stream's last block is written whole, padded with silence.
        const int32_t n = chunk.last ? std::min((got + kBlockFrames - 1) / kBlockFrames * kBlockFrames, chunkFrames) : got;
        if (p + got > sampleData->reservedFramesPerChannel() && !sampleData->reserveFramesPerChannel(p + got, start + q)) {
            // Longer than the room made so far, and no more room could be made.
            writeFailed_ = true;
            return;
        }
        // Every stream's channels share one length: the longest stream's.
        if (p + got > sampleData->framePerChannel()) sampleData->setFramePerChannel(p + got);
        // The channel count is raised before anything is written, so that room made
        // while this stream is still decoding moves its finished blocks too.
        if (sampleData->channels() < start + q) sampleData->setChannels(start + q);
        for (int32_t c = 0; c < q; ++c) {
            const float* plane = chunk.samples.data() + static_cast<size_t>(c) * chunkFrames;
            sampleData->writeSample(plane, start + c, n, p);
            if (envelope) envelope[c].feed(plane, n);
        }
        if (sampleData->hasWriteError()) writeFailed_ = true;
        written += got;
        // Every few seconds of audio the disk is set to work on what was written, while
        // decoding goes on, so that the flush of the finished file has little left to do.
        if (written >= nextWriteBack) {
            sampleData->startWriteBack();
            nextWriteBack += kWriteBackFrames;
        }
        if (progress && written >= nextReport) {
            const double decoded = static_cast<double>(written) / kSampleRate;
            progress(statedSeconds_ > 0.0 ? std::min(decoded / statedSeconds_, 1.0) : -1.0);
            nextReport += kSampleRate;
        }
        if (envelopesKept_) {
            // Points a second per channel: the envelope's memory grows with the length.
            const int64_t seconds = sampleData->framePerChannel() / kSampleRate + 1;
            if (int64_t(start + q) * 4 * AudioSampleData::kDefaultWavePointsPerSecond * seconds > kMaxEnvelopeBytes) {
                envelopesKept_ = false;
                std::vector<WavePointBuilder>().swap(envelopes_);
                tail.clear();
            }
        }
    };

    // Until the halves are joined or the second dropped, a copy of the second's first
    // chunk is kept, and the first's chunk at the second's start held, to be compared.
    bool decided = !second.open;
    bool joined = false;
    std::unique_ptr<DecodeQueue::Chunk> secondsFirst;
    DecodeQueue::Chunk* firstsAtHalf = nullptr;
    int64_t firstEnd = 0;     // where what the first half wrote ends
    int64_t secondReach = 0;  // how far the second half may have written
    auto dropSecond = [&]() {
        second.queue->stop();
        second.open = false;
        secondsFirst.reset();
        tail.clear();
        // What the second half wrote is written over by the first, or lies past the end.
        sampleData->setFramePerChannel(std::max(lengthBefore, firstEnd));
        decided = true;
    };
    auto decide = [&]() {
        if (!secondsFirst || !firstsAtHalf) return;
        bool same = firstsAtHalf->clean && firstsAtHalf->frames == secondsFirst->frames &&
                    firstsAtHalf->last == secondsFirst->last;
        for (int32_t c = 0; c < q && same; ++c) {
            const size_t at = static_cast<size_t>(c) * chunkFrames;
            same = std::memcmp(firstsAtHalf->samples.data() + at, secondsFirst->samples.data() + at,
                               sizeof(float) * static_cast<size_t>(firstsAtHalf->frames)) == 0;
        }
        DecodeQueue::Chunk* atHalf = firstsAtHalf;
        firstsAtHalf = nullptr;
        if (same) {
            secondsFirst.reset();
            first.queue->release(atHalf);
            first.queue->stop();
            first.open = false;
            joined = decided = true;
        } else {
            dropSecond();
            write(*atHalf, builders(first));
            firstEnd = atHalf->position + atHalf->frames;
            first.queue->release(atHalf);
        }
    };

    // Both halves are taken in turns, the other's ready chunk first where the one whose
    // turn it is has none, so that neither decoding waits on the writing while there is
    // work at hand; the second's first chunk is needed as soon as the first reaches it.
    auto take = [&](bool turn, Lane*& from) -> DecodeQueue::Chunk* {
        if (!first.open || !second.open || firstsAtHalf) {
            from = second.open ? &second : &first;
            return next(*from);
        }
        Lane* order[2] = {turn ? &second : &first, turn ? &first : &second};
        for (Lane* lane : order) {
            if (DecodeQueue::Chunk* chunk = lane->queue->tryPop()) {
                from = lane;
                return chunk;
            }
        }
        from = order[0];
        return next(*from);
    };
    for (bool turn = false; first.open || second.open; turn = !turn) {
        if (cancelled()) return q;
        Lane* from = nullptr;
        DecodeQueue::Chunk* chunk = take(turn, from);
        Lane& lane = *from;
        if (!chunk) {
            // A second half may end before the first reaches it (the stream ends in
            // the chunk where they meet); without its first chunk, it is dropped.
            lane.open = false;
            if (!decided && (&lane == &first || !secondsFirst)) dropSecond();
            continue;
        }
        if (&lane == &second) {
            const bool firstOfIt = !decided && !secondsFirst;
            if (firstOfIt) secondsFirst = std::make_unique<DecodeQueue::Chunk>(*chunk);
            write(*chunk, builders(second));
            secondReach = std::max(secondReach, chunk->position + chunkFrames);
            second.queue->release(chunk);
            if (firstOfIt) decide();
        } else if (!decided && chunk->position >= second.from) {
            firstsAtHalf = chunk;
            decide();
        } else {
            // The first half ending before the second's start: the stream is shorter
            // than it states, and the second has nothing to add.
            if (!decided && chunk->last) dropSecond();
            write(*chunk, builders(first));
            firstEnd = chunk->position + chunk->frames;
            if (threaded) first.queue->release(chunk);
        }
        if (writeFailed_) break;
    }
    if (!joined && secondReach > sampleData->framePerChannel() && !writeFailed_) {
        // A dropped second half that ran past the end (the first lost frames to damage)
        // left samples there: the planes hold silence past the end, as after one decoding.
        const std::vector<float> silence(static_cast<size_t>(chunkFrames), 0.0f);
        for (int32_t c = 0; c < q; ++c)
            for (int64_t p = sampleData->framePerChannel(); p < secondReach; p += chunkFrames)
                sampleData->writeSample(silence.data(), start + c, static_cast<int32_t>(std::min<int64_t>(chunkFrames, secondReach - p)), p);
        if (sampleData->hasWriteError()) writeFailed_ = true;
    }
    if (joined && !writeFailed_) {
        // The first half met nothing before the join; what the second met is the file's.
        second.queue->stop();
        second.thread.join();
        secondHalfProblems_ = second.movie->decodeProblems();
        halvesJoined_ = true;
    }
    if (joined && envelopesKept_ && !tail.empty()) {
        for (int32_t c = 0; c < q; ++c) {
            WavePointBuilder& whole = envelopes_[static_cast<size_t>(start + c)];
            // Where the halves' envelopes do not fit together, it is read back from the planes.
            if (!whole.append(std::move(tail[static_cast<size_t>(c)]))) whole = WavePointBuilder();
        }
    }
    return q;
}

bool AudioChannelsGenerator::decodeChunk(TSFFMovie& movie, TSAudioStream& stream, int32_t channels, int32_t frames,
                                         int32_t planeFrames, std::vector<float*>& planes,
                                         DecodeQueue::Chunk& chunk) const {
    chunk.frames = 0;
    chunk.clean = true;
    if (cancelled()) return false;
    for (int32_t c = 0; c < channels; ++c)
        planes[static_cast<size_t>(c)] = chunk.samples.data() + static_cast<size_t>(c) * planeFrames;
    const int32_t got = std::clamp(movie.readAudioPlanes(stream, planes.data(), frames), 0, frames);
    // Blocks are written whole: what the decoder did not fill of the last is silence.
    const int32_t whole = std::min((got + kBlockFrames - 1) / kBlockFrames * kBlockFrames, planeFrames);
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
