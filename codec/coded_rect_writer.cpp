// CodedRect chunks: the changed rectangle as a stream of LZW tokens over
// 16-bit symbols (SYMBOL_UNCHANGED, or LITERAL_FLAG OR the pixel value).
#include <algorithm>
#include <cstring>

#include "codec/bit_writer.h"
#include "codec/codec_stream.h"
#include "codec/compressor.h"
#include "codec/frame_coding.h"
#include "codec/lzw_dictionary.h"
#include "codec/lzw_encoder.h"

namespace drav {
namespace {

// The work area holds the dictionary, the strings' hashes, the chain of
// unchanged-run codes, the links of literal runs, the chain of one literal's
// runs, and one batch of symbols.
constexpr uint32_t STRING_HASH_OFFSET = LzwDictionary::BYTES;
constexpr uint32_t RUN_CHAIN_OFFSET = STRING_HASH_OFFSET + LzwEncoder::STRING_HASH_BYTES;
constexpr uint32_t LONGER_RUN_OFFSET = RUN_CHAIN_OFFSET + LzwEncoder::RUN_CHAIN_BYTES;
constexpr uint32_t LITERAL_CHAIN_OFFSET = LONGER_RUN_OFFSET + LzwEncoder::LONGER_RUN_BYTES;
constexpr uint32_t SYMBOL_BATCH_OFFSET = LITERAL_CHAIN_OFFSET + LzwEncoder::LITERAL_CHAIN_BYTES;
constexpr uint32_t SYMBOL_BATCH_CAPACITY = (LZW_WORK_AREA_SIZE - SYMBOL_BATCH_OFFSET) / 2;
static_assert(STRING_HASH_OFFSET % 4 == 0, "string hashes misaligned");
static_assert(SYMBOL_BATCH_CAPACITY >= 8192, "work area too small for a symbol batch");

inline uint16_t literalFromBgrx(uint32_t pixel) {
    return uint16_t(LITERAL_FLAG | ((pixel >> 9) & 0x7C00) | ((pixel >> 6) & 0x03E0) | ((pixel >> 3) & 0x001F));
}

inline uint32_t loadU32(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

inline uint16_t loadU16(const uint8_t* p) {
    uint16_t v;
    std::memcpy(&v, p, 2);
    return v;
}

inline uint16_t literalAt(const uint8_t* pixel, unsigned bitCount) {
    switch (bitCount) {
        case 8: return uint16_t(LITERAL_FLAG | pixel[0]);
        case 16: return uint16_t(LITERAL_FLAG | loadU16(pixel));
        default: return literalFromBgrx(loadU32(pixel));
    }
}

// Symbols of `count` pixels of one row; a delta frame sends pixels equal to
// the previous picture (all bits compared) as SYMBOL_UNCHANGED.
template <unsigned BitCount, bool KeyFrame>
void readSymbolsOf(const uint8_t* picture, const uint8_t* previous, uint32_t count, uint16_t* symbols) {
    constexpr unsigned bytes = BitCount / 8;
    for (uint32_t i = 0; i < count; ++i) {
        const uint8_t* pixel = picture + i * bytes;
        bool unchanged = false;
        if (!KeyFrame) {
            if (BitCount == 8) unchanged = pixel[0] == previous[i];
            if (BitCount == 16) unchanged = loadU16(pixel) == loadU16(previous + i * 2);
            if (BitCount == 32) unchanged = loadU32(pixel) == loadU32(previous + i * 4);
        }
        symbols[i] = unchanged ? SYMBOL_UNCHANGED : literalAt(pixel, BitCount);
    }
}

template <unsigned BitCount>
void readSymbolsAtDepth(const uint8_t* picture, const uint8_t* previous, uint32_t count, bool keyFrame,
                        uint16_t* symbols) {
    if (keyFrame) {
        readSymbolsOf<BitCount, true>(picture, previous, count, symbols);
    } else {
        readSymbolsOf<BitCount, false>(picture, previous, count, symbols);
    }
}

void readSymbols(const uint8_t* picture, const uint8_t* previous, uint32_t count, unsigned bitCount, bool keyFrame,
                 uint16_t* symbols) {
    switch (bitCount) {
        case 8: readSymbolsAtDepth<8>(picture, previous, count, keyFrame, symbols); break;
        case 16: readSymbolsAtDepth<16>(picture, previous, count, keyFrame, symbols); break;
        default: readSymbolsAtDepth<32>(picture, previous, count, keyFrame, symbols); break;
    }
}

void writeRectChunkHeader(uint8_t* chunk, const ChangeRect& rect, uint8_t pixelFormat) {
    chunk[2] = uint8_t(ChunkType::CodedRect);
    chunk[3] = 0;
    writeU16(chunk + RECT_WIDTH_OFFSET, uint16_t(rect.width));
    writeU16(chunk + RECT_HEIGHT_OFFSET, uint16_t(rect.height));
    chunk[RECT_PIXEL_FORMAT_OFFSET] = pixelFormat;
    writeU16(chunk + RECT_Y_OFFSET, uint16_t(rect.y));
    writeU16(chunk + RECT_X_OFFSET, uint16_t(rect.x));
}

bool rectFitsPicture(const PictureFormat& header, const ChangeRect& rect) {
    return uint64_t(rect.x) + rect.width <= header.width && uint64_t(rect.y) + rect.height <= header.height;
}

}  // namespace

bool writeCodedRectChunk(uint8_t* output, uint32_t capacity, uint32_t& offset, InputRows picture, InputRows previous,
                         uint8_t* kept, const PictureFormat& header, const ChangeRect& rect, bool keyFrame,
                         uint8_t* lzwWorkArea) {
    if (offset > capacity || capacity - offset < RECT_CHUNK_HEADER_SIZE) return false;
    if (!rectFitsPicture(header, rect)) return false;

    const unsigned bitCount = header.depth;
    const uint8_t pixelFormat = bitCount == 8 ? PIXEL_FORMAT_PALETTE : PIXEL_FORMAT_RGB555;
    uint8_t* chunk = output + offset;
    writeRectChunkHeader(chunk, rect, pixelFormat);

    const size_t stride = size_t(pictureRowBytes(header.width, bitCount));
    const size_t firstColumn = size_t(rect.x) * bitCount / 8;
    uint16_t* symbols = reinterpret_cast<uint16_t*>(lzwWorkArea + SYMBOL_BATCH_OFFSET);

    BitWriter bits(chunk + RECT_CHUNK_HEADER_SIZE, output + capacity);
    LzwEncoder encoder(bits, lzwWorkArea, reinterpret_cast<uint32_t*>(lzwWorkArea + STRING_HASH_OFFSET),
                       reinterpret_cast<uint16_t*>(lzwWorkArea + RUN_CHAIN_OFFSET),
                       reinterpret_cast<uint16_t*>(lzwWorkArea + LONGER_RUN_OFFSET),
                       reinterpret_cast<uint16_t*>(lzwWorkArea + LITERAL_CHAIN_OFFSET), pixelFormat);
    for (uint32_t row = 0; row < rect.height && !bits.overflowed(); ++row) {
        const uint8_t* pictureRow = picture.row(rect.y + row) + firstColumn;
        const uint8_t* previousRow = keyFrame ? nullptr : previous.row(rect.y + row) + firstColumn;
        uint8_t* keptRow = kept ? kept + size_t(rect.y + row) * stride + firstColumn : nullptr;
        for (uint32_t done = 0; done < rect.width;) {
            uint32_t count = std::min(rect.width - done, SYMBOL_BATCH_CAPACITY);
            const size_t at = size_t(done) * bitCount / 8;
            readSymbols(pictureRow + at, previousRow ? previousRow + at : nullptr, count, bitCount, keyFrame, symbols);
            if (keptRow) std::memcpy(keptRow + at, pictureRow + at, size_t(count) * bitCount / 8);  // while in cache
            encoder.encode(symbols, count);
            done += count;
        }
    }
    encoder.finish();
    if (!bits.finish()) return false;

    const uint32_t length = uint32_t(bits.position() - chunk);
    writeU32(chunk + 4, length);
    sealChunk(chunk, length);
    offset += length;
    return true;
}

}  // namespace drav
