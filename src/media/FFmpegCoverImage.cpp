#include "FFmpegCoverImage.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/pixdesc.h>
}

#include <algorithm>
#include <cstdio>
#include <memory>

#include "FFmpegMediaEngine.h"

namespace wavomer {

namespace {

// Pictures larger than this on either side are refused rather than converted.
constexpr int kLargestSide = 16384;

struct FormatClose {
    void operator()(AVFormatContext* c) const { avformat_close_input(&c); }
};
struct CodecFree {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct FrameFree {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketFree {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};

bool startsWithPngSignature(const std::string& path) {
    static const unsigned char signature[8] = {0x89, 'P', 'N', 'G', 0x0d, 0x0a, 0x1a, 0x0a};
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    unsigned char head[8] = {};
    const bool png = std::fread(head, 1, 8, file) == 8 && std::equal(head, head + 8, signature);
    std::fclose(file);
    return png;
}

bool readWholeFile(const std::string& path, std::vector<uint8_t>& data) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    data.clear();
    uint8_t chunk[65536];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0) data.insert(data.end(), chunk, chunk + n);
    const bool ok = !std::ferror(file);
    std::fclose(file);
    return ok;
}

uint8_t clampByte(double v) { return static_cast<uint8_t>(std::clamp(v + 0.5, 0.0, 255.0)); }

// The frame as 8-bit RGBA rows, whatever its pixel format, through the format's
// descriptor: RGB formats by their components, YUV by BT.601 (full range for the JPEG
// formats), grey as grey, palettes through their colours.
bool toRgba(const AVFrame& frame, std::vector<uint8_t>& rgba, std::string& reason) {
    const auto format = static_cast<AVPixelFormat>(frame.format);
    const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(format);
    if (!d || (d->flags & (AV_PIX_FMT_FLAG_HWACCEL | AV_PIX_FMT_FLAG_BITSTREAM | AV_PIX_FMT_FLAG_BAYER))) {
        reason = "the picture's pixel format cannot be converted";
        return false;
    }
    const int w = frame.width, h = frame.height;
    const bool palette = d->flags & AV_PIX_FMT_FLAG_PAL;
    const bool rgb = (d->flags & AV_PIX_FMT_FLAG_RGB) || palette;
    const bool alpha = d->flags & AV_PIX_FMT_FLAG_ALPHA;
    const int components = palette ? 4 : d->nb_components;
    const bool fullRange = frame.color_range == AVCOL_RANGE_JPEG || format == AV_PIX_FMT_YUVJ420P ||
                           format == AV_PIX_FMT_YUVJ422P || format == AV_PIX_FMT_YUVJ444P ||
                           format == AV_PIX_FMT_YUVJ440P || format == AV_PIX_FMT_YUVJ411P;
    // Each row's components, scaled to 8 bits.
    std::vector<std::vector<uint16_t>> comps(static_cast<size_t>(components), std::vector<uint16_t>(static_cast<size_t>(w)));
    rgba.assign(static_cast<size_t>(w) * h * 4, 255);
    const uint8_t* data[4] = {frame.data[0], frame.data[1], frame.data[2], frame.data[3]};
    const int linesize[4] = {frame.linesize[0], frame.linesize[1], frame.linesize[2], frame.linesize[3]};
    for (int y = 0; y < h; ++y) {
        if (palette) {
            // One read per colour component of the palette entry (R, G, B, A in memory
            // order B, G, R, A of the 32-bit entry).
            const uint8_t* pal = frame.data[1];
            const uint8_t* row = frame.data[0] + static_cast<ptrdiff_t>(y) * frame.linesize[0];
            for (int x = 0; x < w; ++x) {
                const uint8_t* entry = pal + 4 * row[x];
                comps[0][x] = entry[2];
                comps[1][x] = entry[1];
                comps[2][x] = entry[0];
                comps[3][x] = entry[3];
            }
        } else {
            for (int c = 0; c < components; ++c) {
                const bool chroma = !rgb && (c == 1 || c == 2);
                const int cy = chroma ? -((-y) >> d->log2_chroma_h) : y;
                const int cw = chroma ? -((-w) >> d->log2_chroma_w) : w;
                std::vector<uint16_t> values(static_cast<size_t>(cw));
                av_read_image_line2(values.data(), data, linesize, d, 0, cy, c, cw, 0, 2);
                const int shift = d->comp[c].depth - 8;
                for (int x = 0; x < w; ++x) {
                    const int sx = chroma ? (x >> d->log2_chroma_w) : x;
                    const unsigned v = values[static_cast<size_t>(sx)];
                    comps[c][x] = static_cast<uint16_t>(shift >= 0 ? v >> shift : v << -shift);
                }
            }
        }
        uint8_t* out = rgba.data() + static_cast<size_t>(y) * w * 4;
        for (int x = 0; x < w; ++x, out += 4) {
            if (rgb) {
                out[0] = static_cast<uint8_t>(comps[0][x]);
                out[1] = static_cast<uint8_t>(comps[1][x]);
                out[2] = static_cast<uint8_t>(comps[2][x]);
                if (alpha || palette) out[3] = static_cast<uint8_t>(comps[3][x]);
            } else if (components <= 2) {
                const uint8_t grey = static_cast<uint8_t>(comps[0][x]);
                out[0] = out[1] = out[2] = grey;
                if (alpha) out[3] = static_cast<uint8_t>(comps[1][x]);
            } else {
                double Y = comps[0][x], Cb = comps[1][x] - 128.0, Cr = comps[2][x] - 128.0;
                if (!fullRange) {
                    Y = (Y - 16.0) * 255.0 / 219.0;
                    Cb *= 255.0 / 224.0;
                    Cr *= 255.0 / 224.0;
                }
                out[0] = clampByte(Y + 1.402 * Cr);
                out[1] = clampByte(Y - 0.344136 * Cb - 0.714136 * Cr);
                out[2] = clampByte(Y + 1.772 * Cb);
                if (alpha && components > 3) out[3] = static_cast<uint8_t>(comps[3][x]);
            }
        }
    }
    return true;
}

bool encodePng(const std::vector<uint8_t>& rgba, int w, int h, std::vector<uint8_t>& png, std::string& reason) {
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_PNG);
    std::unique_ptr<AVCodecContext, CodecFree> encoder(codec ? avcodec_alloc_context3(codec) : nullptr);
    std::unique_ptr<AVFrame, FrameFree> frame(av_frame_alloc());
    std::unique_ptr<AVPacket, PacketFree> packet(av_packet_alloc());
    if (!encoder || !frame || !packet) {
        reason = "no PNG encoder";
        return false;
    }
    encoder->width = w;
    encoder->height = h;
    encoder->pix_fmt = AV_PIX_FMT_RGBA;
    encoder->time_base = AVRational{1, 1};
    int rc = avcodec_open2(encoder.get(), codec, nullptr);
    frame->format = AV_PIX_FMT_RGBA;
    frame->width = w;
    frame->height = h;
    if (rc >= 0) rc = av_frame_get_buffer(frame.get(), 0);
    if (rc < 0) {
        reason = "cannot encode the picture as PNG: " + ffmpegErrorText(rc);
        return false;
    }
    for (int y = 0; y < h; ++y)
        std::copy_n(rgba.data() + static_cast<size_t>(y) * w * 4, static_cast<size_t>(w) * 4,
                    frame->data[0] + static_cast<ptrdiff_t>(y) * frame->linesize[0]);
    rc = avcodec_send_frame(encoder.get(), frame.get());
    if (rc >= 0) rc = avcodec_send_frame(encoder.get(), nullptr);
    if (rc >= 0) rc = avcodec_receive_packet(encoder.get(), packet.get());
    if (rc < 0) {
        reason = "cannot encode the picture as PNG: " + ffmpegErrorText(rc);
        return false;
    }
    png.assign(packet->data, packet->data + packet->size);
    return true;
}

}  // namespace

FFmpegCoverImageConverter::FFmpegCoverImageConverter() { av_log_set_level(AV_LOG_QUIET); }

Outcome<std::vector<uint8_t>> FFmpegCoverImageConverter::pngFromImageFile(const std::string& path) {
    std::vector<uint8_t> png;
    std::string reason;
    if (startsWithPngSignature(path)) {
        if (readWholeFile(path, png)) return png;
        return Failure::at(path, "cannot be read");
    }
    const char* notAPicture = "not a picture that can be decoded";
    AVFormatContext* opened = nullptr;
    if (avformat_open_input(&opened, path.c_str(), nullptr, nullptr) < 0) {
        return Failure::at(path, notAPicture);
    }
    std::unique_ptr<AVFormatContext, FormatClose> input(opened);
    avformat_find_stream_info(input.get(), nullptr);
    const AVCodec* codec = nullptr;
    const int stream = av_find_best_stream(input.get(), AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0);
    if (stream < 0 || !codec) {
        return Failure::at(path, notAPicture);
    }
    std::unique_ptr<AVCodecContext, CodecFree> decoder(avcodec_alloc_context3(codec));
    std::unique_ptr<AVFrame, FrameFree> frame(av_frame_alloc());
    std::unique_ptr<AVPacket, PacketFree> packet(av_packet_alloc());
    if (!decoder || !frame || !packet ||
        avcodec_parameters_to_context(decoder.get(), input->streams[stream]->codecpar) < 0 ||
        avcodec_open2(decoder.get(), codec, nullptr) < 0) {
        return Failure::at(path, notAPicture);
    }
    bool decoded = false, flushed = false;
    while (!decoded) {
        int rc = avcodec_receive_frame(decoder.get(), frame.get());
        if (rc >= 0) {
            decoded = true;
            break;
        }
        if (rc != AVERROR(EAGAIN) || flushed) break;
        rc = av_read_frame(input.get(), packet.get());
        if (rc < 0) {
            avcodec_send_packet(decoder.get(), nullptr);
            flushed = true;
            continue;
        }
        if (packet->stream_index == stream) avcodec_send_packet(decoder.get(), packet.get());
        av_packet_unref(packet.get());
    }
    if (!decoded || frame->width <= 0 || frame->height <= 0) {
        return Failure::at(path, notAPicture);
    }
    if (frame->width > kLargestSide || frame->height > kLargestSide) {
        return Failure::at(path, "the picture is larger than " + std::to_string(kLargestSide) + " pixels on a side");
    }
    std::vector<uint8_t> rgba;
    if (!toRgba(*frame, rgba, reason) || !encodePng(rgba, frame->width, frame->height, png, reason))
        return Failure::at(path, reason);
    return png;
}

}  // namespace wavomer
