// Owning handles for FFmpeg's objects, and FFmpeg's error texts.
#pragma once

#include <memory>
#include <string>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/frame.h>
#include <libswscale/swscale.h>
}

namespace drav::tool {

struct InputContextCloser {
    void operator()(AVFormatContext* context) const { avformat_close_input(&context); }
};
struct OutputContextCloser {
    void operator()(AVFormatContext* context) const;  // closes the file, frees the context
};
struct CodecContextFreer {
    void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
};
struct FrameFreer {
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct PacketFreer {
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
struct ScalerFreer {
    void operator()(SwsContext* context) const { sws_freeContext(context); }
};

using InputContext = std::unique_ptr<AVFormatContext, InputContextCloser>;
using OutputContext = std::unique_ptr<AVFormatContext, OutputContextCloser>;
using CodecContext = std::unique_ptr<AVCodecContext, CodecContextFreer>;
using Frame = std::unique_ptr<AVFrame, FrameFreer>;
using Packet = std::unique_ptr<AVPacket, PacketFreer>;
using Scaler = std::unique_ptr<SwsContext, ScalerFreer>;

Frame allocateFrame();
Packet allocatePacket();

// FFmpeg's text for an AVERROR code.
std::string ffmpegErrorText(int error);

// FFmpeg names "-" nothing; the tool means the standard streams by it.
std::string ffmpegUrl(const std::string& path, bool output);

// Only FFmpeg's errors reach the terminal; its warnings would bury the tool's own messages.
void quietenFfmpegLog();

}  // namespace drav::tool
