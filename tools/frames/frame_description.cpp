#include "frame_description.h"

#include <cstdio>

namespace drav::tool {
namespace {

const char* chunkName(ChunkType type) {
    switch (type) {
        case ChunkType::End: return "End";
        case ChunkType::Palette: return "Palette";
        case ChunkType::RawRect: return "RawRect";
        case ChunkType::CodedRect: return "CodedRect";
    }
    return "unknown";
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

std::string rectText(const ChunkInfo& chunk) {
    return std::string(chunkName(chunk.type)) + " " + std::to_string(chunk.width) + "x" + std::to_string(chunk.height) +
           " at " + std::to_string(chunk.x) + "," + std::to_string(chunk.y);
}

std::string faultText(ChunkFault fault, const ChunkInfo& chunk) {
    const std::string name = chunkName(chunk.type);
    switch (fault) {
        case ChunkFault::None: return "";
        case ChunkFault::HeaderCutShort:
            return "only " + std::to_string(chunk.available) + " bytes left for its header";
        case ChunkFault::UnknownType: return "unknown chunk type " + std::to_string(unsigned(chunk.type));
        case ChunkFault::BeyondFrame:
            return name + " of " + std::to_string(chunk.length) + " bytes reaches beyond the frame's " +
                   std::to_string(chunk.available) + " remaining bytes";
        case ChunkFault::TooShort: return name + " of only " + std::to_string(chunk.length) + " bytes";
        case ChunkFault::CrcMismatch:
            return name + " fails its CRC check (stored " + hex16(chunk.storedCrc) + ", computed " +
                   hex16(chunk.computedCrc) + ")";
        case ChunkFault::ReservedSet: return name + " has reserved byte " + std::to_string(chunk.reserved);
        case ChunkFault::PaletteCutShort: {
            const unsigned entries = chunk.firstIndex <= chunk.lastIndex ? chunk.lastIndex - chunk.firstIndex + 1u : 0u;
            return "Palette of " + std::to_string(chunk.length) + " bytes for " + std::to_string(entries) + " entries";
        }
        case ChunkFault::BadPixelFormat: return name + " with pixel format " + std::to_string(chunk.pixelFormat);
        case ChunkFault::RectOutsidePicture: return rectText(chunk) + " is not inside the picture";
        case ChunkFault::RawPixelsCutShort: {
            const uint64_t pixelBytes = uint64_t(chunk.width) * chunk.height * (chunk.pixelFormat == 8 ? 1 : 2);
            return "RawRect of " + std::to_string(chunk.length) + " bytes for " + std::to_string(pixelBytes) +
                   " bytes of pixels";
        }
    }
    return "";
}

}  // namespace

FrameInspection inspectFrame(const uint8_t* data, uint32_t size, uint32_t pictureWidth, uint32_t pictureHeight) {
    FrameInspection inspection;
    FrameInspector inspector(data, size, pictureWidth, pictureHeight);
    ChunkInfo chunk;
    while (inspector.next(chunk)) inspection.chunks.push_back(chunk);
    inspection.endChunkSeen = inspector.endChunkSeen();
    if (inspector.fault() != ChunkFault::None) {
        inspection.intact = false;
        inspection.problem = "chunk " + std::to_string(inspection.chunks.size() + 1) + " at byte " +
                             std::to_string(chunk.offset) + ": " + faultText(inspector.fault(), chunk);
        return inspection;
    }
    inspection.trailingBytes = size - inspector.offset();
    return inspection;
}

std::string describeChunks(const FrameInspection& inspection) {
    std::string text;
    for (const ChunkSummary& chunk : inspection.chunks) {
        if (!text.empty()) text += ' ';
        text += chunkName(chunk.type);
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
