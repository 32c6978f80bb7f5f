// Applying decoded CodedRect symbols to a row of the 24-bit work picture:
// each literal pixel (bit 15 set) is stored, each SYMBOL_UNCHANGED leaves its
// pixel as it is. A scalar reference and forms for instruction sets, chosen
// at run time and equal to the reference byte for byte.
#pragma once

#include <cstdint>

#include "codec/frame_codec.h"

namespace drav {

// Applies `count` RGB555 symbols to the pixels from `pixel` on. Reads up to
// 63 symbols past the row (the history's slack) and writes only the row's
// literal pixels.
using Rgb555RowApplier = void (*)(uint8_t* pixel, const uint16_t* symbols, uint32_t count);

struct SymbolRowForm {
    const char* name;
    bool (*isSupported)();  // by this processor
    Rgb555RowApplier applyRgb555;
};

// Every form built in, fastest first; the last is the reference.
extern const SymbolRowForm SYMBOL_ROW_FORMS[];
extern const unsigned SYMBOL_ROW_FORM_COUNT;

// The fastest form this processor runs.
const SymbolRowForm& fastestSymbolRowForm();

void applyRgb555RowReference(uint8_t* pixel, const uint16_t* symbols, uint32_t count);
void applyRgb555RowSsse3(uint8_t* pixel, const uint16_t* symbols, uint32_t count);
void applyRgb555RowAvx2(uint8_t* pixel, const uint16_t* symbols, uint32_t count);

// The same for palette indices, resolved to the palette's colours.
void applyPaletteRow(uint8_t* pixel, const uint16_t* symbols, uint32_t count, const PaletteEntry* palette);

}  // namespace drav
