#include "DriverInstances.h"

#include <new>

#include "DriverInfo.h"
#include "CodecStreams.h"

namespace drav {

CodecInstance* instanceFromId(DWORD_PTR driverId) {
    if (driverId == 0 || driverId == CONFIGURATION_ONLY_ID) return nullptr;
    return reinterpret_cast<CodecInstance*>(driverId);
}

LRESULT openDriver(ICOPEN* openRecord) {
    if (!openRecord) return LRESULT(CONFIGURATION_ONLY_ID);
    if (openRecord->fccType != FOURCC_VIDC) return 0;

    // No stream is running in a new instance.
    auto* instance = new (std::nothrow) CodecInstance();
    if (!instance) {
        openRecord->dwError = ICERR_MEMORY;
        return 0;
    }
    instance->openFlags = openRecord->dwFlags;
    setState(*instance, nullptr, 0);
    openRecord->dwError = ICERR_OK;
    return reinterpret_cast<LRESULT>(instance);
}

LRESULT closeDriver(DWORD_PTR driverId) {
    if (CodecInstance* instance = instanceFromId(driverId)) {
        releaseStreamBuffers(*instance);
        delete instance;
    }
    return 1;
}

}  // namespace drav
