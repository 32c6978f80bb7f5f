#include "avi_header.h"

#include <cstring>
#include <fstream>

#include "codec/frame_format.h"

namespace drav::tool {
namespace {

constexpr size_t RIFF_HEADER_BYTES = 12;  // "RIFF", size, "AVI "
constexpr size_t CHUNK_HEADER_BYTES = 8;  // id, size
constexpr size_t LIST_HEADER_BYTES = 12;  // "LIST", size, type
constexpr size_t HEAD_BYTES = 64 * 1024;

bool isId(const std::vector<uint8_t>& bytes, size_t at, const char* id) {
    return at + 4 <= bytes.size() && std::memcmp(bytes.data() + at, id, 4) == 0;
}

bool isList(const std::vector<uint8_t>& bytes, size_t at, const char* type) {
    return isId(bytes, at, "LIST") && isId(bytes, at + 8, type);
}

size_t nextChunk(const std::vector<uint8_t>& bytes, size_t at) {
    uint64_t size = readU32(bytes.data() + at + 4);
    return size_t(at + CHUNK_HEADER_BYTES + size + (size & 1));
}

size_t chunkEnd(const std::vector<uint8_t>& bytes, size_t chunk) {
    size_t end = chunk + CHUNK_HEADER_BYTES + readU32(bytes.data() + chunk + 4);
    return end < bytes.size() ? end : bytes.size();
}

// The first chunk in [begin, end) that has the id, or is a LIST of listType
// when one is given; 0 when there is none.
size_t findChunk(const std::vector<uint8_t>& bytes, size_t begin, size_t end, const char* id,
                 const char* listType = nullptr) {
    for (size_t at = begin; at + CHUNK_HEADER_BYTES <= end; at = nextChunk(bytes, at))
        if (listType ? isList(bytes, at, listType) : isId(bytes, at, id)) return at;
    return 0;
}

// The hdrl list of an AVI file's head; 0 when there is none.
size_t findHeaderList(const std::vector<uint8_t>& head) {
    if (!isId(head, 0, "RIFF") || !isId(head, 8, "AVI ")) return 0;
    return findChunk(head, RIFF_HEADER_BYTES, head.size(), "LIST", "hdrl");
}

}  // namespace

std::vector<uint8_t> readFileHead(const std::string& path) {
    std::vector<uint8_t> head(HEAD_BYTES);
    std::ifstream file(path, std::ios::binary);
    file.read(reinterpret_cast<char*>(head.data()), std::streamsize(head.size()));
    head.resize(file ? head.size() : size_t(file.gcount()));
    return head;
}

bool findMainHeader(const std::vector<uint8_t>& head, size_t& offset) {
    constexpr size_t FLAGS_END = 16;  // dwMicroSecPerFrame, dwMaxBytesPerSec, dwPaddingGranularity, dwFlags
    size_t headerList = findHeaderList(head);
    if (!headerList) return false;
    size_t mainHeader = findChunk(head, headerList + LIST_HEADER_BYTES, chunkEnd(head, headerList), "avih");
    if (!mainHeader || chunkEnd(head, mainHeader) < mainHeader + CHUNK_HEADER_BYTES + FLAGS_END) return false;
    offset = mainHeader + CHUNK_HEADER_BYTES;
    return true;
}

bool findStreamFormat(const std::vector<uint8_t>& head, unsigned index, size_t& offset, uint32_t& size) {
    size_t headerList = findHeaderList(head);
    if (!headerList) return false;
    size_t end = chunkEnd(head, headerList);
    size_t streamList = headerList + LIST_HEADER_BYTES;
    for (unsigned i = 0;; ++i, streamList = nextChunk(head, streamList)) {
        streamList = findChunk(head, streamList, end, "LIST", "strl");
        if (!streamList) return false;
        if (i == index) break;
    }
    size_t format = findChunk(head, streamList + LIST_HEADER_BYTES, chunkEnd(head, streamList), "strf");
    if (!format) return false;
    offset = format + CHUNK_HEADER_BYTES;
    size = uint32_t(chunkEnd(head, format) - offset);
    return true;
}

}  // namespace drav::tool
