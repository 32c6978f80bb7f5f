#include "CodecStreams.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "BitmapFormats.h"
#include "CodecSettings.h"
#include "FormatNegotiation.h"
#include "ProcessorTest.h"
#include "codec/frame_format.h"
#include "codec/stream_format.h"

namespace drav {
namespace {

static_assert(sizeof(RGBQUAD) == sizeof(PaletteEntry) && offsetof(RGBQUAD, rgbRed) == offsetof(PaletteEntry, red),
              "a colour table is read as the codec's palette");

// The setting first: the processor test runs only when MMX is allowed.
bool isMmxUsable() { return IsMMXAllowed() && CpuHasMMX(); }

LRESULT statusResult(CodecStatus status) {
    switch (status) {
        case CodecStatus::Ok: return ICERR_OK;
        case CodecStatus::BadFormat: return ICERR_BADFORMAT;
        case CodecStatus::OutOfMemory: return ICERR_MEMORY;
        default: return ICERR_ERROR;
    }
}

bool isSamePicture(const PictureFormat& stream, const BITMAPINFOHEADER& format) {
    return format.biWidth > 0 && format.biHeight > 0 && uint32_t(format.biWidth) == stream.width &&
           uint32_t(format.biHeight) == stream.height;
}

// A frame must be a picture of the running stream's size and depth.
bool isStreamInput(const FrameCompressor& compressor, const BITMAPINFOHEADER* input) {
    return compressor.running() && hasKnownHeaderSize(input) && input->biCompression == BI_RGB &&
           input->biBitCount == compressor.format().depth && isSamePicture(compressor.format(), *input);
}

// An 8-bit frame's colours as the compressor reads them: the entries its
// table declares (biClrUsed, 0 meaning 256), black after them, copied into
// the stream's own 256. Nothing past the declared entries is read.
const PaletteEntry* frameColors(CodecInstance& instance, const BITMAPINFOHEADER& input) {
    PaletteEntry* colors = instance.inputColors.get();
    if (input.biBitCount != 8 || !colors) return nullptr;
    const auto* table = reinterpret_cast<const PaletteEntry*>(reinterpret_cast<const uint8_t*>(&input) + input.biSize);
    const uint32_t declared =
        input.biClrUsed == 0 ? PALETTE_ENTRIES : std::min<uint32_t>(input.biClrUsed, PALETTE_ENTRIES);
    std::copy(table, table + declared, colors);
    std::fill(colors + declared, colors + PALETTE_ENTRIES, PaletteEntry{});
    return colors;
}

// Bottom-up outputs of 1 to 65,535 pixels each way.
bool isRenderableOutput(const BITMAPINFOHEADER& output, const void* pixels) {
    return pixels && output.biWidth > 0 && output.biHeight > 0 && uint32_t(output.biWidth) <= MAX_PICTURE_DIMENSION &&
           uint32_t(output.biHeight) <= MAX_PICTURE_DIMENSION;
}

}  // namespace

uint32_t compressedFormatBytes(const BITMAPINFOHEADER& input) {
    return uint32_t(BITMAP_HEADER_SIZE) + proposeCompressedFormat(pictureFormatOf(input)).colorTableEntries * 4;
}

void describeCompressedStream(const BITMAPINFOHEADER& input, BITMAPINFOHEADER* compressed) {
    static_assert(sizeof(BITMAPINFOHEADER) == BITMAP_HEADER_SIZE, "the codec writes the header's bytes");
    const CompressedStreamFormat format = proposeCompressedFormat(pictureFormatOf(input));
    writeCompressedStreamHeader(format, reinterpret_cast<uint8_t*>(compressed));
    std::memset(compressed + 1, 0, format.colorTableEntries * sizeof(RGBQUAD));
}

bool outputFormatOf(const BITMAPINFOHEADER& output, OutputFormat& format) {
    if (output.biCompression != BI_RGB && output.biCompression != BI_BITFIELDS) return false;
    switch (output.biBitCount) {
        case 32: format = OutputFormat::Bgrx32; return true;
        case 24: format = OutputFormat::Bgr24; return true;
        case 16:
            format = output.biCompression == BI_BITFIELDS ? OutputFormat::Rgb565 : OutputFormat::Rgb555;
            return true;
        default: return false;
    }
}

LRESULT compressBegin(CodecInstance& instance, const BITMAPINFOHEADER* input, const BITMAPINFOHEADER* output) {
    if (!output) return ICERR_BADFORMAT;
    LRESULT status = compressQuery(input, output);
    if (status != ICERR_OK) return status;
    if (!isStreamPictureSizeSupported(*input) || !isStreamPictureSizeSupported(*output)) return ICERR_BADFORMAT;
    instance.maxCompressedSize = worstCaseFrameSize(*output);
    status = statusResult(instance.compressor.begin(pictureFormatOf(*input)));
    if (status != ICERR_OK) return status;
    instance.inputColors.reset(input->biBitCount == 8 ? new (std::nothrow) PaletteEntry[PALETTE_ENTRIES] : nullptr);
    if (input->biBitCount == 8 && !instance.inputColors) return ICERR_MEMORY;
    instance.mmxEnabled = isMmxUsable() ? 1 : 0;
    return ICERR_OK;
}

LRESULT compressEnd(CodecInstance& instance) {
    instance.compressor.end();
    instance.inputColors.reset();
    instance.maxCompressedSize = 0;
    return ICERR_OK;
}

LRESULT compressOneFrame(CodecInstance& instance, const ICCOMPRESS* request) {
    // Without a whole output header there is nowhere to report the size.
    if (!request || !hasFullHeader(request->lpbiOutput)) return ICERR_ERROR;
    const ICCOMPRESS& r = *request;
    if (!r.lpInput || !r.lpOutput || !isStreamInput(instance.compressor, r.lpbiInput)) {
        r.lpbiOutput->biSizeImage = 0;
        return ICERR_ERROR;
    }
    const bool keyFrame = (r.dwFlags & ICCOMPRESS_KEYFRAME) != 0;
    if (keyFrame && r.lpdwFlags) *r.lpdwFlags |= AVIIF_KEYFRAME;

    const ByteSpan picture{static_cast<const uint8_t*>(r.lpInput), instance.compressor.pictureSize()};
    const MutableByteSpan output{static_cast<uint8_t*>(r.lpOutput), instance.maxCompressedSize};
    CompressedFrame frame;
    const CodecStatus status =
        instance.compressor.compress(picture, frameColors(instance, *r.lpbiInput), keyFrame, output, frame);
    r.lpbiOutput->biSizeImage = status == CodecStatus::Ok ? frame.size : 0;
    return status == CodecStatus::Ok ? ICERR_OK : ICERR_ERROR;
}

LRESULT decompressBegin(CodecInstance& instance, const BITMAPINFOHEADER* input, const BITMAPINFOHEADER* output) {
    LRESULT status = decompressQuery(input, output);
    if (status != ICERR_OK) return status;
    status = statusResult(instance.decompressor.begin(pictureFormatOf(*input)));
    if (status == ICERR_OK) instance.mmxEnabled = isMmxUsable() ? 1 : 0;
    return status;
}

LRESULT decompressEnd(CodecInstance& instance) {
    instance.decompressor.end();
    return ICERR_OK;
}

LRESULT decompressOneFrame(CodecInstance& instance, const ICDECOMPRESS* request) {
    if (!request || !hasFullHeader(request->lpbiInput) || !hasFullHeader(request->lpbiOutput)) return ICERR_ERROR;
    const BITMAPINFOHEADER& input = *request->lpbiInput;
    const BITMAPINFOHEADER& output = *request->lpbiOutput;
    OutputFormat format;
    FrameDecompressor& decompressor = instance.decompressor;
    if (!outputFormatOf(output, format) || !decompressor.running() || !isSamePicture(decompressor.format(), input))
        return ICERR_ERROR;

    // Later delta frames build on this one: its chunks are applied even when
    // its output cannot be rendered.
    const auto* data = static_cast<const uint8_t*>(request->lpInput);
    if (decompressor.apply(ByteSpan{data, data ? input.biSizeImage : 0u}) != CodecStatus::Ok) return ICERR_ERROR;
    if (request->dwFlags & (ICDECOMPRESS_PREROLL | ICDECOMPRESS_HURRYUP)) return ICERR_OK;
    if (!isRenderableOutput(output, request->lpOutput)) return ICERR_ERROR;

    OutputPicture picture;
    picture.rows = static_cast<uint8_t*>(request->lpOutput);
    picture.width = uint32_t(output.biWidth);
    picture.height = uint32_t(output.biHeight);
    picture.format = format;
    picture.stride = ptrdiff_t(outputRowBytes(picture.width, format));
    picture.forms = instance.mmxEnabled ? ScalingForms::SmoothedHalf : ScalingForms::Plain;
    return statusResult(decompressor.render(picture));
}

void releaseStreamBuffers(CodecInstance& instance) {
    compressEnd(instance);
    decompressEnd(instance);
}

}  // namespace drav
