#include "video_output.h"

#include <cstring>

#include "encoder_choice.h"
#include "tool_error.h"

extern "C" {
#include <libavutil/dict.h>
}

namespace drav::tool {
namespace {

bool isNamed(const AVOutputFormat& format, const char* name) { return std::strcmp(format.name, name) == 0; }

OutputContext allocateMuxer(const OutputSpec& spec) {
    const std::string container = spec.container.empty() && spec.path == "-" ? "rawvideo" : spec.container;
    AVFormatContext* context = nullptr;
    int status = avformat_alloc_output_context2(&context, nullptr, container.empty() ? nullptr : container.c_str(),
                                                ffmpegUrl(spec.path, true).c_str());
    if (status < 0 || !context) {
        if (!container.empty())
            throw ToolError("FFmpeg has no output format \"" + container + "\" (ffmpeg -muxers lists them)",
                            EXIT_USAGE);
        throw ToolError(fileMessage(spec.path, "cannot tell the output format from the name; give --container"),
                        EXIT_USAGE);
    }
    return OutputContext(context);
}

// An image file name without a frame number ("one.png") holds one picture.
void requireNameForEveryPicture(const OutputSpec& spec) {
    if (spec.frames == 1) return;
    const std::string count =
        spec.frames > 1 ? "the output gets " + std::to_string(spec.frames) + " frames" : "the stream may have more";
    throw ToolError(fileMessage(spec.path, "names one picture, and " + count +
                                               ": give a numbered name such as frame%05d.png (numbered from 0, as "
                                               "drav info numbers frames), or --frames 1 for the first"),
                    EXIT_USAGE);
}

}  // namespace

VideoOutput::VideoOutput(const OutputSpec& spec)
    : path_(spec.path), muxer_(allocateMuxer(spec)), packet_(allocatePacket()) {
    const AVOutputFormat& container = *muxer_->oformat;
    onePicture_ = isNamed(container, "image2") && !av_filename_number_test(spec.path.c_str());
    if (onePicture_) requireNameForEveryPicture(spec);
    encoder_ = openEncoderFor(container, spec);
    converter_ = std::make_unique<OutputPictureConverter>(spec.format, encoder_->pix_fmt, spec.width, spec.height);

    stream_ = avformat_new_stream(muxer_.get(), nullptr);
    if (!stream_) throw std::bad_alloc();
    avcodec_parameters_from_context(stream_->codecpar, encoder_.get());
    stream_->time_base = encoder_->time_base;
    openFile(spec);
    writeHeader();
    if (writesRawFramesItself(spec)) {
        int rowBytes = int(spec.width * (dibFormatBitCount(spec.format) / 8));
        rawFrames_ = std::make_unique<RawFrameWriter>(*muxer_->pb, rowBytes, int(spec.height));
    }
}

void VideoOutput::openFile(const OutputSpec& spec) {
    if (muxer_->oformat->flags & AVFMT_NOFILE) {
        PartialFile probe(spec.path);  // the folder takes new files: the same error as for any other output
        return;
    }
    std::string url = ffmpegUrl(spec.path, true);
    if (spec.path != "-" && isReplaceableFile(spec.path)) {
        file_ = std::make_unique<PartialFile>(spec.path);
        url = file_->path();
    }
    int status = avio_open(&muxer_->pb, url.c_str(), AVIO_FLAG_WRITE);
    if (status < 0) throw ToolError(fileMessage(spec.path, "cannot create: " + ffmpegErrorText(status)));
}

void VideoOutput::writeHeader() {
    AVDictionary* options = nullptr;
    if (isNamed(*muxer_->oformat, "image2")) {
        av_dict_set(&options, "start_number", "0", 0);
        av_dict_set(&options, "atomic_writing", "1", 0);
    }
    int status = avformat_write_header(muxer_.get(), &options);
    av_dict_free(&options);
    if (status < 0) throw ToolError(fileMessage(path_, "cannot write the header: " + ffmpegErrorText(status)));
}

// The rawvideo encoder with the DIB's own pixels gives each picture's rows
// packed top-down, and the rawvideo muxer writes them as they are.
bool VideoOutput::writesRawFramesItself(const OutputSpec& spec) const {
    return isNamed(*muxer_->oformat, "rawvideo") && muxer_->pb && encoder_->codec_id == AV_CODEC_ID_RAWVIDEO &&
           encoder_->pix_fmt == dibFormatPixelFormat(spec.format);
}

void VideoOutput::write(const PictureRows& picture, int64_t frameNumber) {
    if (onePicture_ && frameNumber > 0)
        throw ToolError(fileMessage(path_,
                                    "names one picture, and the stream has more: give a numbered name such as "
                                    "frame%05d.png, or --frames 1"),
                        EXIT_USAGE);
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
        // Every picture lasts one frame (the encoder's time base); a muxer
        // that is not told so gives the last one no time (MOV and MP4 drop it).
        if (packet_->duration <= 0) packet_->duration = 1;
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
    if (file_) file_->commit();
}

}  // namespace drav::tool
