#include "frame_inspector.h"

#include <cstdio>

namespace drav::tool {
namespace {

const char* chunkName(uint8_t type) {
    switch (ChunkType(type)) {
        case ChunkType::End: return "End";
        case ChunkType::Palette: return "Palette";
        case ChunkType::RawRect: return "RawRect";
        case ChunkType::CodedRect: return "CodedRect";
    }
    return "unknown";
}

uint32_t minimumLength(ChunkType type) {
    switch (type) {
        case ChunkType::End: return END_CHUNK_SIZE;
        case ChunkType::Palette: return PALETTE_CHUNK_BASE_SIZE;
        default: return RECT_CHUNK_HEADER_SIZE;
    }
}

std::string pixelFormatName(uint8_t format) {
    if (format == PIXEL_FORMAT_PALETTE) return "pal8";
    if (format == PIXEL_FORMAT_RGB555) return "rgb555";
    return "pixel format " + std::to_string(format) + ", ignored";
}

std::string hex16(uint16_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%04X", unsigned(value));
    return text;
}

// The problem with the chunk's header and checksum, or "" when it is sound.
std::string headerProblem(const uint8_t* chunk, uint32_t available, CrcCheck crcCheck) {
    if (available < CHUNK_HEADER_SIZE) return "only " + std::to_string(available) + " bytes left for its header";
    ChunkHeader header = readChunkHeader(chunk);
    if (header.type > uint8_t(ChunkType::CodedRect)) return "unknown chunk type " + std::to_string(header.type);
    if (header.length > available)
        return std::string(chunkName(header.type)) + " of " + std::to_string(header.length) +
               " bytes reaches beyond the frame's " + std::to_string(available) + " remaining bytes";
    if (header.length < minimumLength(ChunkType(header.type)))
        return std::string(chunkName(header.type)) + " of only " + std::to_string(header.length) + " bytes";
    uint16_t computed = crcCheck == CrcCheck::Verify ? chunkCrc16(chunk + 2, header.length - 2, 0) : header.crc;
    if (computed != header.crc)
        return std::string(chunkName(header.type)) + " fails its CRC check (stored " + hex16(header.crc) +
               ", computed " + hex16(computed) + ")";
    if (header.type != uint8_t(ChunkType::End) && header.reserved != 0)
        return std::string(chunkName(header.type)) + " has reserved byte " + std::to_string(header.reserved);
    return "";
}

std::string paletteProblem(const uint8_t* chunk, ChunkSummary& summary) {
    summary.firstIndex = chunk[8];
    summary.lastIndex = chunk[9];
    uint32_t entries = summary.firstIndex <= summary.lastIndex ? summary.lastIndex - summary.firstIndex + 1u : 0u;
    if (summary.length < PALETTE_CHUNK_BASE_SIZE + 3 * entries)
        return "Palette of " + std::to_string(summary.length) + " bytes for " + std::to_string(entries) + " entries";
    return "";
}

std::string rectProblem(const uint8_t* chunk, ChunkSummary& summary, uint32_t pictureWidth, uint32_t pictureHeight) {
    summary.width = readU16(chunk + RECT_WIDTH_OFFSET);
    summary.height = readU16(chunk + RECT_HEIGHT_OFFSET);
    summary.pixelFormat = chunk[RECT_PIXEL_FORMAT_OFFSET];
    summary.y = readU16(chunk + RECT_Y_OFFSET);
    summary.x = readU16(chunk + RECT_X_OFFSET);
    const char* name = chunkName(uint8_t(summary.type));
    bool knownFormat = summary.pixelFormat == PIXEL_FORMAT_PALETTE || summary.pixelFormat == PIXEL_FORMAT_RGB555;
    // A RawRect of another pixel format changes nothing; a CodedRect cannot be read.
    if (!knownFormat && summary.type == ChunkType::RawRect) return "";
    if (!knownFormat) return std::string(name) + " with pixel format " + std::to_string(summary.pixelFormat);
    if (summary.width == 0 || summary.height == 0 || uint32_t(summary.x) + summary.width > pictureWidth ||
        uint32_t(summary.y) + summary.height > pictureHeight)
        return std::string(name) + " " + std::to_string(summary.width) + "x" + std::to_string(summary.height) + " at " +
               std::to_string(summary.x) + "," + std::to_string(summary.y) + " is not inside the picture";
    if (summary.type == ChunkType::RawRect) {
        uint64_t pixelBytes = uint64_t(summary.width) * summary.height * (summary.pixelFormat == 8 ? 1 : 2);
        if (summary.length < RECT_CHUNK_HEADER_SIZE + pixelBytes)
            return "RawRect of " + std::to_string(summary.length) + " bytes for " + std::to_string(pixelBytes) +
                   " bytes of pixels";
    }
    return "";
}

}  // namespace

FrameInspection inspectFrame(const uint8_t* data, uint32_t size, uint32_t pictureWidth, uint32_t pictureHeight,
                             CrcCheck crcCheck) {
    FrameInspection inspection;
    uint32_t offset = 0;
    while (offset < size && !inspection.endChunkSeen) {
        const uint8_t* chunk = data + offset;
        std::string problem = headerProblem(chunk, size - offset, crcCheck);
        ChunkSummary summary;
        if (problem.empty()) {
            ChunkHeader header = readChunkHeader(chunk);
            summary.type = ChunkType(header.type);
            summary.offset = offset;
            summary.length = header.length;
            if (summary.type == ChunkType::Palette) problem = paletteProblem(chunk, summary);
            if (summary.type == ChunkType::RawRect || summary.type == ChunkType::CodedRect)
                problem = rectProblem(chunk, summary, pictureWidth, pictureHeight);
        }
        if (!problem.empty()) {
            inspection.intact = false;
            inspection.problem = "chunk " + std::to_string(inspection.chunks.size() + 1) + " at byte " +
                                 std::to_string(offset) + ": " + problem;
            return inspection;
        }
        inspection.chunks.push_back(summary);
        inspection.endChunkSeen = summary.type == ChunkType::End;
        offset += summary.length;
    }
    inspection.trailingBytes = size - offset;
    return inspection;
}

std::string describeChunks(const FrameInspection& inspection) {
    std::string text;
    for (const ChunkSummary& chunk : inspection.chunks) {
        if (!text.empty()) text += ' ';
        text += chunkName(uint8_t(chunk.type));
        char detail[64] = "";
        if (chunk.type == ChunkType::Palette) {
            std::snprintf(detail, sizeof detail, "[%u-%u]", unsigned(chunk.firstIndex), unsigned(chunk.lastIndex));
        } else if (chunk.type != ChunkType::End) {
            std::snprintf(detail, sizeof detail, "(%u,%u %ux%u %s)", unsigned(chunk.x), unsigned(chunk.y),
                          unsigned(chunk.width), unsigned(chunk.height), pixelFormatName(chunk.pixelFormat).c_str());
        }
        text += detail;
    }
    return text.empty() ? "(empty)" : text;
}

bool changesPixels(const ChunkSummary& chunk) {
    bool rect = chunk.type == ChunkType::CodedRect || chunk.type == ChunkType::RawRect;
    bool knownFormat = chunk.pixelFormat == PIXEL_FORMAT_PALETTE || chunk.pixelFormat == PIXEL_FORMAT_RGB555;
    return rect && knownFormat && chunk.width > 0 && chunk.height > 0;
}

bool coversWholePicture(const FrameInspection& inspection, uint32_t pictureWidth, uint32_t pictureHeight,
                        unsigned streamBitCount) {
    bool wholePalette = streamBitCount != 8, wholePicture = false;
    for (const ChunkSummary& chunk : inspection.chunks) {
        if (chunk.type == ChunkType::Palette && chunk.firstIndex == 0 && chunk.lastIndex == 255) wholePalette = true;
        if (changesPixels(chunk) && chunk.x == 0 && chunk.y == 0 && chunk.width == pictureWidth &&
            chunk.height == pictureHeight)
            wholePicture = true;
    }
    return wholePalette && wholePicture;
}

}  // namespace drav::tool
