// CodedRect chunks: LZW tokens back into pixels of the work picture. Strings
// are unwound onto a fixed stack and emitted first symbol first; symbols below
// FIRST_TABLE_CODE leave their pixel as it is.
#include "bit_reader.h"
#include "decompressor.h"
#include "lzw_decode_tables.h"
#include "rect_geometry.h"

namespace drav {
namespace {

constexpr uint32_t NO_CODE = 0xFFFFFFFF;

inline bool isStringCode(uint32_t value) { return value >= FIRST_TABLE_CODE && value < LITERAL_FLAG; }

// Walks the rectangle in pixel order: row y upwards in memory, x to x + width.
template <uint8_t PixelFormat>
class PixelSink {
public:
    PixelSink(const FrameDecodeContext& context, const RectGeometry& rect)
        : context_(context), rect_(rect), rowLeft_(rect.width), rowsLeft_(rect.height),
          pixel_(workPixel(context, rect.x, rect.y)) {}

    // Emits stacked symbols from the top; false when the rectangle is already full.
    bool emit(const uint16_t* bottom, const uint16_t* top) {
        while (top != bottom) {
            const uint16_t symbol = *--top;
            if (rowLeft_ == 0 && !nextRow()) return false;
            if (symbol >= FIRST_TABLE_CODE) store(symbol);
            pixel_ += 3;
            --rowLeft_;
        }
        return true;
    }

private:
    bool nextRow() {
        if (rowsLeft_ <= 1) return false;
        --rowsLeft_;
        ++row_;
        rowLeft_ = rect_.width;
        pixel_ = workPixel(context_, rect_.x, rect_.y + row_);
        return true;
    }

    void store(uint16_t symbol) {
        if (PixelFormat == PIXEL_FORMAT_RGB555) {
            storeRgb555(pixel_, symbol);
        } else {
            storePaletteEntry(pixel_, context_.palette[symbol & 0xFF]);
        }
    }

    const FrameDecodeContext& context_;
    const RectGeometry& rect_;
    uint32_t rowLeft_;
    uint32_t rowsLeft_;
    uint32_t row_ = 0;
    uint8_t* pixel_;
};

template <uint8_t PixelFormat>
bool decodeCodedRect(const FrameDecodeContext& context, const RectGeometry& rect, const uint8_t* stream,
                     const uint8_t* end) {
    LzwDecodeTables& tables = *context.tables;
    uint16_t* const stack = tables.stack;
    BitReader bits(stream, end);
    PixelSink<PixelFormat> sink(context, rect);
    unsigned width = MIN_CODE_WIDTH;
    uint32_t nextCode = FIRST_TABLE_CODE;
    uint32_t previous = NO_CODE;
    uint16_t firstSymbol = 0;  // K: first symbol of the last string

    for (;;) {
        uint32_t flag, value;
        if (!bits.take(1, flag)) return false;
        if (flag) {
            if (!bits.take(PixelFormat, value)) return false;
            value |= LITERAL_FLAG;
        } else {
            if (!bits.take(width, value)) return false;
            if (value == CODE_END) return true;
            if (value == CODE_CLEAR) {
                previous = NO_CODE;
                width = MIN_CODE_WIDTH;
                nextCode = FIRST_TABLE_CODE;
                continue;
            }
        }

        uint16_t* top = stack;
        if (previous == NO_CODE) {
            if (isStringCode(value)) return false;  // nothing is in the table yet
            *top++ = uint16_t(value);
            firstSymbol = uint16_t(value);
            previous = value;
            if (!sink.emit(stack, top)) return false;
            continue;
        }

        uint32_t code = value;
        if (isStringCode(value)) {
            if (value > nextCode) return false;
            if (value == nextCode) {
                *top++ = firstSymbol;
                code = previous;
            }
        }
        while (isStringCode(code)) {
            *top++ = tables.suffix[code];
            code = tables.prefix[code];
        }
        *top++ = uint16_t(code);
        firstSymbol = uint16_t(code);

        if (nextCode > CODE_LIMIT) return false;
        tables.prefix[nextCode] = uint16_t(previous);
        tables.suffix[nextCode] = firstSymbol;
        ++nextCode;
        if (nextCode > (1u << width) - 1 && width < MAX_CODE_WIDTH) ++width;

        if (!sink.emit(stack, top)) return false;
        previous = value;
    }
}

}  // namespace

bool applyCodedRectChunk(FrameDecodeContext& context) {
    const uint8_t* chunk;
    uint32_t length;
    if (!consumeChunk(context, ChunkType::CodedRect, RECT_CHUNK_HEADER_SIZE, chunk, length)) return false;
    const RectGeometry rect = readRectGeometry(chunk);
    if (!rectInsidePicture(rect, context)) return false;
    const uint8_t* stream = chunk + RECT_CHUNK_HEADER_SIZE;
    const uint8_t* end = chunk + length;
    switch (rect.pixelFormat) {
        case PIXEL_FORMAT_PALETTE: return decodeCodedRect<PIXEL_FORMAT_PALETTE>(context, rect, stream, end);
        case PIXEL_FORMAT_RGB555: return decodeCodedRect<PIXEL_FORMAT_RGB555>(context, rect, stream, end);
        default: return false;
    }
}

}  // namespace drav
