// drav encode: decoded input pictures -> DIBs -> the compressor -> a DRAV AVI.
#include <cinttypes>
#include <cstdio>
#include <memory>
#include <new>

#include "avi_writer.h"
#include "codec_streams.h"
#include "command_files.h"
#include "commands.h"
#include "dib_converter.h"
#include "dib_format.h"
#include "input_reader.h"
#include "interruption.h"
#include "progress.h"
#include "stream_figures.h"
#include "tool_error.h"

namespace drav::tool {
namespace {

struct EncodeTotals {
    int64_t frames = 0, keyFrames = 0;
    double seconds = 0;
};

// Why encoding ended before the input did, and the exit code that says so.
struct EarlyEnd {
    std::string reason;  // empty: every frame asked for was encoded
    ExitCode code = EXIT_OK;
};

int64_t expectedFrames(const VideoInput& input, int64_t frameLimit) {
    int64_t announced = input.announcedFrameCount();
    if (frameLimit > 0 && (announced == 0 || frameLimit < announced)) return frameLimit;
    return announced;
}

void printSummary(const EncodeTotals& totals, const DibPicture& picture, const DravAviWriter& writer,
                  const BITMAPINFOHEADER& compressed) {
    const BITMAPINFOHEADER& input = picture.info.header;
    std::fprintf(stderr,
                 "encoded %" PRId64
                 " frames of %dx%d, %u bits per pixel, into a DRAV stream of %u bits per pixel "
                 "(key frames: %" PRId64
                 ")\n"
                 "  file %" PRId64
                 " bytes; ratio %s\n"
                 "  %.2f s, %.1f frames per second\n",
                 totals.frames, int(input.biWidth), int(input.biHeight), unsigned(input.biBitCount),
                 unsigned(compressed.biBitCount), totals.keyFrames, writer.fileBytes(),
                 compressionRatioText(compressed, totals.frames, writer.frameBytesWritten()).c_str(), totals.seconds,
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

// The parts of a running encode, and the loop that drives them.
class Encoder {
public:
    Encoder(const EncodeOptions& options, VideoInput& input, DibConverter& converter, CompressionStream& codec,
            DravAviWriter& writer)
        : options_(options), input_(input), converter_(converter), codec_(codec), writer_(writer) {}

    // Encodes from the first picture on until the input ends or the frame
    // limit is reached; when something fails first, or a signal comes, says
    // what, with every frame before it written.
    EarlyEnd encode(const AVFrame* frame, Progress& progress, EncodeTotals& totals) {
        try {
            for (;;) {
                const int64_t number = totals.frames;
                try {
                    converter_.convert(*frame);
                } catch (const ToolError& error) {
                    return EarlyEnd{frameMessage(options_.input, number, error.what()), EXIT_DAMAGED};
                }
                compressAndWrite(totals);
                progress.update(totals.frames);
                if (options_.frameLimit >= 0 && totals.frames >= options_.frameLimit) return EarlyEnd{};
                if (interrupted()) return EarlyEnd{fileMessage(options_.output, "interrupted"), EXIT_FAILURE_RUN};
                try {
                    frame = input_.nextFrame();
                } catch (const ToolError& error) {
                    return EarlyEnd{error.what(), EXIT_DAMAGED};
                }
                if (!frame) return EarlyEnd{};
            }
        } catch (const ToolError& error) {
            return EarlyEnd{error.what(), EXIT_FAILURE_RUN};
        } catch (const std::bad_alloc&) {
            return EarlyEnd{"not enough memory", EXIT_FAILURE_RUN};
        }
    }

private:
    void compressAndWrite(EncodeTotals& totals) {
        const int64_t number = totals.frames;
        CompressedFrame compressed;
        if (!codec_.compress(converter_.picture(), number % options_.keyInterval == 0, compressed))
            throw ToolError(frameMessage(options_.input, number, "the codec could not compress this picture"));
        writer_.writeFrame(compressed.data, compressed.size, compressed.keyFrame);
        totals.keyFrames += compressed.keyFrame ? 1 : 0;
        ++totals.frames;
    }

    const EncodeOptions& options_;
    VideoInput& input_;
    DibConverter& converter_;
    CompressionStream& codec_;
    DravAviWriter& writer_;
};

}  // namespace

int runEncode(const EncodeOptions& options) {
    requireNoTerminal(options.input, false);
    requireOutputIsNotInput(options.input, options.output);
    Stopwatch clock;
    VideoInput input(InputSpec{options.input, options.inputFormat, options.inputOptions, options.threads});
    const AVFrame* frame = input.nextFrame();
    if (!frame) throw ToolError(fileMessage(options.input, "no video frames"));
    std::unique_ptr<DibConverter> converter = converterFor(*frame, options.depth, options.input);
    CompressionStream codec(converter->picture().info.header);
    DravAviWriter writer(options.output, codec.compressedFormat(), input.frameRate());

    Progress progress("encode", expectedFrames(input, options.frameLimit), !options.quiet);
    EncodeTotals totals;
    EarlyEnd end = Encoder(options, input, *converter, codec, writer).encode(frame, progress, totals);
    progress.finish();
    if (end.code != EXIT_OK && totals.frames == 0) throw ToolError(end.reason);  // no recording: nothing to keep
    if (end.code != EXIT_OK) printDiagnostic(end.reason);
    // The frames written are a recording of their own, whatever stopped it.
    // When the file cannot be completed, the error says where they are.
    writer.finish();
    totals.seconds = clock.seconds();
    if (!options.quiet) printSummary(totals, converter->picture(), writer, codec.compressedFormat());
    if (end.code != EXIT_OK)
        printDiagnostic(fileMessage(
            options.output, "finished with the " + std::to_string(totals.frames) + " frames encoded before that"));
    return end.code;
}

}  // namespace drav::tool
