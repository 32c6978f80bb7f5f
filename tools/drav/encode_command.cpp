// drav encode: decoded input pictures -> the compressor's workers -> a DRAV AVI.
#include <cinttypes>
#include <cstdio>
#include <memory>
#include <new>
#include <optional>
#include <stdexcept>
#include <system_error>
#include <vector>

#include "avi_writer.h"
#include "codec_streams.h"
#include "command_files.h"
#include "commands.h"
#include "dib_converter.h"
#include "dib_format.h"
#include "input_reader.h"
#include "interruption.h"
#include "parallel_compressor.h"
#include "process_heap.h"
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

void printSummary(const EncodeTotals& totals, const PictureFormat& input, const DravAviWriter& writer,
                  const BITMAPINFOHEADER& compressed) {
    std::fprintf(stderr,
                 "encoded %" PRId64
                 " frames of %ux%u, %u bits per pixel, into a DRAV stream of %u bits per pixel "
                 "(key frames: %" PRId64
                 ")\n"
                 "  file %" PRId64
                 " bytes; ratio %s\n"
                 "  %.2f s, %.1f frames per second\n",
                 totals.frames, unsigned(input.width), unsigned(input.height), input.depth,
                 unsigned(compressed.biBitCount), totals.keyFrames, writer.fileBytes(),
                 compressionRatioText(compressed, totals.frames, writer.frameBytesWritten()).c_str(), totals.seconds,
                 framesPerSecond(totals.frames, totals.seconds));
}

// The stream's depth and size come from its first picture.
PictureFormat streamFormatOf(const AVFrame& first, unsigned requestedDepth) {
    const unsigned depth = requestedDepth ? requestedDepth : defaultInputDepth(AVPixelFormat(first.format));
    return PictureFormat{uint32_t(first.width), uint32_t(first.height), depth};
}

static_assert(MAX_ENCODE_JOBS <= ParallelCompressor::MAX_JOBS, "every --jobs the command line takes can run");

// The decoded frames the compressor reads, one a slot, each with the rows and
// colour table it is converted into when the compressor cannot read its own;
// and a converter for each worker. Allocated once for the whole stream.
class DecodedPictures final : public PictureSlots {
public:
    // Throws ToolError naming the input for a depth or size the tool cannot take.
    DecodedPictures(const PictureFormat& format, unsigned jobs, const std::string& input) {
        try {
            for (unsigned i = 0; i < jobs; ++i) converters_.push_back(std::make_unique<DibConverter>(format));
        } catch (const ToolError& error) {
            throw ToolError(fileMessage(input, error.what()), error.code());
        }
        for (size_t i = 0; i < ParallelCompressor::slotCountFor(jobs); ++i) frames_.push_back(allocateFrame());
        converted_ = std::make_unique<ConvertedPicture[]>(frames_.size());
    }

    AVFrame& frame(size_t slot) { return *frames_[slot]; }

    InputPicture prepare(size_t slot, unsigned worker) override {
        return converters_[worker]->convert(*frames_[slot], converted_[slot]);
    }
    void release(size_t slot) override { av_frame_unref(frames_[slot].get()); }

private:
    std::vector<std::unique_ptr<DibConverter>> converters_;
    std::vector<Frame> frames_;
    std::unique_ptr<ConvertedPicture[]> converted_;
};

// The stream's format as the driver proposes it, for pictures the codec can carry.
BITMAPINFOHEADER compressedFormatOf(const PictureFormat& format) {
    const BITMAPINFOHEADER input = dibHeader(format.width, format.height, format.depth);
    requireSupportedPictureSize(input);
    return compressedStreamFormat(input);
}

std::unique_ptr<ParallelCompressor> startCompressor(const PictureFormat& format, unsigned jobs,
                                                    PictureSlots& pictures) {
    try {
        return std::make_unique<ParallelCompressor>(format, jobs, pictures);
    } catch (const std::bad_alloc&) {
        throw ToolError("not enough memory for the compression stream");
    } catch (const std::system_error& error) {
        throw ToolError(std::string("cannot start the compression threads: ") + error.what());
    } catch (const std::invalid_argument&) {
        throw ToolError("the codec refused the compression stream");
    }
}

// The parts of a running encode, and the loop that drives them: pictures are
// read and handed to the compressor while it has room, and its frames are
// written in order as they come back.
class Encoder {
public:
    Encoder(const EncodeOptions& options, VideoInput& input, DecodedPictures& pictures, ParallelCompressor& compressor,
            DravAviWriter& writer)
        : options_(options), input_(input), pictures_(pictures), compressor_(compressor), writer_(writer) {}

    // Encodes from the first picture on until the input ends or the frame
    // limit is reached; when something fails first, or a signal comes, says
    // what, with every frame before it written.
    EarlyEnd encode(AVFrame& first, Progress& progress, EncodeTotals& totals) {
        try {
            av_frame_move_ref(&pictures_.frame(compressor_.nextSlot()), &first);
            submit();
            std::optional<EarlyEnd> inputEnd;  // known once no more pictures are to come
            for (;;) {
                while (!inputEnd && !compressor_.full()) inputEnd = readNext();
                if (compressor_.empty()) return *inputEnd;
                // A frame that fails ends the stream before a later failure of the input.
                if (std::optional<EarlyEnd> failed = receiveAndWrite(totals)) return *failed;
                progress.update(totals.frames);
            }
        } catch (const ToolError& error) {
            return EarlyEnd{error.what(), EXIT_FAILURE_RUN};
        } catch (const std::bad_alloc&) {
            return EarlyEnd{"not enough memory", EXIT_FAILURE_RUN};
        }
    }

private:
    void submit() { compressor_.submit(submitted_++ % options_.keyInterval == 0); }

    // Reads the next picture into the compressor; says why not when none is to come.
    std::optional<EarlyEnd> readNext() {
        if (options_.frameLimit >= 0 && submitted_ >= options_.frameLimit) return EarlyEnd{};
        try {
            if (!input_.nextFrame(pictures_.frame(compressor_.nextSlot())))
                return interrupted() ? EarlyEnd{fileMessage(options_.output, "interrupted"), EXIT_FAILURE_RUN}
                                     : EarlyEnd{};
        } catch (const ToolError& error) {
            return EarlyEnd{error.what(), EXIT_DAMAGED};
        }
        submit();
        return std::nullopt;
    }

    // Writes the oldest frame in flight; says why not when its picture could not be read.
    std::optional<EarlyEnd> receiveAndWrite(EncodeTotals& totals) {
        const int64_t number = totals.frames;
        FrameBytes compressed;
        bool coded;
        try {
            coded = compressor_.receive(compressed);
        } catch (const ToolError& error) {
            return EarlyEnd{frameMessage(options_.input, number, error.what()), EXIT_DAMAGED};
        }
        if (!coded) throw ToolError(frameMessage(options_.input, number, "the codec could not compress this picture"));
        writer_.writeFrame(compressed.data, compressed.size, compressed.keyFrame);
        totals.keyFrames += compressed.keyFrame ? 1 : 0;
        ++totals.frames;
        return std::nullopt;
    }

    const EncodeOptions& options_;
    VideoInput& input_;
    DecodedPictures& pictures_;
    ParallelCompressor& compressor_;
    DravAviWriter& writer_;
    int64_t submitted_ = 0;
};

}  // namespace

int runEncode(const EncodeOptions& options) {
    requireNoTerminal(options.input, false);
    requireOutputIsNotInput(options.input, options.output);
    Stopwatch clock;
    reserveHeapInHugePages();  // before the reading thread allocates its first frame
    VideoInput input(InputSpec{options.input, options.inputFormat, options.inputOptions, options.threads});
    Frame first = allocateFrame();
    if (!input.nextFrame(*first))
        throw ToolError(
            fileMessage(options.input, interrupted() ? "interrupted before its first frame" : "no video frames"));
    const PictureFormat format = streamFormatOf(*first, options.depth);
    const unsigned jobs = ParallelCompressor::jobsFor(options.jobs);
    DecodedPictures pictures(format, jobs, options.input);
    const BITMAPINFOHEADER compressed = compressedFormatOf(format);
    const std::unique_ptr<ParallelCompressor> compressor = startCompressor(format, jobs, pictures);
    DravAviWriter writer(options.output, compressed, input.frameRate());

    Progress progress("encode", expectedFrames(input, options.frameLimit), !options.quiet);
    EncodeTotals totals;
    EarlyEnd end = Encoder(options, input, pictures, *compressor, writer).encode(*first, progress, totals);
    progress.finish();
    if (end.code != EXIT_OK && totals.frames == 0) throw ToolError(end.reason);  // no recording: nothing to keep
    if (end.code != EXIT_OK) printDiagnostic(end.reason);
    // The frames written are a recording of their own, whatever stopped it.
    // When the file cannot be completed, the error says where they are.
    writer.finish();
    totals.seconds = clock.seconds();
    if (!options.quiet) printSummary(totals, format, writer, compressed);
    if (end.code != EXIT_OK)
        printDiagnostic(fileMessage(
            options.output, "finished with the " + std::to_string(totals.frames) + " frames encoded before that"));
    return end.code;
}

}  // namespace drav::tool
