#include "video_output.h"

#include <cstring>

#include "tool_error.h"

namespace drav::tool {
namespace {

bool isNamed(const AVOutputFormat& format, const char* name) { return std::strcmp(format.name, name) == 0; }

bool isImageSequence(const AVOutputFormat& format) {
    return isNamed(format, "image2") || isNamed(format, "image2pipe");
}

// FFmpeg's AVI muxer stores uncompressed video as BI_RGB, which says nothing of
// 5-6-5 or of an unused fourth byte: it takes only these layouts unchanged.
constexpr AVPixelFormat AVI_RAW_FORMATS[] = {AV_PIX_FMT_BGR24, AV_PIX_FMT_RGB555LE, AV_PIX_FMT_NONE};

}  // namespace

std::string defaultEncoderName(const AVOutputFormat& container, const std::string& path) {
    if (isImageSequence(container)) {
        AVCodecID id = av_guess_codec(&container, nullptr, path.c_str(), nullptr, AVMEDIA_TYPE_VIDEO);
        const AVCodec* codec = avcodec_find_encoder(id);
        if (codec) return codec->name;
    }
    if (container.video_codec == AV_CODEC_ID_RAWVIDEO ||
        avformat_query_codec(&container, AV_CODEC_ID_RAWVIDEO, FF_COMPLIANCE_NORMAL) == 1)
        return "rawvideo";
    return "ffv1";
}

AVPixelFormat encoderPixelFormatFor(const AVCodec& encoder, const AVOutputFormat& container, AVPixelFormat dibFormat) {
    const AVPixelFormat* supported = encoder.pix_fmts;
    if (encoder.id == AV_CODEC_ID_RAWVIDEO && isNamed(container, "avi")) supported = AVI_RAW_FORMATS;
    if (!supported) return dibFormat;
    for (const AVPixelFormat* format = supported; *format != AV_PIX_FMT_NONE; ++format)
        if (*format == dibFormat) return dibFormat;
    return avcodec_find_best_pix_fmt_of_list(supported, dibFormat, 0, nullptr);
}

VideoOutput::VideoOutput(const OutputSpec& spec) : path_(spec.path), packet_(allocatePacket()) {
    std::string url = ffmpegUrl(spec.path, true);
    std::string container = spec.container.empty() && spec.path == "-" ? "rawvideo" : spec.container;
    AVFormatContext* context = nullptr;
    int status =
        avformat_alloc_output_context2(&context, nullptr, container.empty() ? nullptr : container.c_str(), url.c_str());
    if (status < 0 || !context) {
        if (!container.empty()) throw ToolError("FFmpeg has no output format \"" + container + "\"", EXIT_USAGE);
        throw ToolError(fileMessage(spec.path, "cannot tell the output format from the name; give --container"),
                        EXIT_USAGE);
    }
    muxer_.reset(context);
    openEncoder(spec);

    stream_ = avformat_new_stream(context, nullptr);
    if (!stream_) throw std::bad_alloc();
    avcodec_parameters_from_context(stream_->codecpar, encoder_.get());
    stream_->time_base = encoder_->time_base;
    if (!(context->oformat->flags & AVFMT_NOFILE)) {
        status = avio_open(&context->pb, url.c_str(), AVIO_FLAG_WRITE);
        if (status < 0) throw ToolError(fileMessage(spec.path, "cannot create: " + ffmpegErrorText(status)));
    }
    status = avformat_write_header(context, nullptr);
    if (status < 0) throw ToolError(fileMessage(spec.path, "cannot write the header: " + ffmpegErrorText(status)));
    if (writesRawFramesItself(spec)) {
        int rowBytes = int(spec.width * (dibFormatBitCount(spec.format) / 8));
        rawFrames_ = std::make_unique<RawFrameWriter>(*context->pb, rowBytes, int(spec.height));
    }
}

// The rawvideo encoder with the DIB's own pixels gives each picture's rows
// packed top-down, and the rawvideo muxer writes them as they are.
bool VideoOutput::writesRawFramesItself(const OutputSpec& spec) const {
    return isNamed(*muxer_->oformat, "rawvideo") && muxer_->pb && encoder_->codec_id == AV_CODEC_ID_RAWVIDEO &&
           encoder_->pix_fmt == dibFormatPixelFormat(spec.format);
}

void VideoOutput::openEncoder(const OutputSpec& spec) {
    const AVOutputFormat& container = *muxer_->oformat;
    std::string name = spec.codec.empty() ? defaultEncoderName(container, spec.path) : spec.codec;
    const AVCodec* codec = avcodec_find_encoder_by_name(name.c_str());
    if (!codec || codec->type != AVMEDIA_TYPE_VIDEO)
        throw ToolError("FFmpeg has no video encoder \"" + name + "\"", EXIT_USAGE);
    encoder_.reset(avcodec_alloc_context3(codec));
    if (!encoder_) throw std::bad_alloc();
    AVPixelFormat dibFormat = dibFormatPixelFormat(spec.format);
    encoder_->width = int(spec.width);
    encoder_->height = int(spec.height);
    encoder_->pix_fmt = encoderPixelFormatFor(*codec, container, dibFormat);
    encoder_->time_base = av_inv_q(spec.frameRate);
    encoder_->framerate = spec.frameRate;
    if (container.flags & AVFMT_GLOBALHEADER) encoder_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    int status = avcodec_open2(encoder_.get(), codec, nullptr);
    if (status < 0)
        throw ToolError(fileMessage(spec.path, "cannot start the " + name + " encoder: " + ffmpegErrorText(status)));
    converter_ = std::make_unique<OutputPictureConverter>(spec.format, encoder_->pix_fmt, spec.width, spec.height);
}

void VideoOutput::write(const PictureRows& picture, int64_t frameNumber) {
    if (!rawFrames_) return sendToEncoder(converter_->convert(picture, frameNumber));
    int status = rawFrames_->write(picture);
    if (status < 0) throwWriteError(status);
}

void VideoOutput::sendToEncoder(const AVFrame* frame) {
    int status = avcodec_send_frame(encoder_.get(), frame);
    while (status >= 0) {
        status = avcodec_receive_packet(encoder_.get(), packet_.get());
        if (status == AVERROR(EAGAIN) || status == AVERROR_EOF) return;
        if (status < 0) break;
        av_packet_rescale_ts(packet_.get(), encoder_->time_base, stream_->time_base);
        packet_->stream_index = stream_->index;
        status = av_interleaved_write_frame(muxer_.get(), packet_.get());
    }
    throwWriteError(status);
}

void VideoOutput::throwWriteError(int status) const {
    throw ToolError(fileMessage(path_, "cannot write: " + ffmpegErrorText(status)));
}

void VideoOutput::finish() {
    sendToEncoder(nullptr);
    int status = av_write_trailer(muxer_.get());
    if (status >= 0 && !(muxer_->oformat->flags & AVFMT_NOFILE)) status = avio_closep(&muxer_->pb);
    if (status < 0) throw ToolError(fileMessage(path_, "cannot finish: " + ffmpegErrorText(status)));
}

}  // namespace drav::tool
