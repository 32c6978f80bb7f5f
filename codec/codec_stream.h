// Sizes of the streams' buffers, shared by the streams and the coders that
// work in them.
#pragma once

#include <cstdint>

namespace drav {

constexpr uint32_t LZW_TABLE_ENTRIES = 73729;
constexpr uint32_t LZW_WORK_AREA_SIZE = LZW_TABLE_ENTRIES * 8;  // 589,832
constexpr uint32_t PALETTE_BYTES = 256 * 4;

// Bytes per row of the bordered 24-bit work picture: 3 x (width + 4), plus its
// own remainder on division by 4.
uint32_t workPictureStrideFor(uint32_t width);

}  // namespace drav
