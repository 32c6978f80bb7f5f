// The encoder's side of the CodedRect string table: greedy longest-match LZW
// over 16-bit symbols, with code widths growing as codes are assigned and a
// CODE_CLEAR whenever the table is full.
//
// Screen content is mostly runs of SYMBOL_UNCHANGED. The strings made only of
// that symbol are entered in order of length (U^2, U^3, ... each extends the
// one before), so while the current string is such a run, the longest match
// over the next run of unchanged pixels is known from the chain's length
// alone: those symbols are consumed without a table look-up. The tokens are
// exactly those of the plain algorithm.
#pragma once

#include <algorithm>
#include <cstdint>

#include "bit_writer.h"
#include "frame_format.h"
#include "lzw_dictionary.h"

namespace drav {

class LzwEncoder {
public:
    static constexpr uint32_t RUN_CHAIN_CAPACITY = 16384;
    static constexpr uint32_t RUN_CHAIN_BYTES = RUN_CHAIN_CAPACITY * 2;

    // `workArea` holds the dictionary, `runChain` RUN_CHAIN_CAPACITY codes.
    LzwEncoder(BitWriter& bits, uint8_t* workArea, uint16_t* runChain, unsigned literalBits)
        : bits_(bits),
          dictionary_(workArea),
          runChain_(runChain),
          literalMask_((1u << literalBits) - 1),
          literalBits_(literalBits) {
        bits_.put(CODE_CLEAR << 1, MIN_CODE_WIDTH + 1);  // a decoder starts in this state anyway
        dictionary_.clear();
    }

    void encode(const uint16_t* symbols, uint32_t count) {
        uint32_t i = 0;
        if (!started_ && count > 0) {
            startString(symbols[i++]);
            started_ = true;
        }
        while (i < count) {
            const uint16_t symbol = symbols[i];
            if (symbol == SYMBOL_UNCHANGED && prefixRun_ > 0 && runChainValid_) {
                i = consumeUnchangedRun(symbols, i, count);
                continue;
            }
            const uint16_t code = dictionary_.find(prefix_, symbol);
            if (code != 0) {
                prefix_ = code;
                prefixRun_ = 0;
            } else {
                closeString(symbol);
            }
            ++i;
        }
    }

    void finish() {
        if (started_) writeValue(prefix_);
        writeValue(CODE_END);
    }

private:
    void startString(uint16_t symbol) {
        prefix_ = symbol;
        prefixRun_ = symbol == SYMBOL_UNCHANGED ? 1 : 0;
    }

    // The current string followed by `symbol` is not in the table (the last
    // find missed): send the string, enter the longer one, start over.
    void closeString(uint16_t symbol) {
        writeValue(prefix_);
        if (nextCode_ < CODE_LIMIT) {
            if ((1u << width_) <= nextCode_) ++width_;
            if (symbol == SYMBOL_UNCHANGED && prefixRun_ == longestRun_ && runChainValid_) extendRunChain();
            dictionary_.enterLastMiss(nextCode_++);
        } else {
            writeValue(CODE_CLEAR);
            dictionary_.clear();
            nextCode_ = FIRST_TABLE_CODE;
            width_ = MIN_CODE_WIDTH;
            longestRun_ = 1;
            runChainValid_ = true;
        }
        startString(symbol);
    }

    // The current string is U^prefixRun_ and symbols[i] starts a run of U.
    uint32_t consumeUnchangedRun(const uint16_t* symbols, uint32_t i, uint32_t count) {
        uint32_t end = i;
        while (end < count && symbols[end] == SYMBOL_UNCHANGED) ++end;
        while (i < end) {
            const uint32_t take = std::min(longestRun_ - prefixRun_, end - i);
            prefixRun_ += take;
            i += take;
            prefix_ = runCode(prefixRun_);
            if (i == end) break;
            // U^longestRun_ followed by U is the next string to enter.
            dictionary_.find(prefix_, SYMBOL_UNCHANGED);
            closeString(SYMBOL_UNCHANGED);
            ++i;
            if (!runChainValid_) break;
        }
        return i;
    }

    uint16_t runCode(uint32_t length) const { return length == 1 ? SYMBOL_UNCHANGED : runChain_[length]; }

    void extendRunChain() {
        if (longestRun_ + 1 < RUN_CHAIN_CAPACITY) {
            runChain_[++longestRun_] = nextCode_;
        } else {
            runChainValid_ = false;  // longer runs take the plain path until the next clear
        }
    }

    void writeValue(uint16_t value) {
        if (value & LITERAL_FLAG) {
            bits_.put(1u | ((value & literalMask_) << 1), literalBits_ + 1);
        } else {
            bits_.put(uint32_t(value) << 1, width_ + 1);
        }
    }

    BitWriter& bits_;
    LzwDictionary dictionary_;
    uint16_t* runChain_;  // runChain_[k]: code of U^k, for 2 <= k <= longestRun_
    uint32_t literalMask_;
    unsigned literalBits_;
    unsigned width_ = MIN_CODE_WIDTH;
    uint16_t nextCode_ = FIRST_TABLE_CODE;
    uint16_t prefix_ = 0;
    uint32_t prefixRun_ = 0;   // k when the current string is U^k, else 0
    uint32_t longestRun_ = 1;  // the longest U^k in the table
    bool runChainValid_ = true;
    bool started_ = false;
};

}  // namespace drav
