// CodedRect chunks: LZW tokens back into pixels of the work picture. Strings
// are unwound onto a fixed stack and emitted first symbol first; unchanged
// pixels (symbols below FIRST_TABLE_CODE) keep their value and are skipped a
// run at a time.
#include <algorithm>

#include "bit_reader.h"
#include "decompressor.h"
#include "lzw_decode_tables.h"
#include "rect_geometry.h"

namespace drav {
namespace {

constexpr uint32_t NO_CODE = 0xFFFFFFFF;

inline bool isStringCode(uint32_t value) { return value >= FIRST_TABLE_CODE && value < LITERAL_FLAG; }
inline bool isLiteral(uint32_t value) { return (value & LITERAL_FLAG) != 0; }

// One symbol as a stack entry.
inline uint16_t entryOf(uint32_t symbol) { return isLiteral(symbol) ? uint16_t(symbol) : 1; }

// Writes strings into the rectangle in pixel order: row y upwards in memory,
// x to x + width, a string running on from one row into the next.
template <uint8_t PixelFormat>
class PixelSink {
public:
    PixelSink(const FrameDecodeContext& context, const RectGeometry& rect, LzwDecodeTables& tables)
        : context_(context), tables_(tables), rect_(rect), rowLeft_(rect.width), rowsLeft_(rect.height),
          pixel_(workPixel(context, rect.x, rect.y)) {}

    // Emits the string of `value` (a symbol or a string code), followed by
    // `extra` when it is not NO_EXTRA. Returns false when the rectangle is
    // full first; `first` receives the string's first symbol.
    static constexpr uint32_t NO_EXTRA = 0xFFFFFFFF;
    bool emit(uint32_t value, uint32_t extra, uint16_t& first) {
        const uint32_t length = lengthOf(value) + (extra != NO_EXTRA ? 1 : 0);
        if (rowLeft_ == 0 && !nextRow()) return false;
        if (length <= rowLeft_) {
            // Within one row: written from its end backwards, as the table unwinds it.
            uint8_t* end = pixel_ + 3 * size_t(length);
            if (extra != NO_EXTRA) writeSymbol(end - 3, extra);
            first = writeBackward(value, extra != NO_EXTRA ? end - 3 : end);
            pixel_ = end;
            rowLeft_ -= length;
            return true;
        }
        return emitAcrossRows(value, extra, first);
    }

private:
    uint32_t lengthOf(uint32_t value) const { return isStringCode(value) ? tables_.length[value] : 1; }

    void writeSymbol(uint8_t* pixel, uint32_t symbol) const {
        if (!isLiteral(symbol)) return;
        if (PixelFormat == PIXEL_FORMAT_RGB555) {
            storeRgb555(pixel, symbol);
        } else {
            storePaletteEntry(pixel, context_.palette[symbol & 0xFF]);
        }
    }

    uint16_t writeBackward(uint32_t value, uint8_t* end) const {
        while (isStringCode(value)) {
            const LzwDecodeTables::Entry entry = tables_.entries[value];
            if (entry.trailingRun != 0) {
                end -= 3 * size_t(entry.trailingRun);
                value = entry.base;
                if (value == LzwDecodeTables::NO_BASE) return SYMBOL_UNCHANGED;
            } else {
                end -= 3;
                writeSymbol(end, entry.suffix);
                value = entry.prefix;
            }
        }
        writeSymbol(end - 3, value);
        return isLiteral(value) ? uint16_t(value) : SYMBOL_UNCHANGED;
    }

    // A string that crosses a row end is unwound onto the stack first.
    bool emitAcrossRows(uint32_t value, uint32_t extra, uint16_t& first) {
        uint16_t* const bottom = tables_.stack;
        uint16_t* top = bottom;
        if (extra != NO_EXTRA) *top++ = entryOf(extra);
        while (isStringCode(value)) {
            const LzwDecodeTables::Entry entry = tables_.entries[value];
            if (entry.trailingRun != 0) {
                *top++ = entry.trailingRun;
                value = entry.base;
                if (value == LzwDecodeTables::NO_BASE) break;
            } else {
                *top++ = entry.suffix;
                value = entry.prefix;
            }
        }
        if (!isStringCode(value) && value != LzwDecodeTables::NO_BASE) *top++ = entryOf(value);
        first = isLiteral(top[-1]) ? top[-1] : SYMBOL_UNCHANGED;
        while (top != bottom) {
            const uint16_t item = *--top;
            if (!(isLiteral(item) ? store(item) : skip(item))) return false;
        }
        return true;
    }

    bool store(uint16_t literal) {
        if (rowLeft_ == 0 && !nextRow()) return false;
        writeSymbol(pixel_, literal);
        pixel_ += 3;
        --rowLeft_;
        return true;
    }

    bool skip(uint32_t count) {
        while (count > 0) {
            if (rowLeft_ == 0 && !nextRow()) return false;
            const uint32_t step = std::min(count, rowLeft_);
            pixel_ += 3 * size_t(step);
            rowLeft_ -= step;
            count -= step;
        }
        return true;
    }

    bool nextRow() {
        if (rowsLeft_ <= 1) return false;
        --rowsLeft_;
        ++row_;
        rowLeft_ = rect_.width;
        pixel_ = workPixel(context_, rect_.x, rect_.y + row_);
        return true;
    }

    const FrameDecodeContext& context_;
    LzwDecodeTables& tables_;
    const RectGeometry& rect_;
    uint32_t rowLeft_;
    uint32_t rowsLeft_;
    uint32_t row_ = 0;
    uint8_t* pixel_;
};

// Enters code `code` as the string of `previous` followed by `symbol`.
void enterString(LzwDecodeTables& tables, uint32_t code, uint32_t previous, uint16_t symbol) {
    LzwDecodeTables::Entry& entry = tables.entries[code];
    entry.prefix = uint16_t(previous);
    entry.suffix = symbol;
    if (isStringCode(previous)) {
        const LzwDecodeTables::Entry& before = tables.entries[previous];
        tables.length[code] = uint16_t(tables.length[previous] + 1);
        if (isLiteral(symbol)) {
            entry.trailingRun = 0;
        } else {
            entry.trailingRun = uint16_t(before.trailingRun + 1);
            entry.base = before.trailingRun != 0 ? before.base : uint16_t(previous);
        }
    } else {
        tables.length[code] = 2;
        if (isLiteral(symbol)) {
            entry.trailingRun = 0;
        } else {
            entry.trailingRun = isLiteral(previous) ? 1 : 2;
            entry.base = isLiteral(previous) ? uint16_t(previous) : LzwDecodeTables::NO_BASE;
        }
    }
}

template <uint8_t PixelFormat>
bool decodeCodedRect(const FrameDecodeContext& context, const RectGeometry& rect, const uint8_t* stream,
                     const uint8_t* end) {
    using Sink = PixelSink<PixelFormat>;
    LzwDecodeTables& tables = *context.tables;
    BitReader bits(stream, end);
    Sink sink(context, rect, tables);
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
            if (value < FIRST_TABLE_CODE) value = SYMBOL_UNCHANGED;  // 3 means the same as 2
        }

        if (previous == NO_CODE) {
            if (isStringCode(value)) return false;  // nothing is in the table yet
            if (!sink.emit(value, Sink::NO_EXTRA, firstSymbol)) return false;
            previous = value;
            continue;
        }
        if (isStringCode(value) && value > nextCode) return false;
        if (nextCode > CODE_LIMIT) return false;

        // A code about to be assigned is the previous string and its own first symbol.
        const bool pending = value == nextCode;
        const uint16_t previousFirst = firstSymbol;
        if (pending) {
            // Enter it first so that its length is known; its suffix is that first symbol.
            enterString(tables, nextCode, previous, previousFirst);
            if (!sink.emit(previous, previousFirst, firstSymbol)) return false;
        } else {
            if (!sink.emit(value, Sink::NO_EXTRA, firstSymbol)) return false;
            enterString(tables, nextCode, previous, firstSymbol);
        }
        ++nextCode;
        if (nextCode > (1u << width) - 1 && width < MAX_CODE_WIDTH) ++width;
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
