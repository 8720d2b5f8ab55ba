#include "data/AudioChannelsGenerator.h"

#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <vector>

#include "data/VCMovie.h"
#include "util/OutputFile.h"

namespace wavomer {

GenerateResult AudioChannelsGenerator::generate(const std::string& destination) {
    GenerateResult result;
    writeFailed_ = false;
    // Written beside the destination and renamed over it only when complete, so
    // a failed conversion leaves whatever stood there; never onto the media itself.
    OutputFile output;
    std::string placeError;
    if (!output.prepare(destination, {audioPath}, &placeError)) {
        result.failedPath = destination;
        result.error = placeError;
        return result;
    }
    sampleData = AudioSampleData::dataForWritingAtPath(output.writePath());
    if (!sampleData) {
        result.failedPath = destination;
        result.error = std::string("cannot create the file: ") + std::strerror(errno);
        return result;
    }
    std::string reason;
    auto movie = VCMovie::movieWithPath(engine_, audioPath, &reason);
    double seconds = movie ? ts_ff_time_to_double(movie->movie().duration()) : 0.0;
    int64_t frames = std::isfinite(seconds) && seconds > 0 ? static_cast<int64_t>(std::trunc(seconds * kSampleRate)) : 0;
    sampleData->setFramePerChannel(frames);
    std::string problems;
    if (movie) {
        movie->movie().setDisableVideo(true);
        movie->movie().setExportMovie(true);
        auto audios = movie->movie().audios();
        if (!audios.empty()) generateChannels(*audios.back());
        problems = movie->movie().decodeProblems();
    }
    result.channels = sampleData->channels();
    result.frames = sampleData->framePerChannel();
    result.duration = sampleData->duration();
    bool written = sampleData->closeData();
    std::string writeError = sampleData->writeErrorText();
    sampleData.reset();

    if (!movie) result.error = reason;
    else if (!written || writeFailed_) {
        result.failedPath = destination;
        result.error = "cannot write the file" + (writeError.empty() ? "" : ": " + writeError);
    }
    else if (result.channels == 0) result.error = "the file holds no audio";
    else if (result.frames == 0) result.error = problems.empty() ? "no audio could be decoded" : problems;
    else {
        result.ok = true;
        result.warning = problems;
    }
    if (result.ok && !output.commit(&placeError)) {
        result.ok = false;
        result.failedPath = destination;
        result.error = "cannot write the file: " + placeError;
    }
    return result;
}

int32_t AudioChannelsGenerator::generateChannels(TSMedia& media) {
    for (TSAudioStream* stream : media.audios()) {
        int32_t start = sampleData->channels();
        int32_t n = generateChannelsForStream(*stream, start);
        sampleData->setChannels(start + n);
        if (writeFailed_) break;
    }
    return sampleData->channels();
}

int32_t AudioChannelsGenerator::generateChannelsForStream(TSAudioStream& stream, int32_t start) {
    TSMedia& media = stream.media();
    media.setSelectStreams({media.indexOfStream(&stream)});
    media.updateSelectStreams();
    const int32_t q = stream.channels();
    if (q <= 0) return 0;
    stream.setAudioResampleChannels(q);
    TSFFMovie& movie = media.movie();
    movie.setCurrentTime(0);
    movie.flushOperation();

    std::vector<float> interleaved(static_cast<size_t>(q) * kBlockFrames);
    // Decoded blocks are gathered per channel and written a batch at a time: the
    // same bytes at the same places as block by block, with far fewer writes.
    std::vector<float> planes(static_cast<size_t>(q) * kBatchFrames);
    int64_t batchStart = 0;
    int64_t batchFrames = 0;
    auto flush = [&]() {
        for (int32_t c = 0; c < q && batchFrames > 0; ++c)
            sampleData->writeSample(planes.data() + static_cast<size_t>(c) * kBatchFrames, start + c,
                                    static_cast<int32_t>(batchFrames), batchStart);
        batchStart += batchFrames;
        batchFrames = 0;
        if (sampleData->hasWriteError()) writeFailed_ = true;
    };
    bool ended = false;
    int64_t nextReport = kSampleRate * 10;
    for (int64_t p = 0;; p += kBlockFrames) {
        int64_t stated = sampleData->framePerChannel();
        if (p >= stated && ended) break;
        std::fill(interleaved.begin(), interleaved.end(), 0.0f);
        int32_t got = ended ? 0 : movie.readAudioStream(stream, interleaved.data(), kBlockFrames);
        if (got < kBlockFrames) ended = true;
        if (p + got > stated) {
            // The stream runs on past the stated length: make room and keep it all.
            flush();
            if (writeFailed_ || !sampleData->reserveFramesPerChannel(p + got, start + q)) {
                writeFailed_ = true;
                break;
            }
        } else if (p >= stated) {
            break;
        }
        // The channel count is raised before anything is written, so that room made
        // while this stream is still decoding moves its finished blocks too.
        if (sampleData->channels() < start + q) sampleData->setChannels(start + q);
        for (int32_t c = 0; c < q; ++c)
            fillAudio(planes.data() + static_cast<size_t>(c) * kBatchFrames + batchFrames, kBlockFrames, c, q,
                      interleaved.data());
        batchFrames += kBlockFrames;
        if (batchFrames == kBatchFrames) flush();
        if (writeFailed_) break;
        if (progress && p >= nextReport) {
            progress(static_cast<double>(p) / kSampleRate);
            nextReport += kSampleRate * 10;
        }
    }
    if (!writeFailed_) flush();
    return q;
}

void AudioChannelsGenerator::fillAudio(float* destination, int32_t frames, int32_t channel, int32_t channels,
                                       const float* source) {
    for (int32_t i = 0; i < frames; ++i) destination[i] = source[channel + channels * i];
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

std::string getNewPathFromOriginalMusicPath(MediaEngine& engine, const std::string& mediaPath,
                                            const std::string& importFolder, GenerateResult* result) {
    std::string path;
    for (int attempt = 0; attempt < 1000; ++attempt) {
        path = importFolder + "/" + newImportFileName();
        if (::access(path.c_str(), F_OK) != 0) break;
    }
    AudioChannelsGenerator generator(engine);
    generator.audioPath = mediaPath;
    GenerateResult r = generator.generate(path);
    if (result) *result = r;
    return path;
}

}  // namespace wavomer
