// A deliberately plain CodedRect encoder that follows the format's rules step
// by step (bucketed string table with overflow chains, a bit at a time), used
// to check the optimised encoder token for token.
#pragma once

#include <cstdint>
#include <vector>

#include "codec/compressor.h"

namespace drav::test {

std::vector<uint8_t> referenceCodedRectChunk(const uint8_t* picture, const uint8_t* previous,
                                             const PictureFormat& header, const ChangeRect& rect, bool keyFrame);

}  // namespace drav::test
