#include "codec/frame_inspector.h"

#include "codec/frame_coding.h"

namespace drav {
namespace {

bool isKnownPixelFormat(uint8_t format) { return format == PIXEL_FORMAT_PALETTE || format == PIXEL_FORMAT_RGB555; }

bool isRect(ChunkType type) { return type == ChunkType::RawRect || type == ChunkType::CodedRect; }

void readRect(const uint8_t* chunk, ChunkInfo& info) {
    info.width = readU16(chunk + RECT_WIDTH_OFFSET);
    info.height = readU16(chunk + RECT_HEIGHT_OFFSET);
    info.pixelFormat = chunk[RECT_PIXEL_FORMAT_OFFSET];
    info.y = readU16(chunk + RECT_Y_OFFSET);
    info.x = readU16(chunk + RECT_X_OFFSET);
}

// A RawRect of another pixel format changes nothing and passes; a CodedRect
// of no pixels passes when its stream ends at once, which the decoder checks.
ChunkFault rectFault(const ChunkInfo& info, uint32_t pictureWidth, uint32_t pictureHeight) {
    const bool raw = info.type == ChunkType::RawRect;
    if (!isKnownPixelFormat(info.pixelFormat)) return raw ? ChunkFault::None : ChunkFault::BadPixelFormat;
    if (uint32_t(info.x) + info.width > pictureWidth || uint32_t(info.y) + info.height > pictureHeight)
        return ChunkFault::RectOutsidePicture;
    if (!raw) return ChunkFault::None;
    if (info.width == 0 || info.height == 0) return ChunkFault::RectOutsidePicture;
    const uint64_t pixelBytes = uint64_t(info.width) * info.height * (info.pixelFormat == PIXEL_FORMAT_PALETTE ? 1 : 2);
    return info.length - RECT_CHUNK_HEADER_SIZE < pixelBytes ? ChunkFault::RawPixelsCutShort : ChunkFault::None;
}

}  // namespace

uint32_t minimumChunkLength(ChunkType type) {
    switch (type) {
        case ChunkType::End: return END_CHUNK_SIZE;
        case ChunkType::Palette: return PALETTE_CHUNK_BASE_SIZE;
        default: return RECT_CHUNK_HEADER_SIZE;
    }
}

bool changesPixels(const ChunkInfo& chunk) {
    return isRect(chunk.type) && isKnownPixelFormat(chunk.pixelFormat) && chunk.width > 0 && chunk.height > 0;
}

bool FrameInspector::next(ChunkInfo& chunk) {
    chunk = ChunkInfo{};
    if (endChunkSeen_ || fault_ != ChunkFault::None || offset_ >= size_) return false;
    chunk.offset = offset_;
    chunk.available = size_ - offset_;
    fault_ = check(chunk);
    if (fault_ != ChunkFault::None) return false;
    offset_ += chunk.length;
    ++chunksPassed_;
    endChunkSeen_ = chunk.type == ChunkType::End;
    return true;
}

ChunkFault FrameInspector::check(ChunkInfo& chunk) const {
    if (chunk.available < CHUNK_HEADER_SIZE) return ChunkFault::HeaderCutShort;
    const uint8_t* bytes = frame_ + chunk.offset;
    const ChunkHeader header = readChunkHeader(bytes);
    chunk.type = ChunkType(header.type);
    chunk.reserved = header.reserved;
    chunk.length = header.length;
    chunk.storedCrc = header.crc;
    if (header.type > uint8_t(ChunkType::CodedRect)) return ChunkFault::UnknownType;
    if (header.length > chunk.available) return ChunkFault::BeyondFrame;
    if (header.length < minimumChunkLength(chunk.type)) return ChunkFault::TooShort;
    chunk.computedCrc = chunkCrc16(bytes + 2, header.length - 2, 0);
    if (chunk.computedCrc != header.crc) return ChunkFault::CrcMismatch;
    if (header.type == uint8_t(ChunkType::End)) return ChunkFault::None;
    if (header.reserved != 0) return ChunkFault::ReservedSet;
    if (header.type == uint8_t(ChunkType::Palette)) {
        chunk.firstIndex = bytes[8];
        chunk.lastIndex = bytes[9];
        const uint32_t entries = chunk.firstIndex <= chunk.lastIndex ? chunk.lastIndex - chunk.firstIndex + 1u : 0u;
        return header.length < PALETTE_CHUNK_BASE_SIZE + 3 * entries ? ChunkFault::PaletteCutShort : ChunkFault::None;
    }
    readRect(bytes, chunk);
    return rectFault(chunk, pictureWidth_, pictureHeight_);
}

}  // namespace drav
