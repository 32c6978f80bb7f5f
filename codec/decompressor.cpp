#include "decompressor.h"

namespace drav {

long decompressFrame(CodecInstance&, const ICDECOMPRESS&) { return ICERR_ERROR; }

}  // namespace drav
