// The main header and the stream formats in the header lists of an AVI file's
// first bytes, for what libavformat does not carry as written: the muxer's own
// choices for the size fields and the main header's flags, and the sign of
// biHeight.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace drav::tool {

// Enough of a file's first bytes for its header lists; fewer if the file is shorter.
std::vector<uint8_t> readFileHead(const std::string& path);

// Where the format (the strf chunk's data) of stream `index` lies in head, and
// its size. False when head holds no such format.
bool findStreamFormat(const std::vector<uint8_t>& head, unsigned index, size_t& offset, uint32_t& size);

// Where the main header (the avih chunk's data, at least its first 16 bytes)
// lies in head. False when head holds none.
bool findMainHeader(const std::vector<uint8_t>& head, size_t& offset);

}  // namespace drav::tool
