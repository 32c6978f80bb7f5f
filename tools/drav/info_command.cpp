// drav info: the stream's format, its frames and their chunks, and every
// frame's CRC check, without decoding pixels.
#include <cinttypes>
#include <cstdio>
#include <vector>

#include "avi_reader.h"
#include "codec_streams.h"
#include "command_files.h"
#include "commands.h"
#include "dib_format.h"
#include "frame_description.h"
#include "interruption.h"
#include "key_frame_probe.h"
#include "stream_figures.h"
#include "tool_error.h"

namespace drav::tool {
namespace {

constexpr size_t LISTED_FRAME_NUMBERS = 20;

struct StreamTotals {
    int64_t frames = 0, bytes = 0, largest = 0;
    std::vector<int64_t> keyFrames, badFrames;
    int64_t unflagged = 0, unknownKind = 0;  // frames the index does not flag; of them, damaged ones
    bool truncated = false;
};

const char* depthName(unsigned bitCount) {
    switch (bitCount) {
        case 8: return "palette";
        case 16: return "RGB555";
        case 24: return "24-bit";
        default: return "unsupported";
    }
}

std::string numberList(const std::vector<int64_t>& numbers) {
    std::string text;
    for (size_t i = 0; i < numbers.size() && i < LISTED_FRAME_NUMBERS; ++i)
        text += (i ? " " : "") + std::to_string(numbers[i]);
    if (numbers.size() > LISTED_FRAME_NUMBERS) text += " ...";
    return text;
}

void printFormat(const std::string& file, const DravStreamInfo& stream) {
    const BITMAPINFOHEADER& format = stream.format;
    std::printf("file:        %s\n", file.c_str());
    std::printf("format:      %s, %dx%d, %u bits per pixel (%s)\n", fourccText(format.biCompression).c_str(),
                int(format.biWidth), int(format.biHeight), unsigned(format.biBitCount), depthName(format.biBitCount));
    std::printf("frame rate:  %d/%d (%.3f frames per second)\n", stream.frameRate.num, stream.frameRate.den,
                stream.frameRate.den ? double(stream.frameRate.num) / stream.frameRate.den : 0.0);
}

// The chunks, or the sound chunks and then what is wrong.
std::string frameComposition(const StoredFrame& frame, const FrameInspection& inspection) {
    std::string text = inspection.intact || !inspection.chunks.empty() ? describeChunks(inspection) : "";
    if (inspection.trailingBytes && inspection.endChunkSeen)
        text += " +" + std::to_string(inspection.trailingBytes) + " bytes after End";
    if (!inspection.intact) text += (text.empty() ? "" : ", then ") + inspection.problem;
    if (frame.cutShort) text += "; the file ends inside this frame";
    return text;
}

using Verdict = KeyFrameProbe::Verdict;

// What the index says of a frame, or else what its bytes show.
Verdict frameKind(const StoredFrame& frame, KeyFrameProbe& probe) {
    if (frame.keyFlagKnown) return frame.keyFrame ? Verdict::Key : Verdict::Delta;
    return frame.cutShort ? Verdict::Unknown : probe.classify(frame.data, frame.size);
}

const char* kindColumn(Verdict kind) {
    switch (kind) {
        case Verdict::Key: return "key";
        case Verdict::Delta: return "   ";
        case Verdict::Unknown: return " ? ";
    }
    return "";
}

void printFrameLine(const StoredFrame& frame, Verdict kind, const FrameInspection& inspection) {
    std::printf("%8" PRId64 "  %s  %10u  %-4s %s\n", frame.number, kindColumn(kind), frame.size,
                inspection.intact && !frame.cutShort ? "ok" : "BAD", frameComposition(frame, inspection).c_str());
}

void printTotals(const DravStreamInfo& stream, const StreamTotals& totals) {
    const BITMAPINFOHEADER& format = stream.format;
    std::printf("frames:      %" PRId64, totals.frames);
    if (stream.announcedFrames != totals.frames)
        std::printf(" (the header announces %" PRId64 ")", stream.announcedFrames);
    std::printf("\nkey frames:  %zu: %s", totals.keyFrames.size(), numberList(totals.keyFrames).c_str());
    if (totals.unflagged)
        std::printf(" (%" PRId64 " frames have no index entry: told from their bytes%s)", totals.unflagged,
                    totals.unknownKind ? ", but damaged ones (?) show neither" : "");
    std::printf("\n");
    std::printf("sizes:       %" PRId64 " bytes of frames, %.0f per frame on average, largest %" PRId64 "\n",
                totals.bytes, totals.frames ? double(totals.bytes) / double(totals.frames) : 0.0, totals.largest);
    std::printf("ratio:       %s\n", compressionRatioText(format, totals.frames, totals.bytes).c_str());
    if (totals.badFrames.empty())
        std::printf("crc check:   every chunk of every frame passes\n");
    else
        std::printf("crc check:   %zu frames fail: %s\n", totals.badFrames.size(),
                    numberList(totals.badFrames).c_str());
    if (totals.truncated) std::printf("file:        truncated\n");
}

}  // namespace

int runInfo(const InfoOptions& options) {
    requireNoTerminal(options.file, false);
    DravAviReader reader(options.file);
    const DravStreamInfo& stream = reader.stream();
    const BITMAPINFOHEADER& format = stream.format;
    printFormat(options.file, stream);
    if (!options.brief) std::printf("\n   frame  key       bytes  crc  chunks\n");

    StreamTotals totals;
    KeyFrameProbe probe(pictureFormatOf(format));
    StoredFrame frame;
    DravAviReader::Result result = DravAviReader::Result::End;
    while (!interrupted() && (result = reader.next(frame)) == DravAviReader::Result::FrameRead) {
        FrameInspection inspection =
            inspectFrame(frame.data, frame.size, uint32_t(format.biWidth), uint32_t(format.biHeight));
        ++totals.frames;
        totals.bytes += frame.size;
        if (frame.size > totals.largest) totals.largest = frame.size;
        const Verdict kind = frameKind(frame, probe);
        if (kind == Verdict::Key) totals.keyFrames.push_back(frame.number);
        totals.unflagged += frame.keyFlagKnown ? 0 : 1;
        totals.unknownKind += kind == Verdict::Unknown ? 1 : 0;
        if (!inspection.intact || frame.cutShort) totals.badFrames.push_back(frame.number);
        totals.truncated = totals.truncated || frame.cutShort;
        if (!options.brief) printFrameLine(frame, kind, inspection);
    }
    if (interrupted()) return EXIT_FAILURE_RUN;  // the process ends by the signal
    if (!options.brief) std::printf("\n");
    if (result == DravAviReader::Result::Unreadable || totals.frames < stream.announcedFrames) totals.truncated = true;
    printTotals(stream, totals);
    std::fflush(stdout);
    if (totals.truncated) printDiagnostic(fileMessage(options.file, "truncated file"));
    if (!totals.badFrames.empty())
        printDiagnostic(fileMessage(options.file, std::to_string(totals.badFrames.size()) + " corrupt frames"));
    return totals.truncated || !totals.badFrames.empty() ? EXIT_DAMAGED : EXIT_OK;
}

}  // namespace drav::tool
