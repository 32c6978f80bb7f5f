#include "ffmpeg_support.h"

#include <new>

extern "C" {
#include <libavutil/error.h>
#include <libavutil/log.h>
}

namespace drav::tool {

void OutputContextCloser::operator()(AVFormatContext* context) const {
    if (!context) return;
    if (context->oformat && !(context->oformat->flags & AVFMT_NOFILE)) avio_closep(&context->pb);
    avformat_free_context(context);
}

Frame allocateFrame() {
    Frame frame(av_frame_alloc());
    if (!frame) throw std::bad_alloc();
    return frame;
}

Packet allocatePacket() {
    Packet packet(av_packet_alloc());
    if (!packet) throw std::bad_alloc();
    return packet;
}

std::string ffmpegErrorText(int error) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(error, text, sizeof text);
    return text;
}

std::string ffmpegUrl(const std::string& path, bool output) {
    if (path == "-") return output ? "pipe:1" : "pipe:0";
    return path;
}

void quietenFfmpegLog() { av_log_set_level(AV_LOG_ERROR); }

}  // namespace drav::tool
