#include "compressor.h"

namespace drav {

long compressFrame(CodecInstance&, const ICCOMPRESS&) { return ICERR_ERROR; }

}  // namespace drav
