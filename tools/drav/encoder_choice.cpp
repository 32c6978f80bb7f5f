#include "encoder_choice.h"

#include <cstring>

#include "tool_error.h"

extern "C" {
#include <libavutil/dict.h>
#include <libavutil/pixdesc.h>
}

namespace drav::tool {
namespace {

struct LosslessEncoder {
    const char* name;
    const char* options;  // "key=value:key=value", given when the encoder is opened
};

// In order of preference: what every reader plays, then what fits the
// containers that take neither (MP4 and FLV take H.264, WebM takes VP9).
constexpr LosslessEncoder LOSSLESS_ENCODERS[] = {
    {"rawvideo", ""},
    {"ffv1", ""},
    {"libx264rgb", "qp=0"},
    {"libvpx-vp9", "lossless=1:deadline=realtime:cpu-used=8:row-mt=1"},
    {"png", ""},
    {"apng", ""},
};

// FFmpeg's AVI muxer stores uncompressed video as BI_RGB, which says nothing of
// 5-6-5 or of an unused fourth byte: it takes only these layouts unchanged.
constexpr AVPixelFormat AVI_RAW_FORMATS[] = {AV_PIX_FMT_BGR24, AV_PIX_FMT_RGB555LE, AV_PIX_FMT_NONE};

bool isNamed(const AVOutputFormat& format, const char* name) { return std::strcmp(format.name, name) == 0; }

// While drav tries what may fail, FFmpeg's complaints would reach the user as
// if something had gone wrong.
class QuietLog {
public:
    QuietLog() : level_(av_log_get_level()) { av_log_set_level(AV_LOG_QUIET); }
    ~QuietLog() { av_log_set_level(level_); }
    QuietLog(const QuietLog&) = delete;
    QuietLog& operator=(const QuietLog&) = delete;

private:
    int level_;
};

bool keepsEveryPixel(AVPixelFormat from, AVPixelFormat to) {
    const int loss = av_get_pix_fmt_loss(to, from, 0);
    return (loss & (FF_LOSS_RESOLUTION | FF_LOSS_DEPTH | FF_LOSS_COLORSPACE | FF_LOSS_CHROMA | FF_LOSS_COLORQUANT)) ==
           0;
}

// Whether the muxer writes its header for a stream of this encoder: what the
// muxer checks of codec, tag, pixel format and size, without touching the output.
bool muxerTakes(const AVOutputFormat& container, const AVCodecContext& encoder, const std::string& path) {
    QuietLog quiet;
    AVFormatContext* context = nullptr;
    if (avformat_alloc_output_context2(&context, &container, nullptr, ffmpegUrl(path, true).c_str()) < 0) return false;
    AVStream* stream = avformat_new_stream(context, nullptr);
    int status = stream ? avcodec_parameters_from_context(stream->codecpar, &encoder) : AVERROR(ENOMEM);
    if (status >= 0) {
        stream->time_base = encoder.time_base;
        if (!(container.flags & AVFMT_NOFILE)) status = avio_open_dyn_buf(&context->pb);
    }
    if (status >= 0) status = avformat_write_header(context, nullptr);
    AVIOContext* written = context->pb;
    context->pb = nullptr;
    avformat_free_context(context);
    if (written && !(container.flags & AVFMT_NOFILE)) {
        uint8_t* bytes = nullptr;
        avio_close_dyn_buf(written, &bytes);
        av_free(bytes);
    }
    return status >= 0;
}

// The encoder opened for the spec's pictures, or null with the reason in
// failure. lossless: only with a pixel format that keeps every pixel.
CodecContext openEncoder(const AVCodec& codec, const char* options, const AVOutputFormat& container,
                         const OutputSpec& spec, bool lossless, int& failure) {
    const AVPixelFormat dibFormat = dibFormatPixelFormat(spec.format);
    const AVPixelFormat pixelFormat = encoderPixelFormatFor(codec, container, dibFormat);
    failure = AVERROR(EINVAL);
    if (pixelFormat == AV_PIX_FMT_NONE || (lossless && !keepsEveryPixel(dibFormat, pixelFormat))) return nullptr;
    CodecContext encoder(avcodec_alloc_context3(&codec));
    if (!encoder) throw std::bad_alloc();
    encoder->width = int(spec.width);
    encoder->height = int(spec.height);
    encoder->pix_fmt = pixelFormat;
    encoder->time_base = av_inv_q(spec.frameRate);
    encoder->framerate = spec.frameRate;
    if (container.flags & AVFMT_GLOBALHEADER) encoder->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    AVDictionary* settings = nullptr;
    av_dict_parse_string(&settings, options, "=", ":", 0);
    failure = avcodec_open2(encoder.get(), &codec, &settings);
    av_dict_free(&settings);
    if (failure < 0) return nullptr;
    return encoder;
}

// The encoder, opened, when the container takes it; silently, since most
// containers take only some of the encoders tried.
CodecContext openIfTaken(const AVCodec& codec, const char* options, const AVOutputFormat& container,
                         const OutputSpec& spec, bool lossless) {
    if (avformat_query_codec(&container, codec.id, FF_COMPLIANCE_NORMAL) != 1) return nullptr;
    QuietLog quiet;
    int failure = 0;
    CodecContext encoder = openEncoder(codec, options, container, spec, lossless, failure);
    return encoder && muxerTakes(container, *encoder, spec.path) ? std::move(encoder) : nullptr;
}

std::string listOrNone(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) text += (text.empty() ? "" : ", ") + name;
    return text.empty() ? "none that drav knows" : text;
}

[[noreturn]] void refuseNamedEncoder(const AVOutputFormat& container, const OutputSpec& spec) {
    throw ToolError(
        fileMessage(spec.path, "the " + std::string(container.name) + " format does not take " + spec.codec +
                                   "; lossless encoders it takes: " + listOrNone(losslessEncodersFor(container, spec)) +
                                   " (give one with --codec, or write another container)"),
        EXIT_USAGE);
}

CodecContext openNamedEncoder(const AVOutputFormat& container, const OutputSpec& spec) {
    const AVCodec* codec = avcodec_find_encoder_by_name(spec.codec.c_str());
    if (!codec || codec->type != AVMEDIA_TYPE_VIDEO)
        throw ToolError("FFmpeg has no video encoder \"" + spec.codec + "\" (ffmpeg -encoders lists them)", EXIT_USAGE);
    if (avformat_query_codec(&container, codec->id, FF_COMPLIANCE_NORMAL) == 0) refuseNamedEncoder(container, spec);
    int failure = 0;
    CodecContext encoder = openEncoder(*codec, "", container, spec, false, failure);
    if (!encoder)
        throw ToolError(
            fileMessage(spec.path, "cannot start the " + spec.codec + " encoder: " + ffmpegErrorText(failure)));
    if (!muxerTakes(container, *encoder, spec.path)) refuseNamedEncoder(container, spec);
    return encoder;
}

// An image sequence's files are in the format their names give.
CodecContext openImageEncoder(const AVOutputFormat& container, const OutputSpec& spec) {
    const AVCodecID id = av_guess_codec(&container, nullptr, spec.path.c_str(), nullptr, AVMEDIA_TYPE_VIDEO);
    const AVCodec* codec = avcodec_find_encoder(id);
    int failure = AVERROR_ENCODER_NOT_FOUND;
    CodecContext encoder = codec ? openEncoder(*codec, "", container, spec, false, failure) : nullptr;
    if (!encoder)
        throw ToolError(fileMessage(spec.path, "cannot write images of this kind: " + ffmpegErrorText(failure) +
                                                   "; name another image format (f%05d.png)"));
    return encoder;
}

}  // namespace

bool isImageSequence(const AVOutputFormat& container) {
    return isNamed(container, "image2") || isNamed(container, "image2pipe");
}

AVPixelFormat encoderPixelFormatFor(const AVCodec& encoder, const AVOutputFormat& container, AVPixelFormat dibFormat) {
    const AVPixelFormat* supported = encoder.pix_fmts;
    if (encoder.id == AV_CODEC_ID_RAWVIDEO && isNamed(container, "avi")) supported = AVI_RAW_FORMATS;
    if (!supported) return dibFormat;
    for (const AVPixelFormat* format = supported; *format != AV_PIX_FMT_NONE; ++format)
        if (*format == dibFormat) return dibFormat;
    return avcodec_find_best_pix_fmt_of_list(supported, dibFormat, 0, nullptr);
}

std::vector<std::string> losslessEncodersFor(const AVOutputFormat& container, const OutputSpec& spec) {
    std::vector<std::string> names;
    for (const LosslessEncoder& candidate : LOSSLESS_ENCODERS) {
        const AVCodec* codec = avcodec_find_encoder_by_name(candidate.name);
        if (codec && openIfTaken(*codec, candidate.options, container, spec, true)) names.push_back(candidate.name);
    }
    return names;
}

CodecContext openEncoderFor(const AVOutputFormat& container, const OutputSpec& spec) {
    if (!spec.codec.empty()) return openNamedEncoder(container, spec);
    if (isImageSequence(container)) return openImageEncoder(container, spec);
    for (const LosslessEncoder& candidate : LOSSLESS_ENCODERS) {
        const AVCodec* codec = avcodec_find_encoder_by_name(candidate.name);
        if (!codec) continue;
        if (CodecContext encoder = openIfTaken(*codec, candidate.options, container, spec, true)) return encoder;
    }
    throw ToolError(fileMessage(spec.path, "drav knows no lossless encoder that the " + std::string(container.name) +
                                               " format takes: name one with --codec, or write another container "
                                               "(.mkv, .nut, .avi)"),
                    EXIT_USAGE);
}

}  // namespace drav::tool
