#include "FFmpegMovieFileOutput.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "FFmpegMediaEngine.h"
#include "util/OutputFile.h"
#include "util/PathUtil.h"

namespace wavomer {

namespace {

constexpr int32_t kInputRate = 44100;
// Encoders that take any frame count get the input in chunks of this many frames.
constexpr int kVariableFrameSize = 4096;
// Layout masks of the first n speaker positions other than the two low-frequency
// ones serve channel counts the named layouts stop at; a 64-bit mask cannot go further.
constexpr int32_t kMaxChannels = 62;

// The folder a path's file is in; "." for a bare file name.
std::string folderOf(const std::string& path) {
    std::string folder = stringByDeletingLastPathComponent(path);
    return folder.empty() ? "." : folder;
}

// The container for a file extension. Ringtones are MPEG-4 audio under another name.
const AVOutputFormat* containerForExtension(const std::string& extension) {
    if (extension.empty()) return nullptr;
    if (extension == "m4r") return av_guess_format("ipod", nullptr, nullptr);
    return av_guess_format(nullptr, ("x." + extension).c_str(), nullptr);
}

bool layoutFromMask(AVChannelLayout& layout, int64_t mask) {
    av_channel_layout_uninit(&layout);
    return mask != 0 && av_channel_layout_from_mask(&layout, static_cast<uint64_t>(mask)) == 0;
}

bool sameLayout(const AVChannelLayout& a, const AVChannelLayout& b) { return av_channel_layout_compare(&a, &b) == 0; }

bool hasLowFrequencyChannel(const AVChannelLayout& layout) {
    return av_channel_layout_index_from_channel(&layout, AV_CHAN_LOW_FREQUENCY) >= 0 ||
           av_channel_layout_index_from_channel(&layout, AV_CHAN_LOW_FREQUENCY_2) >= 0;
}

// Encoders that take no layout at all and place the channels by their count in the
// Vorbis order, where six to eight channels end with a low-frequency one (5.1, 6.1,
// 7.1): Vorbis itself, and Opus in its surround mapping.
bool placesChannelsByVorbisOrder(const AVCodec* codec) {
    return codec->id == AV_CODEC_ID_VORBIS || codec->id == AV_CODEC_ID_OPUS;
}
bool vorbisOrderHasLowFrequency(int channels) { return channels >= 6 && channels <= 8; }

// How the encoder is to take the requested layout.
enum class LayoutChoice {
    refused,     // no layout of that many channels without a low-frequency one
    asChosen,    // the layout in `out`
    unlabelled,  // Opus: every channel its own stream, no speaker positions
};

// The layout the encoder gets for the requested one: the requested layout when the
// encoder takes it, else another of the same channel count that it takes. Each
// channel carries a track, so no channel may be one that encoders and players treat
// as the subwoofer (band-limited, or dropped): a layout without a low-frequency
// channel is never swapped for one with it.
LayoutChoice chooseEncoderLayout(const AVCodec* codec, const AVChannelLayout& requested, AVChannelLayout& out) {
    const bool fullRange = !hasLowFrequencyChannel(requested);
    if (!codec->ch_layouts) {
        if (fullRange && placesChannelsByVorbisOrder(codec) && vorbisOrderHasLowFrequency(requested.nb_channels)) {
            // Ogg Opus can hold channels without positions; Vorbis cannot.
            if (codec->id != AV_CODEC_ID_OPUS) return LayoutChoice::refused;
            av_channel_layout_uninit(&out);
            out.order = AV_CHANNEL_ORDER_UNSPEC;
            out.nb_channels = requested.nb_channels;
            return LayoutChoice::unlabelled;
        }
        return av_channel_layout_copy(&out, &requested) == 0 ? LayoutChoice::asChosen : LayoutChoice::refused;
    }
    for (const AVChannelLayout* l = codec->ch_layouts; l->nb_channels; ++l)
        if (sameLayout(*l, requested))
            return av_channel_layout_copy(&out, l) == 0 ? LayoutChoice::asChosen : LayoutChoice::refused;
    for (const AVChannelLayout* l = codec->ch_layouts; l->nb_channels; ++l)
        if (l->nb_channels == requested.nb_channels && (!fullRange || !hasLowFrequencyChannel(*l)))
            return av_channel_layout_copy(&out, l) == 0 ? LayoutChoice::asChosen : LayoutChoice::refused;
    return LayoutChoice::refused;
}

AVSampleFormat chooseSampleFormat(const AVCodec* codec) {
    if (!codec->sample_fmts) return AV_SAMPLE_FMT_FLT;
    for (AVSampleFormat preferred : {AV_SAMPLE_FMT_FLTP, AV_SAMPLE_FMT_FLT})
        for (const AVSampleFormat* f = codec->sample_fmts; *f != AV_SAMPLE_FMT_NONE; ++f)
            if (*f == preferred) return preferred;
    return codec->sample_fmts[0];
}

bool takesSampleRate(const AVCodec* codec, int rate) {
    if (!codec->supported_samplerates) return true;
    for (const int* r = codec->supported_samplerates; *r; ++r)
        if (*r == rate) return true;
    return false;
}

// The rate used when the format leaves it at 0: the input's when the encoder takes
// it, else the encoder's highest.
int defaultRateFor(const AVCodec* codec) {
    if (takesSampleRate(codec, kInputRate)) return kInputRate;
    int best = 0;
    for (const int* r = codec->supported_samplerates; *r; ++r) best = std::max(best, *r);
    return best;
}

bool isLossless(const AVCodec* codec) {
    const AVCodecDescriptor* d = avcodec_descriptor_get(codec->id);
    return d && (d->props & AV_CODEC_PROP_LOSSLESS);
}

struct CodecContextFree {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextFree>;

// An opened encoder for a codec id, rate, layout and bit rate, or a reason.
CodecContextPtr openEncoder(int32_t codecId, int32_t sampleRate, int64_t layoutMask, int32_t bitRate,
                            const AVOutputFormat* container, std::string* reason, int32_t bitsPerSample = 0) {
    const AVCodec* codec = codecId ? avcodec_find_encoder(static_cast<AVCodecID>(codecId)) : nullptr;
    if (!codec || codec->type != AVMEDIA_TYPE_AUDIO) {
        *reason = "no audio encoder for codec id " + std::to_string(codecId);
        return nullptr;
    }
    if (!container) {
        *reason = "no container for this file name's extension";
        return nullptr;
    }
    // 0 is a refusal; a negative answer means the container keeps no list (MP3), and
    // then its header writing is the judge.
    if (avformat_query_codec(container, codec->id, FF_COMPLIANCE_NORMAL) == 0) {
        *reason = std::string("a ") + container->name + " file cannot hold " + codec->name + " audio";
        return nullptr;
    }
    AVChannelLayout requested{};
    if (!layoutFromMask(requested, layoutMask)) {
        *reason = "no channel layout";
        return nullptr;
    }
    CodecContextPtr context(avcodec_alloc_context3(codec));
    if (!context) {
        *reason = "out of memory";
        return nullptr;
    }
    const LayoutChoice layoutChoice = chooseEncoderLayout(codec, requested, context->ch_layout);
    if (layoutChoice == LayoutChoice::refused) {
        *reason = std::string("the ") + codec->name + " encoder cannot take " +
                  std::to_string(requested.nb_channels) + " channels" +
                  (hasLowFrequencyChannel(requested) ? std::string() : " without a low-frequency channel");
        av_channel_layout_uninit(&requested);
        return nullptr;
    }
    av_channel_layout_uninit(&requested);
    // Opus' independent-streams mapping: no channel is the subwoofer.
    if (layoutChoice == LayoutChoice::unlabelled) av_opt_set_int(context->priv_data, "mapping_family", 255, 0);
    int rate = sampleRate > 0 ? sampleRate : defaultRateFor(codec);
    if (rate <= 0 || !takesSampleRate(codec, rate)) {
        *reason = std::string("the ") + codec->name + " encoder cannot take " + std::to_string(rate) + " Hz";
        return nullptr;
    }
    context->sample_rate = rate;
    context->sample_fmt = chooseSampleFormat(codec);
    // 24 bits from an encoder of 16- or 32-bit integers (FLAC): the 32-bit samples, of
    // which it keeps the top 24.
    if (bitsPerSample == 24 && codec->sample_fmts)
        for (const AVSampleFormat* f = codec->sample_fmts; *f != AV_SAMPLE_FMT_NONE; ++f)
            if (*f == AV_SAMPLE_FMT_S32) {
                context->sample_fmt = AV_SAMPLE_FMT_S32;
                context->bits_per_raw_sample = 24;
            }
    context->time_base = AVRational{1, rate};
    if (bitRate > 0 && !isLossless(codec)) context->bit_rate = bitRate;
    if (container->flags & AVFMT_GLOBALHEADER) context->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    int rc = avcodec_open2(context.get(), codec, nullptr);
    if (rc < 0) {
        *reason = std::string("the ") + codec->name + " encoder refuses " + std::to_string(rate) + " Hz, " +
                  std::to_string(context->ch_layout.nb_channels) + " channels" +
                  (bitRate > 0 ? ", " + std::to_string(bitRate / 1000) + " kbit/s" : std::string()) + ": " +
                  ffmpegErrorText(rc);
        return nullptr;
    }
    return context;
}

// Moves from to to unless something exists at to; errno tells why not.
bool renameWithoutReplacing(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS) return false;
    // Filesystems without the no-replace rename: a hard link fails when to exists.
    if (::link(from.c_str(), to.c_str()) == 0) {
        ::unlink(from.c_str());
        return true;
    }
    if (errno == EEXIST) return false;
    if (::access(to.c_str(), F_OK) == 0) {
        errno = EEXIST;
        return false;
    }
    return ::rename(from.c_str(), to.c_str()) == 0;
}

// "HH:MM:SS.mmm" of a frame count at 44100 Hz, as chapter comments give times.
std::string chapterClock(int64_t frame) {
    const int64_t ms = (frame * 1000 + kInputRate / 2) / kInputRate;
    char text[32];
    std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld.%03lld", static_cast<long long>(ms / 3600000),
                  static_cast<long long>(ms / 60000 % 60), static_cast<long long>(ms / 1000 % 60),
                  static_cast<long long>(ms % 1000));
    return text;
}

void putLittle32(std::string& out, uint32_t value) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xff));
}

// Appends a "cue " chunk (one cue point per chapter, at its first sample; a chapter ends
// where the next begins) and a LIST "adtl" chunk (a "labl" title for each) to a finished RIFF WAVE
// file, and grows the RIFF size to match. False when the file is not plain RIFF (RF64)
// or cannot be written.
bool appendWavCues(const std::string& path, const std::vector<MediaChapter>& chapters, int sampleRate) {
    std::FILE* file = std::fopen(path.c_str(), "r+b");
    if (!file) return false;
    char head[4] = {};
    bool ok = std::fread(head, 1, 4, file) == 4 && std::memcmp(head, "RIFF", 4) == 0 && std::fseek(file, 0, SEEK_END) == 0;
    long size = ok ? std::ftell(file) : -1;
    ok = ok && size >= 12;
    auto samples = [&](int64_t frame) {
        return static_cast<uint32_t>((frame * sampleRate + kInputRate / 2) / kInputRate);
    };
    std::string cue = "cue ", list = "LIST", adtl = "adtl";
    putLittle32(cue, static_cast<uint32_t>(4 + 24 * chapters.size()));
    putLittle32(cue, static_cast<uint32_t>(chapters.size()));
    for (size_t i = 0; i < chapters.size(); ++i) {
        const uint32_t id = static_cast<uint32_t>(i + 1);
        putLittle32(cue, id);
        putLittle32(cue, samples(chapters[i].startFrame));
        cue += "data";
        putLittle32(cue, 0);
        putLittle32(cue, 0);
        putLittle32(cue, samples(chapters[i].startFrame));
        std::string label = "labl";
        putLittle32(label, static_cast<uint32_t>(4 + chapters[i].title.size() + 1));
        putLittle32(label, id);
        label += chapters[i].title;
        label.push_back('\0');
        if (label.size() % 2) label.push_back('\0');
        adtl += label;
    }
    putLittle32(list, static_cast<uint32_t>(adtl.size()));
    std::string chunks = (size % 2 ? std::string(1, '\0') : std::string()) + cue + list + adtl;
    const uint64_t riffSize = static_cast<uint64_t>(size) + chunks.size() - 8;
    ok = ok && riffSize <= 0xffffffffu && std::fwrite(chunks.data(), 1, chunks.size(), file) == chunks.size();
    std::string sizeField;
    putLittle32(sizeField, static_cast<uint32_t>(riffSize));
    ok = ok && std::fseek(file, 4, SEEK_SET) == 0 && std::fwrite(sizeField.data(), 1, 4, file) == 4;
    return std::fclose(file) == 0 && ok;
}

}  // namespace

class TSFFMovieFileOutputImpl {
public:
    TSFFMovieFileOutputImpl() {
        movieFormat = ts_get_default_movie_file_ouput_format();
        inputFormat.channel_layout = ts_get_channel_layout_by_name("stereo");
    }
    ~TSFFMovieFileOutputImpl() { abort(); }

    bool open();
    bool start();
    bool write(const float* interleaved, int32_t frames);
    bool stop();
    void abort();
    TSFFMovieFileOutput::BeforePublish beforePublish;
    std::vector<MediaChapter> chapters;

    std::string path;
    TSFFMovieFileOutputFormat movieFormat;
    TSFFAudioFormat inputFormat;
    std::string error;
    bool audioOpen = false;

private:
    bool fail(const std::string& reason) {
        if (error.empty()) error = path + ": " + reason;
        failed_ = true;
        return false;
    }
    bool addChapters();
    bool convertInto(const float* interleaved, int32_t frames);
    bool encodeFromFifo(bool flushing);
    bool encodeFrame(AVFrame* frame);
    void release();

    CodecContextPtr encoder_;
    const AVOutputFormat* container_ = nullptr;
    AVFormatContext* output_ = nullptr;
    AVStream* stream_ = nullptr;
    SwrContext* resampler_ = nullptr;
    AVAudioFifo* fifo_ = nullptr;
    AVFrame* frame_ = nullptr;
    AVPacket* packet_ = nullptr;
    uint8_t** converted_ = nullptr;
    int convertedCapacity_ = 0;
    int frameSize_ = 0;
    int inputChannels_ = 0;
    int64_t nextPts_ = 0;
    std::string temporaryPath_;
    bool started_ = false;
    bool failed_ = false;
};

bool TSFFMovieFileOutputImpl::open() {
    if (audioOpen) return true;
    if (path.empty()) return fail("no output path");
    container_ = containerForExtension(lowercasePathExtension(path));
    std::string reason;
    encoder_ = openEncoder(movieFormat.audio_codec_id, movieFormat.sample_rate, movieFormat.channel_layout,
                           movieFormat.audio_bit_rate, container_, &reason, movieFormat.bits_per_sample);
    if (!encoder_) return fail(reason);

    AVChannelLayout input{};
    if (!layoutFromMask(input, inputFormat.channel_layout)) return fail("no input channel layout");
    if (inputFormat.sample_fmt != kTSSampleFormatFloat) {
        av_channel_layout_uninit(&input);
        return fail("the input must be interleaved 32-bit float");
    }
    inputChannels_ = input.nb_channels;
    // Equal counts mean one track per channel: no remixing between speaker names.
    if (input.nb_channels == encoder_->ch_layout.nb_channels) {
        av_channel_layout_uninit(&input);
        av_channel_layout_copy(&input, &encoder_->ch_layout);
    }
    int rc = swr_alloc_set_opts2(&resampler_, &encoder_->ch_layout, encoder_->sample_fmt, encoder_->sample_rate,
                                 &input, AV_SAMPLE_FMT_FLT, inputFormat.sample_rate > 0 ? inputFormat.sample_rate : kInputRate,
                                 0, nullptr);
    av_channel_layout_uninit(&input);
    if (rc < 0 || (rc = swr_init(resampler_)) < 0) return fail("cannot convert the samples: " + ffmpegErrorText(rc));

    frameSize_ = (encoder_->codec->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE) || encoder_->frame_size <= 0
                     ? kVariableFrameSize
                     : encoder_->frame_size;
    fifo_ = av_audio_fifo_alloc(encoder_->sample_fmt, encoder_->ch_layout.nb_channels, frameSize_ * 4);
    frame_ = av_frame_alloc();
    packet_ = av_packet_alloc();
    if (!fifo_ || !frame_ || !packet_) return fail("out of memory");
    frame_->format = encoder_->sample_fmt;
    frame_->sample_rate = encoder_->sample_rate;
    frame_->nb_samples = frameSize_;
    av_channel_layout_copy(&frame_->ch_layout, &encoder_->ch_layout);
    if ((rc = av_frame_get_buffer(frame_, 0)) < 0) return fail("out of memory: " + ffmpegErrorText(rc));
    audioOpen = true;
    return true;
}

bool TSFFMovieFileOutputImpl::start() {
    if (failed_) return false;
    if (!audioOpen) return fail("the encoder is not open");
    if (started_) return true;
    // A hidden sibling of the destination named after this process, created
    // exclusively so that it can be neither an existing file nor somebody else's
    // temporary file. Those of killed exports into this folder go first.
    removeStaleTemporaries(folderOf(path));
    for (int attempt = 0; attempt < 16 && temporaryPath_.empty(); ++attempt) {
        std::string candidate = temporaryPathBeside(path);
        int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::close(fd);
            temporaryPath_ = candidate;
        } else if (errno != EEXIST) {
            return fail(std::string("cannot create the file: ") + std::strerror(errno));
        }
    }
    if (temporaryPath_.empty()) return fail("cannot create a temporary file");

    int rc = avformat_alloc_output_context2(&output_, container_, nullptr, temporaryPath_.c_str());
    if (rc < 0 || !output_) return fail("cannot make the container: " + ffmpegErrorText(rc));
    stream_ = avformat_new_stream(output_, nullptr);
    if (!stream_) return fail("out of memory");
    stream_->time_base = encoder_->time_base;
    if ((rc = avcodec_parameters_from_context(stream_->codecpar, encoder_.get())) < 0)
        return fail("cannot describe the stream: " + ffmpegErrorText(rc));
    if (!addChapters()) return fail("out of memory");
    if ((rc = avio_open(&output_->pb, temporaryPath_.c_str(), AVIO_FLAG_WRITE)) < 0)
        return fail("cannot write the file: " + ffmpegErrorText(rc));
    if ((rc = avformat_write_header(output_, nullptr)) < 0)
        return fail("cannot write the file's header: " + ffmpegErrorText(rc));
    started_ = true;
    return true;
}

// The chapters as the container keeps them: its own chapter list (ID3v2 CHAP and CTOC
// frames in MP3, a chapter track and a Nero list in MPEG-4, comments in Ogg), the
// CHAPTERnnn comments of a FLAC file, and the cue chunks of a WAV file once it is done.
bool TSFFMovieFileOutputImpl::addChapters() {
    if (chapters.empty()) return true;
    // FLAC and Ogg Vorbis keep no chapter list of their own in FFmpeg's writers: their
    // comments (the file's for FLAC, the stream's for Vorbis) take the chapter fields.
    const bool flac = std::strcmp(container_->name, "flac") == 0;
    if (flac || (std::strcmp(container_->name, "ogg") == 0 && encoder_->codec_id == AV_CODEC_ID_VORBIS)) {
        AVDictionary** comments = flac ? &output_->metadata : &stream_->metadata;
        for (size_t i = 0; i < chapters.size(); ++i) {
            char key[32];
            std::snprintf(key, sizeof key, "CHAPTER%03zu", i + 1);
            if (av_dict_set(comments, key, chapterClock(chapters[i].startFrame).c_str(), 0) < 0 ||
                av_dict_set(comments, (std::string(key) + "NAME").c_str(), chapters[i].title.c_str(), 0) < 0)
                return false;
        }
        return true;
    }
    if (std::strcmp(container_->name, "wav") == 0) return true;
    for (size_t i = 0; i < chapters.size(); ++i) {
        auto* chapter = static_cast<AVChapter*>(av_mallocz(sizeof(AVChapter)));
        if (!chapter) return false;
        chapter->id = static_cast<int64_t>(i + 1);
        chapter->time_base = AVRational{1, kInputRate};
        chapter->start = chapters[i].startFrame;
        chapter->end = chapters[i].endFrame;
        if (av_dict_set(&chapter->metadata, "title", chapters[i].title.c_str(), 0) < 0 ||
            av_dynarray_add_nofree(&output_->chapters, reinterpret_cast<int*>(&output_->nb_chapters), chapter) < 0) {
            av_dict_free(&chapter->metadata);
            av_free(chapter);
            return false;
        }
    }
    return true;
}

bool TSFFMovieFileOutputImpl::convertInto(const float* interleaved, int32_t frames) {
    int capacity = swr_get_out_samples(resampler_, frames);
    if (capacity < 0) return fail("cannot convert the samples");
    if (capacity > convertedCapacity_) {
        if (converted_) av_freep(&converted_[0]);
        av_freep(&converted_);
        int rc = av_samples_alloc_array_and_samples(&converted_, nullptr, encoder_->ch_layout.nb_channels,
                                                    capacity, encoder_->sample_fmt, 0);
        if (rc < 0) return fail("out of memory");
        convertedCapacity_ = capacity;
    }
    const uint8_t* in[1] = {reinterpret_cast<const uint8_t*>(interleaved)};
    int produced = swr_convert(resampler_, converted_, capacity, interleaved ? in : nullptr, frames);
    if (produced < 0) return fail("cannot convert the samples: " + ffmpegErrorText(produced));
    if (produced > 0 && av_audio_fifo_write(fifo_, reinterpret_cast<void**>(converted_), produced) < produced)
        return fail("out of memory");
    return true;
}

bool TSFFMovieFileOutputImpl::encodeFrame(AVFrame* frame) {
    int rc = avcodec_send_frame(encoder_.get(), frame);
    if (rc < 0) return fail("cannot encode: " + ffmpegErrorText(rc));
    while (true) {
        rc = avcodec_receive_packet(encoder_.get(), packet_);
        if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF) return true;
        if (rc < 0) return fail("cannot encode: " + ffmpegErrorText(rc));
        av_packet_rescale_ts(packet_, encoder_->time_base, stream_->time_base);
        packet_->stream_index = stream_->index;
        rc = av_interleaved_write_frame(output_, packet_);
        av_packet_unref(packet_);
        if (rc < 0) return fail("cannot write the file: " + ffmpegErrorText(rc));
    }
}

bool TSFFMovieFileOutputImpl::encodeFromFifo(bool flushing) {
    while (av_audio_fifo_size(fifo_) >= frameSize_ || (flushing && av_audio_fifo_size(fifo_) > 0)) {
        int available = av_audio_fifo_size(fifo_);
        int take = std::min(available, frameSize_);
        int rc = av_frame_make_writable(frame_);
        if (rc < 0) return fail("out of memory");
        frame_->nb_samples = frameSize_;
        if (av_audio_fifo_read(fifo_, reinterpret_cast<void**>(frame_->data), take) < take)
            return fail("cannot read the converted samples");
        if (take < frameSize_) {
            const bool shortFrameAllowed = encoder_->codec->capabilities &
                                           (AV_CODEC_CAP_VARIABLE_FRAME_SIZE | AV_CODEC_CAP_SMALL_LAST_FRAME);
            if (shortFrameAllowed) {
                frame_->nb_samples = take;
            } else {
                av_samples_set_silence(frame_->data, take, frameSize_ - take, encoder_->ch_layout.nb_channels,
                                       encoder_->sample_fmt);
            }
        }
        frame_->pts = nextPts_;
        nextPts_ += frame_->nb_samples;
        if (!encodeFrame(frame_)) return false;
    }
    return true;
}

bool TSFFMovieFileOutputImpl::write(const float* interleaved, int32_t frames) {
    if (failed_) return false;
    if (!started_) return fail("the output is not started");
    if (frames <= 0) return true;
    return convertInto(interleaved, frames) && encodeFromFifo(false);
}

bool TSFFMovieFileOutputImpl::stop() {
    if (failed_) {
        abort();
        return false;
    }
    if (!started_) return fail("the output is not started");
    bool ok = convertInto(nullptr, 0) && encodeFromFifo(true) && encodeFrame(nullptr);
    if (ok) {
        int rc = av_write_trailer(output_);
        if (rc < 0) ok = fail("cannot finish the file: " + ffmpegErrorText(rc));
    }
    if (ok && output_->pb->error < 0) ok = fail("cannot write the file: " + ffmpegErrorText(output_->pb->error));
    if (ok) {
        int rc = avio_closep(&output_->pb);
        if (rc < 0) ok = fail("cannot write the file: " + ffmpegErrorText(rc));
    }
    if (ok && !chapters.empty() && std::strcmp(container_->name, "wav") == 0 &&
        !appendWavCues(temporaryPath_, chapters, encoder_->sample_rate))
        ok = fail(std::string("cannot write the chapters: ") + std::strerror(errno));
    if (ok && beforePublish) beforePublish(temporaryPath_);
    if (ok && !renameWithoutReplacing(temporaryPath_, path))
        ok = fail(errno == EEXIST ? std::string("a file of that name appeared meanwhile")
                                  : std::string("cannot name the file: ") + std::strerror(errno));
    if (!ok) {
        abort();
        return false;
    }
    temporaryPath_.clear();
    release();
    return true;
}

void TSFFMovieFileOutputImpl::abort() {
    release();
    if (!temporaryPath_.empty()) {
        ::unlink(temporaryPath_.c_str());
        temporaryPath_.clear();
    }
    failed_ = true;
}

void TSFFMovieFileOutputImpl::release() {
    if (output_) {
        if (output_->pb) avio_closep(&output_->pb);
        avformat_free_context(output_);
        output_ = nullptr;
        stream_ = nullptr;
    }
    encoder_.reset();
    swr_free(&resampler_);
    if (fifo_) av_audio_fifo_free(fifo_);
    fifo_ = nullptr;
    av_frame_free(&frame_);
    av_packet_free(&packet_);
    if (converted_) av_freep(&converted_[0]);
    av_freep(&converted_);
    convertedCapacity_ = 0;
    audioOpen = false;
    started_ = false;
}

// --- the writer --------------------------------------------------------------------

FFmpegMovieFileOutput::FFmpegMovieFileOutput() : impl_(std::make_unique<TSFFMovieFileOutputImpl>()) {}
FFmpegMovieFileOutput::~FFmpegMovieFileOutput() = default;

void FFmpegMovieFileOutput::setPath(const std::string& path) { impl_->path = path; }
const std::string& FFmpegMovieFileOutput::path() const { return impl_->path; }
void FFmpegMovieFileOutput::setMovieFormat(const TSFFMovieFileOutputFormat& format) { impl_->movieFormat = format; }
const TSFFMovieFileOutputFormat& FFmpegMovieFileOutput::movieFormat() const { return impl_->movieFormat; }
TSFFAudioFormat FFmpegMovieFileOutput::audioInputFormat() const { return impl_->inputFormat; }
void FFmpegMovieFileOutput::setAudioInputFormat(const TSFFAudioFormat& format) { impl_->inputFormat = format; }
bool FFmpegMovieFileOutput::openAudio() { return impl_->open(); }
bool FFmpegMovieFileOutput::isAudioOpen() const { return impl_->audioOpen; }
bool FFmpegMovieFileOutput::startOutput() { return impl_->start(); }
bool FFmpegMovieFileOutput::writeAudioData(const float* interleaved, int32_t frames) {
    return impl_->write(interleaved, frames);
}
void FFmpegMovieFileOutput::setChapters(std::vector<MediaChapter> chapters) { impl_->chapters = std::move(chapters); }
void FFmpegMovieFileOutput::setBeforePublish(BeforePublish hook) { impl_->beforePublish = std::move(hook); }

bool FFmpegMovieFileOutput::stopOutput() { return impl_->stop(); }
void FFmpegMovieFileOutput::abortOutput() { impl_->abort(); }
const std::string& FFmpegMovieFileOutput::lastError() const { return impl_->error; }

// --- the helpers --------------------------------------------------------------------

TSFFMovieFileOutputFormat ts_get_default_movie_file_ouput_format() {
    TSFFMovieFileOutputFormat format;
    format.channel_layout = ts_get_channel_layout_by_name("stereo");
    format.sample_rate = kInputRate;
    return format;
}

int32_t ts_get_codec_id_by_name(const std::string& name) {
    const AVCodec* codec = avcodec_find_encoder_by_name(name.c_str());
    return codec ? static_cast<int32_t>(codec->id) : 0;
}

int64_t ts_get_channel_layout_by_name(const std::string& name) {
    AVChannelLayout layout{};
    if (av_channel_layout_from_string(&layout, name.c_str()) < 0) return 0;
    int64_t mask = layout.order == AV_CHANNEL_ORDER_NATIVE ? static_cast<int64_t>(layout.u.mask) : 0;
    av_channel_layout_uninit(&layout);
    return mask;
}

int64_t ts_get_default_channel_layout(int32_t channels) {
    // One channel per track: every position full range, the same layouts in every
    // format. Past eight, the first positions of the mask that are not low-frequency.
    static const char* const kNamed[] = {"mono", "stereo", "3.0", "quad", "5.0", "6.0", "7.0", "octagonal"};
    if (channels <= 0 || channels > kMaxChannels) return 0;
    if (channels <= 8) return ts_get_channel_layout_by_name(kNamed[channels - 1]);
    constexpr uint64_t kLowFrequency = AV_CH_LOW_FREQUENCY | AV_CH_LOW_FREQUENCY_2;
    uint64_t mask = 0;
    for (int bit = 0, taken = 0; bit < 64 && taken < channels; ++bit) {
        if ((uint64_t{1} << bit) & kLowFrequency) continue;
        mask |= uint64_t{1} << bit;
        ++taken;
    }
    return static_cast<int64_t>(mask);
}

int32_t ts_get_channel_layout_nb_channels(int64_t layout) {
    AVChannelLayout l{};
    if (!layoutFromMask(l, layout)) return 0;
    int32_t channels = l.nb_channels;
    av_channel_layout_uninit(&l);
    return channels;
}

// --- the engine ---------------------------------------------------------------------

FFmpegMediaWriterEngine::FFmpegMediaWriterEngine() { av_log_set_level(AV_LOG_QUIET); }

std::unique_ptr<TSFFMovieFileOutput> FFmpegMediaWriterEngine::newMovieFileOutput() {
    return std::make_unique<FFmpegMovieFileOutput>();
}

TSFFMovieFileOutputFormat FFmpegMediaWriterEngine::defaultMovieFileOutputFormat() const {
    return ts_get_default_movie_file_ouput_format();
}
int32_t FFmpegMediaWriterEngine::codecIdByName(const std::string& name) const { return ts_get_codec_id_by_name(name); }
int64_t FFmpegMediaWriterEngine::channelLayoutByName(const std::string& name) const {
    return ts_get_channel_layout_by_name(name);
}
int64_t FFmpegMediaWriterEngine::defaultChannelLayout(int32_t channels) const {
    return ts_get_default_channel_layout(channels);
}
int32_t FFmpegMediaWriterEngine::channelLayoutChannels(int64_t layout) const {
    return ts_get_channel_layout_nb_channels(layout);
}

bool FFmpegMediaWriterEngine::canEncode(const std::string& codecName, const std::string& extension,
                                        int32_t sampleRate, int32_t channels) {
    auto key = std::make_tuple(codecName, extension, sampleRate, channels);
    {
        std::lock_guard<std::mutex> guard(lock_);
        auto known = known_.find(key);
        if (known != known_.end()) return known->second;
    }
    std::string reason;
    bool ok = static_cast<bool>(openEncoder(ts_get_codec_id_by_name(codecName), sampleRate,
                                            ts_get_default_channel_layout(channels), 0,
                                            containerForExtension(extension), &reason));
    std::lock_guard<std::mutex> guard(lock_);
    known_[key] = ok;
    return ok;
}

}  // namespace wavomer
