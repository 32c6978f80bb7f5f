#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "codec/coded_rect_rows.h"
#include "codec/frame_coding.h"

namespace drav {
namespace {

constexpr uint32_t SLACK = 64;  // symbols a form may read past the row
constexpr size_t MARGIN = 64;   // picture bytes either side of the row

// A row of symbols, `literalShare` of them literal pixels (in runs, as screen
// content has them), followed by literal slack that must not be applied.
std::vector<uint16_t> symbolRow(std::mt19937& rng, uint32_t count, double literalShare) {
    std::vector<uint16_t> symbols(count + SLACK);
    std::bernoulli_distribution startsRun(literalShare), staysLiteral(0.8);
    bool literal = false;
    for (uint32_t i = 0; i < symbols.size(); ++i) {
        literal = i >= count || (literal ? staysLiteral(rng) || startsRun(rng) : startsRun(rng));
        symbols[i] = literal ? uint16_t(LITERAL_FLAG | (rng() & 0x7FFF)) : SYMBOL_UNCHANGED;
    }
    return symbols;
}

TEST(SymbolRowForms, TheFastestFormIsTheOneThisProcessorOffers) {
#if defined(__i386__) || defined(__x86_64__)
    __builtin_cpu_init();
    const char* fastest = __builtin_cpu_supports("avx2")    ? "avx2"
                          : __builtin_cpu_supports("ssse3") ? "ssse3"
                                                            : "reference";
    EXPECT_EQ(std::string(fastest), fastestSymbolRowForm().name);
#endif
}

// Every form writes the reference's bytes and nothing outside the row, on
// rows of every length up to a few groups and every share of literals.
TEST(SymbolRowForms, MatchTheReferenceByteForByte) {
    std::mt19937 rng(21);
    for (unsigned f = 0; f + 1 < SYMBOL_ROW_FORM_COUNT; ++f) {
        const SymbolRowForm& form = SYMBOL_ROW_FORMS[f];
        if (!form.isSupported()) continue;
        for (uint32_t count = 0; count <= 100; ++count)
            for (double share : {0.0, 0.05, 0.3, 0.7, 1.0}) {
                const std::vector<uint16_t> symbols = symbolRow(rng, count, share);
                std::vector<uint8_t> picture(3 * size_t(count) + 2 * MARGIN);
                for (uint8_t& byte : picture) byte = uint8_t(rng());
                std::vector<uint8_t> expected = picture;
                applyRgb555RowReference(expected.data() + MARGIN, symbols.data(), count);
                form.applyRgb555(picture.data() + MARGIN, symbols.data(), count);
                ASSERT_EQ(expected, picture) << form.name << ", " << count << " symbols, literal share " << share;
            }
    }
}

}  // namespace
}  // namespace drav
