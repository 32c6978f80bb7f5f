#include "CodecStreams.h"

#include "CodecSettings.h"
#include "FormatNegotiation.h"
#include "ProcessorTest.h"
#include "codec/codec_stream.h"
#include "codec/compressor.h"
#include "codec/decompressor.h"

namespace drav {
namespace {

// The setting first: the processor test runs only when MMX is allowed.
bool isMmxUsable() { return IsMMXAllowed() && CpuHasMMX(); }

}  // namespace

LRESULT compressBegin(CodecInstance& instance, const BITMAPINFOHEADER* input, const BITMAPINFOHEADER* output) {
    if (!output) return ICERR_BADFORMAT;
    LRESULT status = compressQuery(input, output);
    if (status != ICERR_OK) return status;
    return beginCompressionStream(instance, *input, *output, isMmxUsable());
}

LRESULT compressEnd(CodecInstance& instance) {
    endCompressionStream(instance);
    return ICERR_OK;
}

LRESULT compressOneFrame(CodecInstance& instance, const ICCOMPRESS* request) {
    // The frame codec refuses frames that do not fit a running stream.
    if (!request) return ICERR_ERROR;
    return compressFrame(instance, *request);
}

LRESULT decompressBegin(CodecInstance& instance, const BITMAPINFOHEADER* input, const BITMAPINFOHEADER* output) {
    if (!output) return ICERR_BADFORMAT;
    LRESULT status = decompressQuery(input, output);
    if (status != ICERR_OK) return status;
    return beginDecompressionStream(instance, *input, isMmxUsable());
}

LRESULT decompressEnd(CodecInstance& instance) {
    endDecompressionStream(instance);
    return ICERR_OK;
}

LRESULT decompressOneFrame(CodecInstance& instance, const ICDECOMPRESS* request) {
    if (!request) return ICERR_ERROR;
    return decompressFrame(instance, *request);
}

}  // namespace drav
