// The frame codec's own interface: a compressor stream that turns pictures
// into DRAV frames, and a decompressor stream that applies frames to the
// picture it holds and renders it at any size into the caller's buffer.
// Plain pictures and byte spans only; every call reports a status and none
// throws; buffers are allocated by begin and by nothing per frame.
#pragma once

#include <cstddef>
#include <cstdint>

namespace drav {

struct LzwDecodeTables;
struct InputRows;
struct StreamBuffers;

template <typename T>
struct Span {
    T* data = nullptr;
    size_t size = 0;
};
using ByteSpan = Span<const uint8_t>;
using MutableByteSpan = Span<uint8_t>;

enum class CodecStatus : uint8_t {
    Ok,
    BadFormat,    // a picture size or depth the format cannot carry
    OutOfMemory,  // begin could not allocate the stream's buffers
    NoStream,     // no running stream
    BadPicture,   // a picture smaller than its format, or a missing palette
    BadFrame,     // a chunk failed its checks or did not decode
    BadOutput,    // an output the renderer cannot produce, or too small for the frame
};

// One colour-table entry, in the byte order of a DIB colour table.
struct PaletteEntry {
    uint8_t blue, green, red, reserved;
};

// A picture of `height` rows in memory order (row 0 is the bottom row of a
// bottom-up bitmap), each row padded to a multiple of 4 bytes. Compressor
// input depths: 8 (palette indices), 16 (RGB555), 32 (blue, green, red,
// unused). Compressed stream depths: 8, or 16 (and 24, which decoders accept).
struct PictureFormat {
    uint32_t width = 0, height = 0;
    unsigned depth = 0;
};

constexpr uint32_t MAX_PICTURE_DIMENSION = 65535;  // the format's 16-bit fields
constexpr uint32_t PALETTE_ENTRIES = 256;

// True for 1 to 65,535 each way with every buffer of the streams below
// 4 GiB; false for anything else (negative sizes included).
bool isPictureSizeSupported(int64_t width, int64_t height);
// Bytes per row of a picture: rows padded to 4 bytes. Never fails.
uint64_t pictureRowBytes(uint32_t width, unsigned depth);
// Worst-case bytes of one compressed frame: width x height x 3 + 803, for
// sizes isPictureSizeSupported accepts (others wrap).
uint32_t worstCaseFrameSize(uint32_t width, uint32_t height);
// Depth of the compressed stream for an input depth: 8 stays 8, else 16.
unsigned compressedDepthFor(unsigned inputDepth);

struct CompressedFrame {
    uint32_t size = 0;  // bytes written to the output
    bool keyFrame = false;
};

// A compressor input picture where it lies: its row y, counted from the
// bottom, starts at bottomRow + y * stride (a negative stride reads rows
// stored top-down, as most raw video is); the colour table (256 entries) of
// an 8-bit picture.
struct InputPicture {
    const uint8_t* bottomRow = nullptr;
    ptrdiff_t stride = 0;
    const PaletteEntry* palette = nullptr;
};

// Whether a compressor keeps the previous picture itself (a stream
// compressed in order), or is given it with each picture (a worker of a
// frame-parallel compressor, which may see any frame of the stream).
enum class History : uint8_t { Kept, Given };

class FrameCompressor {
public:
    FrameCompressor() = default;
    ~FrameCompressor() { end(); }
    FrameCompressor(const FrameCompressor&) = delete;
    FrameCompressor& operator=(const FrameCompressor&) = delete;

    // (Re)allocates the string table and, when the history is kept, the
    // previous picture and palette, both zeroed so that a stream not opened
    // by a key frame reads nothing undefined. BadFormat for depths other
    // than 8, 16, 32 or unsupported sizes; OutOfMemory (buffers allocated
    // before stay until end).
    // Ok, or the failure above.
    CodecStatus begin(const PictureFormat& input, History history = History::Kept);
    // Releases every buffer; begin may start a stream again. Never fails.
    void end();
    // True between a successful begin and end.
    bool running() const {
        return lzwWorkArea_ && (history_ == History::Given || (previousFrame_ && previousPalette_));
    }
    // The input format of the last begin (also a failed one).
    const PictureFormat& format() const { return format_; }
    // Worst-case bytes of one frame of that format: an output this large
    // never gives BadOutput.
    uint32_t maxFrameSize() const { return worstCaseFrameSize(format_.width, format_.height); }
    // Bytes of one input picture of the stream's format (rows padded to 4
    // bytes): what compress reads. 0 before begin and after end.
    uint32_t pictureSize() const { return pictureSize_; }

    // Compresses one picture of the stream's format; palette (256 entries) is
    // read for depth 8 only. Whether it is a key frame is the caller's choice
    // alone. Ok with frame.size bytes written to output. NoStream when not
    // running or begun with History::Given; BadPicture for a picture of fewer
    // than pictureSize() bytes or a missing palette at depth 8; BadOutput
    // when the frame does not fit the output (frame.size is 0 then): the
    // previous picture and palette are brought up to date all the same.
    CodecStatus compress(ByteSpan picture, const PaletteEntry* palette, bool keyFrame, MutableByteSpan output,
                         CompressedFrame& frame);
    // The same for a picture whose row y, counted from the bottom, starts at
    // bottomRow + y * stride: a negative stride reads rows stored top-down
    // (as most raw video is) where they are, without turning them over first.
    // Statuses as compress; BadPicture also for a null bottomRow or a stride
    // shorter than a row of pixels.
    CodecStatus compressRows(const uint8_t* bottomRow, ptrdiff_t stride, const PaletteEntry* palette, bool keyFrame,
                             MutableByteSpan output, CompressedFrame& frame);
    // The frame the stream compressed in order gives for `picture` after
    // `previous` (not read for a key frame), byte for byte, and nothing is
    // kept of either: a frame's bytes depend only on these two pictures, so
    // workers with compressors of their own can compress frames side by
    // side. Ok with frame.size bytes written. For streams begun with
    // History::Given (NoStream otherwise); BadPicture for a missing picture,
    // a stride shorter than a row or a missing colour table at depth 8 (of
    // `previous` too, unless keyFrame); BadOutput as compress.
    CodecStatus compressAfter(const InputPicture& picture, const InputPicture& previous, bool keyFrame,
                              MutableByteSpan output, CompressedFrame& frame);

private:
    friend struct StreamBuffers;  // tests' view of the buffers
    bool isReadable(const InputPicture& picture) const;
    CodecStatus compressPicture(const InputPicture& picture, const InputPicture& previous, bool keyFrame,
                                MutableByteSpan output, CompressedFrame& frame);
    bool compressPalette(const PaletteEntry* palette, const PaletteEntry* previous, bool keyFrame,
                         MutableByteSpan output, uint32_t& offset);
    bool compressPixels(InputRows picture, InputRows previous, bool keyFrame, MutableByteSpan output, uint32_t& offset);
    InputPicture keptPicture() const;

    PictureFormat format_{};
    History history_ = History::Kept;
    uint8_t* lzwWorkArea_ = nullptr;
    uint8_t* previousFrame_ = nullptr;
    uint32_t pictureSize_ = 0;
    PaletteEntry* previousPalette_ = nullptr;
};

enum class OutputFormat : uint8_t { Bgr24 = 1, Bgrx32 = 2, Rgb555 = 3, Rgb565 = 4 };

// Bits per pixel of an output format: 24, 32 or 16; 0 for a value that
// names no format.
unsigned outputBitCount(OutputFormat format);

// The formulas for scaled output. Plain: bilinear with 8-bit weights.
// SmoothedHalf: bilinear with 4-bit weights, and a 3x3 smoothing filter at
// exactly half size. Same-size output is a copy under either.
enum class ScalingForms : uint8_t { Plain, SmoothedHalf };

// The caller's output picture. Output row j lies at rows + j x stride; the
// rows follow the picture's memory order (row 0 is the picture's row 0), so a
// negative stride with rows at the last row in memory gives a top-down buffer.
struct OutputPicture {
    uint8_t* rows = nullptr;
    ptrdiff_t stride = 0;
    uint32_t width = 0, height = 0;
    OutputFormat format = OutputFormat::Bgrx32;
    ScalingForms forms = ScalingForms::Plain;
};

// Bytes each output row needs: width x bytes per pixel, padded to 4 bytes
// (0 for a value that names no format).
uint32_t outputRowBytes(uint32_t width, OutputFormat format);

// Rows first to end - 1, in memory order.
struct RowRange {
    uint32_t first = 0, end = 0;
    bool empty() const { return first >= end; }
};

class FrameDecompressor {
public:
    FrameDecompressor() = default;
    ~FrameDecompressor() { end(); }
    FrameDecompressor(const FrameDecompressor&) = delete;
    FrameDecompressor& operator=(const FrameDecompressor&) = delete;

    // (Re)allocates a black bordered work picture for the stream's picture
    // size, the palette and the decoder's tables. BadFormat for depths other
    // than 8, 16, 24 or unsupported sizes; OutOfMemory (buffers allocated
    // before stay until end); else Ok.
    CodecStatus begin(const PictureFormat& stream);
    // Releases the buffers; the work picture's stride is kept. Never fails.
    void end();
    // True between a successful begin and end.
    bool running() const { return workPicture_ && palette_ && tables_; }
    // The stream format of the last begin (also a failed one).
    const PictureFormat& format() const { return format_; }

    // Applies one frame's chunks to the held picture; an empty frame changes
    // nothing. Ok when every chunk applied; NoStream when not running;
    // BadFrame at the first chunk that fails: the chunks before it
    // stay applied, and a failing rectangle may have stored some pixels.
    // changed (when given) receives the picture rows the frame's rectangles
    // may have written, on failure too.
    CodecStatus apply(ByteSpan frame, RowRange* changed = nullptr);

    // Renders the held picture into the whole output, or into output rows
    // first to end - 1 of it (the same pixels a whole render gives there).
    // Ok, or NoStream when not running; BadOutput for sizes of 0 or above
    // 65,535, an unknown format, a missing buffer or a band beyond the output
    // (first > end, or end above the height): nothing is written then. An
    // empty band (first == end) writes nothing and is Ok.
    CodecStatus render(const OutputPicture& output) const;
    CodecStatus renderRows(const OutputPicture& output, uint32_t first, uint32_t end) const;

private:
    friend struct StreamBuffers;  // tests' view of the buffers
    PictureFormat format_{};
    uint8_t* workPicture_ = nullptr;
    uint32_t workPictureSize_ = 0;
    uint32_t workPictureStride_ = 0;
    PaletteEntry* palette_ = nullptr;
    LzwDecodeTables* tables_ = nullptr;
};

}  // namespace drav
