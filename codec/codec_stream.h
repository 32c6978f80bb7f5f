// Sizes of the streams' buffers, shared by the streams and the coders that
// work in them.
#pragma once

#include <cstdint>

namespace drav {

// The compressor's string table, its helpers and a batch of symbols (coded_rect_writer.cpp).
constexpr uint32_t LZW_WORK_AREA_SIZE = 720904;
constexpr uint32_t PALETTE_BYTES = 256 * 4;

// Bytes per row of the bordered 24-bit work picture: 3 x (width + 4), plus its
// own remainder on division by 4.
uint32_t workPictureStrideFor(uint32_t width);

}  // namespace drav
