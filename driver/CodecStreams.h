// Compression and decompression streams of an instance: BEGIN checks the
// formats and begins the codec's stream, each frame message is handed to the
// running stream, END releases it. The handlers translate the system's records
// to the codec's own terms and its statuses back. Frames are coded one in,
// one out: nothing is delayed or buffered across calls.
#pragma once

#include <windows.h>
#include <vfw.h>

#include "CodecInstance.h"

namespace drav {

// ICM_COMPRESS_BEGIN: the compression query's status when the formats are
// refused (an output format is required), ICERR_MEMORY or ICERR_OK.
LRESULT compressBegin(CodecInstance& instance, const BITMAPINFOHEADER* input, const BITMAPINFOHEADER* output);
// ICM_COMPRESS_END: ICERR_OK, with or without a stream.
LRESULT compressEnd(CodecInstance& instance);
// ICM_COMPRESS: ICERR_OK, or ICERR_ERROR with lpbiOutput->biSizeImage = 0
// (also without a running compression stream; an output header shorter than
// BITMAPINFOHEADER is not written).
LRESULT compressOneFrame(CodecInstance& instance, const ICCOMPRESS* request);

// ICM_DECOMPRESS_BEGIN: the decompression query's status when the formats are
// refused, ICERR_MEMORY or ICERR_OK. The stream needs only the input format:
// without an output format each ICM_DECOMPRESS brings its own.
LRESULT decompressBegin(CodecInstance& instance, const BITMAPINFOHEADER* input, const BITMAPINFOHEADER* output);
LRESULT decompressEnd(CodecInstance& instance);
// ICM_DECOMPRESS: ICERR_OK, or ICERR_ERROR without a running decompression
// stream, for an output format the renderer cannot produce (nothing is
// applied then), for a bad frame, or for an output it cannot render (width
// or height 0, top-down, no buffer): that frame is applied, so that later
// delta frames build on it, but not rendered.
LRESULT decompressOneFrame(CodecInstance& instance, const ICDECOMPRESS* request);

// Everything a stream still holds (DRV_CLOSE).
void releaseStreamBuffers(CodecInstance& instance);

}  // namespace drav
