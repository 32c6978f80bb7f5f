// drav decode: a DRAV AVI -> the decompressor and renderer -> any FFmpeg output,
// written on a thread of its own while the next frame is decoded.
#include <cinttypes>
#include <cstdio>
#include <memory>

#include "avi_reader.h"
#include "codec_streams.h"
#include "command_files.h"
#include "commands.h"
#include "dib_format.h"
#include "frame_sequence_decoder.h"
#include "interruption.h"
#include "progress.h"
#include "tool_error.h"
#include "video_output.h"
#include "writing_thread.h"

namespace drav::tool {
namespace {

struct DecodeTotals {
    int64_t frames = 0, corrupt = 0, held = 0;
    double seconds = 0;
};

BITMAPINFOHEADER outputHeader(const DecodeOptions& options, const BITMAPINFOHEADER& stream, DibFormat format) {
    uint32_t width = options.width ? options.width : uint32_t(stream.biWidth);
    uint32_t height = options.height ? options.height : uint32_t(stream.biHeight);
    return outputHeaderFor(format, width, height);
}

std::unique_ptr<DecompressionStream> openCodec(const DecodeOptions& options, const BITMAPINFOHEADER& stream,
                                               DibFormat format, const BITMAPINFOHEADER& output) {
    try {
        return std::make_unique<DecompressionStream>(stream, format, uint32_t(output.biWidth),
                                                     uint32_t(output.biHeight), options.smoothHalf);
    } catch (const ToolError& error) {
        throw ToolError(fileMessage(options.input, error.what()), error.code());
    }
}

void printSummary(const DecodeTotals& totals, const BITMAPINFOHEADER& output, DibFormat format,
                  const VideoOutput& writer) {
    std::fprintf(stderr, "decoded %" PRId64 " frames to %dx%d %s (%s)", totals.frames, int(output.biWidth),
                 int(output.biHeight), dibFormatName(format), writer.encoderName());
    if (totals.corrupt || totals.held)
        std::fprintf(stderr, "; %" PRId64 " corrupt, %" PRId64 " showing a held picture", totals.corrupt, totals.held);
    std::fprintf(stderr, "\n  %.2f s, %.1f frames per second\n", totals.seconds,
                 framesPerSecond(totals.frames, totals.seconds));
}

int64_t expectedFrames(const DravStreamInfo& stream, int64_t frameLimit) {
    if (frameLimit > 0 && (stream.announcedFrames == 0 || frameLimit < stream.announcedFrames)) return frameLimit;
    return stream.announcedFrames;
}

// Decodes every frame asked for into the output, reporting damage as it
// comes; true when the input had none.
bool decodeFrames(const DecodeOptions& options, DravAviReader& reader, DecompressionStream& codec,
                  WritingThread& writer, Progress& progress, DecodeTotals& totals) {
    const DravStreamInfo& stream = reader.stream();
    auto report = [&](int64_t frame, const std::string& text) {
        progress.clear();
        printDiagnostic(frameMessage(options.input, frame, text));
    };
    FrameSequenceDecoder decoder(codec, pictureFormatOf(stream.format));
    bool damaged = false;
    StoredFrame frame;
    while (options.frameLimit < 0 || totals.frames < options.frameLimit) {
        if (interrupted()) throw ToolError(fileMessage(options.output, "interrupted"));
        DravAviReader::Result result = reader.next(frame);
        if (result == DravAviReader::Result::End) break;
        if (result == DravAviReader::Result::Unreadable) {
            report(totals.frames, "truncated file: " + reader.readError());
            return false;
        }
        std::string problem;
        switch (decoder.decode(frame, problem)) {
            case FrameSequenceDecoder::Outcome::Corrupt:
                damaged = true;
                ++totals.corrupt;
                if (options.strict) {
                    report(frame.number, problem + "; stopped");
                    return false;
                }
                report(frame.number, problem + "; holding the last good picture until the next key frame");
                break;
            case FrameSequenceDecoder::Outcome::NotKeyFrame:
                damaged = true;
                report(frame.number, "the stream does not start with a key frame: black until the first one");
                break;
            case FrameSequenceDecoder::Outcome::Recovered: report(frame.number, "key frame: decoding recovered"); break;
            default: break;
        }
        if (decoder.holding()) ++totals.held;
        writer.write(codec.outputRows(), totals.frames);
        progress.update(++totals.frames);
    }
    if (options.frameLimit < 0 && totals.frames < stream.announcedFrames) {
        progress.clear();
        printDiagnostic(fileMessage(options.input, "truncated file: the header announces " +
                                                       std::to_string(stream.announcedFrames) + " frames, " +
                                                       std::to_string(totals.frames) + " are there"));
        return false;
    }
    return !damaged;
}

// Decodes as decodeFrames does while the thread writes out each picture.
bool decodeAndWrite(const DecodeOptions& options, DravAviReader& reader, DecompressionStream& codec,
                    VideoOutput& output, Progress& progress, DecodeTotals& totals) {
    WritingThread writer(output);
    const bool intact = decodeFrames(options, reader, codec, writer, progress, totals);
    writer.finish();
    return intact;
}

}  // namespace

int runDecode(const DecodeOptions& options) {
    requireNoTerminal(options.input, false);
    requireNoTerminal(options.output, true);
    requireOutputIsNotInput(options.input, options.output);
    Stopwatch clock;
    DravAviReader reader(options.input);
    const DravStreamInfo& stream = reader.stream();
    DibFormat format =
        options.format == DibFormat::StreamDefault ? defaultOutputFormat(stream.format.biBitCount) : options.format;
    BITMAPINFOHEADER output = outputHeader(options, stream.format, format);
    std::unique_ptr<DecompressionStream> codec = openCodec(options, stream.format, format, output);
    const int64_t frames = expectedFrames(stream, options.frameLimit);
    VideoOutput writer(OutputSpec{options.output, options.container, options.codec, format, uint32_t(output.biWidth),
                                  uint32_t(output.biHeight), stream.frameRate, frames});

    Progress progress("decode", frames, !options.quiet);
    DecodeTotals totals;
    bool intact = false;
    try {
        intact = decodeAndWrite(options, reader, *codec, writer, progress, totals);
        writer.finish();
    } catch (const ToolError& error) {
        if (!writer.removedUnlessFinished()) throw;
        throw ToolError(std::string(error.what()) + "; " + options.output + " is not written", error.code());
    }
    progress.finish();
    totals.seconds = clock.seconds();
    if (!options.quiet) printSummary(totals, output, format, writer);
    return intact ? EXIT_OK : EXIT_DAMAGED;
}

}  // namespace drav::tool
