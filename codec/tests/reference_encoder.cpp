#include "reference_encoder.h"

#include "codec/frame_coding.h"

namespace drav::test {
namespace {

struct Entry {
    uint16_t code, prefix, suffix, next;
};

class ReferenceTable {
public:
    ReferenceTable() : entries_(73729) { clear(); }

    void clear() {
        for (auto& e : entries_) e = Entry{0xFFFF, 0, 0, 0};
        overflow_ = 1;
    }

    // Returns the code, or -1 with the search's last entry remembered.
    int find(uint16_t p, uint16_t s) {
        uint32_t index = ((uint32_t(p) << 5) ^ (p & 0x7FFFu)) % 40961u;
        while (entries_[index].code != 0xFFFF) {
            if (entries_[index].prefix == p && entries_[index].suffix == s) return entries_[index].code;
            if (entries_[index].next == 0) break;
            index = 40961 + entries_[index].next;
        }
        last_ = index;
        return -1;
    }

    void enter(uint16_t p, uint16_t s, uint16_t code) {
        uint32_t index = last_;
        if (entries_[index].code != 0xFFFF) {
            entries_[index].next = uint16_t(overflow_);
            index = 40961 + overflow_++;
        }
        entries_[index] = Entry{code, p, s, 0};
    }

private:
    std::vector<Entry> entries_;
    uint32_t overflow_ = 1;
    uint32_t last_ = 0;
};

class ReferenceBits {
public:
    explicit ReferenceBits(std::vector<uint8_t>& out) : out_(out) {}
    void put(uint32_t value, unsigned count) {
        for (unsigned i = 0; i < count; ++i) {
            accumulator_ |= ((value >> i) & 1u) << pending_;
            if (++pending_ == 8) {
                out_.push_back(uint8_t(accumulator_));
                accumulator_ = 0;
                pending_ = 0;
            }
        }
    }
    void finish() { out_.push_back(uint8_t(accumulator_)); }

private:
    std::vector<uint8_t>& out_;
    uint32_t accumulator_ = 0;
    unsigned pending_ = 0;
};

uint16_t symbolAt(const uint8_t* picture, const uint8_t* previous, unsigned bitCount, bool keyFrame) {
    unsigned bytes = bitCount / 8;
    uint32_t pixel = 0, old = 0;
    for (unsigned i = 0; i < bytes; ++i) {
        pixel |= uint32_t(picture[i]) << (8 * i);
        if (!keyFrame) old |= uint32_t(previous[i]) << (8 * i);
    }
    if (!keyFrame && pixel == old) return 2;
    if (bitCount == 8) return uint16_t(0x8000 | pixel);
    if (bitCount == 16) return uint16_t(0x8000 | pixel);
    uint32_t blue = pixel & 0xFF, green = (pixel >> 8) & 0xFF, red = (pixel >> 16) & 0xFF;
    return uint16_t(0x8000 | (red >> 3) << 10 | (green >> 3) << 5 | (blue >> 3));
}

}  // namespace

std::vector<uint8_t> referenceCodedRectChunk(const uint8_t* picture, const uint8_t* previous,
                                             const PictureFormat& header, const ChangeRect& rect, bool keyFrame) {
    const unsigned bitCount = header.depth;
    const unsigned literalBits = bitCount == 8 ? 8 : 15;
    const size_t stride = size_t(dibRowBytes(header.width, bitCount));
    std::vector<uint8_t> chunk(17, 0);
    chunk[2] = 3;
    writeU16(&chunk[8], uint16_t(rect.width));
    writeU16(&chunk[10], uint16_t(rect.height));
    chunk[12] = uint8_t(literalBits);
    writeU16(&chunk[13], uint16_t(rect.y));
    writeU16(&chunk[15], uint16_t(rect.x));

    std::vector<uint16_t> symbols;
    for (uint32_t row = 0; row < rect.height; ++row)
        for (uint32_t column = 0; column < rect.width; ++column) {
            size_t at = (rect.y + row) * stride + (rect.x + column) * bitCount / 8;
            symbols.push_back(symbolAt(picture + at, keyFrame ? nullptr : previous + at, bitCount, keyFrame));
        }

    std::vector<uint8_t> stream;
    ReferenceBits bits(stream);
    unsigned width = 4;
    uint16_t nextCode = 4;
    ReferenceTable table;
    auto write = [&](uint16_t value) {
        if (value & 0x8000) {
            bits.put(1, 1);
            bits.put(value & ((1u << literalBits) - 1), literalBits);
        } else {
            bits.put(0, 1);
            bits.put(value, width);
        }
    };
    bits.put(2, 5);
    uint16_t prefix = symbols[0];
    for (size_t i = 1; i < symbols.size(); ++i) {
        uint16_t s = symbols[i];
        int code = table.find(prefix, s);
        if (code >= 0) {
            prefix = uint16_t(code);
            continue;
        }
        write(prefix);
        if (nextCode < 32767) {
            if ((1u << width) <= nextCode) ++width;
            table.enter(prefix, s, nextCode++);
        } else {
            write(1);
            table.clear();
            nextCode = 4;
            width = 4;
        }
        prefix = s;
    }
    write(prefix);
    write(0);
    bits.finish();

    chunk.insert(chunk.end(), stream.begin(), stream.end());
    writeU32(&chunk[4], uint32_t(chunk.size()));
    writeU16(&chunk[0], chunkCrc16(chunk.data() + 2, chunk.size() - 2, 0));
    return chunk;
}

}  // namespace drav::test
