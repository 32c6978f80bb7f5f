// The driver file's single export. Routing only: every message goes by its
// exact value to its handler; unlisted driver messages (below ICM_USER) go to
// DefDriverProc, unlisted compression messages are unsupported.
#include <windows.h>
#include <vfw.h>

#include "CodecStreams.h"
#include "DialogMessages.h"
#include "DriverInfo.h"
#include "DriverInstances.h"
#include "DriverTrace.h"
#include "FormatNegotiation.h"
#include "gui/EntryPoints.h"

using namespace drav;

namespace {

template <typename Record>
Record* recordAt(LPARAM parameter) {
    return reinterpret_cast<Record*>(parameter);
}

BITMAPINFOHEADER* formatAt(LPARAM parameter) { return recordAt<BITMAPINFOHEADER>(parameter); }

LRESULT routeDriverMessage(DWORD_PTR driverId, HDRVR driver, UINT message, LPARAM lParam1, LPARAM lParam2) {
    switch (message) {
        case DRV_LOAD:
            dllStart();
            startTrace();
            return 1;
        case DRV_OPEN: return openDriver(recordAt<ICOPEN>(lParam2));
        case DRV_CLOSE: return closeDriver(driverId);
        case DRV_FREE: dllStop(); return 1;
        case DRV_CONFIGURE: return driverConfigure();
        case DRV_ENABLE:
        case DRV_DISABLE:
        case DRV_QUERYCONFIGURE:
        case DRV_INSTALL:
        case DRV_REMOVE: return 1;
        default: return DefDriverProc(driverId, driver, message, lParam1, lParam2);
    }
}

bool needsInstance(UINT message) {
    switch (message) {
        case ICM_COMPRESS_GET_SIZE:
        case ICM_COMPRESS_BEGIN:
        case ICM_COMPRESS:
        case ICM_COMPRESS_END:
        case ICM_DECOMPRESS_BEGIN:
        case ICM_DECOMPRESS:
        case ICM_DECOMPRESS_END:
        case ICM_GETSTATE:
        case ICM_SETSTATE: return true;
        default: return false;
    }
}

// The configuration-only identifier carries no instance: frames fail like
// frames without a stream, everything else is unsupported.
LRESULT answerWithoutInstance(UINT message) {
    return message == ICM_COMPRESS || message == ICM_DECOMPRESS ? ICERR_ERROR : ICERR_UNSUPPORTED;
}

LRESULT routeInstanceMessage(CodecInstance& instance, UINT message, LPARAM lParam1, LPARAM lParam2) {
    switch (message) {
        case ICM_COMPRESS_GET_SIZE: return compressGetSize(instance, formatAt(lParam2));
        case ICM_COMPRESS_BEGIN: return compressBegin(instance, formatAt(lParam1), formatAt(lParam2));
        case ICM_COMPRESS: return compressOneFrame(instance, recordAt<ICCOMPRESS>(lParam1));
        case ICM_COMPRESS_END: return compressEnd(instance);
        case ICM_DECOMPRESS_BEGIN: return decompressBegin(instance, formatAt(lParam1), formatAt(lParam2));
        case ICM_DECOMPRESS: return decompressOneFrame(instance, recordAt<ICDECOMPRESS>(lParam1));
        case ICM_DECOMPRESS_END: return decompressEnd(instance);
        case ICM_GETSTATE: return getState(instance, recordAt<void>(lParam1), lParam2);
        case ICM_SETSTATE: return setState(instance, recordAt<void>(lParam1), lParam2);
        default: return ICERR_UNSUPPORTED;
    }
}

LRESULT routeCompressionMessage(UINT message, LPARAM lParam1, LPARAM lParam2) {
    switch (message) {
        case ICM_COMPRESS_GET_FORMAT: return compressGetFormat(formatAt(lParam1), formatAt(lParam2));
        case ICM_COMPRESS_QUERY: return compressQuery(formatAt(lParam1), formatAt(lParam2));
        case ICM_DECOMPRESS_GET_FORMAT: return decompressGetFormat(formatAt(lParam1), formatAt(lParam2));
        case ICM_DECOMPRESS_QUERY: return decompressQuery(formatAt(lParam1), formatAt(lParam2));
        case ICM_DECOMPRESS_GET_PALETTE: return ICERR_BADFORMAT;
        case ICM_DRAW_BEGIN:
        case ICM_DRAW_START:
        case ICM_DRAW_STOP:
        case ICM_DRAW_END:
        case ICM_DRAW_QUERY:
        case ICM_DRAW:
        case ICM_DRAW_WINDOW: return ICERR_ERROR;
        case ICM_GETDEFAULTKEYFRAMERATE: return getDefaultKeyFrameRate(recordAt<DWORD>(lParam1));
        case ICM_GETINFO: return getInfo(recordAt<ICINFO>(lParam1), lParam2);
        case ICM_CONFIGURE: return configureMessage(lParam1);
        case ICM_ABOUT: return aboutMessage(lParam1);
        default: return ICERR_UNSUPPORTED;  // the quality messages among them
    }
}

LRESULT routeMessage(DWORD_PTR driverId, HDRVR driver, UINT message, LPARAM lParam1, LPARAM lParam2) {
    if (message < ICM_USER) return routeDriverMessage(driverId, driver, message, lParam1, lParam2);
    if (!needsInstance(message)) return routeCompressionMessage(message, lParam1, lParam2);
    CodecInstance* instance = instanceFromId(driverId);
    if (!instance) return answerWithoutInstance(message);
    return routeInstanceMessage(*instance, message, lParam1, lParam2);
}

// What a message reports when a handler fails beyond its own status codes.
// The driver loads even when its module state is incomplete.
LRESULT failureResult(UINT message) {
    if (message == DRV_LOAD) return 1;
    return message < ICM_USER ? 0 : ICERR_ERROR;
}

}  // namespace

// No exception may cross into the system's caller.
extern "C" LRESULT WINAPI DriverProc(DWORD_PTR dwDriverId, HDRVR hDriver, UINT uMsg, LPARAM lParam1, LPARAM lParam2) {
    LRESULT result;
    try {
        result = routeMessage(dwDriverId, hDriver, uMsg, lParam1, lParam2);
    } catch (...) {
        result = failureResult(uMsg);
    }
    if (isTracing()) traceMessage(dwDriverId, uMsg, lParam1, lParam2, result);
    return result;
}
