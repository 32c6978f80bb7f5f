// Buffers of the compression and decompression streams of a CodecInstance:
// what the BEGIN messages allocate, how large, in which state, and their
// release by END and at close. Formats are checked by the caller first.
#pragma once

#include <cstdint>

#include "codec_instance.h"
#include "win_records.h"

namespace drav {

constexpr uint32_t LZW_TABLE_ENTRIES = 73729;
constexpr uint32_t LZW_WORK_AREA_SIZE = LZW_TABLE_ENTRIES * 8;  // 589,832
constexpr uint32_t PALETTE_BYTES = 256 * 4;
constexpr int32_t MAX_PICTURE_DIMENSION = 65535;  // the format's 16-bit fields

// Worst-case size of one compressed frame for an output format:
// biWidth x biHeight x 3 + 803, in 32-bit arithmetic.
uint32_t worstCaseFrameSize(const BITMAPINFOHEADER& output);

// Bytes per row of the bordered 24-bit work picture: 3 x (width + 4), plus its
// own remainder on division by 4.
uint32_t workPictureStrideFor(uint32_t width);

// True when a bitmap's width and height fit the format (1 to 65,535, bottom-up)
// and every buffer size derived from them fits in 32 bits.
bool isStreamPictureSizeSupported(const BITMAPINFOHEADER& format);

// ICM_COMPRESS_BEGIN after the format checks: (re)allocates the string table,
// the previous frame (input stride x height) and the previous palette, both
// zeroed so that a stream that does not start with a key frame reads no
// indeterminate memory; sets maxCompressedSize and mmxEnabled.
// ICERR_OK, ICERR_MEMORY, or ICERR_BADFORMAT for sizes the format cannot carry.
long beginCompressionStream(CodecInstance& instance, const BITMAPINFOHEADER& input, const BITMAPINFOHEADER& output,
                            bool mmxEnabled);
void endCompressionStream(CodecInstance& instance);

// ICM_DECOMPRESS_BEGIN after the format checks: a black bordered work picture
// for the compressed format's size, the decode palette and the decoder tables.
long beginDecompressionStream(CodecInstance& instance, const BITMAPINFOHEADER& compressedInput, bool mmxEnabled);
void endDecompressionStream(CodecInstance& instance);

// Everything a stream still holds (DRV_CLOSE).
void releaseStreamBuffers(CodecInstance& instance);

}  // namespace drav
