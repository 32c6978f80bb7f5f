// CodedRect chunks: LZW tokens back into pixels of the work picture. Each
// token's string is copied forward within the rectangle's symbol history (see
// lzw_decode_tables.h) and then applied to the picture: literal pixels are
// stored, unchanged pixels keep their value.
#include <algorithm>
#include <cstring>

#include "codec/bit_reader.h"
#include "codec/coded_rect_rows.h"
#include "codec/decompressor.h"
#include "codec/lzw_decode_tables.h"
#include "codec/work_picture.h"

namespace drav {
namespace {

inline bool isLiteral(uint32_t symbol) { return (symbol & LITERAL_FLAG) != 0; }

// Copies `count` symbols as if one at a time, so that a string that starts
// inside the one it extends (a code used in the token that defines it) reads
// the symbols this copy has just written. Most strings are short: the first
// COPY_HEAD symbols are copied whatever the count, which spares a
// mispredicted loop exit per token. Block copies may write up to that many
// symbols past the string and read as far past its source; the history's
// slack holds them and the next token overwrites them.
constexpr uint32_t COPY_HEAD = 32;

inline void copyBlock(uint16_t* to, const uint16_t* from) { std::memcpy(to, from, 16); }

inline void copySymbols(uint16_t* to, const uint16_t* from, uint32_t count) {
    if (to - from >= 8) {
        for (uint32_t i = 0; i < COPY_HEAD; i += 8) copyBlock(to + i, from + i);
        for (uint32_t i = COPY_HEAD; i < count; i += 8) copyBlock(to + i, from + i);
    } else {
        for (uint32_t i = 0; i < count; ++i) to[i] = from[i];
    }
}

// The chunk's rectangle held as 32-bit values: the chunk's own 16-bit fields
// could alias the history's stores and be read again after each one.
struct Rectangle {
    explicit Rectangle(const ChunkInfo& chunk) : x(chunk.x), y(chunk.y), width(chunk.width), height(chunk.height) {}
    uint32_t x, y, width, height;
};

// Applies the history to the rectangle a row at a time, row y upwards in
// memory: literal pixels are stored, unchanged ones keep their value.
template <uint8_t PixelFormat>
class PictureWriter {
public:
    PictureWriter(const FrameDecodeContext& context, const ChunkInfo& chunk, const uint16_t* history)
        : context_(context),
          rect_(chunk),
          history_(history),
          applyRgb555_(PixelFormat == PIXEL_FORMAT_RGB555 ? fastestSymbolRowForm().applyRgb555 : nullptr) {}

    // Applies every row that the first `written` symbols complete.
    void applyCompleteRows(uint32_t written) {
        while (written - applied_ >= rect_.width && row_ < rect_.height) applyRow(rect_.width);
    }

    // Applies the rows completed and the start of the next one.
    void applyAll(uint32_t written) {
        applyCompleteRows(written);
        if (written > applied_ && row_ < rect_.height) applyRow(written - applied_);
    }

private:
    void applyRow(uint32_t count) {
        const uint16_t* symbols = history_ + applied_;
        uint8_t* const pixel = workPixel(context_, rect_.x, rect_.y + row_);
        if (PixelFormat == PIXEL_FORMAT_RGB555) {
            applyRgb555_(pixel, symbols, count);
        } else {
            applyPaletteRow(pixel, symbols, count, context_.palette);
        }
        applied_ += count;
        ++row_;
    }

    const FrameDecodeContext& context_;
    const Rectangle rect_;
    const uint16_t* const history_;
    const Rgb555RowApplier applyRgb555_;
    uint32_t applied_ = 0;  // symbols applied
    uint32_t row_ = 0;      // the row they reach
};

// A token as read, with its place in the code table's numbering.
struct Token {
    uint32_t value;    // a symbol (literal with LITERAL_FLAG, or SYMBOL_UNCHANGED) or a string code
    uint32_t defines;  // the code this token completes, or 0 for the first token after a clear
    bool isString;
};

// Reads tokens and keeps the table's numbering: the code width, the next code,
// and whether a token completes a code.
template <uint8_t PixelFormat>
class TokenReader {
public:
    enum class Status { Token, End, Corrupt };

    TokenReader(const uint8_t* stream, const uint8_t* end) : bits_(stream, end) {}

    Status next(Token& token) {
        for (;;) {
            uint32_t value;
            if (!readValue(value)) return Status::Corrupt;
            if (value == CODE_END) return Status::End;
            if (value == CODE_CLEAR) {
                startTable();
                continue;
            }
            token.value = value;
            token.isString = value >= FIRST_TABLE_CODE && !isLiteral(value);
            token.defines = 0;
            if (!hasPrevious_) {
                hasPrevious_ = true;
                return token.isString ? Status::Corrupt : Status::Token;  // nothing is in the table yet
            }
            if ((token.isString && value > nextCode_) || nextCode_ > CODE_LIMIT) return Status::Corrupt;
            token.defines = nextCode_++;
            if (nextCode_ == widthLimit_) widen();
            return Status::Token;
        }
    }

private:
    void startTable() {
        hasPrevious_ = false;
        width_ = MIN_CODE_WIDTH;
        widthLimit_ = 1u << MIN_CODE_WIDTH;
        nextCode_ = FIRST_TABLE_CODE;
    }

    // Codes grow a bit wide once the next code no longer fits, up to the widest.
    void widen() {
        ++width_;
        widthLimit_ = width_ < MAX_CODE_WIDTH ? 1u << width_ : NEVER;
    }

    // A token is a flag bit and a literal or a code: one look at the next 16
    // bits covers both.
    bool readValue(uint32_t& value) {
        unsigned real;
        const uint32_t bits = bits_.peek16(real);
        const bool literal = (bits & 1) != 0;
        const unsigned valueBits = literal ? PixelFormat : width_;
        if (1 + valueBits > real) return false;
        bits_.skip(1 + valueBits);
        value = (bits >> 1) & ((1u << valueBits) - 1);
        if (literal) {
            value |= LITERAL_FLAG;
        } else if (value == SYMBOL_UNCHANGED + 1) {
            value = SYMBOL_UNCHANGED;  // 3 means the same as 2
        }
        return true;
    }

    BitReader bits_;
    static constexpr uint32_t NEVER = UINT32_MAX;  // no next code reaches it
    unsigned width_ = MIN_CODE_WIDTH;
    uint32_t widthLimit_ = 1u << MIN_CODE_WIDTH;  // the next code at which width_ grows
    uint32_t nextCode_ = FIRST_TABLE_CODE;
    bool hasPrevious_ = false;
};

// Spells tokens out in the history and applies them to the picture.
template <uint8_t PixelFormat>
class StringWriter {
public:
    StringWriter(const FrameDecodeContext& context, const ChunkInfo& rect)
        : tables_(*context.tables),
          pixels_(uint32_t(rect.width) * rect.height),
          picture_(context, rect, tables_.history) {}

    bool fitsHistory() const { return pixels_ <= tables_.historyCapacity; }

    // False when the token needs more pixels than the rectangle has left.
    bool write(const Token& token) {
        uint16_t* const to = tables_.history + written_;
        uint32_t length = 1;
        if (token.isString) {
            // A code used in the token that defines it is the previous string
            // and its own first symbol: it starts where the previous one does.
            const LzwDecodeTables::Entry string = token.value == token.defines
                                                      ? LzwDecodeTables::Entry{previousStart_, previousLength_ + 1}
                                                      : tables_.entries[token.value];
            length = string.length;
            if (length > pixels_ - written_) return false;
            copySymbols(to, tables_.history + string.start, length);
        } else {
            if (written_ == pixels_) return false;
            *to = uint16_t(token.value);
        }
        if (token.defines != 0) tables_.entries[token.defines] = {previousStart_, previousLength_ + 1};
        previousStart_ = written_;
        previousLength_ = length;
        written_ += length;
        picture_.applyCompleteRows(written_);
        return true;
    }

    // The picture gets what the history holds, also when the stream breaks off.
    void finish() { picture_.applyAll(written_); }

private:
    LzwDecodeTables& tables_;
    const uint32_t pixels_;
    uint32_t written_ = 0;  // symbols in the history
    uint32_t previousStart_ = 0, previousLength_ = 0;
    PictureWriter<PixelFormat> picture_;
};

template <uint8_t PixelFormat>
bool decodeCodedRect(const FrameDecodeContext& context, const ChunkInfo& rect, const uint8_t* stream,
                     const uint8_t* end) {
    using Reader = TokenReader<PixelFormat>;
    StringWriter<PixelFormat> writer(context, rect);
    if (!writer.fitsHistory()) return false;
    Reader reader(stream, end);
    Token token;
    typename Reader::Status status;
    while ((status = reader.next(token)) == Reader::Status::Token && writer.write(token)) {
    }
    writer.finish();
    return status == Reader::Status::End;
}

}  // namespace

bool applyCodedRectChunk(const FrameDecodeContext& context, const ChunkInfo& chunk) {
    const uint8_t* stream = context.data + chunk.offset + RECT_CHUNK_HEADER_SIZE;
    const uint8_t* end = context.data + chunk.offset + chunk.length;
    switch (chunk.pixelFormat) {
        case PIXEL_FORMAT_PALETTE: return decodeCodedRect<PIXEL_FORMAT_PALETTE>(context, chunk, stream, end);
        case PIXEL_FORMAT_RGB555: return decodeCodedRect<PIXEL_FORMAT_RGB555>(context, chunk, stream, end);
        default: return false;  // the inspector passes no other
    }
}

}  // namespace drav
