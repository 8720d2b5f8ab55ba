#include "export/MusicConverter.h"

#include <algorithm>
#include <cmath>

#include "util/StandardPaths.h"
#include "export/MusicDataOutput.h"
#include "media/MediaEngine.h"

namespace wavomer {

namespace {

int64_t mediaTimeInSinglePrecision(float seconds) {
    const float base = static_cast<float>(ts_default_time_base());
    return static_cast<int64_t>(std::trunc(seconds * base));
}

}  // namespace

MusicConverter::MusicConverter(MediaWriterEngine& engine) : engine_(engine) { movieFormat = defaultFormat(); }

TSFFMovieFileOutputFormat MusicConverter::defaultFormat() const {
    TSFFMovieFileOutputFormat format{};
    format.channel_layout = engine_.channelLayoutByName("stereo");
    format.sample_rate = 44100;
    format.audio_bit_rate = 192000;
    return format;
}

Outcome<> MusicConverter::startConverterMusic(ConverterSampleSource& source, float leftTrimTime,
                                                  float rightTrimTime, float fadeInTime, float fadeOutTime,
                                                  const std::string& exportPath) {
    ExportSourceItem item;
    item.movie = &source;
    item.trimStart = mediaTimeInSinglePrecision(leftTrimTime);
    item.trimStop = mediaTimeInSinglePrecision(rightTrimTime);
    item.fadeIn = mediaTimeInSinglePrecision(fadeInTime);
    item.fadeOut = mediaTimeInSinglePrecision(fadeOutTime);
    return exportMovies({item}, exportPath);
}

bool MusicConverter::writeFrames(TSFFMovieFileOutput& writer, ConverterSampleSource& source, int64_t total,
                                 bool cutLastBlock) {
    const TSFFAudioFormat input = writer.audioInputFormat();
    const int32_t rate = input.sample_rate;
    const int32_t channels = engine_.channelLayoutChannels(input.channel_layout);
    std::vector<float> buffer(static_cast<size_t>(kBlockFrames) * std::max(channels, 1), 0.0f);
    int64_t done = 0;
    while (!isCancelled() && done < total) {
        const int32_t frames =
            cutLastBlock ? static_cast<int32_t>(std::min<int64_t>(kBlockFrames, total - done)) : kBlockFrames;
        source.readSample(buffer.data(), frames);
        if (!writer.writeAudioData(buffer.data(), frames)) return false;
        done += frames;
        convertingTime_.store(static_cast<double>(done) / rate, std::memory_order_relaxed);
        // The last whole block runs past the total; the fraction stops at 1.
        progress_.store(std::min(1.0, static_cast<double>(done) / std::max<int64_t>(total, 1)),
                        std::memory_order_relaxed);
    }
    return true;
}

Outcome<> MusicConverter::exportMovies(const std::vector<ExportSourceItem>& items, const std::string& path) {
    return exportToFile(path, [&](TSFFMovieFileOutput& writer) {
        for (const ExportSourceItem& item : items) {
            const TSFFAudioFormat input = writer.audioInputFormat();
            const int32_t rate = input.sample_rate;
            const int64_t total = static_cast<int64_t>(std::trunc(ts_ff_time_to_double(item.trimDuration()) * rate));
            if (!item.movie) continue;
            item.movie->configOutputFormat(input);
            item.movie->setCurrentTime(item.trimStart);
            if (!writeFrames(writer, *item.movie, total, false)) return false;
            const int64_t gapBlocks = static_cast<int64_t>(std::trunc(gap * rate)) / kBlockFrames;
            if (gapBlocks > 0) {
                const int32_t channels = engine_.channelLayoutChannels(input.channel_layout);
                std::vector<float> silence(static_cast<size_t>(kBlockFrames) * std::max(channels, 1), 0.0f);
                for (int64_t b = 0; b < gapBlocks && !isCancelled(); ++b)
                    if (!writer.writeAudioData(silence.data(), kBlockFrames)) return false;
            }
            item.movie->setCurrentTime(0);
        }
        return true;
    });
}

Outcome<> MusicConverter::convertFrameRange(ConverterSampleSource& source, int64_t startFrame,
                                                int64_t frameCount, const std::string& path) {
    return exportToFile(path, [&](TSFFMovieFileOutput& writer) {
        source.configOutputFormat(writer.audioInputFormat());
        source.setCurrentFrame(startFrame);
        const bool ok = writeFrames(writer, source, frameCount, true);
        source.setCurrentTime(0);
        return ok;
    });
}

Outcome<> MusicConverter::exportToFile(const std::string& path,
                                           const std::function<bool(TSFFMovieFileOutput&)>& dataAction) {
    FileManagerExtention::createDirectoryAtPathIfCan(FileManagerExtention::stringByDeletingLastPathComponent(path));
    progress_.store(0.0, std::memory_order_relaxed);
    convertingTime_.store(0.0, std::memory_order_relaxed);
    cancel_.store(false, std::memory_order_relaxed);

    std::unique_ptr<TSFFMovieFileOutput> writer = engine_.newMovieFileOutput();
    writer->setPath(path);
    writer->setMovieFormat(movieFormat);
    writer->setBeforePublish(beforePublish);
    writer->setChapters(chapters);
    if (supportMutilChannels) {
        TSFFAudioFormat input = writer->audioInputFormat();
        input.channel_layout = movieFormat.channel_layout;
        writer->setAudioInputFormat(input);
    }
    auto failed = [&]() -> Outcome<> {
        // The writer names the file itself ("PATH: reason"); the failure carries it apart.
        std::string said = writer->lastError();
        writer->abortOutput();
        const std::string named = path + ": ";
        if (said.rfind(named, 0) == 0) said.erase(0, named.size());
        return Failure::at(path, said.empty() ? "the file could not be written" : said);
    };
    if (!writer->openAudio() || !writer->isAudioOpen() || !writer->startOutput()) return failed();
    if (!dataAction(*writer)) return failed();
    if (isCancelled()) {
        writer->abortOutput();
        return Failure::cancel(path);
    }
    if (!writer->stopOutput()) return failed();
    return {};
}

bool MusicConverter::readMovie(const ExportSourceItem& item, float* sample, int32_t frame, int64_t hasRead,
                               int64_t total) {
    return item.movie->readSample(sample, frame);
}

}  // namespace wavomer
