// Compression and decompression streams of an instance: BEGIN checks the
// formats and allocates the stream buffers, each frame message needs a running
// stream, END releases the buffers. Frames are coded one in, one out: nothing
// is delayed or buffered across calls.
#pragma once

#include <windows.h>
#include <vfw.h>

#include "codec/codec_instance.h"

namespace drav {

// ICM_COMPRESS_BEGIN: the compression query's status when the formats are
// refused (an output format is required), ICERR_MEMORY or ICERR_OK.
LRESULT compressBegin(CodecInstance& instance, const BITMAPINFOHEADER* input, const BITMAPINFOHEADER* output);
// ICM_COMPRESS_END: ICERR_OK, with or without a stream.
LRESULT compressEnd(CodecInstance& instance);
// ICM_COMPRESS: ICERR_ERROR without a running compression stream.
LRESULT compressOneFrame(CodecInstance& instance, const ICCOMPRESS* request);

// ICM_DECOMPRESS_BEGIN: as compressBegin, for the way back.
LRESULT decompressBegin(CodecInstance& instance, const BITMAPINFOHEADER* input, const BITMAPINFOHEADER* output);
LRESULT decompressEnd(CodecInstance& instance);
// ICM_DECOMPRESS: ICERR_ERROR without a running decompression stream.
LRESULT decompressOneFrame(CodecInstance& instance, const ICDECOMPRESS* request);

}  // namespace drav
