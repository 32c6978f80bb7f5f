// Format negotiation: which uncompressed formats the compressor takes, which
// DRAV formats it proposes, and the same for the way back. Every refusal is
// ICERR_BADFORMAT; a refused query changes nothing.
#pragma once

#include <windows.h>
#include <vfw.h>

#include "CodecInstance.h"

namespace drav {

// ICM_COMPRESS_QUERY: 8-, 16- or 32-bit BI_RGB input; a DRAV output of 8, 16
// or 24 bits and the input's size when an output is given.
LRESULT compressQuery(const BITMAPINFOHEADER* input, const BITMAPINFOHEADER* output);

// ICM_COMPRESS_GET_FORMAT: the proposed format's size for a null output,
// else writes it (8 bits with a zeroed colour table for 8-bit input, 16 bits
// otherwise; biSizeImage the worst-case frame size, from which hosts size
// their frame buffers) and returns ICERR_OK.
LRESULT compressGetFormat(const BITMAPINFOHEADER* input, BITMAPINFOHEADER* output);

// ICM_COMPRESS_GET_SIZE: the worst-case frame size for the output, which
// hosts allocate for each frame; 0 (no frame fits) for an output no stream
// can have: none, a header shorter than BITMAPINFOHEADER, top-down, empty or
// oversized. It never answers a status. While a stream runs, its next frames are limited to this size (and
// never to more than the stream's own format implies).
LRESULT compressGetSize(CodecInstance& instance, const BITMAPINFOHEADER* output);

// ICM_DECOMPRESS_QUERY: a DRAV input of 8, 16 or 24 bits; a BI_RGB or
// BI_BITFIELDS output of 16, 24 or 32 bits, narrowed by the resizing and
// colour-depth conversion switches.
LRESULT decompressQuery(const BITMAPINFOHEADER* input, const BITMAPINFOHEADER* output);

// ICM_DECOMPRESS_GET_FORMAT: the input's header (and colour table) as BI_RGB
// at a depth the decompression query accepts (16 bits for 16-bit streams when
// colour-depth conversion is allowed, else 24), biSizeImage the larger of the
// padded picture and three bytes a pixel; its size for a null output.
LRESULT decompressGetFormat(const BITMAPINFOHEADER* input, BITMAPINFOHEADER* output);

}  // namespace drav
