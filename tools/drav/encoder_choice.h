// Which FFmpeg encoder decoded pictures are written with: the one the user
// names, or a lossless one; either way one the container takes, asked of the
// muxer before any output is opened.
#pragma once

#include <string>
#include <vector>

#include "ffmpeg_support.h"
#include "video_output.h"

namespace drav::tool {

// An opened encoder for the spec's pictures that the container takes:
// spec.codec, or when none is named an image sequence's own format, else the
// first of drav's lossless encoders (uncompressed frames, FFV1, then others)
// that the muxer takes with a pixel format that keeps every pixel. Throws
// ToolError naming the file: EXIT_USAGE when the named encoder does not exist
// or the container does not take it (the message lists the lossless encoders
// it takes), or when it takes none of drav's; EXIT_FAILURE_RUN when the named
// encoder cannot start.
CodecContext openEncoderFor(const AVOutputFormat& container, const OutputSpec& spec);

// The lossless encoders the container takes for the spec's pictures, in drav's
// order of preference.
std::vector<std::string> losslessEncodersFor(const AVOutputFormat& container, const OutputSpec& spec);

// The encoder's pixel format nearest the DIB's: the DIB's own when it takes it.
AVPixelFormat encoderPixelFormatFor(const AVCodec& encoder, const AVOutputFormat& container, AVPixelFormat dibFormat);

// True for the muxers that write one image file per picture.
bool isImageSequence(const AVOutputFormat& container);

}  // namespace drav::tool
