// What a DRAV stream is, in one place: the pictures the compressor takes, the
// streams the decompressor reads and the pictures it renders them to, the
// stream format a compressor proposes, the picture a decompressor proposes,
// and what a key frame tells of its stream. The driver, drav and the players'
// plugins ask here rather than keep rules of their own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "frame_codec.h"

namespace drav {

// True for the depths of the compressor's input pictures: 8 (palette
// indices), 16 (RGB555) and 32 (blue, green, red, unused).
bool isCompressorInputDepth(unsigned depth);
// True for the depths of the compressed streams the decompressor reads: 8,
// 16 and 24 (a depth earlier compressors wrote for 32-bit input; its frames
// are RGB555).
bool isStreamDepth(unsigned depth);

// Why the compressor cannot take pictures of the format, in words for a
// user ("unsupported depth 12 bits per pixel (...)"); empty when it can:
// then FrameCompressor::begin fails only for want of memory.
std::string compressorInputProblem(const PictureFormat& input);
// The same for a compressed stream the decompressor is asked to read (and
// FrameDecompressor::begin).
std::string streamProblem(const PictureFormat& stream);

// The stream format a compressor proposes for its input: the fields of the
// BITMAPINFOHEADER that hosts and AVI files keep it in.
struct CompressedStreamFormat {
    uint32_t width = 0, height = 0;
    unsigned depth = 0;              // 8 for 8-bit input, else 16
    uint32_t maxFrameSize = 0;       // biSizeImage: what a host allocates for one frame
    uint32_t colorTableEntries = 0;  // 256 all-zero entries behind a paletted header (the colours travel in the frames)
};
// Never fails; meaningful for an input without a compressorInputProblem.
CompressedStreamFormat proposeCompressedFormat(const PictureFormat& input);

// The stream's BITMAPINFOHEADER (40 bytes, little-endian): FOURCC DRAV, one
// plane, biClrUsed 0. Its colour table, when it has one, is all zero and
// the caller's to write behind it. Never fails.
constexpr size_t BITMAP_HEADER_SIZE = 40;
void writeCompressedStreamHeader(const CompressedStreamFormat& format, uint8_t header[BITMAP_HEADER_SIZE]);

// The renderer's output formats in the order a decompressor offers them for
// a stream: its own pixels first where the renderer writes them (RGB555 for
// 16-bit streams), else 24-bit colour, which holds every stream's colours.
// Returns OUTPUT_FORMAT_COUNT formats, never null; a depth other than 16
// gets the colour-first order.
constexpr size_t OUTPUT_FORMAT_COUNT = 4;
const OutputFormat* outputFormatsFor(unsigned streamDepth);
// The first of them, or 24-bit colour when a 16-bit picture is not wanted.
OutputFormat proposedOutputFormat(unsigned streamDepth, bool sixteenBitsAllowed = true);
// Bytes of a bottom-up output picture: rows padded to 4 bytes (0 for a value
// that names no format).
uint64_t outputPictureBytes(uint32_t width, uint32_t height, OutputFormat format);

// What a key frame tells of its stream without a decoder: its first
// rectangle starts at the origin and covers the picture, so it gives the
// picture's size, and its pixel format the depth (8 or 16). False when the
// frame has no checked rectangle at the origin (damage, or no key frame).
// A delta frame whose rectangle starts at the origin gives a smaller size:
// probe only frames the container marks as key frames.
bool probeKeyFrame(ByteSpan frame, PictureFormat& stream);

}  // namespace drav
