// Writes decoded pictures with FFmpeg: any container and encoder it offers,
// lossless ones by default.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "dib_converter.h"
#include "dib_format.h"
#include "ffmpeg_support.h"
#include "partial_file.h"
#include "raw_frame_writer.h"

namespace drav::tool {

struct OutputSpec {
    std::string path;       // "-": standard output
    std::string container;  // muxer name; empty: from the path ("-": raw frames)
    std::string codec;      // encoder name; empty: chosen by openEncoderFor
    DibFormat format = DibFormat::Bgr24;
    uint32_t width = 0, height = 0;
    AVRational frameRate{25, 1};
    int64_t frames = 0;  // pictures that will be written; 0: unknown
};

// A file is written under a temporary name beside its own and put in place
// by finish(): an output left unfinished, for whatever reason, is removed.
// Image sequences write each image so (FFmpeg's atomic writing), numbered
// from 0 as drav info numbers frames; the standard output, devices and pipes
// are written directly.
class VideoOutput {
public:
    // Throws ToolError naming the file when the output cannot be set up; nothing
    // is left behind then.
    explicit VideoOutput(const OutputSpec& spec);
    VideoOutput(const VideoOutput&) = delete;
    VideoOutput& operator=(const VideoOutput&) = delete;

    // One picture in the spec's format and size.
    void write(const PictureRows& picture, int64_t frameNumber);
    // Flushes the encoder, closes the container and puts the file in place.
    void finish();

    // True when an output left unfinished leaves nothing under its name.
    bool removedUnlessFinished() const { return file_ != nullptr; }
    const char* encoderName() const { return encoder_->codec->name; }
    AVPixelFormat encoderPixelFormat() const { return encoder_->pix_fmt; }

private:
    void openFile(const OutputSpec& spec);
    void writeHeader();
    bool writesRawFramesItself(const OutputSpec& spec) const;
    void sendToEncoder(const AVFrame* frame);
    [[noreturn]] void throwWriteError(int status) const;

    std::string path_;
    std::unique_ptr<PartialFile> file_;  // outlives the muxer, which closes it
    OutputContext muxer_;
    CodecContext encoder_;
    AVStream* stream_ = nullptr;
    Packet packet_;
    bool onePicture_ = false;  // an image file name without a frame number
    std::unique_ptr<OutputPictureConverter> converter_;
    std::unique_ptr<RawFrameWriter> rawFrames_;  // set when the encoder is left out
};

}  // namespace drav::tool
