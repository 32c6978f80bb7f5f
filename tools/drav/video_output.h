// Writes decoded pictures with FFmpeg: any container and encoder it offers,
// lossless ones by default.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "dib_converter.h"
#include "dib_format.h"
#include "ffmpeg_support.h"
#include "raw_frame_writer.h"

namespace drav::tool {

struct OutputSpec {
    std::string path;       // "-": standard output
    std::string container;  // muxer name; empty: from the path ("-": raw frames)
    std::string codec;      // encoder name; empty: chosen by defaultEncoderName
    DibFormat format = DibFormat::Bgr24;
    uint32_t width = 0, height = 0;
    AVRational frameRate{25, 1};
};

class VideoOutput {
public:
    // Throws ToolError naming the file when the output cannot be set up.
    explicit VideoOutput(const OutputSpec& spec);
    VideoOutput(const VideoOutput&) = delete;
    VideoOutput& operator=(const VideoOutput&) = delete;

    // One picture in the spec's format and size.
    void write(const PictureRows& picture, int64_t frameNumber);
    // Flushes the encoder and closes the container.
    void finish();

    const char* encoderName() const { return encoder_->codec->name; }
    AVPixelFormat encoderPixelFormat() const { return encoder_->pix_fmt; }

private:
    void openEncoder(const OutputSpec& spec);
    bool writesRawFramesItself(const OutputSpec& spec) const;
    void sendToEncoder(const AVFrame* frame);
    [[noreturn]] void throwWriteError(int status) const;

    std::string path_;
    OutputContext muxer_;
    CodecContext encoder_;
    AVStream* stream_ = nullptr;
    Packet packet_;
    std::unique_ptr<OutputPictureConverter> converter_;
    std::unique_ptr<RawFrameWriter> rawFrames_;  // set when the encoder is left out
};

// The encoder used when none is named: an image format's own one for image
// sequences, uncompressed frames where the container takes them, else FFV1.
std::string defaultEncoderName(const AVOutputFormat& container, const std::string& path);

// The encoder's pixel format nearest the DIB's: the DIB's own when it takes it.
AVPixelFormat encoderPixelFormatFor(const AVCodec& encoder, const AVOutputFormat& container, AVPixelFormat dibFormat);

}  // namespace drav::tool
