#include "FFmpegMediaEngine.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include <algorithm>
#include <cerrno>
#include <optional>
#include <cstring>
#include <vector>

namespace wavomer {

namespace {

constexpr int kOutputRate = 44100;
// A file that keeps failing to decode is given up on after this many damaged
// packets in a row, so a corrupt file can never keep the import busy forever.
constexpr int kMaxConsecutiveErrors = 1000;

struct FormatCloser {
    void operator()(AVFormatContext* f) const { avformat_close_input(&f); }
};
using FormatPtr = std::unique_ptr<AVFormatContext, FormatCloser>;

// What a failure to open or probe a file tells the user: FFmpeg's words for a file it
// recognised no format in ("Invalid data found when processing input", "End of file",
// "Invalid argument") all mean the file is not audio; anything else (a missing file, no
// permission) keeps the system's words.
std::string openingErrorText(int rc) {
    if (rc == AVERROR_INVALIDDATA || rc == AVERROR_EOF || rc == AVERROR(EINVAL)) return "not an audio file";
    return ffmpegErrorText(rc);
}

FormatPtr openFormat(const std::string& path, std::string* error) {
    AVFormatContext* raw = nullptr;
    int rc = avformat_open_input(&raw, path.c_str(), nullptr, nullptr);
    if (rc < 0) {
        if (error) *error = openingErrorText(rc);
        return nullptr;
    }
    FormatPtr format(raw);
    rc = avformat_find_stream_info(format.get(), nullptr);
    if (rc < 0) {
        if (error) *error = openingErrorText(rc);
        return nullptr;
    }
    return format;
}

// The format FFmpeg found in a file without an audio stream, as its long name.
std::optional<std::string> formatWithoutAudio(const AVFormatContext& format) {
    for (unsigned i = 0; i < format.nb_streams; ++i)
        if (format.streams[i]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO) return std::nullopt;
    const AVInputFormat* found = format.iformat;
    return std::string(found && found->long_name ? found->long_name : found && found->name ? found->name : "media");
}

bool isEncrypted(const AVStream* stream) {
    size_t size = 0;
    if (av_stream_get_side_data(stream, AV_PKT_DATA_ENCRYPTION_INIT_INFO, &size)) return true;
    if (av_stream_get_side_data(stream, AV_PKT_DATA_ENCRYPTION_INFO, &size)) return true;
    uint32_t tag = stream->codecpar->codec_tag;
    return tag == MKTAG('d', 'r', 'm', 's') || tag == MKTAG('d', 'r', 'm', 'i') || tag == MKTAG('e', 'n', 'c', 'a') ||
           tag == MKTAG('e', 'n', 'c', 'v');
}

class FFMovie;

class FFAudioStream : public TSAudioStream {
public:
    FFAudioStream(TSMedia& media, int formatIndex, int channels)
        : media_(media), formatIndex_(formatIndex), channels_(channels), resampleChannels_(channels) {}
    TSMedia& media() override { return media_; }
    int32_t channels() const override { return channels_; }
    void setAudioResampleChannels(int32_t channels) override { resampleChannels_ = channels; }
    int formatIndex() const { return formatIndex_; }
    int32_t resampleChannels() const { return resampleChannels_; }

private:
    TSMedia& media_;
    int formatIndex_;
    int32_t channels_;
    int32_t resampleChannels_;
};

class FFMedia : public TSMedia {
public:
    explicit FFMedia(FFMovie& movie) : movie_(movie) {}
    std::vector<TSAudioStream*> audios() override;
    int32_t indexOfStream(const TSAudioStream* stream) const override {
        for (size_t i = 0; i < streams_.size(); ++i)
            if (streams_[i].get() == stream) return static_cast<int32_t>(i);
        return -1;
    }
    void setSelectStreams(const std::set<int32_t>& indexes) override { pending_ = indexes; }
    void updateSelectStreams() override;
    TSFFMovie& movie() override;

    void addStream(int formatIndex, int channels, bool audio) {
        streams_.push_back(std::make_unique<FFAudioStream>(*this, formatIndex, channels));
        isAudio_ = audio;
    }
    bool empty() const { return streams_.empty(); }
    FFAudioStream* selected() const {
        if (selected_.empty()) return nullptr;
        int32_t index = *selected_.begin();
        return index >= 0 && index < static_cast<int32_t>(streams_.size()) ? streams_[index].get() : nullptr;
    }
    const std::vector<std::unique_ptr<FFAudioStream>>& streams() const { return streams_; }

private:
    FFMovie& movie_;
    std::vector<std::unique_ptr<FFAudioStream>> streams_;
    std::set<int32_t> pending_;
    std::set<int32_t> selected_;
    bool isAudio_ = true;
};

class FFMovie : public TSFFMovie {
public:
    FFMovie(AVFormatContext* format, std::string path) : format_(format), path_(std::move(path)), audio_(*this), video_(*this) {
        for (unsigned i = 0; i < format_->nb_streams; ++i) {
            AVStream* st = format_->streams[i];
            AVCodecParameters* par = st->codecpar;
            if (par->codec_type == AVMEDIA_TYPE_AUDIO && par->codec_id != AV_CODEC_ID_NONE &&
                avcodec_find_decoder(par->codec_id))
                audio_.addStream(static_cast<int>(i), par->ch_layout.nb_channels, true);
            else if (par->codec_type == AVMEDIA_TYPE_VIDEO && !(st->disposition & AV_DISPOSITION_ATTACHED_PIC))
                video_.addStream(static_cast<int>(i), 0, false);
        }
        frame_ = av_frame_alloc();
        packet_ = av_packet_alloc();
    }
    ~FFMovie() override {
        closeDecoder();
        av_frame_free(&frame_);
        av_packet_free(&packet_);
        swr_free(&swr_);
        if (reopened_) avformat_close_input(&format_);
    }

    std::vector<TSMedia*> audios() override {
        if (audio_.empty()) return {};
        return {&audio_};
    }
    std::vector<TSMedia*> videos() override {
        if (video_.empty()) return {};
        return {&video_};
    }
    int64_t duration() const override {
        if (format_->duration == AV_NOPTS_VALUE || format_->duration <= 0) return 0;
        return av_rescale(format_->duration, ts_default_time_base(), AV_TIME_BASE);
    }
    int64_t statedAudioDuration() const override {
        if (format_->duration_estimation_method == AVFMT_DURATION_FROM_BITRATE) return 0;
        int64_t longest = 0;
        for (const auto& stream : audio_.streams()) {
            const AVStream* st = format_->streams[stream->formatIndex()];
            if (st->duration == AV_NOPTS_VALUE || st->duration <= 0 || st->time_base.num <= 0 || st->time_base.den <= 0)
                continue;
            longest = std::max(longest, av_rescale_q(st->duration, st->time_base, AVRational{1, int(ts_default_time_base())}));
        }
        return longest > 0 ? longest : duration();
    }
    void setDisableVideo(bool disable) override { disableVideo_ = disable; }
    void setExportMovie(bool exportMovie) override { exportMovie_ = exportMovie; }

    void setCurrentTime(int64_t time) override {
        if (!packetsRead_ && time == 0) return;
        int64_t target = av_rescale(time, AV_TIME_BASE, ts_default_time_base());
        if (av_seek_frame(format_, -1, target, AVSEEK_FLAG_BACKWARD) < 0 && time == 0) reopen();
        packetsRead_ = false;
    }

    void flushOperation() override {
        closeDecoder();
        swr_free(&swr_);
        clearFifo();
        demuxEnded_ = false;
        decoderDrained_ = false;
        finished_ = false;
        consecutiveErrors_ = 0;
        startAt_ = -1;
        dropFront_ = 0;
    }

    bool startAudioAt(TSAudioStream& stream, int64_t frame) override {
        auto* ff = static_cast<FFAudioStream*>(&stream);
        if (ff != selectedStream_ || frame < 0) return false;
        AVStream* st = format_->streams[ff->formatIndex()];
        const AVCodecParameters* par = st->codecpar;
        // FLAC frames and PCM blocks decode on their own; their timestamps count samples.
        const bool independent = par->codec_id == AV_CODEC_ID_FLAC ||
                                 (par->codec_id >= AV_CODEC_ID_PCM_S16LE && par->codec_id < AV_CODEC_ID_ADPCM_IMA_QT);
        if (!independent || par->sample_rate != kOutputRate || par->ch_layout.nb_channels != ff->resampleChannels() ||
            st->time_base.num <= 0 || st->time_base.den <= 0)
            return false;
        // A stream not yet read starts at its start as it stands.
        if (frame == 0 && !packetsRead_) return true;
        const int64_t at = av_rescale_q(frame, AVRational{1, kOutputRate}, st->time_base);
        if (av_seek_frame(format_, ff->formatIndex(), at, AVSEEK_FLAG_BACKWARD) < 0) return false;
        flushOperation();
        packetsRead_ = true;
        startAt_ = frame;
        return true;
    }

    void selectStream(FFAudioStream* stream) {
        selectedStream_ = stream;
        for (unsigned i = 0; i < format_->nb_streams; ++i)
            format_->streams[i]->discard =
                stream && static_cast<int>(i) == stream->formatIndex() ? AVDISCARD_DEFAULT : AVDISCARD_ALL;
        closeDecoder();
    }

    int32_t readAudioPlanes(TSAudioStream& stream, float* const* planes, int32_t frames) override {
        auto* ff = static_cast<FFAudioStream*>(&stream);
        if (ff != selectedStream_ || frames <= 0) return 0;
        const int32_t channels = ff->resampleChannels();
        if (channels <= 0) return 0;
        if (channels != outChannels_) {
            // The queue's planes are laid out for a channel count.
            swr_free(&swr_);
            clearFifo();
            std::vector<float>().swap(fifo_);
            fifoRoom_ = 0;
            outChannels_ = channels;
        }
        // What the last read left over comes first; then decoded frames go straight
        // into the caller's planes while a whole frame fits, and only the one that
        // does not passes through the queue.
        int32_t n = takeFromFifo(planes, 0, frames);
        direct_ = planes;
        directRoom_ = frames;
        directGot_ = n;
        while (directGot_ < frames && !finished_) {
            pump(*ff);
            directGot_ += takeFromFifo(planes, directGot_, frames - directGot_);
        }
        n = directGot_;
        direct_ = nullptr;
        return n;
    }

    std::string decodeProblems() const override {
        std::string text;
        if (damaged_ > 0) text = std::to_string(damaged_) + " damaged packet(s) skipped";
        if (!convertError_.empty()) text += (text.empty() ? "" : "; ") + convertError_;
        if (!readError_.empty()) text += (text.empty() ? "" : "; ") + ("read stopped early: " + readError_);
        return text;
    }

private:
    void clearFifo() {
        fifoBegin_ = 0;
        fifoEnd_ = 0;
    }

    // Moves up to frames queued frames into planes at offset; answers how many.
    int32_t takeFromFifo(float* const* planes, int32_t offset, int32_t frames) {
        const int32_t n = static_cast<int32_t>(std::min<int64_t>(frames, fifoEnd_ - fifoBegin_));
        if (n <= 0) return 0;
        for (int32_t c = 0; c < outChannels_; ++c)
            std::memcpy(planes[c] + offset, fifoPlane(c) + fifoBegin_, static_cast<size_t>(n) * sizeof(float));
        fifoBegin_ += n;
        if (fifoBegin_ == fifoEnd_) clearFifo();
        return n;
    }

    float* fifoPlane(int32_t channel) { return fifo_.data() + static_cast<size_t>(channel) * fifoRoom_; }

    // Makes room for frames more frames at the queue's end: what it holds moves to
    // the front of its planes, which grow only when that is not enough.
    void makeFifoRoom(int64_t frames) {
        const int64_t held = fifoEnd_ - fifoBegin_;
        if (fifoEnd_ + frames <= fifoRoom_) return;
        if (held + frames <= fifoRoom_) {
            for (int32_t c = 0; c < outChannels_; ++c)
                std::memmove(fifoPlane(c), fifoPlane(c) + fifoBegin_, static_cast<size_t>(held) * sizeof(float));
        } else {
            const int64_t room = std::max(held + frames, fifoRoom_ * 2);
            std::vector<float> grown(static_cast<size_t>(room * outChannels_));
            for (int32_t c = 0; c < outChannels_ && held > 0; ++c)  // an empty queue may have no planes yet
                std::memcpy(grown.data() + static_cast<size_t>(c) * room, fifoPlane(c) + fifoBegin_,
                            static_cast<size_t>(held) * sizeof(float));
            fifo_.swap(grown);
            fifoRoom_ = room;
        }
        fifoBegin_ = 0;
        fifoEnd_ = held;
    }

    // Frames decoded go to the caller's planes while a read waits for them, the
    // queue is empty and they all fit; to the queue otherwise (and always while the
    // head of a frame is to be dropped).
    bool fitsCaller(int64_t frames) const {
        return direct_ && dropFront_ == 0 && fifoBegin_ == fifoEnd_ && frames <= directRoom_ - directGot_;
    }

    // While a start is pending: whether the decoded frame reaches it, noting the head
    // to drop. A frame wholly before the start is passed over; one without a time, or
    // past the start (the seek went too far), ends the stream: it cannot start exactly.
    bool startsAtTheMark() {
        const int64_t first = frame_->pts == AV_NOPTS_VALUE
                                  ? -1
                                  : av_rescale_q(frame_->pts, decoder_->pkt_timebase, AVRational{1, kOutputRate});
        if (first < 0 || first > startAt_) {
            startAt_ = -1;
            finished_ = true;
            return false;
        }
        if (startAt_ - first >= frame_->nb_samples) return false;
        dropFront_ = startAt_ - first;
        startAt_ = -1;
        return true;
    }
    float* target(int32_t channel, bool toCaller) {
        return toCaller ? direct_[channel] + directGot_ : fifoPlane(channel) + fifoEnd_;
    }
    void delivered(int64_t frames, bool direct) {
        if (direct) directGot_ += static_cast<int32_t>(frames);
        else fifoEnd_ += frames;
    }

    void reopen() {
        std::string error;
        FormatPtr fresh = openFormat(path_, &error);
        if (!fresh) return;
        if (reopened_) avformat_close_input(&format_);
        format_ = fresh.release();
        reopened_ = true;  // the source still owns the first context; this one is ours
        selectStream(selectedStream_);
    }

    bool openDecoder(FFAudioStream& stream) {
        AVStream* st = format_->streams[stream.formatIndex()];
        const AVCodec* codec = avcodec_find_decoder(st->codecpar->codec_id);
        if (!codec) return false;
        decoder_ = avcodec_alloc_context3(codec);
        if (!decoder_ || avcodec_parameters_to_context(decoder_, st->codecpar) < 0) return false;
        decoder_->pkt_timebase = st->time_base;
        if (avcodec_open2(decoder_, codec, nullptr) < 0) {
            avcodec_free_context(&decoder_);
            return false;
        }
        return true;
    }

    void closeDecoder() { avcodec_free_context(&decoder_); }

    bool setUpResampler(const AVFrame* frame) {
        swr_free(&swr_);
        AVChannelLayout in{};
        if (frame->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC || frame->ch_layout.nb_channels <= 0)
            av_channel_layout_default(&in, frame->ch_layout.nb_channels > 0 ? frame->ch_layout.nb_channels : 1);
        else
            av_channel_layout_copy(&in, &frame->ch_layout);
        AVChannelLayout out{};
        // Same channel count: keep the source's own layout so that channels pass
        // through one to one instead of being remixed.
        if (in.nb_channels == outChannels_) av_channel_layout_copy(&out, &in);
        else av_channel_layout_default(&out, outChannels_);
        int rc = swr_alloc_set_opts2(&swr_, &out, AV_SAMPLE_FMT_FLTP, kOutputRate, &in,
                                     static_cast<AVSampleFormat>(frame->format), frame->sample_rate, 0, nullptr);
        av_channel_layout_uninit(&in);
        av_channel_layout_uninit(&out);
        if (rc < 0 || swr_init(swr_) < 0) {
            swr_free(&swr_);
            return false;
        }
        swrRate_ = frame->sample_rate;
        swrFormat_ = frame->format;
        swrChannels_ = frame->ch_layout.nb_channels;
        // Planar floats at the output rate, channel for channel: what the resampler
        // would hand back is the frame itself, so it is copied as it stands.
        passThrough_ = frame->format == AV_SAMPLE_FMT_FLTP && frame->sample_rate == kOutputRate &&
                       frame->ch_layout.nb_channels == outChannels_;
        return true;
    }

    void appendConverted(const uint8_t** input, int inputFrames) {
        const int room = swr_get_out_samples(swr_, inputFrames);  // at most this many come out
        if (room <= 0) return;
        const bool toCaller = fitsCaller(room);
        if (!toCaller) makeFifoRoom(room);
        outPlanes_.resize(static_cast<size_t>(outChannels_));
        for (int32_t c = 0; c < outChannels_; ++c)
            outPlanes_[static_cast<size_t>(c)] = reinterpret_cast<uint8_t*>(target(c, toCaller));
        const int got = swr_convert(swr_, outPlanes_.data(), room, input, inputFrames);
        delivered(std::max(got, 0), toCaller);
    }

    void appendFrameAsItStands(const AVFrame* frame) {
        const int64_t frames = frame->nb_samples;
        const bool toCaller = fitsCaller(frames);
        if (!toCaller) makeFifoRoom(frames);
        for (int32_t c = 0; c < outChannels_; ++c)
            std::memcpy(target(c, toCaller), frame->extended_data[c], static_cast<size_t>(frames) * sizeof(float));
        delivered(frames, toCaller);
    }

    void finish() {
        if (swr_) appendConverted(nullptr, 0);
        finished_ = true;
    }

    // Moves the decoder one step: one frame out, or one packet in.
    void pump(FFAudioStream& stream) {
        if (!decoder_ && !openDecoder(stream)) {
            if (readError_.empty()) readError_ = "no decoder for the stream";
            finished_ = true;
            return;
        }
        if (consecutiveErrors_ >= kMaxConsecutiveErrors) {
            finish();
            return;
        }
        int rc = avcodec_receive_frame(decoder_, frame_);
        if (rc == 0 && startAt_ >= 0 && frame_->nb_samples > 0 && !startsAtTheMark()) {
            av_frame_unref(frame_);
            return;
        }
        if (rc == 0) {
            consecutiveErrors_ = 0;
            if (frame_->sample_rate > 0 && frame_->nb_samples > 0) {
                bool changed = !swr_ || frame_->sample_rate != swrRate_ || frame_->format != swrFormat_ ||
                               frame_->ch_layout.nb_channels != swrChannels_;
                bool refused = frame_->sample_rate == failedRate_ && frame_->format == failedFormat_ &&
                               frame_->ch_layout.nb_channels == failedChannels_;
                if (changed && !refused) {
                    if (swr_) appendConverted(nullptr, 0);
                    if (!setUpResampler(frame_)) {
                        // Setting up a resampler for absurd parameters (a damaged
                        // header's 9 MHz) can take a good fraction of a second and
                        // fails the same way every time: remember them and skip.
                        failedRate_ = frame_->sample_rate;
                        failedFormat_ = frame_->format;
                        failedChannels_ = frame_->ch_layout.nb_channels;
                        refused = true;
                        if (convertError_.empty())
                            convertError_ = "cannot convert audio of " + std::to_string(frame_->ch_layout.nb_channels) +
                                            " channel(s) at " + std::to_string(frame_->sample_rate) + " Hz";
                    }
                }
                if (refused) ++damaged_;
                else if (swr_ && passThrough_) appendFrameAsItStands(frame_);
                else if (swr_) appendConverted(const_cast<const uint8_t**>(frame_->extended_data), frame_->nb_samples);
                if (dropFront_ > 0) {
                    // The frame began before the start asked for: its head goes.
                    fifoBegin_ = std::min(fifoBegin_ + dropFront_, fifoEnd_);
                    if (fifoBegin_ == fifoEnd_) clearFifo();
                    dropFront_ = 0;
                }
            }
            av_frame_unref(frame_);
            return;
        }
        if (rc == AVERROR_EOF) {
            finish();
            return;
        }
        if (rc != AVERROR(EAGAIN)) {
            ++damaged_;
            ++consecutiveErrors_;
            return;
        }
        if (demuxEnded_) {
            // The decoder wants input but there is none left and it is not draining.
            if (avcodec_send_packet(decoder_, nullptr) < 0) finish();
            return;
        }
        rc = av_read_frame(format_, packet_);
        if (rc < 0) {
            if (rc != AVERROR_EOF && readError_.empty()) readError_ = ffmpegErrorText(rc);
            demuxEnded_ = true;
            avcodec_send_packet(decoder_, nullptr);
            return;
        }
        packetsRead_ = true;
        if (packet_->stream_index == stream.formatIndex()) {
            int sent = avcodec_send_packet(decoder_, packet_);
            if (sent < 0 && sent != AVERROR(EAGAIN)) {
                ++damaged_;
                ++consecutiveErrors_;
            }
        }
        av_packet_unref(packet_);
    }

    AVFormatContext* format_;
    std::string path_;
    bool reopened_ = false;
    FFMedia audio_;
    FFMedia video_;
    FFAudioStream* selectedStream_ = nullptr;
    AVCodecContext* decoder_ = nullptr;
    AVFrame* frame_ = nullptr;
    AVPacket* packet_ = nullptr;
    SwrContext* swr_ = nullptr;
    int swrRate_ = 0;
    int swrFormat_ = -1;
    int swrChannels_ = 0;
    int failedRate_ = -1;
    int failedFormat_ = -1;
    int failedChannels_ = -1;
    std::string convertError_;
    bool passThrough_ = false;
    int64_t startAt_ = -1;   // the frame the next read starts at, until a frame reaches it
    int64_t dropFront_ = 0;  // frames of the frame being added that lie before that start
    int32_t outChannels_ = 0;
    // Decoded frames not yet read, one plane per channel: channel c's are
    // fifo_[c * fifoRoom_ + fifoBegin_, c * fifoRoom_ + fifoEnd_).
    std::vector<float> fifo_;
    int64_t fifoRoom_ = 0;
    int64_t fifoBegin_ = 0;
    int64_t fifoEnd_ = 0;
    // The planes of the read waiting for frames, and how many it has.
    float* const* direct_ = nullptr;
    int32_t directRoom_ = 0;
    int32_t directGot_ = 0;
    std::vector<uint8_t*> outPlanes_;
    bool packetsRead_ = false;
    bool demuxEnded_ = false;
    bool decoderDrained_ = false;
    bool finished_ = false;
    bool disableVideo_ = false;
    bool exportMovie_ = false;
    int consecutiveErrors_ = 0;
    int64_t damaged_ = 0;
    std::string readError_;
};

std::vector<TSAudioStream*> FFMedia::audios() {
    std::vector<TSAudioStream*> list;
    if (!isAudio_) return list;
    for (auto& s : streams_) list.push_back(s.get());
    return list;
}

void FFMedia::updateSelectStreams() {
    selected_ = pending_;
    movie_.selectStream(selected());
}

TSFFMovie& FFMedia::movie() { return movie_; }

class FFMediaSource : public TSMediaSource {
public:
    FFMediaSource(FormatPtr format, std::string path) : format_(std::move(format)), path_(std::move(path)) {}
    bool isDRM() const override {
        for (unsigned i = 0; i < format_->nb_streams; ++i)
            if (isEncrypted(format_->streams[i])) return true;
        return false;
    }
    std::unique_ptr<TSFFMovie> createMovie() override { return std::make_unique<FFMovie>(format_.get(), path_); }

private:
    FormatPtr format_;
    std::string path_;
};

}  // namespace

std::string ffmpegErrorText(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {0};
    av_strerror(code, text, sizeof text);
    return text;
}

FFmpegMediaEngine::FFmpegMediaEngine() { av_log_set_level(AV_LOG_QUIET); }

Outcome<std::unique_ptr<TSMediaSource>> FFmpegMediaEngine::mediaWithPath(const std::string& path) {
    std::string error;
    FormatPtr format = openFormat(path, &error);
    if (!format) return Failure::at(path, error.empty() ? "not an audio file" : error);
    if (std::optional<std::string> found = formatWithoutAudio(*format))
        return Failure::at(path, "the file is " + *found + " with no audio stream");
    return std::unique_ptr<TSMediaSource>(std::make_unique<FFMediaSource>(std::move(format), path));
}

}  // namespace wavomer
