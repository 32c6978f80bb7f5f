// Figures about a DRAV stream that more than one command prints, worded once.
#pragma once

#include <cstdint>
#include <string>

#include "win_records.h"

namespace drav::tool {

// The compression ratio of a stream and what it compares: the DIB frames the
// stream decodes to at its own depth against its compressed frames, e.g.
// "674.5: 16-bit DIB frames 221184000 bytes, compressed frames 327937 bytes".
// Encoding and reading a file give the same figure, whatever the input was.
std::string compressionRatioText(const BITMAPINFOHEADER& streamFormat, int64_t frames, int64_t compressedBytes);

}  // namespace drav::tool
