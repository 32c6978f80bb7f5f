// The encoder's side of the CodedRect string table: greedy longest-match LZW
// over 16-bit symbols, with code widths growing as codes are assigned and a
// CODE_CLEAR whenever the table is full.
//
// Screen content is mostly runs of SYMBOL_UNCHANGED. The strings made only of
// that symbol are entered in order of length (U^2, U^3, ... each extends the
// one before), so while the current string is such a run, the longest match
// over the next run of unchanged pixels is known from the chain's length
// alone: those symbols are consumed without a table look-up. Runs of one
// literal pixel (a background colour) grow the same way; each such string
// keeps the code of the next longer one beside it, so a run is followed
// code by code without hashing. The codes found so for the latest run
// literal are kept by length too, so a later run of it skips to its longest
// known string at once. The tokens are exactly those of the plain algorithm.
//
// The current string's hash (see lzw_dictionary.h) goes along with its code;
// each table code keeps its string's hash, for the strings the shortcuts
// reach without hashing.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "codec/bit_writer.h"
#include "codec/frame_coding.h"
#include "codec/lzw_dictionary.h"

namespace drav {

class LzwEncoder {
public:
    static constexpr uint32_t RUN_CHAIN_CAPACITY = 16384;
    static constexpr uint32_t RUN_CHAIN_BYTES = RUN_CHAIN_CAPACITY * 2;
    static constexpr uint32_t LONGER_RUN_BYTES = CODE_LIMIT * 2;
    static constexpr uint32_t LITERAL_CHAIN_CAPACITY = 4096;
    static constexpr uint32_t LITERAL_CHAIN_BYTES = LITERAL_CHAIN_CAPACITY * 2;
    static constexpr uint32_t STRING_HASH_BYTES = CODE_LIMIT * 4;

    // `workArea` holds the dictionary, `stringHashes` and `longerRun` one
    // entry per string code, `runChain` RUN_CHAIN_CAPACITY codes,
    // `literalChain` LITERAL_CHAIN_CAPACITY codes.
    LzwEncoder(BitWriter& bits, uint8_t* workArea, uint32_t* stringHashes, uint16_t* runChain, uint16_t* longerRun,
               uint16_t* literalChain, unsigned literalBits)
        : bits_(bits),
          dictionary_(workArea),
          stringHashes_(stringHashes),
          runChain_(runChain),
          longerRun_(longerRun),
          literalChain_(literalChain),
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
            if (symbol == runSymbol_) {
                if (symbol == SYMBOL_UNCHANGED) {
                    i = consumeUnchangedRun(symbols, i, count);
                    continue;
                }
                if (longerRun_[prefix_] != 0) {
                    i = consumeLiteralRun(symbols, i, count);
                    continue;
                }
            }
            const uint32_t hash = extendHash(hash_, symbol);
            const uint16_t code = dictionary_.find(prefix_, symbol, hash);
            if (code != 0) {
                prefix_ = code;
                hash_ = hash;
                prefixRun_ = 0;
                literalRun_ = literalRun_ > 0 && symbol == runLiteral_ ? literalRun_ + 1 : 0;
                runSymbol_ = literalRun_ >= 2 ? runLiteral_ : NO_RUN;
            } else {
                closeString(symbol, hash);
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
        hash_ = extendHash(0, symbol);
        prefixRun_ = symbol == SYMBOL_UNCHANGED ? 1 : 0;
        literalRun_ = symbol & LITERAL_FLAG ? 1 : 0;
        runLiteral_ = symbol;
        runSymbol_ = prefixRun_ > 0 && runChainValid_ ? SYMBOL_UNCHANGED : NO_RUN;
    }

    // The current string followed by `symbol` is not in the table (the last
    // find missed, on `hash`): send the string, enter the longer one, start
    // over.
    void closeString(uint16_t symbol, uint32_t hash) {
        writeValue(prefix_);
        if (nextCode_ < CODE_LIMIT) {
            if ((1u << width_) <= nextCode_) ++width_;
            if (symbol == SYMBOL_UNCHANGED && prefixRun_ == longestRun_ && runChainValid_) extendRunChain();
            longerRun_[nextCode_] = 0;
            if (literalRun_ >= 2 && symbol == runLiteral_) longerRun_[prefix_] = nextCode_;
            stringHashes_[nextCode_] = hash;
            dictionary_.enterLastMiss(nextCode_++);
        } else {
            writeValue(CODE_CLEAR);
            dictionary_.clear();
            nextCode_ = FIRST_TABLE_CODE;
            width_ = MIN_CODE_WIDTH;
            longestRun_ = 1;
            runChainValid_ = true;
            chainLiteral_ = NO_RUN;
        }
        startString(symbol);
    }

    // The current string is U^prefixRun_ and symbols[i] starts a run of U.
    uint32_t consumeUnchangedRun(const uint16_t* symbols, uint32_t i, uint32_t count) {
        const uint32_t end = endOfRun(symbols, i, count, SYMBOL_UNCHANGED);
        while (i < end) {
            const uint32_t take = std::min(longestRun_ - prefixRun_, end - i);
            prefixRun_ += take;
            i += take;
            prefix_ = runCode(prefixRun_);
            if (i == end) break;
            // U^longestRun_ followed by U is the next string to enter.
            const uint32_t hash = extendHash(hashOf(prefix_), SYMBOL_UNCHANGED);
            dictionary_.find(prefix_, SYMBOL_UNCHANGED, hash);
            closeString(SYMBOL_UNCHANGED, hash);
            ++i;
            if (!runChainValid_) break;
        }
        hash_ = hashOf(prefix_);
        return i;
    }

    // Index of the first symbol from i on that is not `symbol`, or count.
    // Runs span whole rows of screen: four symbols are compared at a time.
    static uint32_t endOfRun(const uint16_t* symbols, uint32_t i, uint32_t count, uint16_t symbol) {
        const uint64_t fourOfThem = 0x0001000100010001ull * symbol;
        for (; i + 4 <= count; i += 4) {
            uint64_t four;
            std::memcpy(&four, symbols + i, 8);
            if (four != fourOfThem) return i + uint32_t(__builtin_ctzll(four ^ fourOfThem) / 16);
        }
        while (i < count && symbols[i] == symbol) ++i;
        return i;
    }

    // The current string is L^literalRun_ for the literal L = symbols[i], and
    // L^(literalRun_ + 1) is in the table: follow the run as far as both go,
    // by length while the chain of L knows the codes, then link by link.
    uint32_t consumeLiteralRun(const uint16_t* symbols, uint32_t i, uint32_t count) {
        const uint16_t literal = runLiteral_;
        uint16_t prefix = prefix_;
        uint32_t run = literalRun_;
        if (literal != chainLiteral_ && run == 2) {  // runs reach here first as L^2: start L's chain
            chainLiteral_ = literal;
            literalChain_[2] = prefix;
            chainLength_ = 2;
        }
        const bool chained = literal == chainLiteral_ && run <= chainLength_;
        if (chained) {
            const uint32_t end = endOfRun(symbols, i, std::min(count, i + (chainLength_ - run)), literal);
            run += end - i;
            i = end;
            prefix = literalChain_[run];
        }
        for (uint16_t longer; i < count && symbols[i] == literal && (longer = longerRun_[prefix]) != 0; ++i) {
            prefix = longer;
            if (++run == chainLength_ + 1 && chained && run < LITERAL_CHAIN_CAPACITY) {
                literalChain_[run] = prefix;
                chainLength_ = run;
            }
        }
        prefix_ = prefix;
        hash_ = hashOf(prefix);
        literalRun_ = run;
        return i;
    }

    // The hash of a symbol, or of a table code's string.
    uint32_t hashOf(uint16_t value) const {
        return value >= FIRST_TABLE_CODE && value < CODE_LIMIT ? stringHashes_[value] : extendHash(0, value);
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
    uint32_t* stringHashes_;  // stringHashes_[code]: the hash of the code's string
    uint16_t* runChain_;      // runChain_[k]: code of U^k, for 2 <= k <= longestRun_
    uint16_t* longerRun_;     // longerRun_[code of L^k]: code of L^(k+1) for a literal L, or 0
    uint16_t* literalChain_;  // literalChain_[k]: code of chainLiteral_^k, for 2 <= k <= chainLength_
    uint32_t literalMask_;
    unsigned literalBits_;
    unsigned width_ = MIN_CODE_WIDTH;
    uint16_t nextCode_ = FIRST_TABLE_CODE;
    uint16_t prefix_ = 0;
    uint32_t hash_ = 0;        // of the current string
    uint32_t prefixRun_ = 0;   // k when the current string is U^k, else 0
    uint32_t longestRun_ = 1;  // the longest U^k in the table
    uint32_t literalRun_ = 0;  // k when the current string is L^k for the literal runLiteral_, else 0
    uint16_t runLiteral_ = 0;
    // The symbol that continues the current string along a run shortcut: U
    // while the string is U^k (and the chain holds), L while it is L^k with
    // k >= 2; else NO_RUN. One compare per symbol then guards both shortcuts.
    static constexpr uint16_t NO_RUN = CODE_END;  // never a symbol
    uint16_t runSymbol_ = NO_RUN;
    uint16_t chainLiteral_ = NO_RUN;  // the literal literalChain_ follows, or none
    uint32_t chainLength_ = 0;
    bool runChainValid_ = true;
    bool started_ = false;
};

}  // namespace drav
