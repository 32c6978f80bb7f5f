// drav encode: decoded input pictures -> DIBs -> the compressor -> a DRAV AVI.
#include <cinttypes>
#include <cstdio>
#include <memory>

#include "avi_writer.h"
#include "codec_streams.h"
#include "commands.h"
#include "dib_converter.h"
#include "dib_format.h"
#include "input_reader.h"
#include "progress.h"
#include "tool_error.h"

namespace drav::tool {
namespace {

struct EncodeTotals {
    int64_t frames = 0, keyFrames = 0;
    double seconds = 0;
};

int64_t expectedFrames(const VideoInput& input, int64_t frameLimit) {
    int64_t announced = input.announcedFrameCount();
    if (frameLimit > 0 && (announced == 0 || frameLimit < announced)) return frameLimit;
    return announced;
}

void printSummary(const EncodeTotals& totals, const DibPicture& picture, const DravAviWriter& writer,
                  const BITMAPINFOHEADER& compressed) {
    const BITMAPINFOHEADER& input = picture.info.header;
    double rawBytes = double(input.biSizeImage) * double(totals.frames);
    double ratio = writer.frameBytesWritten() > 0 ? rawBytes / double(writer.frameBytesWritten()) : 0.0;
    std::fprintf(stderr,
                 "encoded %" PRId64
                 " frames of %dx%d, %u bits per pixel, into a DRAV stream of %u bits per pixel "
                 "(key frames: %" PRId64
                 ")\n"
                 "  frames %" PRId64 " bytes, file %" PRId64
                 " bytes; the %u-bit DIB frames %.0f bytes: ratio %.1f\n"
                 "  %.2f s, %.1f frames per second\n",
                 totals.frames, int(input.biWidth), int(input.biHeight), unsigned(input.biBitCount),
                 unsigned(compressed.biBitCount), totals.keyFrames, writer.frameBytesWritten(), writer.fileBytes(),
                 unsigned(input.biBitCount), rawBytes, ratio, totals.seconds,
                 framesPerSecond(totals.frames, totals.seconds));
}

// The stream's depth and size come from its first picture.
std::unique_ptr<DibConverter> converterFor(const AVFrame& first, unsigned requestedDepth, const std::string& input) {
    unsigned depth = requestedDepth ? requestedDepth : defaultInputDepth(AVPixelFormat(first.format));
    try {
        return std::make_unique<DibConverter>(depth, uint32_t(first.width), uint32_t(first.height));
    } catch (const ToolError& error) {
        throw ToolError(fileMessage(input, error.what()), error.code());
    }
}

}  // namespace

int runEncode(const EncodeOptions& options) {
    Stopwatch clock;
    VideoInput input(InputSpec{options.input, options.inputFormat, options.inputOptions, options.threads});
    const AVFrame* frame = input.nextFrame();
    if (!frame) throw ToolError(fileMessage(options.input, "no video frames"));
    std::unique_ptr<DibConverter> converter = converterFor(*frame, options.depth, options.input);
    CompressionStream codec(converter->picture().info.header);
    DravAviWriter writer(options.output, codec.compressedFormat(), input.frameRate());

    Progress progress("encode", expectedFrames(input, options.frameLimit), !options.quiet);
    EncodeTotals totals;
    while (frame && (options.frameLimit < 0 || totals.frames < options.frameLimit)) {
        int64_t number = totals.frames;
        try {
            converter->convert(*frame);
        } catch (const ToolError& error) {
            throw ToolError(frameMessage(options.input, number, error.what()), error.code());
        }
        CompressedFrame compressed;
        if (!codec.compress(converter->picture(), number % options.keyInterval == 0, compressed))
            throw ToolError(frameMessage(options.input, number, "the codec could not compress this picture"));
        writer.writeFrame(compressed.data, compressed.size, compressed.keyFrame);
        totals.keyFrames += compressed.keyFrame ? 1 : 0;
        progress.update(++totals.frames);
        if (options.frameLimit < 0 || totals.frames < options.frameLimit) frame = input.nextFrame();
    }
    writer.finish();
    progress.finish();
    totals.seconds = clock.seconds();
    if (!options.quiet) printSummary(totals, converter->picture(), writer, codec.compressedFormat());
    return EXIT_OK;
}

}  // namespace drav::tool
